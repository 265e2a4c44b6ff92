// A fan of thin triangles over a tilted unit disc: one corner at the centre, the others around the
// rim, so that every triangle is a sliver as long as the radius and 2 pi / count wide at the rim,
// and the triangles' bounding boxes overlap wherever the fan is not along an axis. Queries lie
// just off the fan, over points spread evenly across it, and the exact squared distance of each
// is known, to measure how far from it a search's answer lies.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

struct SliverFan {
  std::vector<float> positions;
  std::vector<uint32_t> corners;
  std::vector<float> queries;
  // For each query, the exact squared distance to the fan (in long double, from the triangles
  // around the one it lies over).
  std::vector<long double> exactSquaredDistances;
};

// `triangleCount` slivers, and as many queries at heights of 2 to 6 * 10^-5 over the fan.
SliverFan MakeSliverFan(std::size_t triangleCount);

// How many units in the last place of the float nearest `exact` lie between `found` and `exact`.
double UlpsApart(long double found, long double exact);
