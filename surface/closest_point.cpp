#include "surface/closest_point.h"

#include <limits>
#include <new>
#include <stdexcept>
#include <vector>

#include "parallel/parallel_chunks.h"
#include "surface/hit_order.h"
#include "surface/mesh_triangles.h"
#include "surface/query_order.h"
#include "surface/triangle_tree.h"

namespace {

// Below this many queries a thread costs more than it saves.
constexpr std::size_t kQueriesPerThread = 2048;

constexpr std::size_t kLargestCount = static_cast<std::size_t>(std::numeric_limits<int32_t>::max());

// The first triangle with a corner out of range, or -1.
int32_t FirstOutOfRange(const uint32_t* corners, std::size_t triangleCount,
                        std::size_t vertexCount) {
  for (std::size_t triangle = 0; triangle < triangleCount; ++triangle) {
    if (!CornersInRange(corners, triangle, vertexCount)) return static_cast<int32_t>(triangle);
  }
  return -1;
}

}  // namespace

ClosestPointSearch::ClosestPointSearch() = default;
ClosestPointSearch::~ClosestPointSearch() = default;
ClosestPointSearch::ClosestPointSearch(ClosestPointSearch&&) noexcept = default;
ClosestPointSearch& ClosestPointSearch::operator=(ClosestPointSearch&&) noexcept = default;

SurfaceStatus ClosestPointSearch::Build(const float* positions, std::size_t vertexCount,
                                        const uint32_t* corners, std::size_t triangleCount,
                                        unsigned threadCount, int32_t* refusedTriangle) {
  tree_.reset();
  if (refusedTriangle != nullptr) *refusedTriangle = -1;
  if (vertexCount > kLargestCount || triangleCount > kLargestCount) return kSurfaceTooLarge;
  const int32_t outOfRange = FirstOutOfRange(corners, triangleCount, vertexCount);
  if (outOfRange >= 0) {
    if (refusedTriangle != nullptr) *refusedTriangle = outOfRange;
    return kSurfaceCornerOutOfRange;
  }
  threadCount = ThreadsFor(threadCount);
  try {
    tree_ = std::make_unique<TriangleTree>(positions, corners, triangleCount, threadCount);
  } catch (const std::bad_alloc&) {
    return kSurfaceOutOfMemory;
  } catch (const std::length_error&) {
    return kSurfaceOutOfMemory;
  }
  return kSurfaceOk;
}

SurfaceStatus ClosestPointSearch::Build(const float* positions, std::size_t vertexCount,
                                        const int32_t* corners, std::size_t triangleCount,
                                        unsigned threadCount, int32_t* refusedTriangle) {
  // Signed and unsigned variants of a type may be read through one another; a negative index
  // reads as 2^31 or more, beyond any vertex count accepted.
  return Build(positions, vertexCount, reinterpret_cast<const uint32_t*>(corners), triangleCount,
               threadCount, refusedTriangle);
}

SurfaceHit ClosestPointSearch::FindClosest(const float* query) const {
  const Vector3 point = Vector3At(query);
  if (!tree_ || !IsFinite(point)) return FinalHit(NoHitYet());
  int32_t warm = -1;
  return tree_->FindClosest(point, warm);
}

SurfaceStatus ClosestPointSearch::FindClosest(const float* queries, std::size_t queryCount,
                                              SurfaceHit* hits, unsigned threadCount) const {
  for (std::size_t k = 0; k < queryCount; ++k) hits[k] = FinalHit(NoHitYet());
  if (!tree_ || queryCount == 0) return kSurfaceOk;
  threadCount = ThreadsFor(threadCount);
  try {
    const std::vector<int32_t> order = FiniteQueriesInCurveOrder(queries, queryCount);
    RunInChunks(order.size(), threadCount, kQueriesPerThread,
                [&](std::size_t begin, std::size_t end) {
                  int32_t warm = -1;
                  for (std::size_t k = begin; k < end; ++k) {
                    const auto query = static_cast<std::size_t>(order[k]);
                    hits[query] = tree_->FindClosest(Vector3At(queries + 3 * query), warm);
                  }
                });
  } catch (const std::bad_alloc&) {
    return kSurfaceOutOfMemory;
  }
  return kSurfaceOk;
}

std::size_t ClosestPointSearch::TriangleCount() const {
  return tree_ ? tree_->size() : 0;
}

SurfaceHit FindClosestExhaustive(const float* positions, std::size_t vertexCount,
                                 const uint32_t* corners, std::size_t triangleCount,
                                 const float* query) {
  SurfaceHit best = NoHitYet();
  const Vector3 point = Vector3At(query);
  if (!IsFinite(point)) return FinalHit(best);
  for (std::size_t triangle = 0; triangle < triangleCount; ++triangle) {
    if (!CornersInRange(corners, triangle, vertexCount)) continue;
    const TriangleCorners triangleCorners = CornersOf(positions, corners, triangle);
    if (!TakesPart(triangleCorners)) continue;
    SurfaceHit hit = ClosestPointOnTriangle(point, triangleCorners);
    hit.triangle = static_cast<int32_t>(triangle);
    OfferHit(hit, best);
  }
  return FinalHit(best);
}
