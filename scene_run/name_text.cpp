#include "scene_run/name_text.h"

#include <clocale>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#ifndef _WIN32
#include <langinfo.h>
#endif

namespace palisor_run {

void UseUtf8ForObjectNames() {
#ifndef _WIN32
  const char* chosen = std::setlocale(LC_CTYPE, "");
  const bool isUtf8 = chosen != nullptr && std::strcmp(nl_langinfo(CODESET), "UTF-8") == 0;
  if (!isUtf8 && std::setlocale(LC_CTYPE, "C.UTF-8") != nullptr) {
    // LC_ALL outranks every other locale variable when the plug-in asks for the user's default.
    setenv("LC_ALL", "C.UTF-8", 1);
  }
  std::setlocale(LC_CTYPE, "C");
#endif
}

std::optional<std::u16string> Utf8ToUtf16(const std::string& text) {
  std::u16string result;
  result.reserve(text.size());
  const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
  const std::size_t size = text.size();
  for (std::size_t i = 0; i < size;) {
    const unsigned char lead = bytes[i];
    char32_t code = 0;
    std::size_t length = 0;
    char32_t least = 0;
    if (lead < 0x80) {
      code = lead;
      length = 1;
    } else if (lead >= 0xC2 && lead <= 0xDF) {
      code = lead & 0x1Fu;
      length = 2;
      least = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
      code = lead & 0x0Fu;
      length = 3;
      least = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
      code = lead & 0x07u;
      length = 4;
      least = 0x10000;
    } else {
      return std::nullopt;
    }
    if (i + length > size) return std::nullopt;
    for (std::size_t k = 1; k < length; ++k) {
      if ((bytes[i + k] & 0xC0u) != 0x80u) return std::nullopt;
      code = (code << 6) | (bytes[i + k] & 0x3Fu);
    }
    if (code < least || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) {
      return std::nullopt;
    }
    if (code >= 0x10000) {
      const char32_t offset = code - 0x10000;
      result += static_cast<char16_t>(0xD800 + (offset >> 10));
      result += static_cast<char16_t>(0xDC00 + (offset & 0x3FF));
    } else {
      result += static_cast<char16_t>(code);
    }
    i += length;
  }
  return result;
}

}  // namespace palisor_run
