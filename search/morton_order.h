// An order of points along a Morton (Z-order) curve, so that points visited one after another lie
// close together and a search over them finds its data still in the cache.
#pragma once

#include <cstdint>
#include <vector>

#include "search/nearest_search.h"

// The indices 0 .. points.size()-1: the finite points along the curve over the cube that holds
// their bounding box, then the points with a non-finite coordinate in increasing index.
std::vector<int32_t> MortonOrder(const std::vector<Vector3>& points);
