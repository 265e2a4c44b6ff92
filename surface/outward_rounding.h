// Rounding a double to a float on a chosen side, with room to spare: for the bounds of the
// tree's boxes, which must hold the exact coordinates of every point inside, whatever rounding
// the double computation that led to them took.
#pragma once

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>

// The room left on either side: 2^-40 of the magnitude the value was computed from (well beyond
// the few double roundings of a sum of three products), and 2^-140 beside (below any float that
// is not zero, so that tiny values keep their sign).
constexpr double kOutwardRoom = 0x1p-40;
constexpr double kOutwardTinyRoom = 0x1p-140;

// The float next to `value` (finite) towards `direction` (+1 or -1), by its bits.
inline float NextFloat(float value, int direction) {
  if (value == 0.0f)
    return direction > 0 ? std::numeric_limits<float>::denorm_min()
                         : -std::numeric_limits<float>::denorm_min();
  uint32_t bits = 0;
  std::memcpy(&bits, &value, sizeof bits);
  // Away from zero the magnitude's bits go up, towards zero down.
  if ((value > 0.0f) == (direction > 0)) {
    ++bits;
  } else {
    --bits;
  }
  std::memcpy(&value, &bits, sizeof bits);
  return value;
}

// A float at or below value - room, where room is the margin above for `magnitude`; -infinity
// beyond float range.
inline float FloatBelow(double value, double magnitude) {
  const double target = value - (kOutwardRoom * magnitude + kOutwardTinyRoom);
  float rounded = static_cast<float>(target);
  if (std::isfinite(rounded) && static_cast<double>(rounded) > target)
    rounded = NextFloat(rounded, -1);
  return rounded;
}

// A float at or above value + room; +infinity beyond float range.
inline float FloatAbove(double value, double magnitude) {
  const double target = value + (kOutwardRoom * magnitude + kOutwardTinyRoom);
  float rounded = static_cast<float>(target);
  if (std::isfinite(rounded) && static_cast<double>(rounded) < target)
    rounded = NextFloat(rounded, 1);
  return rounded;
}
