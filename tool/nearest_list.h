// The Source vertices a Destination vertex takes its motion from, and the one routine that ranks
// them. Every search for nearest Source vertices ranks its candidates through InsertNearest, so
// that all searches agree to the bit.
#pragma once

#include <cstdint>
#include <unordered_map>
#include <vector>

#include "host/host_api.h"

struct NearestEntry {
  int32_t sourceIndex = 0;
  float squaredDistance = 0.0f;
};

// At most three entries, nearest first; between equal distances the higher Source index first.
using NearestList = std::vector<NearestEntry>;

// Destination vertex index -> its nearest Source vertices, for one Destination at a time.
using CorrespondenceMap = std::unordered_map<int32_t, NearestList>;

constexpr std::size_t kNearestCount = 3;

// (dx*dx + dy*dy) + dz*dz in 32-bit floats, the x and y terms added first.
inline float SquaredDistance(const MQPoint& a, const MQPoint& b) {
  const float dx = a.x - b.x;
  const float dy = a.y - b.y;
  const float dz = a.z - b.z;
  return (dx * dx + dy * dy) + dz * dz;
}

// Offers Source vertex `sourceIndex` at `squaredDistance` to the list. The new entry goes
// directly after the last entry that is strictly nearer, so it stands before entries of equal
// distance; a full list whose three entries are all strictly nearer stays as it is, and a list
// that grows to four drops its last entry. Offered in increasing index order, equal distances thus
// rank the higher index first and the higher index wins the third place.
void InsertNearest(NearestList& list, int32_t sourceIndex, float squaredDistance);
