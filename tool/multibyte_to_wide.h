// Object names are narrow strings in the host's multibyte encoding; the dialog shows UTF-16.
#pragma once

#include <string>

// Makes the C library's character-type conversions follow the user's default locale.
void SetUserCharacterLocale();

// The UTF-16 form of `text` under the current character-type locale, or "invalid" when the text
// is not valid multibyte text there.
std::u16string MultibyteToWide(const std::string& text);
