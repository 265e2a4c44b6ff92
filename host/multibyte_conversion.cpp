#include "host/multibyte_conversion.h"

#include <clocale>
#include <cstdlib>
#include <cstring>
#include <cwchar>

namespace mq {

bool UseUserDefaultCharacterLocale() {
  return std::setlocale(LC_CTYPE, "") != nullptr;
}

namespace {

#ifdef _WIN32

static_assert(sizeof(wchar_t) == sizeof(char16_t), "wchar_t is a UTF-16 unit on Windows");

int ConvertText(std::size_t* unitsWritten, char16_t* buffer, std::size_t bufferUnits,
                const char* text) {
  std::size_t written = 0;
  const errno_t result =
      mbstowcs_s(&written, reinterpret_cast<wchar_t*>(buffer), bufferUnits, text, _TRUNCATE);
  // Wine's runtime reports invalid text only through a count of (size_t)-1 with a result of 0.
  if (result == kInvalidText || (result == kConverted && written > bufferUnits)) {
    return kInvalidText;
  }
  if (result != kConverted && result != kTruncated) return result;
  *unitsWritten = written;
  return result;
}

#else

constexpr char32_t kLastCodePoint = 0x10FFFF;
constexpr char32_t kFirstSurrogate = 0xD800;
constexpr char32_t kFirstLowSurrogate = 0xDC00;
constexpr char32_t kLastSurrogate = 0xDFFF;
constexpr char32_t kFirstSupplementary = 0x10000;

// mbstowcs_s's contract on top of mbrtowc, writing UTF-16.
int ConvertText(std::size_t* unitsWritten, char16_t* buffer, std::size_t bufferUnits,
                const char* text) {
  std::mbstate_t state{};
  std::size_t remaining = std::strlen(text);
  std::size_t used = 0;
  while (remaining > 0) {
    wchar_t wide = 0;
    const std::size_t length = std::mbrtowc(&wide, text, remaining, &state);
    // Invalid bytes, or a character cut off by the end of the text.
    if (length == static_cast<std::size_t>(-1) || length == static_cast<std::size_t>(-2)) {
      return kInvalidText;
    }
    const auto code = static_cast<char32_t>(wide);
    if (code > kLastCodePoint || (code >= kFirstSurrogate && code <= kLastSurrogate)) {
      return kInvalidText;
    }
    const std::size_t units = code >= kFirstSupplementary ? 2 : 1;
    if (used + units + 1 > bufferUnits) {
      buffer[used] = u'\0';
      *unitsWritten = used + 1;
      return kTruncated;
    }
    if (units == 2) {
      const char32_t offset = code - kFirstSupplementary;
      buffer[used++] = static_cast<char16_t>(kFirstSurrogate + (offset >> 10));
      buffer[used++] = static_cast<char16_t>(kFirstLowSurrogate + (offset & 0x3FF));
    } else {
      buffer[used++] = static_cast<char16_t>(code);
    }
    text += length;
    remaining -= length;
  }
  buffer[used] = u'\0';
  *unitsWritten = used + 1;
  return kConverted;
}

#endif

}  // namespace

int MultibyteToUtf16(std::size_t* unitsWritten, char16_t* buffer, std::size_t bufferUnits,
                     const char* text) {
  std::size_t written = 0;
  if (unitsWritten != nullptr) *unitsWritten = 0;
  // Checked here, so that no runtime's handler for invalid arguments ever runs inside the host.
  if (buffer == nullptr || bufferUnits == 0) return kInvalidArgument;
  buffer[0] = u'\0';
  if (text == nullptr) return kInvalidArgument;

  const int result = ConvertText(&written, buffer, bufferUnits, text);
  if (result != kConverted && result != kTruncated) {
    buffer[0] = u'\0';
    return result;
  }
  if (unitsWritten != nullptr) *unitsWritten = written;
  return result;
}

}  // namespace mq
