// The keynote element-naming rule: a morph target of a base named "face" (or "head:face-01") is
// named "elem:<morph>-face".
#pragma once

#include <string>

// The key that the targets of an object of this name carry: the name after its first ":", cut
// before its first "-" when at least two bytes stand before that "-".
std::string KeynoteKey(const std::string& name);

// Whether `name` starts with "elem:", holds a "-", and its text after the first "-" is `key`.
bool MatchesKeynote(const std::string& key, const std::string& name);
