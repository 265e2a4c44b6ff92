#include "surface_transfer/linear_map.h"

#include <cmath>

namespace {

// Newton's iteration for the polar factor halves a stretch far from 1 at every step and converges
// quadratically once near: from a map that stretches by a factor of a million it needs about 25
// steps, and then stays put.
constexpr int kRotationSteps = 28;

bool IsFinite(const LinearMap& map) {
  for (float entry : map.m) {
    if (!std::isfinite(entry)) return false;
  }
  return true;
}

}  // namespace

LinearMap Cofactors(const LinearMap& map) {
  const float* m = map.m;
  return LinearMap{{m[4] * m[8] - m[5] * m[7], m[5] * m[6] - m[3] * m[8], m[3] * m[7] - m[4] * m[6],
                    m[2] * m[7] - m[1] * m[8], m[0] * m[8] - m[2] * m[6], m[1] * m[6] - m[0] * m[7],
                    m[1] * m[5] - m[2] * m[4], m[2] * m[3] - m[0] * m[5],
                    m[0] * m[4] - m[1] * m[3]}};
}

float Determinant(const LinearMap& map, const LinearMap& cofactors) {
  return (map.m[0] * cofactors.m[0] + map.m[1] * cofactors.m[1]) + map.m[2] * cofactors.m[2];
}

bool Inverse(const LinearMap& map, LinearMap* inverse) {
  const LinearMap cofactors = Cofactors(map);
  const float determinant = Determinant(map, cofactors);
  if (determinant == 0.0f || !std::isfinite(determinant)) return false;
  for (int row = 0; row < 3; ++row) {
    for (int column = 0; column < 3; ++column) {
      inverse->m[3 * row + column] = cofactors.m[3 * column + row] / determinant;
    }
  }
  return IsFinite(*inverse);
}

// Each step replaces R by the mean of R and its inverse transpose (its cofactors over its
// determinant); a map of positive determinant keeps a positive one all the way.
LinearMap NearestRotation(const LinearMap& map) {
  if (!IsFinite(map)) return IdentityMap();
  LinearMap rotation = map;
  for (int step = 0; step < kRotationSteps; ++step) {
    const LinearMap cofactors = Cofactors(rotation);
    const float determinant = Determinant(rotation, cofactors);
    if (!(determinant > 0.0f) || !std::isfinite(determinant)) return IdentityMap();
    for (int k = 0; k < 9; ++k) {
      rotation.m[k] = (rotation.m[k] + cofactors.m[k] / determinant) * 0.5f;
    }
  }
  return IsFinite(rotation) ? rotation : IdentityMap();
}
