#include <windows.h>

#include <cstdlib>

#include "preview/font_candidates.h"

namespace palisor_preview {

namespace {

// Fonts with Japanese glyphs that Windows ships (Yu Gothic with every Windows 10 and 11, Meiryo
// and MS Gothic with the Japanese supplemental fonts), then Noto Sans CJK as a user installs it.
const char* const kJapaneseFontFiles[] = {
    "YuGothM.ttc",
    "YuGothR.ttc",
    "meiryo.ttc",
    "msgothic.ttc",
    "NotoSansCJK-Regular.ttc",
    "NotoSansCJKjp-Regular.otf",
};

// The system's fonts folder, and the one of fonts installed for this user alone.
std::vector<std::string> FontFolders() {
  std::vector<std::string> folders;
  char windows[MAX_PATH];
  const UINT length = GetWindowsDirectoryA(windows, MAX_PATH);
  if (length > 0 && length < MAX_PATH) folders.push_back(std::string(windows, length) + "\\Fonts");
  if (const char* local = std::getenv("LOCALAPPDATA")) {
    folders.push_back(std::string(local) + "\\Microsoft\\Windows\\Fonts");
  }
  return folders;
}

}  // namespace

std::vector<FontCandidate> JapaneseFontCandidates() {
  std::vector<FontCandidate> candidates;
  const std::vector<std::string> folders = FontFolders();
  for (const char* file : kJapaneseFontFiles) {
    for (const std::string& folder : folders) {
      candidates.push_back(FontCandidate{folder + "\\" + file, 0});
    }
  }
  return candidates;
}

std::string NoJapaneseFontAdvice() {
  return "the Windows fonts folders hold none of Yu Gothic, Meiryo, MS Gothic or Noto Sans CJK: "
         "add Windows' Japanese supplemental fonts (Settings, Optional features)";
}

}  // namespace palisor_preview
