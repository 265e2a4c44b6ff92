// The nearest-point search against a brute force written here from the ranking rule: for any
// Source points and queries (any float bits, many ties), FindNearestAll and FindNearestExhaustive
// give the brute force's lists bit for bit, with one thread and with several, under every rounding
// mode and with flush-to-zero and denormals-are-zero set or clear on the calling thread.
#include <fuzzer/FuzzedDataProvider.h>
#include <xmmintrin.h>

#include <cfenv>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "search/nearest_search.h"

namespace {

// Offering Source points in increasing index order, keep the three least under "smaller distance
// first, between equal distances the later offered first": each new entry goes right after the
// last entry strictly nearer than it.
std::vector<NearestEntry> BruteForce(const std::vector<Vector3>& source, const Vector3& query) {
  std::vector<NearestEntry> list;
  for (std::size_t j = 0; j < source.size(); ++j) {
    const float dx = query.x - source[j].x;
    const float dy = query.y - source[j].y;
    const float dz = query.z - source[j].z;
    const float d = (dx * dx + dy * dy) + dz * dz;
    std::size_t place = list.size();
    while (place > 0 && !(list[place - 1].squaredDistance < d)) --place;
    if (place == 3) continue;
    list.insert(list.begin() + static_cast<std::ptrdiff_t>(place),
                NearestEntry{static_cast<int32_t>(j), d});
    if (list.size() > 3) list.pop_back();
  }
  return list;
}

bool SameList(const std::vector<NearestEntry>& a, const std::vector<NearestEntry>& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (a[i].sourceIndex != b[i].sourceIndex ||
        std::memcmp(&a[i].squaredDistance, &b[i].squaredDistance, sizeof(float)) != 0) {
      return false;
    }
  }
  return true;
}

// A coordinate: mostly from a small grid, so that distances tie, otherwise any float bits.
float Coordinate(FuzzedDataProvider& input) {
  const uint8_t kind = input.ConsumeIntegral<uint8_t>();
  if (kind < 192) return static_cast<float>(kind % 8) - 4.0f;
  if (kind < 224) return static_cast<float>(input.ConsumeIntegral<int8_t>()) * 0.125f;
  const uint32_t bits = input.ConsumeIntegral<uint32_t>();
  float value;
  std::memcpy(&value, &bits, sizeof value);
  return value;
}

Vector3 Point(FuzzedDataProvider& input) {
  const float x = Coordinate(input);
  const float y = Coordinate(input);
  const float z = Coordinate(input);
  return Vector3{x, y, z};
}

// The calling thread's floating-point state for one input, restored when it ends.
class FloatState {
 public:
  explicit FloatState(FuzzedDataProvider& input)
      : rounding_(std::fegetround()), csr_(_mm_getcsr()) {
    static const int kModes[] = {FE_TONEAREST, FE_UPWARD, FE_DOWNWARD, FE_TOWARDZERO};
    std::fesetround(kModes[input.ConsumeIntegralInRange<int>(0, 3)]);
    constexpr unsigned kFlushToZero = 0x8000;
    constexpr unsigned kDenormalsAreZero = 0x0040;
    unsigned csr = _mm_getcsr() & ~(kFlushToZero | kDenormalsAreZero);
    if (input.ConsumeBool()) csr |= kFlushToZero;
    if (input.ConsumeBool()) csr |= kDenormalsAreZero;
    _mm_setcsr(csr);
  }
  ~FloatState() {
    _mm_setcsr(csr_);
    std::fesetround(rounding_);
  }

 private:
  int rounding_;
  unsigned csr_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  FuzzedDataProvider input(data, size);
  const FloatState floatState(input);
  const unsigned threads = input.ConsumeIntegralInRange<unsigned>(1, 4);
  const std::size_t sourceCount = input.ConsumeIntegralInRange<std::size_t>(0, 400);
  const std::size_t queryCount = input.ConsumeIntegralInRange<std::size_t>(1, 64);
  std::vector<Vector3> sourcePositions;
  SourcePoints source;
  for (std::size_t j = 0; j < sourceCount && input.remaining_bytes() > 0; ++j) {
    sourcePositions.push_back(Point(input));
    source.Add(static_cast<int32_t>(j), sourcePositions.back());
  }
  std::vector<Vector3> queries;
  for (std::size_t q = 0; q < queryCount; ++q) queries.push_back(Point(input));

  const std::vector<NearestFound> found = FindNearestAll(source, queries, threads);
  const std::vector<NearestFound> alone = FindNearestAll(source, queries, 1);
  if (found.size() != queries.size() || alone.size() != queries.size()) std::abort();
  NearestList exhaustive;
  for (std::size_t q = 0; q < queries.size(); ++q) {
    const std::vector<NearestEntry> expected = BruteForce(sourcePositions, queries[q]);
    FindNearestExhaustive(source, queries[q], exhaustive);
    if (!SameList(found[q].ToList(), expected) || !SameList(alone[q].ToList(), expected) ||
        !SameList(exhaustive, expected)) {
      std::fprintf(stderr, "query %zu: the search differs from the brute force\n", q);
      std::abort();
    }
  }
  return 0;
}
