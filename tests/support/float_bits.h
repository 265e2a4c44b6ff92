// The bits of a 32-bit float, for tests that compare results bit for bit.
#pragma once

#include <cstdint>
#include <cstring>

inline uint32_t Bits(float value) {
  uint32_t bits = 0;
  std::memcpy(&bits, &value, sizeof bits);
  return bits;
}
