// An order of queries along a Morton (Z-order) curve, so that queries answered one after another
// lie close together: the tree's data they read is still in the cache, and the answer of one is a
// good first guess for the next.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// The indices of the queries at queries[3k .. 3k+2] whose coordinates are all finite, along the
// curve over the cube that holds their bounding box; equal cells keep increasing index.
std::vector<int32_t> FiniteQueriesInCurveOrder(const float* queries, std::size_t queryCount);
