// The rule that ranks the triangles a query meets: the smaller squared distance wins, and between
// equal squared distances the lower triangle index. Every search of the library decides through
// this one function, so that all of them agree to the bit.
#pragma once

#include <limits>

#include "surface/closest_point.h"

// No answer yet: every triangle comes before it. Its squared distance, +infinity, is the limit
// beyond which nothing can win while nothing was met.
inline SurfaceHit NoHitYet() {
  return SurfaceHit{-1,
                    kSurfaceNoFeature,
                    {0.0f, 0.0f, 0.0f},
                    {0.0f, 0.0f, 0.0f},
                    std::numeric_limits<float>::infinity()};
}

// Takes `candidate` (whose triangle is set and whose squared distance is not NaN) as `best` if it
// goes before it. The order is total over distinct triangles, so the winner does not depend on the
// order in which triangles are offered.
inline bool GoesBefore(float squaredDistance, int32_t triangle, const SurfaceHit& best) {
  return best.triangle < 0 || squaredDistance < best.squaredDistance ||
         (squaredDistance == best.squaredDistance && triangle < best.triangle);
}

inline void OfferHit(const SurfaceHit& candidate, SurfaceHit& best) {
  if (GoesBefore(candidate.squaredDistance, candidate.triangle, best)) best = candidate;
}

// The answer as handed out: with nothing met, the record of no answer, all numbers 0.
inline SurfaceHit FinalHit(const SurfaceHit& best) {
  if (best.triangle >= 0) return best;
  SurfaceHit none = NoHitYet();
  none.squaredDistance = 0.0f;
  return none;
}
