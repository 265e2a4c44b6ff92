// Position arithmetic that stays finite: a sum or difference of finite floats beyond the float
// range becomes the largest finite float of its sign, the nearest a 32-bit position can come to
// it. Every result within the range is the plain float sum or difference, bit for bit.
#pragma once

#include <cmath>
#include <limits>

#include "host/host_api.h"

inline float Saturated(float value) {
  if (!std::isinf(value)) return value;
  return std::copysign(std::numeric_limits<float>::max(), value);
}

// a - b componentwise.
inline MQPoint SaturatedDifference(const MQPoint& a, const MQPoint& b) {
  return MQPoint{Saturated(a.x - b.x), Saturated(a.y - b.y), Saturated(a.z - b.z)};
}

// a + b componentwise.
inline MQPoint SaturatedSum(const MQPoint& a, const MQPoint& b) {
  return MQPoint{Saturated(a.x + b.x), Saturated(a.y + b.y), Saturated(a.z + b.z)};
}
