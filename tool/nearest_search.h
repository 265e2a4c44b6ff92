// The nearest Source points of many queries at once, with the exhaustive search's lists.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "tool/nearest_list.h"
#include "tool/source_points.h"

// A NearestList held in place: `count` entries, nearest first.
struct NearestFound {
  std::array<NearestEntry, kNearestCount> entries{};
  int32_t count = 0;

  NearestList ToList() const { return NearestList(entries.begin(), entries.begin() + count); }
};

// For every query, the list that FindNearestExhaustive gives, bit for bit. The points' indices
// must increase. Finite data go through a k-d tree; when a Source coordinate is not finite every
// query, and when a query coordinate is not finite that query, is answered by the exhaustive
// search. The queries are spread over up to `threadCount` threads (0: as many as the machine
// runs); only computation happens there, and the answers do not depend on the number of threads.
std::vector<NearestFound> FindNearestAll(const SourcePoints& source,
                                         const std::vector<MQPoint>& queries,
                                         unsigned threadCount = 0);
