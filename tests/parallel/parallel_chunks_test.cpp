#include "parallel/parallel_chunks.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <limits>
#include <stdexcept>
#include <vector>

#include "parallel/float_control.h"
#include "search/morton_order.h"

#ifdef PALISOR_HAS_MXCSR
#include <xmmintrin.h>
#endif

namespace {

TEST(RunInChunks, CoversEveryIndexExactlyOnceWhateverTheThreadCount) {
  for (unsigned threads : {1u, 2u, 3u, 8u}) {
    for (std::size_t count : {0u, 1u, 7u, 100u, 10001u}) {
      std::vector<std::atomic<int>> visits(count);
      RunInChunks(count, threads, 10, [&](std::size_t begin, std::size_t end) {
        EXPECT_LE(begin, end);
        for (std::size_t k = begin; k < end; ++k) ++visits[k];
      });
      for (std::size_t k = 0; k < count; ++k) {
        ASSERT_EQ(visits[k].load(), 1) << count << " indexes, " << threads << " threads, " << k;
      }
    }
  }
}

TEST(RunInChunks, AnExceptionInAChunkReachesTheCallerAfterEveryChunkRan) {
  std::atomic<int> chunksRun{0};
  EXPECT_THROW(RunInChunks(4000, 4, 100,
                           [&](std::size_t begin, std::size_t) {
                             ++chunksRun;
                             if (begin > 0) throw std::length_error("too long");
                           }),
               std::length_error);
  EXPECT_EQ(chunksRun.load(), 4);
}

#ifdef PALISOR_HAS_MXCSR
// Under a caller that unmasked the overflow and invalid-operation exceptions, every chunk, the
// caller's own included, computes with them masked and in the caller's rounding; afterwards the
// caller's register is as it was, with no flag raised by the chunks.
TEST(RunInChunks, ChunksComputeWithExceptionsMaskedAndLeaveTheCallersStateAsItWas) {
  constexpr unsigned int kOverflowAndInvalidMasks = 0x0400 | 0x0080;
  constexpr unsigned int kRoundingBits = 0x6000;
  constexpr unsigned int kStatusFlags = 0x3F;
  for (unsigned threads : {1u, 3u}) {
    std::atomic<int> maskedChunks{0};
    std::atomic<int> roundedDown{0};
    const unsigned int own = _mm_getcsr();
    _mm_setcsr((own & ~kStatusFlags & ~kOverflowAndInvalidMasks & ~kRoundingBits) | 0x2000);
    const unsigned int caller = _mm_getcsr();
    RunInChunks(30, threads, 10, [&](std::size_t, std::size_t) {
      const unsigned int state = _mm_getcsr();
      if ((state & kOverflowAndInvalidMasks) == kOverflowAndInvalidMasks) ++maskedChunks;
      if ((state & kRoundingBits) == 0x2000) ++roundedDown;
      volatile float large = 3e38f;
      large = large * large;
    });
    const unsigned int after = _mm_getcsr();
    _mm_setcsr(own);
    EXPECT_EQ(after, caller) << threads;
    EXPECT_EQ(maskedChunks.load(), static_cast<int>(threads)) << threads;
    EXPECT_EQ(roundedDown.load(), static_cast<int>(threads)) << threads;
  }
}
#endif

TEST(MortonOrder, IsAPermutationWithNonFinitePointsLastInIndexOrder) {
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const float infinity = std::numeric_limits<float>::infinity();
  std::vector<Vector3> points = {{1, 1, 1},        {nan, 0, 0},        {0, 0, 0},         {1, 1, 1},
                                 {0, infinity, 0}, {0.5f, 0.5f, 0.5f}, {-3e38f, 3e38f, 0}};
  const std::vector<int32_t> order = MortonOrder(points);
  ASSERT_EQ(order.size(), points.size());
  EXPECT_EQ(order[5], 1);
  EXPECT_EQ(order[6], 4);
  std::vector<int> seen(points.size());
  for (int32_t index : order) ++seen[static_cast<std::size_t>(index)];
  for (int count : seen) EXPECT_EQ(count, 1);
  // Equal points keep their index order.
  const auto first = std::find(order.begin(), order.end(), 0);
  const auto second = std::find(order.begin(), order.end(), 3);
  EXPECT_LT(first, second);
  EXPECT_TRUE(MortonOrder({}).empty());
}

}  // namespace
