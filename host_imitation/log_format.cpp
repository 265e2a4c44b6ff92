#include "host_imitation/log_format.h"

#include <cstdio>

#include "host_imitation/host_document.h"
#include "host_imitation/host_object.h"

namespace host_imitation {

std::string DescribeDocument(MQDocument document) {
  auto* known = reinterpret_cast<HostDocument*>(document);
  if (known == nullptr) return "null";
  if (known->magic != HostDocument::kMagic) return "?";
  return "doc" + std::to_string(known->serial);
}

std::string DescribeObject(MQObject object) {
  auto* known = reinterpret_cast<HostObject*>(object);
  if (known == nullptr) return "null";
  if (known->magic != HostObject::kMagic) return "?";
  return "obj" + std::to_string(known->serial);
}

std::string DescribePoint(const MQPoint* point) {
  if (point == nullptr) return "null";
  char text[96];
  std::snprintf(text, sizeof text, "(%.9g, %.9g, %.9g)", static_cast<double>(point->x),
                static_cast<double>(point->y), static_cast<double>(point->z));
  return text;
}

std::string DescribeHex(uint32_t value) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(value));
  return text;
}

std::string DescribeText(const char* text) {
  return text != nullptr ? text : "null";
}

std::string ToUtf8(const std::u16string& text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    uint32_t code = text[i];
    if (code >= 0xD800 && code < 0xDC00 && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
        text[i + 1] < 0xE000) {
      code = 0x10000 + ((code - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      ++i;
    } else if (code >= 0xD800 && code < 0xE000) {
      code = 0xFFFD;  // an unpaired surrogate
    }
    if (code < 0x80) {
      out += static_cast<char>(code);
    } else if (code < 0x800) {
      out += static_cast<char>(0xC0 | (code >> 6));
      out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
      out += static_cast<char>(0xE0 | (code >> 12));
      out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | (code >> 18));
      out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
      out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (code & 0x3F));
    }
  }
  return out;
}

std::string DescribeText(const char16_t* text) {
  return text != nullptr ? ToUtf8(std::u16string(text)) : "null";
}

}  // namespace host_imitation
