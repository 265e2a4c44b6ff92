// Object names are narrow strings in the host's multibyte encoding; the dialog shows UTF-16.
#pragma once

#include <string>

// The UTF-16 form of `text` under the process's character-type locale, or "invalid" when the
// text is not valid multibyte text there. Converts up to the first null byte.
std::u16string MultibyteToWide(const std::string& text);
