#include "scene/gltf/gltf_transform.h"

#include <cmath>
#include <string>

#include "scene/scene_error.h"

namespace palisor_scene {

namespace {

Matrix4 LocalMatrix(const tinygltf::Node& node) {
  if (node.matrix.size() == 16) {
    Matrix4 matrix{};
    for (int i = 0; i < 16; ++i) matrix[i] = node.matrix[static_cast<std::size_t>(i)];
    return matrix;
  }
  double t[3] = {0, 0, 0};
  double q[4] = {0, 0, 0, 1};
  double s[3] = {1, 1, 1};
  if (node.translation.size() == 3) {
    for (int i = 0; i < 3; ++i) t[i] = node.translation[static_cast<std::size_t>(i)];
  }
  if (node.rotation.size() == 4) {
    for (int i = 0; i < 4; ++i) q[i] = node.rotation[static_cast<std::size_t>(i)];
  }
  if (node.scale.size() == 3) {
    for (int i = 0; i < 3; ++i) s[i] = node.scale[static_cast<std::size_t>(i)];
  }
  const double x = q[0], y = q[1], z = q[2], w = q[3];
  const double r[9] = {1 - 2 * (y * y + z * z), 2 * (x * y + z * w),     2 * (x * z - y * w),
                       2 * (x * y - z * w),     1 - 2 * (x * x + z * z), 2 * (y * z + x * w),
                       2 * (x * z + y * w),     2 * (y * z - x * w),     1 - 2 * (x * x + y * y)};
  Matrix4 matrix = IdentityMatrix();
  for (int column = 0; column < 3; ++column) {
    for (int row = 0; row < 3; ++row) matrix[column * 4 + row] = r[column * 3 + row] * s[column];
  }
  for (int row = 0; row < 3; ++row) matrix[12 + row] = t[row];
  return matrix;
}

}  // namespace

Matrix4 MultiplyMatrices(const Matrix4& a, const Matrix4& b) {
  Matrix4 product{};
  for (int column = 0; column < 4; ++column) {
    for (int row = 0; row < 4; ++row) {
      double sum = 0.0;
      for (int k = 0; k < 4; ++k) sum += a[k * 4 + row] * b[column * 4 + k];
      product[column * 4 + row] = sum;
    }
  }
  return product;
}

Matrix4 IdentityMatrix() {
  return Matrix4{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
}

bool IsIdentity(const Matrix4& matrix) {
  return matrix == IdentityMatrix();
}

std::vector<Matrix4> WorldMatrices(const tinygltf::Model& model, const std::string& file) {
  const std::size_t count = model.nodes.size();
  std::vector<int> parent(count, -1);
  for (std::size_t i = 0; i < count; ++i) {
    for (int child : model.nodes[i].children) {
      if (child < 0 || static_cast<std::size_t>(child) >= count) {
        throw SceneError(file, "nodes",
                         file + ": nodes[" + std::to_string(i) + "].children names nodes[" +
                             std::to_string(child) + "], which does not exist");
      }
      if (parent[static_cast<std::size_t>(child)] >= 0 || static_cast<std::size_t>(child) == i) {
        throw SceneError(file, "nodes",
                         file + ": nodes[" + std::to_string(child) +
                             "] is the child of more than one node or of itself");
      }
      parent[static_cast<std::size_t>(child)] = static_cast<int>(i);
    }
  }
  std::vector<Matrix4> world(count);
  std::vector<int> state(count, 0);  // 0 not done, 1 on the current chain, 2 done
  for (std::size_t start = 0; start < count; ++start) {
    std::vector<int> chain;
    for (int node = static_cast<int>(start);
         node >= 0 && state[static_cast<std::size_t>(node)] != 2;
         node = parent[static_cast<std::size_t>(node)]) {
      if (state[static_cast<std::size_t>(node)] == 1) {
        throw SceneError(file, "nodes",
                         file + ": nodes[" + std::to_string(node) + "] is its own ancestor");
      }
      state[static_cast<std::size_t>(node)] = 1;
      chain.push_back(node);
    }
    for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
      const std::size_t node = static_cast<std::size_t>(*it);
      const Matrix4 local = LocalMatrix(model.nodes[node]);
      world[node] = parent[node] >= 0
                        ? MultiplyMatrices(world[static_cast<std::size_t>(parent[node])], local)
                        : local;
      state[node] = 2;
    }
  }
  return world;
}

Vector3 TransformPoint(const Matrix4& m, const Vector3& p) {
  const double x = p.x, y = p.y, z = p.z;
  return Vector3{static_cast<float>(m[0] * x + m[4] * y + m[8] * z + m[12]),
                 static_cast<float>(m[1] * x + m[5] * y + m[9] * z + m[13]),
                 static_cast<float>(m[2] * x + m[6] * y + m[10] * z + m[14])};
}

double LinearDeterminant(const Matrix4& m) {
  const double a = m[0], b = m[4], c = m[8];
  const double d = m[1], e = m[5], f = m[9];
  const double g = m[2], h = m[6], i = m[10];
  return a * (e * i - f * h) - b * (d * i - f * g) + c * (d * h - e * g);
}

bool InverseAffine(const Matrix4& matrix, Matrix4& inverse) {
  std::array<double, 9> linear{};
  if (!InverseLinearPart(matrix, linear)) return false;
  inverse = IdentityMatrix();
  for (int column = 0; column < 3; ++column) {
    for (int row = 0; row < 3; ++row) {
      inverse[static_cast<std::size_t>(column * 4 + row)] =
          linear[static_cast<std::size_t>(column * 3 + row)];
    }
  }
  for (int row = 0; row < 3; ++row) {
    double shift = 0.0;
    for (int k = 0; k < 3; ++k) {
      shift -=
          linear[static_cast<std::size_t>(k * 3 + row)] * matrix[static_cast<std::size_t>(12 + k)];
    }
    inverse[static_cast<std::size_t>(12 + row)] = shift;
  }
  return true;
}

bool InverseLinearPart(const Matrix4& m, std::array<double, 9>& inverse) {
  // a b c / d e f / g h i in rows; the matrix is column-major.
  const double a = m[0], b = m[4], c = m[8];
  const double d = m[1], e = m[5], f = m[9];
  const double g = m[2], h = m[6], i = m[10];
  const double determinant = LinearDeterminant(m);
  if (determinant == 0.0 || !std::isfinite(determinant)) return false;
  const double rows[9] = {(e * i - f * h),  -(b * i - c * h), (b * f - c * e),
                          -(d * i - f * g), (a * i - c * g),  -(a * f - c * d),
                          (d * h - e * g),  -(a * h - b * g), (a * e - b * d)};
  // Column-major result.
  for (int row = 0; row < 3; ++row) {
    for (int column = 0; column < 3; ++column) {
      inverse[static_cast<std::size_t>(column * 3 + row)] = rows[row * 3 + column] / determinant;
    }
  }
  return true;
}

}  // namespace palisor_scene
