// Patterns of file and object names for runs over many files: "*" any run of characters, "?" any
// one, "[abc]" and "[a-z]" one of a set ("[!a]" one not in it); every other character itself.
#pragma once

#include <string>
#include <vector>

#include "scene/scene.h"

namespace palisor_batch {

bool HasPatternCharacters(const std::string& text);
bool MatchesPattern(const std::string& pattern, const std::string& name);

// Before the selection is made: replaces each name of `selectNames` that is a pattern by the names
// of the objects of `scenes` it matches (a pattern matching none stays, so that it is reported as
// a name no object bears); with `allMeshes`, adds every object of `fileScene`.
void ExpandSelections(const std::vector<palisor_scene::Scene*>& scenes,
                      const palisor_scene::Scene& fileScene, bool allMeshes,
                      std::vector<std::string>& selectNames);

}  // namespace palisor_batch
