#include <fontconfig/fontconfig.h>

#include "preview/font_candidates.h"

namespace palisor_preview {

namespace {

// Where Debian's fonts-noto-cjk puts its fonts, for a system whose fontconfig cannot say.
const char* const kKnownFontPaths[] = {
    "/usr/share/fonts/opentype/noto/NotoSansCJK-Regular.ttc",
    "/usr/share/fonts/opentype/noto/NotoSansCJK-Medium.ttc",
    "/usr/share/fonts/opentype/noto/NotoSerifCJK-Regular.ttc",
};

// The file and face index of the font fontconfig prefers for Japanese sans-serif text.
bool AskFontconfig(FontCandidate& candidate) {
  // A configuration of its own, destroyed afterwards, so that nothing of fontconfig's stays.
  FcConfig* config = FcInitLoadConfigAndFonts();
  if (config == nullptr) return false;
  FcPattern* pattern = FcNameParse(reinterpret_cast<const FcChar8*>("sans-serif:lang=ja"));
  FcPattern* match = nullptr;
  if (pattern != nullptr) {
    FcConfigSubstitute(config, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    match = FcFontMatch(config, pattern, &result);
    FcPatternDestroy(pattern);
  }
  FcChar8* file = nullptr;
  const bool found = match != nullptr &&
                     FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch &&
                     file != nullptr;
  if (found) {
    candidate.path = reinterpret_cast<const char*>(file);
    if (FcPatternGetInteger(match, FC_INDEX, 0, &candidate.index) != FcResultMatch) {
      candidate.index = 0;
    }
  }
  if (match != nullptr) FcPatternDestroy(match);
  FcConfigDestroy(config);
  return found;
}

}  // namespace

std::vector<FontCandidate> JapaneseFontCandidates() {
  std::vector<FontCandidate> candidates;
  FontCandidate chosen;
  if (AskFontconfig(chosen)) candidates.push_back(chosen);
  for (const char* known : kKnownFontPaths) candidates.push_back(FontCandidate{known, 0});
  return candidates;
}

std::string NoJapaneseFontAdvice() {
  return "fontconfig offers none, and /usr/share/fonts/opentype/noto/NotoSansCJK-Regular.ttc is "
         "missing: install the Debian package fonts-noto-cjk";
}

}  // namespace palisor_preview
