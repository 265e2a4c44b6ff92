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

// The queries of a mesh and some just off it, with a few that have a non-finite coordinate at the
// end.
std::vector<float> QueriesWithNonFinite(const TestMesh& mesh, std::size_t randomCount) {
  std::vector<float> queries = QueriesFor(mesh, randomCount, 7);
  for (const float height : {1e-3f, 1e-6f}) {
    const std::vector<float> off = QueriesJustOff(mesh, height);
    queries.insert(queries.end(), off.begin(), off.end());
  }
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

TriangleCorners CornersAt(const TestMesh& mesh, std::size_t triangle) {
  const auto corner = [&](int c) {
    return Vector3At(&mesh.positions[3 * static_cast<std::size_t>(mesh.corners[3 * triangle + c])]);
  };
  return TriangleCorners{corner(0), corner(1), corner(2)};
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

// The reference's arithmetic: binary128 where the compiler has it (113 bits: a product of two
// differences of floats is exact in it), else long double.
#ifdef __SIZEOF_FLOAT128__
__extension__ using Exact = __float128;
#else
using Exact = long double;
#endif

template <typename Real>
Real DotOf(const Real* a, const Real* b) {
  return a[0] * b[0] + a[1] * b[1] + a[2] * b[2];
}

template <typename Real>
void CrossOf(const Real* a, const Real* b, Real* out) {
  out[0] = a[1] * b[2] - a[2] * b[1];
  out[1] = a[2] * b[0] - a[0] * b[2];
  out[2] = a[0] * b[1] - a[1] * b[0];
}

// The squared distance from q to the triangle, computed independently of the routine and in
// higher precision: the plane's where the projection falls inside all three edges (by the signs
// of n . (edge x (q - edge's start)) with n = ab x ac), else the nearest of the three edges as
// segments.
template <typename Real>
Real SquaredDistanceIn(const Real* q, const Real (&corner)[3][3]) {
  Real best = static_cast<Real>(HUGE_VAL);
  Real edges[3][3], offsets[3][3];
  bool inside = true;
  Real ab[3], ac[3], normal[3];
  for (int k = 0; k < 3; ++k) {
    ab[k] = corner[1][k] - corner[0][k];
    ac[k] = corner[2][k] - corner[0][k];
  }
  CrossOf(ab, ac, normal);
  for (int edge = 0; edge < 3; ++edge) {
    Real gap[3], turn[3];
    for (int k = 0; k < 3; ++k) {
      edges[edge][k] = corner[(edge + 1) % 3][k] - corner[edge][k];
      offsets[edge][k] = q[k] - corner[edge][k];
    }
    const Real length = DotOf(edges[edge], edges[edge]);
    Real t = length > 0 ? DotOf(offsets[edge], edges[edge]) / length : 0;
    t = t < 0 ? 0 : (t > 1 ? 1 : t);
    for (int k = 0; k < 3; ++k) gap[k] = offsets[edge][k] - t * edges[edge][k];
    best = std::min(best, DotOf(gap, gap));
    CrossOf(edges[edge], offsets[edge], turn);
    inside = inside && DotOf(normal, turn) > 0;
  }
  const Real area = DotOf(normal, normal);
  if (inside && area > 0) {
    const Real height = DotOf(normal, offsets[0]);
    best = std::min(best, height * height / area);
  }
  return best;
}

// The squared distance from the query to the triangle of `corners`, as SquaredDistanceIn computes
// it with reals of type Real.
template <typename Real>
Real SquaredDistanceIn(const Vector3& query, const TriangleCorners& corners) {
  const Real q[3] = {query.x, query.y, query.z};
  const Real corner[3][3] = {{corners.a.x, corners.a.y, corners.a.z},
                             {corners.b.x, corners.b.y, corners.b.z},
                             {corners.c.x, corners.c.y, corners.c.z}};
  return SquaredDistanceIn(q, corner);
}

Exact ExactSquaredDistance(const Vector3& query, const TriangleCorners& corners) {
  return SquaredDistanceIn<Exact>(query, corners);
}

// The spacing of floats at `value`.
Exact FloatUlp(Exact value) {
  const float nearest = static_cast<float>(value);
  return static_cast<Exact>(std::nextafter(nearest, kInfinity)) - nearest;
}

// Every answer's squared distance is never below the exact least one and above it by 4 ulps at
// most, but for the slack that covers double rounding (triangle_spot.h), which tells only where the
// query nearly touches the surface, within 2^-24 of the coordinates' size; its weights rebuild its
// point. Checks of the routine against geometry in higher precision, independent of the tie rule.
void ExpectAnswersNearTheExactDistance(const TestMesh& mesh, const std::vector<float>& queries) {
  const std::vector<SurfaceHit> hits = ExhaustiveHits(mesh, queries);
  for (std::size_t k = 0; k < hits.size(); ++k) {
    const Vector3 q{queries[3 * k], queries[3 * k + 1], queries[3 * k + 2]};
    if (!IsFinite(q)) {
      EXPECT_EQ(hits[k].triangle, -1) << "query " << k;
      continue;
    }
    // In double first; in higher precision the triangles that may be the nearest.
    std::vector<double> rough(mesh.triangleCount(), HUGE_VAL);
    double least = HUGE_VAL;
    float scale = std::max({std::fabs(q.x), std::fabs(q.y), std::fabs(q.z)});
    for (std::size_t t = 0; t < mesh.triangleCount(); ++t) {
      const TriangleCorners corners = CornersAt(mesh, t);
      if (!IsFinite(corners.a) || !IsFinite(corners.b) || !IsFinite(corners.c)) continue;
      rough[t] = SquaredDistanceIn<double>(q, corners);
      least = std::min(least, rough[t]);
      for (const Vector3& c : {corners.a, corners.b, corners.c}) {
        scale = std::max({scale, std::fabs(c.x), std::fabs(c.y), std::fabs(c.z)});
      }
    }
    const double reach = least * (1.0 + 0x1p-20) + (0x1p-40 * scale) * (0x1p-40 * scale);
    Exact exact = static_cast<Exact>(HUGE_VAL);
    for (std::size_t t = 0; t < mesh.triangleCount(); ++t) {
      if (rough[t] <= reach) exact = std::min(exact, ExactSquaredDistance(q, CornersAt(mesh, t)));
    }
    ASSERT_GE(hits[k].triangle, 0) << "query " << k;
    const Exact found = hits[k].squaredDistance;
    const double distance = std::sqrt(static_cast<double>(exact));
    const double room = 0x1p-46 * scale;
    const Exact slack = static_cast<Exact>(8.0 * room * distance + room * room);
    EXPECT_GE(found, exact * (1 - static_cast<Exact>(0x1p-60)))
        << "query " << k << ": " << Describe(hits[k]);
    EXPECT_LE(found, exact + 4 * FloatUlp(exact) + slack)
        << "query " << k << ": " << Describe(hits[k]) << ", exact " << static_cast<double>(exact);
    const uint32_t* corners = &mesh.corners[3 * static_cast<std::size_t>(hits[k].triangle)];
    for (int axis = 0; axis < 3; ++axis) {
      double rebuilt = 0.0;
      for (int c = 0; c < 3; ++c) {
        rebuilt += double{hits[k].barycentric[c]} * mesh.positions[3 * corners[c] + axis];
      }
      EXPECT_NEAR(rebuilt, hits[k].point[axis], 1e-5 * std::max(1.0f, scale))
          << "query " << k << " axis " << axis;
    }
  }
}

struct ShapeCase {
  const char* name;
  TestMesh (*make)();
  std::size_t randomQueries;
};

// Shapes whose answers are also held to long-double geometry.
const ShapeCase kShapes[] = {
    {"RandomSoup", [] { return RandomSoup(3000, 1); }, 400},
    {"ClosedSphere", [] { return Sphere(40, 60); }, 400},
    {"Slivers", [] { return Slivers(3000); }, 400},
    {"ZeroAreaTriangles", [] { return WithDegenerateTriangles(20, 30); }, 400},
    {"DuplicatedTriangles", [] { return Duplicated(20, 30); }, 300},
    {"NonFiniteCorners", [] { return WithNonFiniteVertices(2000, 2); }, 300},
    {"OneTriangle", [] { return RandomSoup(1, 3); }, 100},
    {"LargeGridBuiltApart", [] { return WavyGrid(130); }, 150},
    {"SliverFan", [] { return SliverFan(3000); }, 200},
    {"HugeCoordinates",
     [] {
       TestMesh mesh = RandomSoup(1000, 8);
       for (float& coordinate : mesh.positions) coordinate *= 1e17f;
       return mesh;
     },
     200},
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
    {"OverflowingCoordinates",
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

// The routine's squared distance is never below the exact one, nor below the bound of the
// triangle's own box, for coordinates of any magnitude and in every mode: the lemmas the tree's
// pruning rests on.
TEST(SurfaceSearchFloatModes, BoundsNeverExceedTheRoutinesDistance) {
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
      ASSERT_GE(static_cast<Exact>(hit.squaredDistance),
                ExactSquaredDistance(query, corners) * (1 - static_cast<Exact>(0x1p-60)))
          << trial << std::hexfloat << " q " << query.x << " " << query.y << " " << query.z << " a "
          << corners.a.x << " " << corners.a.y << " " << corners.a.z << " b " << corners.b.x << " "
          << corners.b.y << " " << corners.b.z << " c " << corners.c.x << " " << corners.c.y << " "
          << corners.c.z << " feature " << hit.feature;
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
