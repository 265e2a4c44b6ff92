// Object names arrive in the host's multibyte encoding (the user's code page on Windows, the
// locale's character set elsewhere); widgets show UTF-16. These two calls are the C runtime's
// services for that, the same on every platform:
//
//   UseUserDefaultCharacterLocale()  setlocale(LC_CTYPE, ""): the character-type category of the
//                                    process follows the user's default locale from then on.
//   MultibyteToUtf16(...)            mbstowcs_s(..., _TRUNCATE) writing UTF-16 under that
//                                    category.
//
// On Windows they call the runtime's own setlocale and mbstowcs_s (wchar_t is a UTF-16 unit
// there). Elsewhere MultibyteToUtf16 is a replacement with the same contract built on mbrtowc;
// characters above U+FFFF become surrogate pairs.
#pragma once

#include <cerrno>
#include <cstddef>

namespace mq {

// Sets the process's character-type locale category to the user's default locale. Affects every
// later multibyte conversion in the process; never undone here. False when the runtime refuses
// (the category is then left as it was).
bool UseUserDefaultCharacterLocale();

// Results of MultibyteToUtf16, with the values mbstowcs_s gives them.
constexpr int kConverted = 0;
// The text did not fit; the buffer holds the longest whole-character prefix that fits, with its
// terminator.
constexpr int kTruncated = 80;  // STRUNCATE
// The text is not valid multibyte text in the current locale; the buffer holds an empty string.
constexpr int kInvalidText = EILSEQ;
// A null buffer, a buffer size of 0 or a null text; an empty string is written when there is room.
constexpr int kInvalidArgument = EINVAL;

// Converts the null-terminated multibyte `text` to UTF-16 in `buffer` of `bufferUnits` units,
// under the process's current character-type locale, in truncating mode: converts up to the first
// null byte, as much as fits while leaving room for the terminator, and always terminates the
// buffer (when it has room at all); never writes beyond `bufferUnits`. `unitsWritten` (may be
// null) receives the units written including the terminator, or 0 after an error.
//
// Returns kConverted, kTruncated, kInvalidText or kInvalidArgument. Only kConverted
// means the whole text reached the buffer; a buffer of 2 * strlen(text) + 1 units always holds the
// whole text.
int MultibyteToUtf16(std::size_t* unitsWritten, char16_t* buffer, std::size_t bufferUnits,
                     const char* text);

}  // namespace mq
