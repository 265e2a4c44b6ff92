#include "tool/multibyte_to_wide.h"

#include <memory>

#include "host/multibyte_conversion.h"

std::u16string MultibyteToWide(const std::string& text) {
  // Every byte yields at most two UTF-16 units, so this buffer always holds the whole text.
  const std::size_t bufferUnits = 2 * text.size() + 1;
  std::unique_ptr<char16_t[]> buffer(new char16_t[bufferUnits]);
  if (mq::MultibyteToUtf16(nullptr, buffer.get(), bufferUnits, text.c_str()) != mq::kConverted) {
    return u"invalid";
  }
  return std::u16string(buffer.get());
}
