// The transfers along the Source's surface against references written here: the surface method
// against the exhaustive closest point and a barycentric blend, bit for bit; the carry method
// against rigid motions and a scaled sphere; the limits against a table; threads against one.
#include "surface_transfer/surface_methods.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <random>
#include <vector>

#include "support/float_bits.h"
#include "surface/surface_meshes.h"

namespace {

constexpr float kInfinity = std::numeric_limits<float>::infinity();

std::vector<Vector3> Points(const std::vector<float>& floats) {
  std::vector<Vector3> points;
  for (std::size_t k = 0; k + 2 < floats.size(); k += 3) {
    points.push_back({floats[k], floats[k + 1], floats[k + 2]});
  }
  return points;
}

// A mesh with its points as Vector3s, and the TriangleMesh viewing both.
struct Mesh {
  std::vector<Vector3> positions;
  std::vector<uint32_t> corners;

  explicit Mesh(const TestMesh& mesh) : positions(Points(mesh.positions)), corners(mesh.corners) {}
  TriangleMesh View() const {
    return TriangleMesh{positions.data(), positions.size(), corners.data(), corners.size() / 3};
  }
};

// A point cloud as a Destination without triangles.
TriangleMesh Cloud(const std::vector<Vector3>& points) {
  return TriangleMesh{points.data(), points.size(), nullptr, 0};
}

std::vector<Vector3> RandomDisplacements(std::size_t count, unsigned stream) {
  std::mt19937 engine(stream);
  std::uniform_real_distribution<float> unit(-0.3f, 0.3f);
  std::vector<Vector3> displacements;
  for (std::size_t k = 0; k < count; ++k)
    displacements.push_back({unit(engine), unit(engine), unit(engine)});
  return displacements;
}

// Every destination vertex matched, carried by the method in one target.
std::vector<Vector3> Carry(const PreparedSource& source, const std::vector<Vector3>& target,
                           const TriangleMesh& destination, SurfaceMethod method, unsigned threads,
                           std::vector<SurfaceHit>* hits = nullptr) {
  SurfaceTransferOptions options;
  options.threadCount = threads;
  std::vector<SurfaceHit> found(destination.vertexCount);
  std::vector<uint8_t> marks(destination.vertexCount);
  MatchDestination(source, destination, nullptr, nullptr, options, found.data(), marks.data());
  std::vector<Vector3> deltas(destination.vertexCount, Vector3{-1.0f, -1.0f, -1.0f});
  const SmallParts pieces = FindSmallParts(source, destination, found.data(), marks.data());
  CarryDisplacements(source, TargetDisplacements{target.data(), target.size()}, method, destination,
                     found.data(), marks.data(), &pieces, deltas.data(), threads);
  if (hits != nullptr) *hits = found;
  return deltas;
}

PreparedSource Prepare(const Mesh& mesh) {
  PreparedSource source;
  std::string error;
  EXPECT_TRUE(source.Build(mesh.View(), 2, &error)) << error;
  return source;
}

TEST(SurfaceMethodsTest, SurfacePointIsTheBlendAtTheExhaustiveClosestPoint) {
  const TestMesh meshes[] = {Sphere(6, 9), WavyGrid(6), WithDegenerateTriangles(5, 7)};
  unsigned stream = 40;
  for (const TestMesh& test : meshes) {
    const Mesh mesh(test);
    const PreparedSource source = Prepare(mesh);
    // The target is shorter than the Source: its last vertices do not move.
    const std::vector<Vector3> target = RandomDisplacements(mesh.positions.size() - 2, stream);
    const std::vector<Vector3> queries = Points(QueriesFor(test, 60, stream++));
    for (unsigned threads : {1u, 3u}) {
      const std::vector<Vector3> deltas =
          Carry(source, target, Cloud(queries), SurfaceMethod::kSurfacePoint, threads);
      for (std::size_t i = 0; i < queries.size(); ++i) {
        const SurfaceHit hit =
            FindClosestExhaustive(&mesh.positions[0].x, mesh.positions.size(), mesh.corners.data(),
                                  mesh.corners.size() / 3, &queries[i].x);
        const float* actual = &deltas[i].x;
        for (int axis = 0; axis < 3; ++axis) {
          float terms[3];
          for (int corner = 0; corner < 3; ++corner) {
            const uint32_t vertex = mesh.corners[3 * hit.triangle + corner];
            const float d = vertex < target.size() ? (&target[vertex].x)[axis] : 0.0f;
            terms[corner] = hit.barycentric[corner] * d;
          }
          const float expected = (terms[0] + terms[1]) + terms[2];
          ASSERT_TRUE(SameResult(actual[axis], expected))
              << "query " << i << " axis " << axis << ": " << actual[axis] << " instead of "
              << expected;
        }
      }
    }
  }
}

// Rotation about a unit axis by an angle (Rodrigues), row-major, in doubles.
struct Rigid {
  double rotation[9];
  double translation[3];

  Rigid(double ax, double ay, double az, double angle, double tx, double ty, double tz)
      : translation{tx, ty, tz} {
    const double length = std::sqrt(ax * ax + ay * ay + az * az);
    const double x = ax / length, y = ay / length, z = az / length;
    const double c = std::cos(angle), s = std::sin(angle), t = 1.0 - c;
    const double r[9] = {t * x * x + c,     t * x * y - s * z, t * x * z + s * y,
                         t * x * y + s * z, t * y * y + c,     t * y * z - s * x,
                         t * x * z - s * y, t * y * z + s * x, t * z * z + c};
    std::copy(r, r + 9, rotation);
  }
  // The motion's displacement of a point.
  Vector3 Displacement(const Vector3& p) const {
    const double at[3] = {p.x, p.y, p.z};
    double moved[3];
    for (int row = 0; row < 3; ++row) {
      moved[row] = rotation[3 * row] * at[0] + rotation[3 * row + 1] * at[1] +
                   rotation[3 * row + 2] * at[2] + translation[row] - at[row];
    }
    return Vector3{static_cast<float>(moved[0]), static_cast<float>(moved[1]),
                   static_cast<float>(moved[2])};
  }
};

TEST(SurfaceMethodsTest, CarryReproducesARigidMotionOffTheSurface) {
  const Rigid motions[] = {{0, 0, 1, 0.7, 0.5, -0.25, 2.0},
                           {1, 2, -0.5, 2.5, -3.0, 1.0, 0.0},
                           {0, 1, 0, 0.0, 0.125, 0.0, 0.0}};
  const TestMesh meshes[] = {Sphere(8, 12), WavyGrid(6)};
  for (const TestMesh& test : meshes) {
    const Mesh mesh(test);
    const PreparedSource source = Prepare(mesh);
    std::vector<Vector3> queries = Points(QueriesFor(test, 80, 7));
    // The far queries of QueriesFor are left out: rounding grows with the offset.
    std::vector<Vector3> near;
    for (const Vector3& q : queries) {
      if (std::fabs(q.x) < 2 && std::fabs(q.y) < 2 && std::fabs(q.z) < 2) near.push_back(q);
    }
    for (const Rigid& motion : motions) {
      std::vector<Vector3> target;
      for (const Vector3& p : mesh.positions) target.push_back(motion.Displacement(p));
      std::vector<SurfaceHit> hits;
      const std::vector<Vector3> deltas =
          Carry(source, target, Cloud(near), SurfaceMethod::kCarriedOffset, 2, &hits);
      for (std::size_t i = 0; i < near.size(); ++i) {
        const Vector3 expected = motion.Displacement(near[i]);
        EXPECT_NEAR(deltas[i].x, expected.x, 2e-5f) << i;
        EXPECT_NEAR(deltas[i].y, expected.y, 2e-5f) << i;
        EXPECT_NEAR(deltas[i].z, expected.z, 2e-5f) << i;
        const RigidMotion rigid =
            RigidMotionAt(source, TargetDisplacements{target.data(), target.size()}, hits[i]);
        for (int k = 0; k < 9; ++k) EXPECT_NEAR(rigid.rotation[k], motion.rotation[k], 2e-5);
        const Vector3 at{hits[i].point[0], hits[i].point[1], hits[i].point[2]};
        EXPECT_NEAR(rigid.translation.x, motion.Displacement(at).x, 2e-5f);
      }
    }
  }
}

// A shell at about 0.1 around a unit sphere, the sphere scaled by 1.5 about its centre: each
// carried shell vertex lies as far from the scaled sphere as it lay from the sphere, where scaling
// the offsets too would put it half as far again. (Blending the corners' changes mixes in the
// neighbouring triangles' turn of the normal: a few thousandths of the offset on this mesh.)
TEST(SurfaceMethodsTest, CarryKeepsAShellsDistanceOverAScaledSphere) {
  const Mesh mesh(Sphere(24, 48));
  const PreparedSource source = Prepare(mesh);
  std::vector<Vector3> target;
  std::vector<float> scaled;
  for (const Vector3& p : mesh.positions) {
    target.push_back({p.x * 0.5f, p.y * 0.5f, p.z * 0.5f});
    scaled.insert(scaled.end(), {p.x * 1.5f, p.y * 1.5f, p.z * 1.5f});
  }
  std::vector<Vector3> shell;
  for (const Vector3& p : Points(Sphere(9, 13).positions)) {
    shell.push_back({p.x * 1.1f, p.y * 1.1f, p.z * 1.1f});
  }
  std::vector<SurfaceHit> hits;
  const std::vector<Vector3> deltas =
      Carry(source, target, Cloud(shell), SurfaceMethod::kCarriedOffset, 2, &hits);
  for (std::size_t i = 0; i < shell.size(); ++i) {
    const Vector3 moved{shell[i].x + deltas[i].x, shell[i].y + deltas[i].y,
                        shell[i].z + deltas[i].z};
    const SurfaceHit hit =
        FindClosestExhaustive(scaled.data(), mesh.positions.size(), mesh.corners.data(),
                              mesh.corners.size() / 3, &moved.x);
    EXPECT_NEAR(std::sqrt(hit.squaredDistance), std::sqrt(hits[i].squaredDistance), 1e-3f)
        << "shell vertex " << i;
  }
}

// A flat triangulated grid of side x side squares of `size`, centred on (0, 0, height).
TestMesh FlatGrid(uint32_t side, float size, float height) {
  TestMesh grid;
  for (uint32_t row = 0; row <= side; ++row) {
    for (uint32_t column = 0; column <= side; ++column) {
      grid.AddVertex(size * (static_cast<float>(column) - 0.5f * static_cast<float>(side)),
                     size * (static_cast<float>(row) - 0.5f * static_cast<float>(side)), height);
    }
  }
  for (uint32_t row = 0; row < side; ++row) {
    for (uint32_t column = 0; column < side; ++column) {
      const uint32_t corner = row * (side + 1) + column;
      grid.AddTriangle(corner, corner + 1, corner + side + 2);
      grid.AddTriangle(corner, corner + side + 2, corner + side + 1);
    }
  }
  return grid;
}

// A flat Source bent quadratically out of its plane. Its squares are all split along the same
// diagonal, so every inner vertex's ring of triangles is symmetric about it and its change is the
// bend's own slope: the carry method's displacement at points of the surface over inner triangles
// is then the bend's up to rounding, where the blend of the corners' displacements (the surface
// method) errs by up to an eighth of the square's side squared.
TEST(SurfaceMethodsTest, CarryFollowsAQuadraticBendAtTheSurface) {
  const Mesh mesh(FlatGrid(8, 0.125f, 0.0f));
  const PreparedSource source = Prepare(mesh);
  const auto bend = [](float x, float y) { return (0.5f * x * x + 0.4f * x * y) - 0.3f * y * y; };
  std::vector<Vector3> target;
  for (const Vector3& p : mesh.positions) target.push_back({0.0f, 0.0f, bend(p.x, p.y)});
  std::vector<Vector3> queries;
  for (int j = 0; j < 9; ++j) {
    for (int i = 0; i < 9; ++i) queries.push_back({-0.24f + 0.057f * i, -0.23f + 0.053f * j, 0.0f});
  }
  const std::vector<Vector3> carried =
      Carry(source, target, Cloud(queries), SurfaceMethod::kCarriedOffset, 2);
  const std::vector<Vector3> blended =
      Carry(source, target, Cloud(queries), SurfaceMethod::kSurfacePoint, 2);
  float worstBlend = 0.0f;
  for (std::size_t i = 0; i < queries.size(); ++i) {
    const float expected = bend(queries[i].x, queries[i].y);
    EXPECT_NEAR(carried[i].x, 0.0f, 2e-6f) << i;
    EXPECT_NEAR(carried[i].y, 0.0f, 2e-6f) << i;
    EXPECT_NEAR(carried[i].z, expected, 2e-6f) << i;
    worstBlend = std::fmax(worstBlend, std::fabs(blended[i].z - expected));
  }
  EXPECT_GT(worstBlend, 5e-4f);
}

// Pieces over a flat Source: equilateral triangles of circumradius `ratio` times their height over
// it, each a piece of its own, and a vertex of no triangle. A piece's rigidity is 1 up to an extent
// of twice its height and falls to 0 at four times; stretching the Source 1.5 times along x leaves
// a rigid piece's shape as it was (only moved) and stretches a free one with the surface, the same
// bits on any number of threads.
TEST(SurfaceMethodsTest, SmallPiecesMoveRigidly) {
  const Mesh mesh(FlatGrid(4, 0.25f, 0.0f));
  const PreparedSource source = Prepare(mesh);
  const float height = 0.02f;
  const struct {
    float ratio;
    float rigidity;
  } rows[] = {{1.0f, 1.0f}, {2.0f, 1.0f}, {3.0f, 0.5f}, {4.0f, 0.0f}, {8.0f, 0.0f}};
  std::vector<Vector3> points;
  std::vector<uint32_t> corners;
  for (const auto& row : rows) {
    const float radius = row.ratio * height;
    for (int k = 0; k < 3; ++k) {
      corners.push_back(static_cast<uint32_t>(points.size()));
      const float angle = 2.0943951f * static_cast<float>(k);
      points.push_back({radius * std::cos(angle), radius * std::sin(angle), height});
    }
  }
  points.push_back({0.0f, 0.0f, height});
  const TriangleMesh destination{points.data(), points.size(), corners.data(), corners.size() / 3};
  std::vector<SurfaceHit> hits(points.size());
  std::vector<uint8_t> marks(points.size());
  MatchDestination(source, destination, nullptr, nullptr, SurfaceTransferOptions(), hits.data(),
                   marks.data());
  const SmallParts pieces = FindSmallParts(source, destination, hits.data(), marks.data());
  ASSERT_EQ(pieces.parts.size(), 5u);
  EXPECT_EQ(pieces.partOfVertex.back(), -1);
  std::vector<Vector3> target;
  for (const Vector3& p : mesh.positions) target.push_back({0.5f * p.x, 0.0f, 0.0f});
  const std::vector<Vector3> one =
      Carry(source, target, destination, SurfaceMethod::kCarriedOffset, 1);
  const std::vector<Vector3> three =
      Carry(source, target, destination, SurfaceMethod::kCarriedOffset, 3);
  for (std::size_t r = 0; r < 5; ++r) {
    EXPECT_EQ(pieces.partOfVertex[3 * r], pieces.partOfVertex[3 * r + 2]);
    const int32_t piece = pieces.partOfVertex[3 * r];
    ASSERT_GE(piece, 0);
    EXPECT_NEAR(pieces.parts[static_cast<std::size_t>(piece)].rigidity, rows[r].rigidity, 1e-5f);
    const Vector3& a = points[3 * r + 1];
    const Vector3& b = points[3 * r + 2];
    const float movedSpan = (b.x + one[3 * r + 2].x) - (a.x + one[3 * r + 1].x);
    const float stretch = 1.0f + 0.5f * (1.0f - rows[r].rigidity);
    EXPECT_NEAR(movedSpan, (b.x - a.x) * stretch, 1e-5f) << rows[r].ratio;
  }
  for (std::size_t i = 0; i < points.size(); ++i) {
    EXPECT_EQ(Bits(one[i].x), Bits(three[i].x)) << i;
    EXPECT_EQ(Bits(one[i].y), Bits(three[i].y)) << i;
    EXPECT_EQ(Bits(one[i].z), Bits(three[i].z)) << i;
  }
}

// A unit square in z = 0 (normal +z) and Destination vertices with given normals.
TEST(SurfaceMethodsTest, LimitsRefuseWhatTheyShould) {
  TestMesh square;
  for (float y : {0.0f, 1.0f}) {
    for (float x : {0.0f, 1.0f}) square.AddVertex(x, y, 0.0f);
  }
  square.AddTriangle(0, 1, 3);
  square.AddTriangle(0, 3, 2);
  const Mesh mesh(square);
  const PreparedSource source = Prepare(mesh);
  const float tilt = std::sin(0.5235988f);  // 30 degrees from +z
  struct Row {
    const char* what;
    Vector3 position;
    Vector3 normal;
    float maxDistance;
    float maxAngle;
    bool masked;
    bool matched;
  };
  const Row rows[] = {
      {"within the distance", {0.5f, 0.5f, 1.0f}, {0, 0, 1}, 2.0f, 180.0f, true, true},
      {"beyond the distance", {0.5f, 0.5f, 1.0f}, {0, 0, 1}, 0.5f, 180.0f, true, false},
      {"just at the distance", {0.25f, 0.5f, 1.0f}, {0, 0, 1}, 1.0f, 180.0f, true, true},
      {"just beyond it", {0.25f, 0.5f, 1.0f}, {0, 0, 1}, 0.99999994f, 180.0f, true, false},
      {"beyond a float's square, no limit",
       {0.5f, 0.5f, 3e20f},
       {0, 0, 1},
       kInfinity,
       180.0f,
       true,
       true},
      {"beyond a float's square, within",
       {0.5f, 0.5f, 3e20f},
       {0, 0, 1},
       1e30f,
       180.0f,
       true,
       true},
      {"beyond a float's square, beyond",
       {0.5f, 0.5f, 3e20f},
       {0, 0, 1},
       2e20f,
       180.0f,
       true,
       false},
      {"on the surface, no distance allowed",
       {0.5f, 0.5f, 0.0f},
       {0, 0, 1},
       0.0f,
       180.0f,
       true,
       true},
      {"facing it from below", {0.5f, 0.5f, -0.1f}, {0, 0, -1}, kInfinity, 90.0f, true, false},
      {"facing it, no angle limit", {0.5f, 0.5f, -0.1f}, {0, 0, -1}, kInfinity, 180.0f, true, true},
      {"facing it, 179.99 allowed",
       {0.5f, 0.5f, -0.1f},
       {0, 0, -1},
       kInfinity,
       179.99f,
       true,
       false},
      {"facing it, the float below 180 allowed",
       {0.5f, 0.5f, -0.1f},
       {0, 0, -1},
       kInfinity,
       179.99998f,
       true,
       false},
      {"turned 179.9 degrees, 179.95 allowed",
       {0.5f, 0.5f, -0.1f},
       {std::sin(0.0017453292f), 0, -std::cos(0.0017453292f)},
       kInfinity,
       179.95f,
       true,
       true},
      {"turned 30 degrees, 45 allowed",
       {0.5f, 0.5f, 0.1f},
       {tilt, 0, 0.8660254f},
       kInfinity,
       45.0f,
       true,
       true},
      {"turned 30 degrees, 20 allowed",
       {0.5f, 0.5f, 0.1f},
       {0, tilt, 0.8660254f},
       kInfinity,
       20.0f,
       true,
       false},
      {"no normal", {0.5f, 0.5f, -0.1f}, {0, 0, 0}, kInfinity, 1.0f, true, true},
      {"left out by the mask", {0.5f, 0.5f, 0.1f}, {0, 0, 1}, kInfinity, 180.0f, false, false},
      {"no closest point", {std::nanf(""), 0.5f, 0.1f}, {0, 0, 1}, kInfinity, 180.0f, true, false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    SurfaceTransferOptions options;
    options.maxDistance = row.maxDistance;
    options.maxAngleDegrees = row.maxAngle;
    const uint8_t mask = row.masked ? 1 : 0;
    SurfaceHit hit{};
    uint8_t mark = 7;
    MatchDestination(source, TriangleMesh{&row.position, 1, nullptr, 0}, &mask, &row.normal,
                     options, &hit, &mark);
    EXPECT_EQ(mark, row.matched ? kVertexMatched : 0);
    EXPECT_EQ(hit.triangle >= 0, row.masked && !std::isnan(row.position.x));
  }
}

// A garment around a unit sphere: rings from z = 0.8 down to z = -1.6, hugging the sphere 0.05
// over it in the upper half and flaring away below the equator.
TestMesh FlaringGarment() {
  TestMesh garment;
  const uint32_t rings = 25, segments = 40;
  for (uint32_t ring = 0; ring < rings; ++ring) {
    const float z = 0.8f - 0.1f * static_cast<float>(ring);
    const float radius = z >= 0.0f ? std::sqrt(1.0f - z * z) + 0.05f : 1.05f + 0.6f * z * z;
    for (uint32_t k = 0; k < segments; ++k) {
      const float angle = 6.2831853f * static_cast<float>(k) / static_cast<float>(segments);
      garment.AddVertex(radius * std::cos(angle), radius * std::sin(angle), z);
    }
  }
  for (uint32_t ring = 0; ring + 1 < rings; ++ring) {
    for (uint32_t k = 0; k < segments; ++k) {
      const uint32_t a = ring * segments + k, b = ring * segments + (k + 1) % segments;
      garment.AddTriangle(a, b + segments, b);
      garment.AddTriangle(a, a + segments, b + segments);
    }
  }
  return garment;
}

// `add`'s vertices and triangles appended to `mesh`.
void Append(TestMesh& mesh, const TestMesh& add) {
  const auto base = static_cast<uint32_t>(mesh.vertexCount());
  mesh.positions.insert(mesh.positions.end(), add.positions.begin(), add.positions.end());
  for (uint32_t corner : add.corners) mesh.corners.push_back(base + corner);
}

// A bead, an ellipsoid of semi-axes 1.5, 1 and 0.5 times `delta`, its lowest point `delta` over
// the unit sphere's north pole.
TestMesh Bead(float delta) {
  TestMesh bead = Sphere(6, 7);
  for (std::size_t k = 0; k < bead.positions.size(); k += 3) {
    bead.positions[k] *= 1.5f * delta;
    bead.positions[k + 1] *= delta;
    bead.positions[k + 2] = 1.0f + 1.5f * delta + 0.5f * delta * bead.positions[k + 2];
  }
  return bead;
}

struct RigidScene {
  const char* what;
  TestMesh destination;
  float maxDistance;
  float maxAngle;
  // The kinds of vertex the scene must hold.
  std::vector<uint8_t> kinds;
};

std::vector<RigidScene> RigidScenes() {
  std::vector<RigidScene> scenes;
  TestMesh flared = FlaringGarment();
  Append(flared, FlatGrid(3, 0.1f, 4.0f));
  scenes.push_back({"a flaring garment and a far sheet, distance limited",
                    flared,
                    0.1f,
                    180.0f,
                    {kVertexMatched, kVertexFilled, kVertexRigid}});
  scenes.push_back({"a bead under a 60 degree limit",
                    Bead(0.05f),
                    kInfinity,
                    60.0f,
                    {kVertexMatched, kVertexFilled}});
  TestMesh sheets = FlatGrid(10, 0.08f, 1.1f);
  Append(sheets, FlatGrid(3, 0.1f, 4.0f));
  scenes.push_back({"sheets over the sphere, distance limited",
                    sheets,
                    0.17f,
                    180.0f,
                    {kVertexMatched, kVertexFilled, kVertexRigid}});
  return scenes;
}

// A rigid motion of the Source moves every Destination vertex with it, whatever was done to it
// (matched, filled from its neighbours, moved rigidly, in a small piece): within 1e-5 of the
// motion's largest displacement, under turns of 35 degrees and shifts.
TEST(SurfaceMethodsTest, ARigidMotionMovesEveryVertexWithIt) {
  const Mesh sphere(Sphere(24, 32));
  const PreparedSource source = Prepare(sphere);
  const Rigid motions[] = {{1, 2, 0.5, 0.6108652, 0.3, -0.2, 0.5},
                           {0, 0, 1, -0.6108652, 1.5, 0.0, 0.0}};
  for (const RigidScene& scene : RigidScenes()) {
    const Mesh destination(scene.destination);
    for (const Rigid& motion : motions) {
      SCOPED_TRACE(scene.what);
      std::vector<Vector3> target;
      for (const Vector3& p : sphere.positions) target.push_back(motion.Displacement(p));
      const TargetDisplacements targets[1] = {{target.data(), target.size()}};
      SurfaceTransferOptions options;
      options.maxDistance = scene.maxDistance;
      options.maxAngleDegrees = scene.maxAngle;
      std::vector<Vector3> deltas(destination.positions.size());
      Vector3* const deltaArrays[1] = {deltas.data()};
      std::vector<uint8_t> marks(deltas.size());
      std::string error;
      ASSERT_TRUE(TransferAlongSurface(source, targets, 1, destination.View(), nullptr, options,
                                       deltaArrays, marks.data(), &error))
          << error;
      float size = 0.0f;
      for (const Vector3& p : destination.positions) {
        const Vector3 d = motion.Displacement(p);
        size = std::fmax(size, std::sqrt(d.x * d.x + d.y * d.y + d.z * d.z));
      }
      for (std::size_t i = 0; i < deltas.size(); ++i) {
        const Vector3 expected = motion.Displacement(destination.positions[i]);
        EXPECT_NEAR(deltas[i].x, expected.x, 1e-5f * size) << i << " marked " << int{marks[i]};
        EXPECT_NEAR(deltas[i].y, expected.y, 1e-5f * size) << i << " marked " << int{marks[i]};
        EXPECT_NEAR(deltas[i].z, expected.z, 1e-5f * size) << i << " marked " << int{marks[i]};
      }
      for (uint8_t kind : scene.kinds) {
        EXPECT_NE(std::count(marks.begin(), marks.end(), kind), 0) << int{kind};
      }
    }
  }
}

// One Source vertex whose displacement is not a number: the vertices matched on its triangles are
// marked and filled from their neighbours; every displacement comes out finite.
TEST(SurfaceMethodsTest, ANonFiniteDisplacementStaysWhereItIs) {
  const Mesh sphere(Sphere(12, 16));
  const PreparedSource source = Prepare(sphere);
  const Mesh garment(FlaringGarment());
  const Rigid motion(1, 2, 0.5, 0.6108652, 0.3, -0.2, 0.5);
  std::vector<Vector3> target;
  for (const Vector3& p : sphere.positions) target.push_back(motion.Displacement(p));
  const uint32_t spoilt = 6 * 16 + 3;  // on the ring at z = 0.26
  target[spoilt].y = std::nanf("");
  const TargetDisplacements targets[1] = {{target.data(), target.size()}};
  for (SurfaceMethod method : {SurfaceMethod::kSurfacePoint, SurfaceMethod::kCarriedOffset}) {
    SurfaceTransferOptions options;
    options.method = method;
    options.maxDistance = 0.1f;
    std::vector<SurfaceHit> hits(garment.positions.size());
    std::vector<uint8_t> matched(garment.positions.size());
    MatchDestination(source, garment.View(), nullptr, nullptr, options, hits.data(),
                     matched.data());
    std::vector<Vector3> deltas(garment.positions.size());
    Vector3* const deltaArrays[1] = {deltas.data()};
    std::vector<uint8_t> marks(deltas.size());
    std::string error;
    ASSERT_TRUE(TransferAlongSurface(source, targets, 1, garment.View(), nullptr, options,
                                     deltaArrays, marks.data(), &error))
        << error;
    int spoiltCount = 0;
    for (std::size_t i = 0; i < deltas.size(); ++i) {
      const uint32_t* corners = sphere.corners.data() + 3 * std::max(hits[i].triangle, 0);
      const bool dependent =
          matched[i] != 0 && (corners[0] == spoilt || corners[1] == spoilt || corners[2] == spoilt);
      spoiltCount += dependent ? 1 : 0;
      EXPECT_EQ(marks[i], dependent ? kVertexNonFinite | kVertexFilled : marks[i] & 7) << i;
      EXPECT_TRUE(IsFinite(deltas[i])) << i;
    }
    EXPECT_GT(spoiltCount, 0);
  }
}

// A Source large enough for every step to spread over threads.
TEST(SurfaceMethodsTest, ThreadsDoNotChangeTheBits) {
  const TestMesh test = Sphere(64, 80);
  const Mesh mesh(test);
  const PreparedSource source = Prepare(mesh);
  const std::vector<Vector3> target = RandomDisplacements(mesh.positions.size(), 3);
  const std::vector<Vector3> queries = Points(QueriesFor(test, 3000, 9));
  for (SurfaceMethod method : {SurfaceMethod::kSurfacePoint, SurfaceMethod::kCarriedOffset}) {
    const std::vector<Vector3> one = Carry(source, target, Cloud(queries), method, 1);
    const std::vector<Vector3> three = Carry(source, target, Cloud(queries), method, 3);
    for (std::size_t i = 0; i < queries.size(); ++i) {
      ASSERT_EQ(Bits(one[i].x), Bits(three[i].x)) << i;
      ASSERT_EQ(Bits(one[i].y), Bits(three[i].y)) << i;
      ASSERT_EQ(Bits(one[i].z), Bits(three[i].z)) << i;
    }
  }
}

}  // namespace
