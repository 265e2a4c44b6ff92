// Text on the preview: object names in any script, Japanese included, drawn with stb_truetype from
// a font that has Japanese glyphs (on Linux the one fontconfig offers, such as Noto Sans CJK; on
// Windows one of the system's Japanese fonts).
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "preview/image.h"

namespace palisor_preview {

class TextPainter {
 public:
  // Loads the font; throws PreviewError, saying what to install, when there is none with Japanese
  // glyphs.
  TextPainter();
  ~TextPainter();
  TextPainter(const TextPainter&) = delete;
  TextPainter& operator=(const TextPainter&) = delete;

  // The font file in use.
  const std::string& fontPath() const { return fontPath_; }

  // The width in pixels of UTF-8 `text` at `pixelSize` (invalid bytes count as U+FFFD).
  int32_t Width(const std::string& text, int32_t pixelSize);
  // `text` cut at the end, with "…", to fit `maxWidth` pixels; unchanged when it fits.
  std::string Fit(const std::string& text, int32_t pixelSize, int32_t maxWidth);
  // Draws `text` with its baseline at `baselineY`, starting at `x`, blended over the picture.
  void Draw(Image& image, int32_t x, int32_t baselineY, const std::string& text, int32_t pixelSize,
            Rgb colour);

 private:
  struct Font;
  std::unique_ptr<Font> font_;
  std::string fontPath_;
};

}  // namespace palisor_preview
