// Object names between the scene file and the dialog. Names in a scene file are UTF-8 bytes; the
// dialog shows them in UTF-16, converted under the process's character locale, which the command
// line makes a UTF-8 one before the plug-in runs.
#pragma once

#include <optional>
#include <string>

namespace palisor_run {

// Makes the user's default character locale, which the plug-in's dialog adopts, a UTF-8 one:
// when the environment names a locale of another encoding, it is overridden with C.UTF-8.
void UseUtf8ForObjectNames();

// The UTF-16 text of UTF-8 bytes; nothing when they are not valid UTF-8 (as strict as the C
// library under a UTF-8 locale: no overlong forms, no surrogates, nothing above U+10FFFF).
std::optional<std::u16string> Utf8ToUtf16(const std::string& text);

}  // namespace palisor_run
