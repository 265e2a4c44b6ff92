// Where the preview may find a font with Japanese glyphs for object names: the system's own
// choice first, then the usual places, in order of preference.
#pragma once

#include <string>
#include <vector>

namespace palisor_preview {

struct FontCandidate {
  std::string path;
  // The face within a font collection (.ttc); 0 for a single font.
  int index = 0;
};

std::vector<FontCandidate> JapaneseFontCandidates();

// What to tell a user on whose system no candidate has Japanese glyphs.
std::string NoJapaneseFontAdvice();

}  // namespace palisor_preview
