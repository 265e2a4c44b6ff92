#include "scene/gltf/gltf_bind_pose.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "scene/gltf/gltf_accessor.h"

namespace palisor_scene {

namespace {

// How far from the identity, relative to the size of the joint's place, a joint's world matrix
// times its inverse bind matrix may be for the rest pose to count as the bind pose.
constexpr double kRestTolerance = 1e-6;

Matrix4 MatrixAt(const std::vector<float>& values, std::size_t index) {
  Matrix4 matrix{};
  for (std::size_t k = 0; k < 16; ++k) matrix[k] = values[16 * index + k];
  return matrix;
}

bool NearIdentity(const Matrix4& matrix, const Matrix4& world) {
  const double scale =
      std::max({1.0, std::fabs(world[12]), std::fabs(world[13]), std::fabs(world[14])});
  const Matrix4 identity = IdentityMatrix();
  for (std::size_t k = 0; k < 16; ++k) {
    if (!(std::fabs(matrix[k] - identity[k]) <= kRestTolerance * scale)) return false;
  }
  return true;
}

// Each joint's world matrix times its inverse bind matrix; empty where every one is the identity
// to within rounding.
std::vector<Matrix4> RestSkinMatrices(const GltfFile& file, int skin) {
  const tinygltf::Model& model = file.model;
  const tinygltf::Skin& data = model.skins[static_cast<std::size_t>(skin)];
  const std::string place = "skins[" + std::to_string(skin) + "]";
  const std::vector<Matrix4> world = WorldMatrices(model, file.path);
  std::vector<float> inverses;
  if (data.inverseBindMatrices >= 0) {
    const GltfPlace where{file.path, place + ".inverseBindMatrices"};
    inverses = ReadFloatAccessor(model, data.inverseBindMatrices, 16, where);
    if (inverses.size() / 16 < data.joints.size()) {
      FailAt(where, "has " + std::to_string(inverses.size() / 16) + " matrices, but the skin has " +
                        std::to_string(data.joints.size()) + " joints");
    }
  }
  std::vector<Matrix4> matrices;
  bool restIsBind = true;
  for (std::size_t j = 0; j < data.joints.size(); ++j) {
    const int node = data.joints[j];
    if (node < 0 || static_cast<std::size_t>(node) >= world.size()) {
      FailAt(GltfPlace{file.path, place + ".joints"},
             "names nodes[" + std::to_string(node) + "], which does not exist");
    }
    const Matrix4& joint = world[static_cast<std::size_t>(node)];
    matrices.push_back(inverses.empty() ? joint : MultiplyMatrices(joint, MatrixAt(inverses, j)));
    restIsBind = restIsBind && NearIdentity(matrices.back(), joint);
  }
  if (restIsBind) matrices.clear();
  return matrices;
}

// The skin's matrix at rest for one vertex: its joints' matrices weighted.
Matrix4 VertexSkinMatrix(const std::vector<Matrix4>& joints, const DestinationWeights& weights,
                         std::size_t vertex) {
  Matrix4 sum{};
  for (std::size_t k = 0; k < weights.influences; ++k) {
    const std::size_t slot = vertex * weights.influences + k;
    const double weight = weights.weights[slot];
    if (weight == 0.0) continue;
    const Matrix4& joint = joints[weights.joints[slot]];
    for (std::size_t e = 0; e < 16; ++e) sum[e] += weight * joint[e];
  }
  return sum;
}

// The inverse transpose of the matrix's linear part, column-major; false where it has none.
bool NormalMatrix(const Matrix4& matrix, std::array<double, 9>& normal) {
  std::array<double, 9> inverse{};
  if (!InverseLinearPart(matrix, inverse)) return false;
  for (std::size_t column = 0; column < 3; ++column) {
    for (std::size_t row = 0; row < 3; ++row) normal[column * 3 + row] = inverse[row * 3 + column];
  }
  return true;
}

}  // namespace

BindPoseMaps::BindPoseMaps(const GltfFile& file, const GltfMeshNode& meshNode,
                           const DestinationWeights& weights) {
  const GltfPlace where{file.path, "nodes[" + std::to_string(meshNode.node) + "]"};
  const std::vector<Matrix4> rest = RestSkinMatrices(file, weights.skin);
  if (rest.empty()) {
    maps_.push_back(meshNode.placement);
  } else {
    const std::size_t vertices =
        weights.influences == 0 ? 0 : weights.joints.size() / weights.influences;
    maps_.reserve(vertices);
    for (std::size_t v = 0; v < vertices; ++v) {
      Matrix4 inverse{};
      if (!InverseAffine(VertexSkinMatrix(rest, weights, v), inverse)) {
        FailAt(where, "cannot stand where it stood: at rest the skin's joints flatten its vertex " +
                          std::to_string(v));
      }
      maps_.push_back(MultiplyMatrices(inverse, meshNode.placement));
    }
  }
  identity_ = maps_.size() == 1 && IsIdentity(maps_[0]);
  normalMaps_.resize(maps_.size());
  for (std::size_t m = 0; m < maps_.size(); ++m) {
    const double determinant = LinearDeterminant(maps_[m]);
    if (!(determinant > 0.0) || !std::isfinite(determinant) ||
        !NormalMatrix(maps_[m], normalMaps_[m])) {
      FailAt(where,
             "cannot stand where it stood once skinned: its placement would mirror or "
             "flatten it" +
                 (maps_.size() > 1 ? " at vertex " + std::to_string(m) : ""));
    }
  }
}

Vector3 BindPoseMaps::Position(std::size_t vertex, const Vector3& position) const {
  return identity_ ? position : TransformPoint(MapOf(vertex), position);
}

Vector3 BindPoseMaps::Direction(std::size_t vertex, const Vector3& direction) const {
  if (identity_) return direction;
  const Matrix4& m = MapOf(vertex);
  const double x = direction.x, y = direction.y, z = direction.z;
  return Vector3{static_cast<float>(m[0] * x + m[4] * y + m[8] * z),
                 static_cast<float>(m[1] * x + m[5] * y + m[9] * z),
                 static_cast<float>(m[2] * x + m[6] * y + m[10] * z)};
}

Vector3 BindPoseMaps::Normal(std::size_t vertex, const Vector3& normal) const {
  if (identity_) return normal;
  const std::array<double, 9>& m = normalMaps_.size() == 1 ? normalMaps_[0] : normalMaps_[vertex];
  const double x = normal.x, y = normal.y, z = normal.z;
  const double turned[3] = {m[0] * x + m[3] * y + m[6] * z, m[1] * x + m[4] * y + m[7] * z,
                            m[2] * x + m[5] * y + m[8] * z};
  const double length =
      std::sqrt(turned[0] * turned[0] + turned[1] * turned[1] + turned[2] * turned[2]);
  if (!(length > 0.0) || !std::isfinite(length)) return normal;
  return Vector3{static_cast<float>(turned[0] / length), static_cast<float>(turned[1] / length),
                 static_cast<float>(turned[2] / length)};
}

}  // namespace palisor_scene
