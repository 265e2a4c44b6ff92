// The Source vertices a Destination vertex takes its motion from.
#pragma once

#include <cstdint>
#include <unordered_map>
#include <vector>

struct NearestEntry {
  int32_t sourceIndex = 0;
  float squaredDistance = 0.0f;
};

// At most three entries, nearest first; between equal distances the higher Source index first.
using NearestList = std::vector<NearestEntry>;

// Destination vertex index -> its nearest Source vertices, for one Destination at a time.
using CorrespondenceMap = std::unordered_map<int32_t, NearestList>;
