// The bits of a 32-bit float, for tests that compare results bit for bit.
#pragma once

#include <cmath>
#include <cstdint>
#include <cstring>

inline uint32_t Bits(float value) {
  uint32_t bits = 0;
  std::memcpy(&bits, &value, sizeof bits);
  return bits;
}

// Whether two results agree: the same bits, or both NaN. Which NaN an operation on NaNs gives
// follows the order of its operands, which the compiler may choose for a commutative operation, so
// only that a result is NaN is the same in every build.
inline bool SameResult(float a, float b) {
  return Bits(a) == Bits(b) || (std::isnan(a) && std::isnan(b));
}
