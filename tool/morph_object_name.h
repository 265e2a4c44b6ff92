// The name a morph object gets: its target's name up to the first "-", then "-", then the
// Destination's name, so that the morph objects of a Destination follow the keynote naming rule.
#pragma once

#include <string>

// "elem:smile-face" carried over to "body" gives "elem:smile-body"; a target name without "-"
// is taken whole ("smile" gives "smile-body").
std::string MorphObjectName(const std::string& targetName, const std::string& destinationName);
