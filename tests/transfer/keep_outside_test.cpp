#include "surface_transfer/keep_outside.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "geometry/vector3.h"
#include "support/float_bits.h"
#include "surface/surface_meshes.h"
#include "surface_transfer/pseudo_normals.h"

namespace {

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();

TriangleMesh MeshOf(const std::vector<float>& positions, const std::vector<uint32_t>& corners) {
  return TriangleMesh{reinterpret_cast<const Vector3*>(positions.data()), positions.size() / 3,
                      corners.data(), corners.size() / 3};
}

bool SameBits(const Vector3& a, const Vector3& b) {
  return Bits(a.x) == Bits(b.x) && Bits(a.y) == Bits(b.y) && Bits(a.z) == Bits(b.z);
}

// The winding number of a closed mesh around `point`, in doubles (Van Oosterom and Strackee's
// solid angles): about 1 inside, about 0 outside. Independent of the pseudo-normals.
double WindingNumber(const TriangleMesh& mesh, const Vector3& point) {
  double sum = 0.0;
  for (std::size_t t = 0; t < mesh.triangleCount; ++t) {
    double v[3][3];
    double length[3];
    for (int k = 0; k < 3; ++k) {
      const Vector3& corner = mesh.positions[mesh.triangles[3 * t + k]];
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
  return sum / (4.0 * 3.14159265358979);
}

// The signed distance on `side` of `point` from the surface, by the pseudo-normal rule at the
// closest point that the exhaustive reference finds among the triangles with a normal.
float SideDistance(const TriangleMesh& mesh, const SurfacePseudoNormals& normals,
                   const Vector3& point, int side) {
  const float query[3] = {point.x, point.y, point.z};
  const std::vector<uint32_t>& corners = normals.normalTriangles();
  SurfaceHit hit =
      FindClosestExhaustive(reinterpret_cast<const float*>(mesh.positions), mesh.vertexCount,
                            corners.data(), corners.size() / 3, query);
  if (hit.triangle < 0) return kNaN;
  hit.triangle = static_cast<int32_t>(normals.normalTriangleIndices()[hit.triangle]);
  return side * SignedDistanceAt(normals, hit, point);
}

// Whether a checked vertex keeps the promise: strictly on its side, and not much nearer than
// `distance` to the morphed Source.
::testing::AssertionResult KeptOutside(const TriangleMesh& morphed,
                                       const SurfacePseudoNormals& normals, const Vector3& position,
                                       int side, float distance) {
  const float sideDistance = SideDistance(morphed, normals, position, side);
  if (sideDistance > 0.0f && sideDistance >= distance * (1.0f - kKeepOutsideTolerance)) {
    return ::testing::AssertionSuccess();
  }
  return ::testing::AssertionFailure()
         << "at " << position.x << " " << position.y << " " << position.z << " side " << side
         << ": " << sideDistance << " from the surface, wanted " << distance;
}

// A closed blob: a sphere with random bumps, some of them dents.
std::vector<float> Blob(const TestMesh& sphere, std::mt19937& stream) {
  std::uniform_real_distribution<float> phase(0.0f, 6.2831853f);
  const float a = phase(stream), b = phase(stream), c = phase(stream);
  std::vector<float> positions = sphere.positions;
  for (std::size_t v = 0; v < positions.size(); v += 3) {
    const float x = positions[v], y = positions[v + 1], z = positions[v + 2];
    const float radius = 1.0f + 0.15f * std::sin(3.0f * x + a) * std::cos(2.0f * y + b) +
                         0.1f * std::sin(4.0f * z + c);
    for (int k = 0; k < 3; ++k) positions[v + k] *= radius;
  }
  return positions;
}

// A smooth deformation that folds nothing over: a squeeze of x about the middle and a twist about
// z, each a map of every plane z = constant onto itself, then a wave along z over the new x, y.
Vector3 Deform(const Vector3& p, float twist, float squeeze, float wave) {
  const float angle = twist * p.z;
  const float x = p.x * (1.0f - squeeze * std::exp(-4.0f * p.z * p.z));
  const float turnedX = x * std::cos(angle) - p.y * std::sin(angle);
  const float turnedY = x * std::sin(angle) + p.y * std::cos(angle);
  return Vector3{turnedX, turnedY, p.z + wave * std::sin(3.0f * turnedX + 2.0f * turnedY)};
}

struct Scene {
  std::vector<float> rest;
  std::vector<float> morphed;
  std::vector<uint32_t> corners;
  std::vector<float> destination;
  std::vector<int> builtSides;  // +1 outside, -1 inside, as placed
  std::vector<Vector3> deltas;
};

// Destination points just outside, deep inside and far outside the blob, with deltas that follow
// the morph but sink by up to 0.1 along the rest normal: many would clip.
Scene BlobScene(unsigned streamNumber) {
  std::mt19937 stream(streamNumber);
  const TestMesh sphere = Sphere(20, 40);
  Scene scene{Blob(sphere, stream), {}, sphere.corners, {}, {}, {}};
  std::uniform_real_distribution<float> unit(0.0f, 1.0f);
  const float twist = 3.0f * unit(stream), squeeze = 0.6f * unit(stream);
  const float wave = 0.2f * unit(stream);
  const TriangleMesh rest = MeshOf(scene.rest, scene.corners);
  for (std::size_t v = 0; v < rest.vertexCount; ++v) {
    const Vector3 moved = Deform(rest.positions[v], twist, squeeze, wave);
    scene.morphed.insert(scene.morphed.end(), {moved.x, moved.y, moved.z});
  }
  SurfacePseudoNormals normals;
  normals.Build(rest);
  for (int i = 0; i < 1500; ++i) {
    const std::size_t t = stream() % rest.triangleCount;
    SurfaceHit hit{static_cast<int32_t>(t), kSurfaceFace, {}, {}, 0.0f};
    const float u = unit(stream), v = unit(stream) * (1.0f - u);
    Vector3 on{0.0f, 0.0f, 0.0f};
    for (int k = 0; k < 3; ++k) {
      const Vector3& c = rest.positions[rest.triangles[3 * t + k]];
      const float w = k == 0 ? 1.0f - u - v : (k == 1 ? u : v);
      on = Vector3{on.x + c.x * w, on.y + c.y * w, on.z + c.z * w};
    }
    const Vector3 n = normals.UnitNormalAt(hit);
    const float offset = i % 8 == 0 ? -0.05f : (i % 8 == 1 ? 0.6f : 0.002f + 0.05f * unit(stream));
    const Vector3 x{on.x + n.x * offset, on.y + n.y * offset, on.z + n.z * offset};
    scene.destination.insert(scene.destination.end(), {x.x, x.y, x.z});
    scene.builtSides.push_back(offset > 0.0f ? 1 : -1);
    const Vector3 target = Deform(x, twist, squeeze, wave);
    const float sink = i % 8 == 1 ? 0.0f : 0.1f * unit(stream);
    scene.deltas.push_back(Vector3{target.x - x.x - n.x * sink, target.y - x.y - n.y * sink,
                                   target.z - x.z - n.z * sink});
  }
  return scene;
}

std::vector<int8_t> SidesOf(const TriangleMesh& source, const TriangleMesh& destination) {
  std::vector<SurfaceHit> hits(destination.vertexCount);
  ClosestPointSearch search;
  EXPECT_EQ(search.Build(reinterpret_cast<const float*>(source.positions), source.vertexCount,
                         source.triangles, source.triangleCount),
            kSurfaceOk);
  for (std::size_t i = 0; i < destination.vertexCount; ++i) {
    const Vector3& p = destination.positions[i];
    const float query[3] = {p.x, p.y, p.z};
    hits[i] = search.FindClosest(query);
  }
  return RestSides(source, destination, hits.data(), 2);
}

TEST(KeepOutside, RandomBlobsStayOutsideTheirMorphs) {
  for (const unsigned streamNumber : {1u, 2u, 3u, 4u}) {
    SCOPED_TRACE("random stream " + std::to_string(streamNumber));
    Scene scene = BlobScene(streamNumber);
    const TriangleMesh rest = MeshOf(scene.rest, scene.corners);
    const TriangleMesh morphed = MeshOf(scene.morphed, scene.corners);
    const TriangleMesh destination = MeshOf(scene.destination, {});
    ASSERT_TRUE(IsClosedSurface(rest));
    const std::vector<int8_t> sides = SidesOf(rest, destination);
    const float distance = 0.02f;
    std::vector<Vector3> deltas[2] = {scene.deltas, scene.deltas};
    std::vector<uint8_t> marks[2] = {std::vector<uint8_t>(sides.size(), 1),
                                     std::vector<uint8_t>(sides.size(), 1)};
    const unsigned threads[2] = {1, 3};
    std::size_t pushed[2] = {0, 0};
    for (int run = 0; run < 2; ++run) {
      pushed[run] = KeepOutside(morphed, destination, sides, true, distance, deltas[run].data(),
                                marks[run].data(), threads[run]);
    }
    SurfacePseudoNormals normals;
    normals.Build(morphed);
    std::size_t marked = 0;
    for (std::size_t i = 0; i < sides.size(); ++i) {
      ASSERT_EQ(sides[i], scene.builtSides[i]) << "vertex " << i;
      ASSERT_TRUE(SameBits(deltas[0][i], deltas[1][i]) && marks[0][i] == marks[1][i]);
      const bool wasPushed = (marks[0][i] & kVertexPushed) != 0;
      marked += wasPushed ? 1 : 0;
      EXPECT_EQ(marks[0][i] & ~kVertexPushed, 1);
      if (!wasPushed) {
        EXPECT_TRUE(SameBits(deltas[0][i], scene.deltas[i])) << "vertex " << i;
      }
      const Vector3 position = Plus(destination.positions[i], deltas[0][i]);
      if (sides[i] < 0 || i % 8 == 1) {
        EXPECT_FALSE(wasPushed) << "vertex " << i;  // inside at rest, or far outside
        continue;
      }
      EXPECT_TRUE(KeptOutside(morphed, normals, position, sides[i], distance)) << "vertex " << i;
      EXPECT_LT(WindingNumber(morphed, position), 0.5) << "vertex " << i;
    }
    EXPECT_EQ(pushed[0], pushed[1]);
    EXPECT_EQ(pushed[0], marked);
    EXPECT_GT(marked, sides.size() / 4);
  }
}

// The height of a WavyGrid-like sheet at x, y by its triangles, in doubles.
double SheetHeight(const std::vector<float>& positions, uint32_t side, double x, double y) {
  const double fx = x * side, fy = y * side;
  const uint32_t column = std::min(static_cast<uint32_t>(fx), side - 1);
  const uint32_t row = std::min(static_cast<uint32_t>(fy), side - 1);
  const double u = fx - column, v = fy - row;
  const auto z = [&](uint32_t step) {
    return double{positions[3 * (row * (side + 1) + column + step) + 2]};
  };
  if (u >= v) return z(0) + (z(1) - z(0)) * u + (z(side + 2) - z(1)) * v;
  return z(0) + (z(side + 1) - z(0)) * v + (z(side + 2) - z(side + 1)) * u;
}

TEST(KeepOutside, OpenSheetKeepsBothSides) {
  const uint32_t side = 24;
  const TestMesh grid = WavyGrid(side);
  std::vector<float> lifted = grid.positions;
  for (std::size_t v = 0; v < lifted.size(); v += 3) {
    lifted[v + 2] += 0.08f + 0.05f * std::sin(5.0f * lifted[v]);
  }
  const TriangleMesh rest = MeshOf(grid.positions, grid.corners);
  const TriangleMesh morphed = MeshOf(lifted, grid.corners);
  ASSERT_FALSE(IsClosedSurface(rest));
  std::mt19937 stream(7);
  std::uniform_real_distribution<float> inner(0.2f, 0.8f), offset(0.005f, 0.05f);
  std::vector<float> points;
  std::vector<int> builtSides;
  for (int i = 0; i < 600; ++i) {
    const float x = inner(stream), y = inner(stream);
    const int placed = i % 2 == 0 ? 1 : -1;
    const double z = SheetHeight(grid.positions, side, x, y) + placed * offset(stream);
    points.insert(points.end(), {x, y, static_cast<float>(z)});
    builtSides.push_back(placed);
  }
  const TriangleMesh destination = MeshOf(points, {});
  const std::vector<int8_t> sides = SidesOf(rest, destination);
  std::vector<Vector3> deltas(sides.size(), Vector3{0.0f, 0.0f, 0.0f});
  const std::size_t pushed =
      KeepOutside(morphed, destination, sides, false, 0.02f, deltas.data(), nullptr, 2);
  EXPECT_GT(pushed, sides.size() / 4);
  SurfacePseudoNormals normals;
  normals.Build(morphed);
  for (std::size_t i = 0; i < sides.size(); ++i) {
    ASSERT_EQ(sides[i], builtSides[i]) << "vertex " << i;
    const Vector3 position = Plus(destination.positions[i], deltas[i]);
    EXPECT_TRUE(KeptOutside(morphed, normals, position, sides[i], 0.02f)) << "vertex " << i;
    const double above = position.z - SheetHeight(lifted, side, position.x, position.y);
    EXPECT_GT(above * sides[i], 0.0) << "vertex " << i;
  }
}

// The unit tetrahedron, faces outward, and the same grown by a fifth.
std::vector<float> Tetrahedron(float size) {
  return {0.0f, 0.0f, 0.0f, size, 0.0f, 0.0f, 0.0f, size, 0.0f, 0.0f, 0.0f, size};
}
const std::vector<uint32_t> kTetrahedronFaces = {0, 2, 1, 0, 1, 3, 0, 3, 2, 1, 2, 3};

TEST(KeepOutside, ClosedSurfaces) {
  const std::vector<float> positions = Tetrahedron(1.0f);
  const std::vector<uint32_t> missingFace(kTetrahedronFaces.begin(), kTetrahedronFaces.end() - 3);
  std::vector<uint32_t> withPoints = {0, 0, 0, 1, 1, 2};
  withPoints.insert(withPoints.end(), kTetrahedronFaces.begin(), kTetrahedronFaces.end());
  std::vector<uint32_t> flipped = kTetrahedronFaces;
  std::swap(flipped[10], flipped[11]);
  std::vector<uint32_t> finned = kTetrahedronFaces;
  finned.insert(finned.end(), {0, 1, 2});
  const std::vector<uint32_t> none;
  std::vector<uint32_t> outOfRange = kTetrahedronFaces;
  outOfRange[5] = 4;
  const struct {
    const char* name;
    const std::vector<uint32_t>& corners;
    bool closed;
  } cases[] = {
      {"tetrahedron", kTetrahedronFaces, true},
      {"a face missing", missingFace, false},
      {"points and doubled segments besides", withPoints, true},
      {"a face turned over", flipped, false},
      {"a fin on an edge", finned, false},
      {"a corner out of range", outOfRange, false},
      {"no triangles", none, false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(IsClosedSurface(MeshOf(positions, c.corners)), c.closed) << c.name;
  }
}

TEST(KeepOutside, OddCases) {
  const std::vector<float> rest = Tetrahedron(1.0f);
  const std::vector<float> grown = Tetrahedron(1.2f);
  // A point triangle at corner 0 named first: it wins the rest hits there, at equal distance.
  std::vector<uint32_t> pointFirst = {0, 0, 0};
  pointFirst.insert(pointFirst.end(), kTetrahedronFaces.begin(), kTetrahedronFaces.end());
  const struct {
    const char* name;
    const std::vector<uint32_t>& corners;
    Vector3 point;
    Vector3 delta;
    float distance;
    int side;
    bool pushed;
  } cases[] = {
      {"on the rest surface",
       kTetrahedronFaces,
       {0.25f, 0.25f, 0.0f},
       {0, 0, 0.1f},
       0.1f,
       0,
       false},
      {"well clear", kTetrahedronFaces, {0.3f, 0.3f, -0.5f}, {0, 0, 0}, 0.1f, 1, false},
      {"inside at rest", kTetrahedronFaces, {0.2f, 0.2f, 0.2f}, {0, 0, -1}, 0.1f, -1, false},
      {"deep inside the morph",
       kTetrahedronFaces,
       {0.2f, 0.2f, -0.05f},
       {0, 0, 0.3f},
       0.1f,
       1,
       true},
      {"onto a face, distance 0",
       kTetrahedronFaces,
       {0.3f, 0.3f, -0.1f},
       {0, 0, 0.1f},
       0.0f,
       1,
       true},
      {"onto a corner",
       kTetrahedronFaces,
       {-0.1f, -0.1f, -0.1f},
       {0.1f, 0.1f, 0.1f},
       0.05f,
       1,
       true},
      {"onto an edge", kTetrahedronFaces, {0.5f, -0.1f, -0.1f}, {0, 0.1f, 0.1f}, 0.05f, 1, true},
      {"a delta that is not a number",
       kTetrahedronFaces,
       {0.3f, 0.3f, -0.1f},
       {kNaN, 0, 0},
       0.1f,
       1,
       false},
      {"negative distance, on its side",
       kTetrahedronFaces,
       {0.3f, 0.3f, -0.01f},
       {0, 0, 0},
       -1.0f,
       1,
       false},
      {"negative distance, inside",
       kTetrahedronFaces,
       {0.3f, 0.3f, -0.01f},
       {0, 0, 0.02f},
       -1.0f,
       1,
       true},
      {"rest hit on a point triangle",
       pointFirst,
       {-0.1f, -0.1f, -0.1f},
       {0.15f, 0.15f, 0.15f},
       0.05f,
       1,
       true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const TriangleMesh source = MeshOf(rest, c.corners);
    const TriangleMesh morphed = MeshOf(grown, c.corners);
    const TriangleMesh destination{&c.point, 1, nullptr, 0};
    const std::vector<int8_t> sides = SidesOf(source, destination);
    ASSERT_EQ(sides[0], c.side);
    Vector3 delta = c.delta;
    uint8_t mark = 0;
    EXPECT_EQ(KeepOutside(morphed, destination, sides, IsClosedSurface(source), c.distance, &delta,
                          &mark, 1),
              c.pushed ? 1u : 0u);
    EXPECT_EQ(mark, c.pushed ? kVertexPushed : 0);
    if (!c.pushed) {
      EXPECT_TRUE(SameBits(delta, c.delta));
      continue;
    }
    SurfacePseudoNormals normals;
    normals.Build(morphed);
    const Vector3 position = Plus(c.point, delta);
    EXPECT_TRUE(KeptOutside(morphed, normals, position, c.side, std::max(c.distance, 0.0f)));
    EXPECT_LT(WindingNumber(morphed, position), 0.5);
  }
}

// A groove narrower than twice the distance at its bottom: the vertex must climb out along it.
TEST(KeepOutside, NarrowGrooveIsLeftAlongItsMiddle) {
  const std::vector<float> groove = {-1.0f, -1.0f, 5.0f, 0.0f, -1.0f, 0.0f, 1.0f, -1.0f, 5.0f,
                                     -1.0f, 1.0f,  5.0f, 0.0f, 1.0f,  0.0f, 1.0f, 1.0f,  5.0f};
  const std::vector<uint32_t> corners = {0, 1, 4, 0, 4, 3, 1, 2, 5, 1, 5, 4};
  const TriangleMesh sheet = MeshOf(groove, corners);
  const float distance = 0.1f;
  for (const float x : {0.0f, 0.01f, -0.03f}) {
    const Vector3 point{x, 0.2f, 1.0f};
    const TriangleMesh destination{&point, 1, nullptr, 0};
    const std::vector<int8_t> sides = SidesOf(sheet, destination);
    ASSERT_EQ(sides[0], 1);
    Vector3 delta{0.0f, 0.0f, -1.5f};
    ASSERT_EQ(KeepOutside(sheet, destination, sides, false, distance, &delta, nullptr, 1), 1u);
    SurfacePseudoNormals normals;
    normals.Build(sheet);
    EXPECT_TRUE(KeptOutside(sheet, normals, Plus(point, delta), 1, distance)) << x;
  }
}

}  // namespace
