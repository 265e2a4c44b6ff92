#include "batch/batch_selection.h"

#include <cstddef>

namespace palisor_batch {

namespace {

// Whether `c` is in the set that starts after the "[" at `at`; moves `at` past its "]". Returns
// false with `at` unchanged where the "[" opens no set (it then stands for itself).
bool MatchSet(const std::string& pattern, std::size_t& at, char c, bool& inSet) {
  std::size_t i = at + 1;
  const bool negated = i < pattern.size() && pattern[i] == '!';
  if (negated) ++i;
  const std::size_t first = i;
  bool found = false;
  for (; i < pattern.size() && (pattern[i] != ']' || i == first); ++i) {
    if (i + 2 < pattern.size() && pattern[i + 1] == '-' && pattern[i + 2] != ']') {
      found = found || (pattern[i] <= c && c <= pattern[i + 2]);
      i += 2;
    } else {
      found = found || pattern[i] == c;
    }
  }
  if (i >= pattern.size()) return false;
  at = i + 1;
  inSet = found != negated;
  return true;
}

bool MatchFrom(const std::string& pattern, std::size_t p, const std::string& name, std::size_t n) {
  while (p < pattern.size()) {
    if (pattern[p] == '*') {
      for (std::size_t rest = n; rest <= name.size(); ++rest) {
        if (MatchFrom(pattern, p + 1, name, rest)) return true;
      }
      return false;
    }
    if (n >= name.size()) return false;
    bool inSet = false;
    if (pattern[p] == '[' && MatchSet(pattern, p, name[n], inSet)) {
      if (!inSet) return false;
    } else if (pattern[p] == '?' || pattern[p] == name[n]) {
      ++p;
    } else {
      return false;
    }
    ++n;
  }
  return n == name.size();
}

}  // namespace

bool HasPatternCharacters(const std::string& text) {
  return text.find_first_of("*?[") != std::string::npos;
}

bool MatchesPattern(const std::string& pattern, const std::string& name) {
  return MatchFrom(pattern, 0, name, 0);
}

void ExpandSelections(const std::vector<palisor_scene::Scene*>& scenes,
                      const palisor_scene::Scene& fileScene, bool allMeshes,
                      std::vector<std::string>& selectNames) {
  std::vector<std::string> names;
  for (const std::string& pattern : selectNames) {
    const std::size_t before = names.size();
    if (HasPatternCharacters(pattern)) {
      for (const palisor_scene::Scene* scene : scenes) {
        for (const auto& object : scene->objects) {
          if (MatchesPattern(pattern, object.name)) names.push_back(object.name);
        }
      }
    }
    if (names.size() == before) names.push_back(pattern);
  }
  selectNames = names;
  if (allMeshes) {
    for (const auto& object : fileScene.objects) selectNames.push_back(object.name);
  }
}

}  // namespace palisor_batch
