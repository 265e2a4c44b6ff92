#include "scene/float_text.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace palisor_scene {

namespace {

// Plain decimal text: digits, a point, signs and an exponent mark, nothing strtof alone reads
// (hexadecimal numbers, infinities, not-a-numbers).
bool IsPlainDecimal(const char* begin, const char* end) {
  for (const char* c = begin; c < end; ++c) {
    if (!((*c >= '0' && *c <= '9') || *c == '.' || *c == '-' || *c == '+' || *c == 'e' ||
          *c == 'E')) {
      return false;
    }
  }
  return true;
}

}  // namespace

bool ParseFloat(const char* begin, const char* end, float& value) {
  if (begin == end) return false;
  // strtof skips leading blanks; a token never has any, so a leading blank is not a number.
  if (*begin == ' ' || *begin == '\t') return false;
  // Both conversions round correctly, so where from_chars takes the whole text and the value is
  // in range it gives strtof's bits, several times faster. Everything else goes to strtof.
  if (IsPlainDecimal(begin, end)) {
    const std::from_chars_result result = std::from_chars(begin, end, value);
    if (result.ec == std::errc() && result.ptr == end) return true;
  }
  char* stop = nullptr;
  value = std::strtof(begin, &stop);
  return stop == end;
}

std::size_t FormatFloat(float value, char* buffer) {
  if (std::isnan(value)) {
    // strtof reads "nan(0x...)" as a quiet not-a-number with that payload; text can only ever
    // yield quiet ones, so the payload below the quiet bit is all there is to keep.
    uint32_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    const uint32_t payload = bits & 0x3FFFFFu;
    const char* sign = (bits >> 31) != 0 ? "-" : "";
    const int length = payload != 0 ? std::snprintf(buffer, kFloatTextCapacity, "%snan(0x%x)", sign,
                                                    static_cast<unsigned>(payload))
                                    : std::snprintf(buffer, kFloatTextCapacity, "%snan", sign);
    return static_cast<std::size_t>(length);
  }
  const std::to_chars_result result = std::to_chars(buffer, buffer + kFloatTextCapacity, value);
  return static_cast<std::size_t>(result.ptr - buffer);
}

std::string FloatText(float value) {
  char buffer[kFloatTextCapacity];
  return std::string(buffer, FormatFloat(value, buffer));
}

}  // namespace palisor_scene
