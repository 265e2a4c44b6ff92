#include "tool/multibyte_to_wide.h"

#include <clocale>

void SetUserCharacterLocale() {
  std::setlocale(LC_CTYPE, "");
}

std::u16string MultibyteToWide(const std::string& text) {
  std::u16string wide;
  for (unsigned char byte : text) wide += static_cast<char16_t>(byte);
  return wide;
}
