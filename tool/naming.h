// Names of objects as the tool reads and gives them: the keynote element-naming rule by which
// targets are listed, the name a morph object gets, and looking a name up in a document.
#pragma once

#include <cstdint>
#include <string>

#include "host/host_api.h"

// The keynote rule: a morph target of a base named "face" (or "head:face-01") is named
// "elem:<morph>-face".
//
// The key that the targets of an object of this name carry: the name after its first ":", cut
// before its first "-" when at least two bytes stand before that "-".
std::string KeynoteKey(const std::string& name);

// Whether `name` starts with "elem:", holds a "-", and its text after the first "-" is `key`.
bool MatchesKeynote(const std::string& key, const std::string& name);

// The name a morph object gets: its target's name up to the first "-", then "-", then the
// Destination's name, so that the morph objects of a Destination follow the keynote rule.
// "elem:smile-face" carried over to "body" gives "elem:smile-body"; a target name without "-"
// is taken whole ("smile" gives "smile-body").
std::string MorphObjectName(const std::string& targetName, const std::string& destinationName);

// The index of the first valid object, in object order from index `from` on, whose name equals
// `name` byte for byte and in length; -1 when there is none. A name as long as the host cuts names
// to, or longer, is never found: the host does not hand over enough of a name to tell that it is
// the same.
int32_t FindObjectByName(MQDocument document, const std::string& name, int32_t from = 0);
