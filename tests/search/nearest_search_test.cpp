#include "search/nearest_search.h"

#include <gtest/gtest.h>

#include <cfenv>
#include <cfloat>
#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "parallel/float_control.h"
#include "search/kd_tree.h"
#include "support/float_bits.h"

#ifdef PALISOR_HAS_MXCSR
#include <xmmintrin.h>
#endif

namespace {

constexpr float kInfinity = std::numeric_limits<float>::infinity();
constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();

std::string Describe(const NearestList& list) {
  std::string text;
  for (const NearestEntry& entry : list) {
    text += "(" + std::to_string(entry.sourceIndex) + ", " + std::to_string(entry.squaredDistance) +
            " bits " + std::to_string(Bits(entry.squaredDistance)) + ") ";
  }
  return text;
}

// Points with the indices 0, 1, 2, ... or, where `stride` > 1, every stride-th index, as a
// Source whose other vertices are unreferenced.
SourcePoints MakeSource(const std::vector<Vector3>& positions, int32_t stride = 1) {
  SourcePoints source;
  for (std::size_t k = 0; k < positions.size(); ++k) {
    source.Add(static_cast<int32_t>(k) * stride + (stride > 1 ? 1 : 0), positions[k]);
  }
  return source;
}

bool SameList(const NearestList& actual, const NearestList& expected) {
  if (actual.size() != expected.size()) return false;
  for (std::size_t k = 0; k < actual.size(); ++k) {
    if (actual[k].sourceIndex != expected[k].sourceIndex ||
        Bits(actual[k].squaredDistance) != Bits(expected[k].squaredDistance)) {
      return false;
    }
  }
  return true;
}

// The lists found against the expected ones, by index and distance bits; the first few
// differences are reported.
void ExpectListsMatch(const std::vector<NearestFound>& found,
                      const std::vector<NearestList>& expected, const std::vector<Vector3>& queries,
                      unsigned threads) {
  ASSERT_EQ(found.size(), queries.size());
  int mismatches = 0;
  for (std::size_t q = 0; q < queries.size(); ++q) {
    const NearestList actual = found[q].ToList();
    if (!SameList(actual, expected[q]) && ++mismatches <= 3) {
      ADD_FAILURE() << threads << " threads, query " << q << " (" << queries[q].x << ", "
                    << queries[q].y << ", " << queries[q].z << "): expected "
                    << Describe(expected[q]) << "got " << Describe(actual);
    }
  }
  EXPECT_EQ(mismatches, 0) << threads << " threads";
}

// Compares every query's list, found on one thread and on three, by the search and by the search
// prepared beforehand, with the exhaustive search's.
void ExpectExhaustiveLists(const SourcePoints& source, const std::vector<Vector3>& queries) {
  std::vector<NearestList> expected(queries.size());
  for (std::size_t q = 0; q < queries.size(); ++q) {
    FindNearestExhaustive(source, queries[q], expected[q]);
  }
  for (const bool prepared : {false, true}) {
    for (unsigned threads : {1u, 3u}) {
      SCOPED_TRACE(prepared ? "prepared search" : "search");
      ExpectListsMatch(prepared ? PreparedNearestSearch(source, threads).FindAll(queries, threads)
                                : FindNearestAll(source, queries, threads),
                       expected, queries, threads);
    }
  }
}

class RandomPoints {
 public:
  explicit RandomPoints(uint32_t pattern) : engine_(pattern) {}

  // Coordinates on a coarse grid of `levels` values in [-1, 1], so that distances tie often.
  std::vector<Vector3> OnGrid(std::size_t count, int levels) {
    std::vector<Vector3> points;
    for (std::size_t k = 0; k < count; ++k) {
      points.push_back({Level(levels), Level(levels), Level(levels)});
    }
    return points;
  }
  std::vector<Vector3> InBox(std::size_t count, float size) {
    std::uniform_real_distribution<float> coordinate(-size, size);
    std::vector<Vector3> points;
    for (std::size_t k = 0; k < count; ++k) {
      points.push_back({coordinate(engine_), coordinate(engine_), coordinate(engine_)});
    }
    return points;
  }

 private:
  float Level(int levels) {
    const auto level = static_cast<int>(engine_() % static_cast<uint32_t>(levels));
    return levels == 1 ? 0.0f : -1.0f + 2.0f * static_cast<float>(level) / (levels - 1);
  }
  std::mt19937 engine_;
};

std::vector<Vector3> Lattice(int side, float spacing) {
  std::vector<Vector3> points;
  for (int x = 0; x < side; ++x) {
    for (int y = 0; y < side; ++y) {
      for (int z = 0; z < side; ++z) points.push_back({x * spacing, y * spacing, z * spacing});
    }
  }
  return points;
}

// A floating-point state a host may run its thread in: a rounding mode, and on x86 tiny results
// flushed to zero and tiny inputs taken as zero.
struct FloatMode {
  const char* name;
  int rounding;
  bool flushTiny;
};

constexpr FloatMode kFloatModes[] = {
    {"to nearest", FE_TONEAREST, false},         {"upwards", FE_UPWARD, false},
    {"downwards", FE_DOWNWARD, false},           {"towards zero", FE_TOWARDZERO, false},
    {"to nearest, FTZ+DAZ", FE_TONEAREST, true}, {"upwards, FTZ+DAZ", FE_UPWARD, true},
};

// Puts the calling thread in `mode` until the scope ends; false where the mode does not exist.
class FloatModeScope {
 public:
  explicit FloatModeScope(const FloatMode& mode) : restore_(CurrentFloatControl()) {
    std::fesetround(mode.rounding);
#ifdef PALISOR_HAS_MXCSR
    constexpr unsigned int kFlushToZero = 0x8000;
    constexpr unsigned int kDenormalsAreZero = 0x0040;
    if (mode.flushTiny) _mm_setcsr(_mm_getcsr() | kFlushToZero | kDenormalsAreZero);
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

TEST(NearestSearchRandomClouds, SizesZeroToFourMatchTheExhaustiveSearch) {
  for (uint32_t pattern = 1; pattern <= 40; ++pattern) {
    for (std::size_t size = 0; size <= 4; ++size) {
      RandomPoints random(pattern * 10 + static_cast<uint32_t>(size));
      const SourcePoints source = MakeSource(random.OnGrid(size, pattern % 2 == 0 ? 3 : 1000));
      std::vector<Vector3> queries = random.OnGrid(20, 5);
      for (const Vector3& point : source.positions) queries.push_back(point);
      ExpectExhaustiveLists(source, queries);
    }
  }
}

TEST(NearestSearchRandomClouds, LargerCloudsMatchInsideAndAround) {
  for (uint32_t pattern = 1; pattern <= 4; ++pattern) {
    RandomPoints random(pattern);
    const SourcePoints source = MakeSource(random.InBox(1500 * pattern, 1.0f), pattern);
    ExpectExhaustiveLists(source, random.InBox(2500, 1.5f));
  }
}

TEST(NearestSearchRandomClouds, CoarseGridCloudsFullOfTiesMatch) {
  RandomPoints random(7);
  const SourcePoints source = MakeSource(random.OnGrid(3000, 6));
  ExpectExhaustiveLists(source, random.OnGrid(3000, 11));
}

// Shapes whose proportions are far from a cube's, large enough for a tree built in parts: points on
// a cylinder a hundred times as long as it is wide, and on four planes at odd angles, with queries
// on and around them.
TEST(NearestSearchShapes, LongThinCylinderAndPlanesMatch) {
  std::mt19937 engine(23);
  std::uniform_real_distribution<float> unit(0.0f, 1.0f);
  const auto cylinder = [&](std::size_t count, float radius) {
    std::vector<Vector3> points;
    for (std::size_t k = 0; k < count; ++k) {
      const float angle = 6.2831853f * unit(engine);
      points.push_back({200.0f * unit(engine), radius * std::cos(angle), radius * std::sin(angle)});
    }
    return points;
  };
  const auto planes = [&](std::size_t count, float offset) {
    const Vector3 normals[4] = {{0, 0, 1}, {0.6f, 0.8f, 0}, {-0.48f, 0.6f, 0.64f}, {1, 0, 0}};
    std::vector<Vector3> points;
    for (std::size_t k = 0; k < count; ++k) {
      const Vector3& n = normals[k % 4];
      // Two directions in the plane: n x e for a unit axis e not along n, and n x (n x e).
      const Vector3 e = std::fabs(n.x) < 0.9f ? Vector3{1, 0, 0} : Vector3{0, 1, 0};
      const Vector3 u{n.y * e.z - n.z * e.y, n.z * e.x - n.x * e.z, n.x * e.y - n.y * e.x};
      const Vector3 v{n.y * u.z - n.z * u.y, n.z * u.x - n.x * u.z, n.x * u.y - n.y * u.x};
      const float a = 4 * unit(engine) - 2;
      const float b = 4 * unit(engine) - 2;
      const float c = static_cast<float>(k % 4) + offset * (unit(engine) - 0.5f);
      points.push_back(
          {a * u.x + b * v.x + c * n.x, a * u.y + b * v.y + c * n.y, a * u.z + b * v.z + c * n.z});
    }
    return points;
  };
  ExpectExhaustiveLists(MakeSource(cylinder(40000, 1.0f)), cylinder(1000, 1.1f));
  ExpectExhaustiveLists(MakeSource(planes(40000, 0.0f)), planes(1000, 0.2f));
}

TEST(NearestSearchTies, LatticeQueriesAtPointsEdgesAndCellCentres) {
  const SourcePoints source = MakeSource(Lattice(12, 0.5f));
  std::vector<Vector3> queries;
  for (int x = -1; x < 25; ++x) {
    for (int y = -1; y < 25; y += 3) {
      for (int z = -1; z < 25; z += 2) queries.push_back({x * 0.25f, y * 0.25f, z * 0.25f});
    }
  }
  ExpectExhaustiveLists(source, queries);
}

TEST(NearestSearchTies, DuplicatedPointsKeepTheHighestIndexes) {
  std::vector<Vector3> positions;
  for (const Vector3& point : Lattice(6, 1.0f)) {
    for (int copy = 0; copy < 5; ++copy) positions.push_back(point);
  }
  // Interleave the copies so that a point's duplicates are far apart in index.
  std::vector<Vector3> interleaved;
  for (int copy = 0; copy < 5; ++copy) {
    for (std::size_t k = static_cast<std::size_t>(copy); k < positions.size(); k += 5) {
      interleaved.push_back(positions[k]);
    }
  }
  std::vector<Vector3> queries = Lattice(11, 0.5f);
  ExpectExhaustiveLists(MakeSource(positions), queries);
  ExpectExhaustiveLists(MakeSource(interleaved), queries);
  // Every point at one place: every list holds the three highest indexes at distance 0.
  ExpectExhaustiveLists(MakeSource(std::vector<Vector3>(100, Vector3{1, 2, 3})), queries);
}

// Every point with integer coordinates at distance exactly 9 from the origin, and some
// further out, around several centres.
TEST(NearestSearchTies, EquidistantRingsAroundTheirCentres) {
  std::vector<Vector3> positions;
  std::vector<Vector3> centres = {{0, 0, 0}, {20, 0, 0}, {0, -30, 7}, {0.5f, 0.25f, 40}};
  for (const Vector3& centre : centres) {
    for (int x = -11; x <= 11; ++x) {
      for (int y = -11; y <= 11; ++y) {
        for (int z = -11; z <= 11; ++z) {
          const int squared = x * x + y * y + z * z;
          if (squared == 81 || squared == 121) {
            positions.push_back({centre.x + x, centre.y + y, centre.z + z});
          }
        }
      }
    }
  }
  // A flat ring: 12 points at distance 5 in the plane z = 0.
  for (const auto& [x, y] : std::vector<std::pair<float, float>>{{5, 0},
                                                                 {-5, 0},
                                                                 {0, 5},
                                                                 {0, -5},
                                                                 {3, 4},
                                                                 {-3, 4},
                                                                 {3, -4},
                                                                 {-3, -4},
                                                                 {4, 3},
                                                                 {-4, 3},
                                                                 {4, -3},
                                                                 {-4, -3}}) {
    positions.push_back({x + 60, y, 0});
  }
  centres.push_back({60, 0, 0});
  centres.push_back({60, 0, 1});
  ExpectExhaustiveLists(MakeSource(positions), centres);
}

TEST(NearestSearchFarQueries, FarAwayQueriesStillFindTheNearestPoints) {
  RandomPoints random(11);
  const SourcePoints source = MakeSource(random.OnGrid(2000, 9));
  std::vector<Vector3> queries;
  for (float distance : {10.0f, 1e3f, 1e6f, 1e12f, 1e19f, 1e20f, 1e30f, FLT_MAX}) {
    for (const Vector3& direction : random.InBox(30, 1.0f)) {
      queries.push_back({direction.x * distance, direction.y * distance, direction.z * distance});
    }
    queries.push_back({distance, 0, 0});
    queries.push_back({0, -distance, 0});
  }
  ExpectExhaustiveLists(source, queries);
}

TEST(NearestSearchExtremeCoordinates, HugeCoordinatesWhoseSquaresOverflow) {
  std::vector<Vector3> positions;
  for (float scale : {FLT_MAX, FLT_MAX / 2, 1e38f, 3e19f, 1e19f, 1e18f}) {
    for (int sign = -1; sign <= 1; sign += 2) {
      positions.push_back({sign * scale, 0, 0});
      positions.push_back({0, sign * scale, scale});
      positions.push_back({scale, scale, sign * scale});
      positions.push_back({sign * scale, 1, -scale});
    }
  }
  std::vector<Vector3> queries = positions;
  queries.push_back({0, 0, 0});
  queries.push_back({-FLT_MAX, -FLT_MAX, -FLT_MAX});
  queries.push_back({FLT_MAX, -FLT_MAX, 0});
  queries.push_back({1e19f, -1e19f, 5});
  ExpectExhaustiveLists(MakeSource(positions), queries);
}

TEST(NearestSearchExtremeCoordinates, TinySubnormalAndSignedZeroCoordinates) {
  const float subnormal = std::numeric_limits<float>::denorm_min();
  const float smallest = FLT_MIN;
  std::vector<Vector3> positions;
  for (float value : {0.0f, -0.0f, subnormal, -subnormal, 3 * subnormal, smallest, -smallest,
                      1e-20f, -1e-20f, 1e-30f}) {
    positions.push_back({value, 0.0f, -0.0f});
    positions.push_back({-0.0f, value, value});
    positions.push_back({value, -value, 0.0f});
  }
  std::vector<Vector3> queries = positions;
  queries.push_back({0.0f, 0.0f, 0.0f});
  queries.push_back({-0.0f, -0.0f, -0.0f});
  queries.push_back({1e-19f, 0, 0});
  queries.push_back({1, 1, 1});
  ExpectExhaustiveLists(MakeSource(positions), queries);
}

TEST(NearestSearchExtremeCoordinates, NonFiniteQueriesAndSourcesMatchTheExhaustiveSearch) {
  RandomPoints random(5);
  const std::vector<Vector3> finite = random.OnGrid(500, 7);
  std::vector<Vector3> queries = random.OnGrid(200, 4);
  for (float odd : {kInfinity, -kInfinity, kNaN}) {
    queries.push_back({odd, 0, 0});
    queries.push_back({0.5f, odd, 1});
    queries.push_back({odd, odd, odd});
  }
  ExpectExhaustiveLists(MakeSource(finite), queries);

  for (float odd : {kInfinity, -kInfinity, kNaN}) {
    std::vector<Vector3> withOdd = finite;
    withOdd[250].y = odd;
    withOdd.push_back({odd, odd, 0});
    ExpectExhaustiveLists(MakeSource(withOdd), queries);
  }
}

// Whatever state the calling thread computes in, every thread of the search computes in it too,
// and the tree prunes exactly: the lists are the exhaustive search's in that state, on one thread
// and on three. Enough queries for three workers; clouds of ordinary and of subnormal sizes.
TEST(NearestSearchFloatModes, TheCallingThreadsStateRulesEveryThread) {
  RandomPoints random(17);
  const SourcePoints cloud = MakeSource(random.InBox(600, 1.0f));
  const std::vector<Vector3> queries = random.InBox(12300, 1.2f);
  const SourcePoints tiny = MakeSource(random.InBox(100, 3e-38f));
  const std::vector<Vector3> tinyQueries = random.InBox(12300, 4e-38f);
  for (const FloatMode& mode : kFloatModes) {
    SCOPED_TRACE(mode.name);
    const FloatModeScope scope(mode);
    if (!scope.available()) continue;
    ExpectExhaustiveLists(cloud, queries);
    ExpectExhaustiveLists(tiny, tinyQueries);
  }
}

#ifdef PALISOR_HAS_MXCSR
// A host may run with floating-point exceptions unmasked. The search's own arithmetic (bounds of a
// set of queries none of which is finite, distances to a tree's padding) then traps on no thread,
// and the calling thread's state, status flags included, is as it was.
TEST(NearestSearchFloatModes, ACallerWithUnmaskedExceptionsTrapsOnNoThread) {
  RandomPoints random(29);
  const SourcePoints cloud = MakeSource(random.InBox(5001, 1.0f));
  const std::vector<Vector3> finite = random.InBox(12300, 1.5f);
  std::vector<Vector3> nonFinite;
  for (int k = 0; k < 12300; ++k) {
    const float at = static_cast<float>(k % 17) * 0.125f;
    const Vector3 choices[3] = {{kNaN, at, 0}, {at, kInfinity, 0}, {0, at, -kInfinity}};
    nonFinite.push_back(choices[k % 3]);
  }
  // The invalid-operation, divide-by-zero and overflow masks of the SSE control register.
  constexpr unsigned int kTrapMasks = 0x0080 | 0x0200 | 0x0400;
  constexpr unsigned int kStatusFlags = 0x3F;
  const std::vector<Vector3>* const querySets[] = {&finite, &nonFinite};
  for (const std::vector<Vector3>* queries : querySets) {
    std::vector<NearestList> expected(queries->size());
    for (std::size_t q = 0; q < queries->size(); ++q) {
      FindNearestExhaustive(cloud, (*queries)[q], expected[q]);
    }
    const unsigned int own = _mm_getcsr();
    _mm_setcsr(own & ~kStatusFlags & ~kTrapMasks);
    const unsigned int unmasked = _mm_getcsr();
    const std::vector<NearestFound> found = FindNearestAll(cloud, *queries, 3);
    const unsigned int after = _mm_getcsr();
    _mm_setcsr(own);

    EXPECT_EQ(after, unmasked);
    ASSERT_EQ(found.size(), queries->size());
    int mismatches = 0;
    for (std::size_t q = 0; q < queries->size(); ++q) {
      if (!SameList(found[q].ToList(), expected[q]) && ++mismatches <= 3) {
        ADD_FAILURE() << "query " << q << ": " << Describe(found[q].ToList());
      }
    }
  }
}
#endif

TEST(NearestSearchThreads, AnswersDoNotDependOnTheNumberOfThreads) {
  RandomPoints random(3);
  const SourcePoints source = MakeSource(random.OnGrid(20000, 40));
  const std::vector<Vector3> queries = random.OnGrid(30000, 81);
  const std::vector<NearestFound> single = FindNearestAll(source, queries, 1);
  for (unsigned threads : {2u, 3u, 8u}) {
    const std::vector<NearestFound> spread = FindNearestAll(source, queries, threads);
    ASSERT_EQ(spread.size(), single.size());
    for (std::size_t q = 0; q < queries.size(); ++q) {
      ASSERT_EQ(spread[q].ToList().size(), single[q].ToList().size()) << q;
      for (int32_t k = 0; k < single[q].count; ++k) {
        ASSERT_EQ(spread[q].entries[k].sourceIndex, single[q].entries[k].sourceIndex) << q;
        ASSERT_EQ(Bits(spread[q].entries[k].squaredDistance),
                  Bits(single[q].entries[k].squaredDistance))
            << q;
      }
    }
  }
}

TEST(NearestSearchTree, ReusedScratchGivesTheSameListsAsAFreshOne) {
  RandomPoints random(9);
  const SourcePoints source = MakeSource(random.OnGrid(3000, 12));
  const NearestTree tree(source);
  NearestTree::Scratch reused;
  NearestFound found;
  NearestFound expected;
  for (const Vector3& query : random.OnGrid(500, 23)) {
    tree.FindNearest(query, reused, found);
    NearestTree::Scratch fresh;
    tree.FindNearest(query, fresh, expected);
    ASSERT_EQ(Describe(found.ToList()), Describe(expected.ToList()));
  }
}

// The box bound against the float distance of points inside the box, where rounding is at its
// most delicate: coordinates of very different magnitudes, huge ones among them.
void ExpectBoxBoundBelowDistancesInside() {
  std::mt19937 engine(21);
  std::uniform_int_distribution<int> exponent(-40, 128);
  std::uniform_real_distribution<float> mantissa(-1.0f, 1.0f);
  for (int trial = 0; trial < 200000; ++trial) {
    // Mostly moderate magnitudes; every seventh trial up to FLT_MAX, where squares overflow.
    const auto coordinate = [&] {
      const int power = trial % 7 == 0 ? exponent(engine) : exponent(engine) % 80 - 40;
      return std::ldexp(mantissa(engine), power);
    };
    const Vector3 a{coordinate(), coordinate(), coordinate()};
    const Vector3 b{coordinate(), coordinate(), coordinate()};
    const Vector3 low{std::min(a.x, b.x), std::min(a.y, b.y), std::min(a.z, b.z)};
    const Vector3 high{std::max(a.x, b.x), std::max(a.y, b.y), std::max(a.z, b.z)};
    // On each axis a face or the middle of the box.
    const auto pick = [trial](int axis, float lowEnd, float highEnd) {
      switch ((trial >> (2 * axis)) % 3) {
        case 0:
          return lowEnd;
        case 1:
          return highEnd;
        default:
          return std::min(std::max(lowEnd / 2 + highEnd / 2, lowEnd), highEnd);
      }
    };
    const Vector3 inside{pick(0, low.x, high.x), pick(1, low.y, high.y), pick(2, low.z, high.z)};
    const Vector3 query{coordinate(), coordinate(), coordinate()};
    ASSERT_LE(BoxBound(query, low, high), SquaredDistance(query, inside))
        << trial << ": query " << query.x << " " << query.y << " " << query.z;
  }
}

TEST(NearestSearchTree, BoxBoundNeverExceedsTheDistanceOfAPointInsideInEveryMode) {
  for (const FloatMode& mode : kFloatModes) {
    SCOPED_TRACE(mode.name);
    const FloatModeScope scope(mode);
    if (scope.available()) ExpectBoxBoundBelowDistancesInside();
  }
}

// The bounds of two boxes computed side by side have the bits of BoxBound for each.
TEST(NearestSearchTree, PairedBoxBoundsEqualSingleOnes) {
  std::mt19937 engine(4);
  std::uniform_int_distribution<int> exponent(-149, 127);
  std::uniform_real_distribution<float> mantissa(-1.0f, 1.0f);
  const auto value = [&] { return std::ldexp(mantissa(engine), exponent(engine)); };
  for (int trial = 0; trial < 100000; ++trial) {
    float low[3][2];
    float high[3][2];
    for (int axis = 0; axis < 3; ++axis) {
      for (int box = 0; box < 2; ++box) {
        const float a = trial % 3 == 0 ? 0.0f : value();
        const float b = trial % 5 == 0 ? -0.0f : value();
        low[axis][box] = std::min(a, b);
        high[axis][box] = std::max(a, b);
      }
    }
    const Vector3 query{value(), trial % 4 == 0 ? low[1][0] : value(), value()};
    float bounds[2];
    BoxBoundPair(query, low, high, bounds);
    for (int box = 0; box < 2; ++box) {
      const float single = BoxBound(query, Vector3{low[0][box], low[1][box], low[2][box]},
                                    Vector3{high[0][box], high[1][box], high[2][box]});
      ASSERT_EQ(Bits(bounds[box]), Bits(single)) << trial << " box " << box;
    }
  }
}

// The gap to an interval is the distance to its nearer end, +0 inside, whatever the magnitudes.
TEST(NearestSearchTree, BoxGapIsTheDistanceToTheNearerEnd) {
  EXPECT_EQ(Bits(BoxGap(0.5f, 1.0f, 3.0f)), Bits(0.5f));
  EXPECT_EQ(Bits(BoxGap(4.0f, 1.0f, 3.0f)), Bits(1.0f));
  EXPECT_EQ(Bits(BoxGap(2.0f, 1.0f, 3.0f)), Bits(0.0f));
  EXPECT_EQ(Bits(BoxGap(-0.0f, 0.0f, 0.0f)), Bits(0.0f));
  EXPECT_EQ(Bits(BoxGap(0.0f, -0.0f, -0.0f)), Bits(0.0f));
  EXPECT_EQ(BoxGap(-FLT_MAX, FLT_MAX, FLT_MAX), kInfinity);
  EXPECT_EQ(Bits(BoxGap(FLT_MAX, -FLT_MAX, FLT_MAX)), Bits(0.0f));
}

}  // namespace
