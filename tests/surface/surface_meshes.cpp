#include "surface_meshes.h"

#include <cmath>
#include <limits>
#include <random>

namespace {

constexpr float kPi = 3.14159265f;

void AddSphere(TestMesh& mesh, uint32_t rings, uint32_t segments) {
  const auto base = static_cast<uint32_t>(mesh.vertexCount());
  mesh.AddVertex(0.0f, 0.0f, 1.0f);
  for (uint32_t ring = 1; ring < rings; ++ring) {
    const float polar = kPi * static_cast<float>(ring) / static_cast<float>(rings);
    for (uint32_t segment = 0; segment < segments; ++segment) {
      const float around = 2.0f * kPi * static_cast<float>(segment) / static_cast<float>(segments);
      mesh.AddVertex(std::sin(polar) * std::cos(around), std::sin(polar) * std::sin(around),
                     std::cos(polar));
    }
  }
  const uint32_t south = static_cast<uint32_t>(mesh.vertexCount()) - base;
  mesh.AddVertex(0.0f, 0.0f, -1.0f);
  const auto at = [&](uint32_t ring, uint32_t segment) {
    return base + 1 + (ring - 1) * segments + segment % segments;
  };
  for (uint32_t segment = 0; segment < segments; ++segment) {
    mesh.AddTriangle(base, at(1, segment), at(1, segment + 1));
    mesh.AddTriangle(base + south, at(rings - 1, segment + 1), at(rings - 1, segment));
    for (uint32_t ring = 1; ring + 1 < rings; ++ring) {
      mesh.AddTriangle(at(ring, segment), at(ring + 1, segment), at(ring + 1, segment + 1));
      mesh.AddTriangle(at(ring, segment), at(ring + 1, segment + 1), at(ring, segment + 1));
    }
  }
}

}  // namespace

TestMesh RandomSoup(std::size_t count, unsigned stream) {
  std::mt19937 engine(stream);
  std::uniform_real_distribution<float> unit(-1.0f, 1.0f);
  TestMesh mesh;
  for (std::size_t k = 0; k < 3 * count; ++k)
    mesh.AddVertex(unit(engine), unit(engine), unit(engine));
  for (uint32_t k = 0; k < 3 * count; k += 3) mesh.AddTriangle(k, k + 1, k + 2);
  return mesh;
}

TestMesh Sphere(uint32_t rings, uint32_t segments) {
  TestMesh mesh;
  AddSphere(mesh, rings, segments);
  return mesh;
}

TestMesh Slivers(uint32_t count) {
  TestMesh mesh;
  for (uint32_t k = 0; k < count + 2; ++k) {
    const float x = 0.01f * static_cast<float>(k);
    mesh.AddVertex(x, (k % 2) * 3e-6f, (k % 3) * 1e-6f);
  }
  for (uint32_t k = 0; k < count; ++k) {
    // Thin in one of two ways: one short height, or one corner far along the strip (a needle).
    mesh.AddTriangle(k, k + 1, k % 4 == 0 ? (k + 2 + 17 * k) % (count + 2) : k + 2);
  }
  return mesh;
}

TestMesh WithDegenerateTriangles(uint32_t rings, uint32_t segments) {
  TestMesh mesh = Sphere(rings, segments);
  const auto vertices = static_cast<uint32_t>(mesh.vertexCount());
  for (uint32_t k = 0; k + 2 < vertices; k += 3) {
    mesh.AddTriangle(k, k, k);
    mesh.AddTriangle(k, k + 1, k + 1);
    // A corner halfway between two others, and one beyond them on the same line.
    const float* a = &mesh.positions[3 * k];
    const float* b = &mesh.positions[3 * (k + 2)];
    mesh.AddVertex((a[0] + b[0]) * 0.5f, (a[1] + b[1]) * 0.5f, (a[2] + b[2]) * 0.5f);
    mesh.AddTriangle(k, static_cast<uint32_t>(mesh.vertexCount() - 1), k + 2);
    mesh.AddVertex(0.0f, 0.0f, 1.5f + 0.01f * static_cast<float>(k));
    mesh.AddTriangle(static_cast<uint32_t>(mesh.vertexCount() - 1), 0, 0);
  }
  // Corners exactly on one line, the middle one named first, second and last.
  const auto first = static_cast<uint32_t>(mesh.vertexCount());
  for (const float x : {1.2f, 1.4f, 1.9f}) mesh.AddVertex(x, 0.25f, -0.5f);
  mesh.AddTriangle(first + 1, first, first + 2);
  mesh.AddTriangle(first, first + 1, first + 2);
  mesh.AddTriangle(first, first + 2, first + 1);
  return mesh;
}

TestMesh Duplicated(uint32_t rings, uint32_t segments) {
  TestMesh mesh = Sphere(rings, segments);
  const std::vector<uint32_t> originals = mesh.corners;
  mesh.corners.insert(mesh.corners.end(), originals.begin(), originals.end());
  return mesh;
}

TestMesh WithNonFiniteVertices(std::size_t count, unsigned stream) {
  TestMesh mesh = RandomSoup(count, stream);
  const float odd[3] = {std::numeric_limits<float>::quiet_NaN(),
                        std::numeric_limits<float>::infinity(),
                        -std::numeric_limits<float>::infinity()};
  for (std::size_t k = 0; k < mesh.positions.size(); k += 29) mesh.positions[k] = odd[k % 3];
  return mesh;
}

TestMesh WavyGrid(uint32_t side) {
  TestMesh mesh;
  for (uint32_t row = 0; row <= side; ++row) {
    for (uint32_t column = 0; column <= side; ++column) {
      const float x = static_cast<float>(column) / static_cast<float>(side);
      const float y = static_cast<float>(row) / static_cast<float>(side);
      mesh.AddVertex(x, y, 0.1f * std::sin(9.0f * x) * std::cos(7.0f * y));
    }
  }
  for (uint32_t row = 0; row < side; ++row) {
    for (uint32_t column = 0; column < side; ++column) {
      const uint32_t corner = row * (side + 1) + column;
      mesh.AddTriangle(corner, corner + 1, corner + side + 2);
      mesh.AddTriangle(corner, corner + side + 2, corner + side + 1);
    }
  }
  return mesh;
}

TestMesh SliverFan(uint32_t count) {
  // The disc's plane is spanned by two orthonormal directions with simple coordinates.
  const double along[3] = {0.6, 0.64, 0.48};
  const double across[3] = {-0.8, 0.48, 0.36};
  TestMesh mesh;
  mesh.AddVertex(0.0f, 0.0f, 0.0f);
  for (uint32_t k = 0; k < count; ++k) {
    const double angle = 6.283185307179586 * k / count;
    const double x = std::cos(angle);
    const double y = std::sin(angle);
    mesh.AddVertex(static_cast<float>(x * along[0] + y * across[0]),
                   static_cast<float>(x * along[1] + y * across[1]),
                   static_cast<float>(x * along[2] + y * across[2]));
    mesh.AddTriangle(0, 1 + k, 1 + (k + 1) % count);
  }
  return mesh;
}

std::vector<float> QueriesJustOff(const TestMesh& mesh, float height) {
  std::vector<float> queries;
  const std::size_t step = mesh.triangleCount() / 300 + 1;
  for (std::size_t triangle = 0; triangle < mesh.triangleCount(); triangle += step) {
    double corner[3][3];
    for (int c = 0; c < 3; ++c) {
      for (int axis = 0; axis < 3; ++axis) {
        corner[c][axis] = mesh.positions[3 * mesh.corners[3 * triangle + c] + axis];
      }
    }
    double normal[3];
    for (int axis = 0; axis < 3; ++axis) {
      const int next = (axis + 1) % 3;
      const int last = (axis + 2) % 3;
      normal[axis] = (corner[1][next] - corner[0][next]) * (corner[2][last] - corner[0][last]) -
                     (corner[1][last] - corner[0][last]) * (corner[2][next] - corner[0][next]);
    }
    const double length =
        std::sqrt(normal[0] * normal[0] + normal[1] * normal[1] + normal[2] * normal[2]);
    if (!(length > 0.0) || !std::isfinite(length)) continue;
    const double side = triangle % 2 ? height : -height;
    for (int axis = 0; axis < 3; ++axis) {
      const double centre = (corner[0][axis] + corner[1][axis] + corner[2][axis]) / 3.0;
      queries.push_back(static_cast<float>(centre + side * normal[axis] / length));
    }
  }
  return queries;
}

std::vector<float> QueriesFor(const TestMesh& mesh, std::size_t randomCount, unsigned stream) {
  std::mt19937 engine(stream);
  std::uniform_real_distribution<float> around(-1.3f, 1.3f);
  std::uniform_real_distribution<float> far(-1e4f, 1e4f);
  std::vector<float> queries;
  for (std::size_t k = 0; k < randomCount; ++k) {
    const bool isFar = k % 8 == 0;
    for (int axis = 0; axis < 3; ++axis) queries.push_back(isFar ? far(engine) : around(engine));
  }
  // Every vertex, and points a quarter and half way along edges, as far as a few hundred go.
  const std::size_t step = mesh.triangleCount() / 200 + 1;
  for (std::size_t triangle = 0; triangle < mesh.triangleCount(); triangle += step) {
    const float* a = &mesh.positions[3 * mesh.corners[3 * triangle]];
    const float* b = &mesh.positions[3 * mesh.corners[3 * triangle + 1]];
    for (const float t : {0.0f, 0.25f, 0.5f}) {
      for (int axis = 0; axis < 3; ++axis) queries.push_back(a[axis] + (b[axis] - a[axis]) * t);
    }
  }
  return queries;
}
