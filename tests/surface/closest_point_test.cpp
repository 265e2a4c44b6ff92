#include "surface/closest_point.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cfenv>
#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "geometry/box_bound.h"
#include "parallel/float_control.h"
#include "support/float_bits.h"
#include "surface/triangle_closest_point.h"
#include "surface_meshes.h"

#ifdef PALISOR_HAS_MXCSR
#include <xmmintrin.h>
#endif

namespace {

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInfinity = std::numeric_limits<float>::infinity();

std::string Describe(const SurfaceHit& hit) {
  return "triangle " + std::to_string(hit.triangle) + " feature " + std::to_string(hit.feature) +
         " weights " + std::to_string(hit.barycentric[0]) + " " +
         std::to_string(hit.barycentric[1]) + " " + std::to_string(hit.barycentric[2]) +
         " squared distance " + std::to_string(hit.squaredDistance);
}

// Same triangle, feature and bits of every number.
bool SameHit(const SurfaceHit& a, const SurfaceHit& b) {
  bool same = a.triangle == b.triangle && a.feature == b.feature &&
              Bits(a.squaredDistance) == Bits(b.squaredDistance);
  for (int k = 0; k < 3; ++k) {
    same = same && Bits(a.barycentric[k]) == Bits(b.barycentric[k]) &&
           Bits(a.point[k]) == Bits(b.point[k]);
  }
  return same;
}

// An answer's weights and point are finite and its squared distance is not NaN.
bool FiniteHit(const SurfaceHit& hit) {
  bool finite = !std::isnan(hit.squaredDistance);
  for (int k = 0; k < 3; ++k) {
    finite = finite && std::isfinite(hit.barycentric[k]) && std::isfinite(hit.point[k]);
  }
  return finite;
}

// A floating-point state a host may run its thread in (tiny results flushed on x86 only).
struct FloatMode {
  const char* name;
  int rounding;
  bool flushTiny;
};

constexpr FloatMode kFloatModes[] = {
    {"to nearest", FE_TONEAREST, false},         {"upwards", FE_UPWARD, false},
    {"downwards", FE_DOWNWARD, false},           {"towards zero", FE_TOWARDZERO, false},
    {"to nearest, FTZ+DAZ", FE_TONEAREST, true},
};

class FloatModeScope {
 public:
  explicit FloatModeScope(const FloatMode& mode) : restore_(CurrentFloatControl()) {
    std::fesetround(mode.rounding);
#ifdef PALISOR_HAS_MXCSR
    if (mode.flushTiny) _mm_setcsr(_mm_getcsr() | 0x8000u | 0x0040u);
    available_ = true;
#else
    available_ = !mode.flushTiny;
#endif
  }
  bool available() const {
    return available_;
  }

 private:
  AdoptedFloatControl restore_;
  bool available_ = false;
};

// The queries of a mesh, with a few that have a non-finite coordinate at the end.
std::vector<float> QueriesWithNonFinite(const TestMesh& mesh, std::size_t randomCount) {
  std::vector<float> queries = QueriesFor(mesh, randomCount, 7);
  queries.insert(queries.end(), {kNaN, 0.0f, 0.0f, 0.0f, kInfinity, 0.0f, 0.5f, 0.5f, -kInfinity});
  return queries;
}

std::vector<SurfaceHit> ExhaustiveHits(const TestMesh& mesh, const std::vector<float>& queries) {
  std::vector<SurfaceHit> hits(queries.size() / 3);
  for (std::size_t k = 0; k < hits.size(); ++k) {
    hits[k] = FindClosestExhaustive(mesh.positions.data(), mesh.vertexCount(), mesh.corners.data(),
                                    mesh.triangleCount(), &queries[3 * k]);
  }
  return hits;
}

// The search, built on `buildThreads`, answers every query as the exhaustive search does, asked
// in one batch on one and on three threads and one query at a time.
void ExpectSearchMatchesExhaustive(const TestMesh& mesh, const std::vector<float>& queries,
                                   unsigned buildThreads) {
  ClosestPointSearch search;
  ASSERT_EQ(search.Build(mesh.positions.data(), mesh.vertexCount(), mesh.corners.data(),
                         mesh.triangleCount(), buildThreads),
            kSurfaceOk);
  const std::vector<SurfaceHit> expected = ExhaustiveHits(mesh, queries);
  for (const unsigned threads : {1u, 3u}) {
    std::vector<SurfaceHit> hits(expected.size());
    ASSERT_EQ(search.FindClosest(queries.data(), hits.size(), hits.data(), threads), kSurfaceOk);
    for (std::size_t k = 0; k < hits.size(); ++k) {
      ASSERT_TRUE(SameHit(hits[k], expected[k]))
          << threads << " threads, query " << k << ": " << Describe(hits[k]) << " instead of "
          << Describe(expected[k]);
      ASSERT_TRUE(FiniteHit(hits[k])) << "query " << k << ": " << Describe(hits[k]);
    }
  }
  for (std::size_t k = 0; k < expected.size(); k += 5) {
    ASSERT_TRUE(SameHit(search.FindClosest(&queries[3 * k]), expected[k])) << "query " << k;
  }
}

// The squared distance from q to the triangle in double, computed independently: the projection
// onto the plane where it falls inside, else the nearest of the three edges as segments.
double ExactSquaredDistance(const double* q, const double (&corner)[3][3]) {
  const auto minus = [](const double* a, const double* b, double* out) {
    for (int k = 0; k < 3; ++k) out[k] = a[k] - b[k];
  };
  const auto dot = [](const double* a, const double* b) {
    return a[0] * b[0] + a[1] * b[1] + a[2] * b[2];
  };
  double best = std::numeric_limits<double>::infinity();
  for (int edge = 0; edge < 3; ++edge) {
    const double* from = corner[edge];
    const double* to = corner[(edge + 1) % 3];
    double along[3], offset[3], gap[3];
    minus(to, from, along);
    minus(q, from, offset);
    const double length = dot(along, along);
    const double t = length > 0.0 ? std::clamp(dot(offset, along) / length, 0.0, 1.0) : 0.0;
    for (int k = 0; k < 3; ++k) gap[k] = offset[k] - t * along[k];
    best = std::min(best, dot(gap, gap));
  }
  double e0[3], e1[3], offset[3];
  minus(corner[1], corner[0], e0);
  minus(corner[2], corner[0], e1);
  minus(q, corner[0], offset);
  const double d00 = dot(e0, e0), d01 = dot(e0, e1), d11 = dot(e1, e1);
  const double denominator = d00 * d11 - d01 * d01;
  if (denominator > 1e-18 * d00 * d11) {
    const double v = (d11 * dot(offset, e0) - d01 * dot(offset, e1)) / denominator;
    const double w = (d00 * dot(offset, e1) - d01 * dot(offset, e0)) / denominator;
    if (v >= 0.0 && w >= 0.0 && v + w <= 1.0) {
      double gap[3];
      for (int k = 0; k < 3; ++k) gap[k] = offset[k] - v * e0[k] - w * e1[k];
      best = std::min(best, dot(gap, gap));
    }
  }
  return best;
}

// Every answer lies within rounding of the exact least distance, and its weights rebuild its
// point: checks of the routine against double-precision geometry, independent of the tie rule.
void ExpectAnswersNearTheExactDistance(const TestMesh& mesh, const std::vector<float>& queries) {
  const std::vector<SurfaceHit> hits = ExhaustiveHits(mesh, queries);
  for (std::size_t k = 0; k < hits.size(); ++k) {
    const double q[3] = {queries[3 * k], queries[3 * k + 1], queries[3 * k + 2]};
    if (!std::isfinite(q[0] + q[1] + q[2])) {
      EXPECT_EQ(hits[k].triangle, -1) << "query " << k;
      continue;
    }
    double exact = std::numeric_limits<double>::infinity();
    double scale = std::max({1.0, std::fabs(q[0]), std::fabs(q[1]), std::fabs(q[2])});
    for (std::size_t t = 0; t < mesh.triangleCount(); ++t) {
      double corner[3][3];
      bool finite = true;
      for (int c = 0; c < 3; ++c) {
        for (int axis = 0; axis < 3; ++axis) {
          corner[c][axis] = mesh.positions[3 * mesh.corners[3 * t + c] + axis];
          finite = finite && std::isfinite(corner[c][axis]);
        }
      }
      if (finite) exact = std::min(exact, ExactSquaredDistance(q, corner));
    }
    ASSERT_GE(hits[k].triangle, 0) << "query " << k;
    EXPECT_NEAR(std::sqrt(double{hits[k].squaredDistance}), std::sqrt(exact), 2e-6 * scale)
        << "query " << k << ": " << Describe(hits[k]);
    const uint32_t* corners = &mesh.corners[3 * static_cast<std::size_t>(hits[k].triangle)];
    for (int axis = 0; axis < 3; ++axis) {
      double rebuilt = 0.0;
      for (int c = 0; c < 3; ++c) {
        rebuilt += double{hits[k].barycentric[c]} * mesh.positions[3 * corners[c] + axis];
      }
      EXPECT_NEAR(rebuilt, hits[k].point[axis], 1e-5) << "query " << k << " axis " << axis;
    }
  }
}

struct ShapeCase {
  const char* name;
  TestMesh (*make)();
  std::size_t randomQueries;
};

// Shapes whose answers are also held to double-precision geometry.
const ShapeCase kShapes[] = {
    {"RandomSoup", [] { return RandomSoup(3000, 1); }, 400},
    {"ClosedSphere", [] { return Sphere(40, 60); }, 400},
    {"Slivers", [] { return Slivers(3000); }, 400},
    {"ZeroAreaTriangles", [] { return WithDegenerateTriangles(20, 30); }, 400},
    {"DuplicatedTriangles", [] { return Duplicated(20, 30); }, 300},
    {"NonFiniteCorners", [] { return WithNonFiniteVertices(2000, 2); }, 300},
    {"OneTriangle", [] { return RandomSoup(1, 3); }, 100},
    {"LargeGridBuiltApart", [] { return WavyGrid(130); }, 150},
};

// Shapes at the edges of what the search takes: no triangle, coordinates whose products
// overflow, and triangles spaced so unevenly that surface-area splits peel off a few at a time
// (the tree falls back to median splits to stay shallow); only the match with the exhaustive
// search is asked.
const ShapeCase kExtremeShapes[] = {
    {"NoTriangle", [] { return TestMesh{}; }, 20},
    {"ExponentiallySpaced",
     [] {
       TestMesh mesh;
       // x from 2^-149 to 2^127: about five triangles per bin-wide step of the largest.
       for (uint32_t k = 0; k < 277; ++k) {
         const float x = std::ldexp(1.0f, static_cast<int>(k) - 149);
         mesh.AddVertex(x, 0.0f, 0.0f);
         mesh.AddVertex(x, 1.0f, 0.0f);
         mesh.AddVertex(x, 0.0f, 1.0f);
         mesh.AddTriangle(3 * k, 3 * k + 1, 3 * k + 2);
       }
       return mesh;
     },
     200},
    {"HugeCoordinates",
     [] {
       TestMesh mesh = RandomSoup(1000, 4);
       for (std::size_t k = 0; k < mesh.positions.size(); ++k) {
         mesh.positions[k] *= k % 2 ? 3e37f : 1e19f;
       }
       return mesh;
     },
     200},
};

std::string ShapeName(const testing::TestParamInfo<ShapeCase>& info) {
  return info.param.name;
}

class SurfaceSearchShapes : public testing::TestWithParam<ShapeCase> {};

TEST_P(SurfaceSearchShapes, MatchesTheExhaustiveSearchOnAnyNumberOfThreads) {
  const TestMesh mesh = GetParam().make();
  const std::vector<float> queries = QueriesWithNonFinite(mesh, GetParam().randomQueries);
  ExpectSearchMatchesExhaustive(mesh, queries, 1);
  ExpectSearchMatchesExhaustive(mesh, queries, 3);
}

INSTANTIATE_TEST_SUITE_P(Shapes, SurfaceSearchShapes, testing::ValuesIn(kShapes), ShapeName);
INSTANTIATE_TEST_SUITE_P(Extremes, SurfaceSearchShapes, testing::ValuesIn(kExtremeShapes),
                         ShapeName);

class SurfaceAnswerGeometry : public testing::TestWithParam<ShapeCase> {};

TEST_P(SurfaceAnswerGeometry, AnswersLieWithinRoundingOfTheExactDistance) {
  const TestMesh mesh = GetParam().make();
  ExpectAnswersNearTheExactDistance(mesh, QueriesWithNonFinite(mesh, GetParam().randomQueries));
}

INSTANTIATE_TEST_SUITE_P(Shapes, SurfaceAnswerGeometry, testing::ValuesIn(kShapes), ShapeName);

// The calling thread's floating-point state rules the whole search, and the answers still match.
TEST(SurfaceSearchFloatModes, MatchesTheExhaustiveSearchInEveryMode) {
  const TestMesh soup = RandomSoup(1500, 5);
  const TestMesh slivers = Slivers(1500);
  for (const FloatMode& mode : kFloatModes) {
    SCOPED_TRACE(mode.name);
    const FloatModeScope scope(mode);
    if (!scope.available()) continue;
    ExpectSearchMatchesExhaustive(soup, QueriesWithNonFinite(soup, 200), 3);
    ExpectSearchMatchesExhaustive(slivers, QueriesWithNonFinite(slivers, 200), 3);
  }
}

// A triangle's box bound never exceeds the squared distance the routine reports for it, for
// coordinates of any magnitude and in every mode: the lemma the tree's pruning rests on.
TEST(SurfaceSearchFloatModes, BoxBoundNeverExceedsTheRoutinesDistance) {
  std::mt19937 engine(6);
  std::uniform_int_distribution<int> exponent(-149, 127);
  std::uniform_real_distribution<float> mantissa(-1.0f, 1.0f);
  const auto value = [&] { return std::ldexp(mantissa(engine), exponent(engine) / 4); };
  for (const FloatMode& mode : kFloatModes) {
    SCOPED_TRACE(mode.name);
    const FloatModeScope scope(mode);
    if (!scope.available()) continue;
    for (int trial = 0; trial < 100000; ++trial) {
      const TriangleCorners corners{
          {value(), value(), value()}, {value(), value(), value()}, {value(), value(), value()}};
      const Vector3 query{value(), value(), value()};
      const SurfaceHit hit = ClosestPointOnTriangle(query, corners);
      const Vector3 low = Lowest(Lowest(corners.a, corners.b), corners.c);
      const Vector3 high = Highest(Highest(corners.a, corners.b), corners.c);
      ASSERT_FALSE(std::isnan(hit.squaredDistance)) << trial;
      ASSERT_LE(BoxBound(query, low, high), hit.squaredDistance) << trial;
    }
  }
}

// Copies of a triangle tie with it to the bit, and the lower index wins: never a copy. Queries at
// vertices are at distance 0 on a corner.
TEST(SurfaceSearchTies, DuplicatesAndCornersGoToTheLowerIndex) {
  const TestMesh original = Sphere(20, 30);
  const TestMesh doubled = Duplicated(20, 30);
  ClosestPointSearch search;
  ASSERT_EQ(search.Build(doubled.positions.data(), doubled.vertexCount(), doubled.corners.data(),
                         doubled.triangleCount()),
            kSurfaceOk);
  std::vector<SurfaceHit> hits(doubled.vertexCount());
  ASSERT_EQ(search.FindClosest(doubled.positions.data(), hits.size(), hits.data()), kSurfaceOk);
  for (std::size_t k = 0; k < hits.size(); ++k) {
    EXPECT_LT(hits[k].triangle, static_cast<int32_t>(original.triangleCount())) << k;
    EXPECT_EQ(hits[k].squaredDistance, 0.0f) << k;
    EXPECT_LE(hits[k].feature, kSurfaceCornerC) << k;
  }
}

// Building checks every corner; a refused mesh leaves an empty search.
TEST(SurfaceSearchBuild, RefusesCornersOutOfRangeAndNamesTheFirst) {
  struct Case {
    const char* name;
    std::vector<int32_t> corners;
    SurfaceStatus status;
    int32_t refused;
  };
  const float positions[] = {0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 1};
  const Case cases[] = {
      {"in range", {0, 1, 2, 1, 2, 3}, kSurfaceOk, -1},
      {"one past the last vertex", {0, 1, 2, 1, 4, 3, 5, 0, 0}, kSurfaceCornerOutOfRange, 1},
      {"negative", {0, 1, 2, 0, 0, 0, 0, -1, 2}, kSurfaceCornerOutOfRange, 2},
      {"no triangle", {}, kSurfaceOk, -1},
  };
  for (const Case& c : cases) {
    ClosestPointSearch search;
    int32_t refused = 99;
    EXPECT_EQ(search.Build(positions, 4, c.corners.data(), c.corners.size() / 3, 1, &refused),
              c.status)
        << c.name;
    EXPECT_EQ(refused, c.refused) << c.name;
    EXPECT_EQ(search.TriangleCount(), c.status == kSurfaceOk ? c.corners.size() / 3 : 0) << c.name;
    const float query[3] = {0.2f, 0.2f, 0.2f};
    EXPECT_EQ(search.FindClosest(query).triangle, search.TriangleCount() > 0 ? 0 : -1) << c.name;
  }
}

}  // namespace
