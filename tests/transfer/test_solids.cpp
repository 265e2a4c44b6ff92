#include "test_solids.h"

#include <cmath>

#include "surface/closest_point.h"
#include "surface/surface_meshes.h"

namespace {

constexpr float kPi = 3.14159265f;

Solid FromTestMesh(const TestMesh& mesh) {
  Solid solid;
  for (std::size_t v = 0; v < mesh.vertexCount(); ++v) {
    solid.positions.push_back(
        {mesh.positions[3 * v], mesh.positions[3 * v + 1], mesh.positions[3 * v + 2]});
  }
  solid.corners = mesh.corners;
  return solid;
}

}  // namespace

Solid SphereSolid(uint32_t rings, uint32_t segments, float radius, const Vector3& center) {
  return Moved(FromTestMesh(Sphere(rings, segments)),
               [&](const Vector3& p) { return Plus(Times(p, radius), center); });
}

Solid TorusSolid(float major, float minor, uint32_t around, uint32_t along) {
  Solid torus;
  for (uint32_t i = 0; i < around; ++i) {
    const float u = 2.0f * kPi * static_cast<float>(i) / static_cast<float>(around);
    for (uint32_t j = 0; j < along; ++j) {
      const float v = 2.0f * kPi * static_cast<float>(j) / static_cast<float>(along);
      const float ring = major + minor * std::cos(v);
      torus.positions.push_back({ring * std::cos(u), ring * std::sin(u), minor * std::sin(v)});
    }
  }
  for (uint32_t i = 0; i < around; ++i) {
    for (uint32_t j = 0; j < along; ++j) {
      const uint32_t a = i * along + j;
      const uint32_t b = ((i + 1) % around) * along + j;
      const uint32_t c = ((i + 1) % around) * along + (j + 1) % along;
      const uint32_t d = i * along + (j + 1) % along;
      torus.corners.insert(torus.corners.end(), {a, b, c, a, c, d});
    }
  }
  return torus;
}

Solid SplitWedge(float angleDegrees) {
  const float half = 0.5f * angleDegrees * kPi / 180.0f;
  const Vector3 apex{0.0f, 0.0f, 0.0f};
  const Vector3 upper{std::cos(half), std::sin(half), 0.0f};
  const Vector3 lower{std::cos(half), -std::sin(half), 0.0f};
  const Vector3 up{0.0f, 0.0f, 1.0f};
  Solid wedge;
  const auto quad = [&](const Vector3& a, const Vector3& b) {
    const auto first = static_cast<uint32_t>(wedge.positions.size());
    wedge.positions.insert(wedge.positions.end(), {a, b, Plus(b, up), Plus(a, up)});
    wedge.corners.insert(wedge.corners.end(),
                         {first, first + 1, first + 2, first, first + 2, first + 3});
  };
  quad(apex, lower);
  quad(lower, upper);
  quad(upper, apex);
  const auto first = static_cast<uint32_t>(wedge.positions.size());
  wedge.positions.insert(wedge.positions.end(),
                         {apex, upper, lower, Plus(apex, up), Plus(lower, up), Plus(upper, up)});
  wedge.corners.insert(wedge.corners.end(),
                       {first, first + 1, first + 2, first + 3, first + 4, first + 5});
  return wedge;
}

Solid WavySheet(uint32_t side) {
  return FromTestMesh(WavyGrid(side));
}

Solid Joined(const Solid& a, const Solid& b) {
  Solid joined = a;
  const auto offset = static_cast<uint32_t>(a.positions.size());
  joined.positions.insert(joined.positions.end(), b.positions.begin(), b.positions.end());
  for (const uint32_t corner : b.corners) joined.corners.push_back(corner + offset);
  return joined;
}

Solid SplitFaces(const Solid& solid) {
  Solid split;
  for (const uint32_t corner : solid.corners) {
    split.corners.push_back(static_cast<uint32_t>(split.positions.size()));
    split.positions.push_back(solid.positions[corner]);
  }
  return split;
}

Solid WithFin(const Solid& solid, float height) {
  Solid finned = solid;
  const Vector3& a = solid.positions[solid.corners[0]];
  const Vector3& b = solid.positions[solid.corners[1]];
  const Vector3 middle = Times(Plus(a, b), 0.5f);
  const Vector3 out = Plus(middle, Times(UnitOrZero(middle), height));
  finned.positions.push_back(out);
  finned.corners.insert(finned.corners.end(), {solid.corners[0], solid.corners[1],
                                               static_cast<uint32_t>(solid.positions.size())});
  return finned;
}

Solid InsideOut(const Solid& solid) {
  Solid turned = solid;
  for (std::size_t t = 0; t + 2 < turned.corners.size(); t += 3) {
    std::swap(turned.corners[t + 1], turned.corners[t + 2]);
  }
  return turned;
}

Solid Moved(const Solid& solid, const std::function<Vector3(const Vector3&)>& motion) {
  Solid moved = solid;
  for (Vector3& p : moved.positions) p = motion(p);
  return moved;
}

double ReferenceWindingNumber(const TriangleMesh& mesh, const Vector3& point) {
  double sum = 0.0;
  for (std::size_t t = 0; t < mesh.triangleCount; ++t) {
    double v[3][3];
    double length[3];
    for (int k = 0; k < 3; ++k) {
      const Vector3& corner = mesh.positions[mesh.triangles[3 * t + static_cast<std::size_t>(k)]];
      v[k][0] = double{corner.x} - point.x;
      v[k][1] = double{corner.y} - point.y;
      v[k][2] = double{corner.z} - point.z;
      length[k] = std::sqrt(v[k][0] * v[k][0] + v[k][1] * v[k][1] + v[k][2] * v[k][2]);
    }
    const auto dot = [&](int i, int j) {
      return v[i][0] * v[j][0] + v[i][1] * v[j][1] + v[i][2] * v[j][2];
    };
    const double triple = v[0][0] * (v[1][1] * v[2][2] - v[1][2] * v[2][1]) -
                          v[0][1] * (v[1][0] * v[2][2] - v[1][2] * v[2][0]) +
                          v[0][2] * (v[1][0] * v[2][1] - v[1][1] * v[2][0]);
    sum += 2.0 * std::atan2(triple, length[0] * length[1] * length[2] + dot(0, 1) * length[2] +
                                        dot(0, 2) * length[1] + dot(1, 2) * length[0]);
  }
  return sum / (4.0 * 3.14159265358979323846);
}

double ReferenceDistance(const TriangleMesh& mesh, const Vector3& point) {
  const float query[3] = {point.x, point.y, point.z};
  const SurfaceHit hit =
      FindClosestExhaustive(reinterpret_cast<const float*>(mesh.positions), mesh.vertexCount,
                            mesh.triangles, mesh.triangleCount, query);
  return hit.triangle < 0 ? -1.0 : std::sqrt(double{hit.squaredDistance});
}
