#include "preview/text.h"

#include <stb/stb_truetype.h>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdio>
#include <vector>

#include "preview/font_candidates.h"
#include "preview/preview_error.h"

namespace palisor_preview {

namespace {

constexpr char32_t kReplacement = 0xFFFD;
constexpr char32_t kEllipsis = 0x2026;
// A kana that any font with Japanese glyphs has.
constexpr char32_t kJapaneseProbe = 0x3042;

// The character of UTF-8 `text` that starts at byte `i`, moving `i` past it; an invalid byte
// counts as U+FFFD on its own.
char32_t NextCharacter(const std::string& text, std::size_t& i) {
  const auto lead = static_cast<unsigned char>(text[i]);
  const int length = lead < 0x80           ? 1
                     : (lead >> 5) == 0x6  ? 2
                     : (lead >> 4) == 0xE  ? 3
                     : (lead >> 3) == 0x1E ? 4
                                           : 0;
  char32_t code = length == 1   ? lead
                  : length == 2 ? (lead & 0x1F)
                  : length == 3 ? (lead & 0x0F)
                                : (lead & 0x07);
  bool valid = length > 0 && i + static_cast<std::size_t>(length) <= text.size();
  for (int k = 1; valid && k < length; ++k) {
    const auto next = static_cast<unsigned char>(text[i + static_cast<std::size_t>(k)]);
    valid = (next & 0xC0) == 0x80;
    code = (code << 6) | (next & 0x3F);
  }
  const char32_t smallest[] = {0, 0, 0x80, 0x800, 0x10000};
  valid =
      valid && code >= smallest[length] && code <= 0x10FFFF && !(code >= 0xD800 && code <= 0xDFFF);
  i += valid ? static_cast<std::size_t>(length) : 1;
  return valid ? code : kReplacement;
}

std::u32string DecodeUtf8(const std::string& text) {
  std::u32string decoded;
  for (std::size_t i = 0; i < text.size();) decoded.push_back(NextCharacter(text, i));
  return decoded;
}

// The whole of a font file; false when it cannot be read.
bool ReadFontFile(const std::string& path, std::vector<unsigned char>& bytes) {
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) return false;
  bool read = std::fseek(file, 0, SEEK_END) == 0;
  const long size = read ? std::ftell(file) : -1;
  read = size > 0 && std::fseek(file, 0, SEEK_SET) == 0;
  if (read) {
    bytes.resize(static_cast<std::size_t>(size));
    read = std::fread(bytes.data(), 1, bytes.size(), file) == bytes.size();
  }
  std::fclose(file);
  return read;
}

}  // namespace

struct TextPainter::Font {
  std::vector<unsigned char> data;
  stbtt_fontinfo info{};
  float scale = 0;
  int32_t pixelSize = 0;
  // The glyph last loaded with its picture: its coverage, row by row, and where it stands from
  // the pen on the baseline.
  std::vector<unsigned char> coverage;
  int32_t left = 0;
  int32_t top = 0;
  int32_t width = 0;
  int32_t rows = 0;

  bool Open(const FontCandidate& candidate) {
    if (!ReadFontFile(candidate.path, data)) return false;
    const int offset = stbtt_GetFontOffsetForIndex(data.data(), candidate.index);
    return offset >= 0 && stbtt_InitFont(&info, data.data(), offset) != 0 &&
           stbtt_FindGlyphIndex(&info, kJapaneseProbe) != 0;
  }

  // Sizes the glyphs so that the em square is `pixels` high.
  void Size(int32_t pixels) {
    if (pixels == pixelSize) return;
    scale = stbtt_ScaleForMappingEmToPixels(&info, static_cast<float>(pixels));
    pixelSize = pixels;
  }

  // The advance of one character in whole pixels; loads its picture when asked.
  int32_t Load(char32_t code, bool render) {
    int glyph = stbtt_FindGlyphIndex(&info, static_cast<int>(code));
    if (glyph == 0) glyph = stbtt_FindGlyphIndex(&info, static_cast<int>(kReplacement));
    int advance = 0;
    int bearing = 0;
    stbtt_GetGlyphHMetrics(&info, glyph, &advance, &bearing);
    if (render) {
      int x0 = 0;
      int y0 = 0;
      int x1 = 0;
      int y1 = 0;
      stbtt_GetGlyphBitmapBox(&info, glyph, scale, scale, &x0, &y0, &x1, &y1);
      left = x0;
      top = y0;
      width = std::max(0, x1 - x0);
      rows = std::max(0, y1 - y0);
      coverage.assign(static_cast<std::size_t>(width) * static_cast<std::size_t>(rows), 0);
      if (width > 0 && rows > 0) {
        stbtt_MakeGlyphBitmap(&info, coverage.data(), width, rows, width, scale, scale, glyph);
      }
    }
    return static_cast<int32_t>(std::floor(static_cast<float>(advance) * scale + 0.5f));
  }
};

TextPainter::TextPainter() : font_(std::make_unique<Font>()) {
  for (const FontCandidate& candidate : JapaneseFontCandidates()) {
    if (font_->Open(candidate)) {
      fontPath_ = candidate.path;
      return;
    }
  }
  font_->data.clear();
  throw PreviewError(
      "--preview needs a font with Japanese glyphs for object names, and none was "
      "found (" +
      NoJapaneseFontAdvice() + ")");
}

TextPainter::~TextPainter() = default;

int32_t TextPainter::Width(const std::string& text, int32_t pixelSize) {
  font_->Size(pixelSize);
  int32_t width = 0;
  for (char32_t code : DecodeUtf8(text)) width += font_->Load(code, false);
  return width;
}

std::string TextPainter::Fit(const std::string& text, int32_t pixelSize, int32_t maxWidth) {
  if (Width(text, pixelSize) <= maxWidth) return text;
  const int32_t ellipsis = font_->Load(kEllipsis, false);
  // The text is cut at a character's start; "…" in UTF-8 follows.
  int32_t width = 0;
  std::size_t kept = 0;
  for (std::size_t next = 0; kept < text.size(); kept = next) {
    const int32_t advance = font_->Load(NextCharacter(text, next), false);
    if (width + advance + ellipsis > maxWidth) break;
    width += advance;
  }
  return text.substr(0, kept) + "\xE2\x80\xA6";
}

void TextPainter::Draw(Image& image, int32_t x, int32_t baselineY, const std::string& text,
                       int32_t pixelSize, Rgb colour) {
  font_->Size(pixelSize);
  int32_t penX = x;
  for (char32_t code : DecodeUtf8(text)) {
    const int32_t advance = font_->Load(code, true);
    const Font& glyph = *font_;
    for (int32_t row = 0; row < glyph.rows; ++row) {
      const int32_t y = baselineY + glyph.top + row;
      if (y < 0 || y >= image.height()) continue;
      for (int32_t column = 0; column < glyph.width; ++column) {
        const int32_t px = penX + glyph.left + column;
        if (px < 0 || px >= image.width()) continue;
        const unsigned coverage =
            glyph.coverage[static_cast<std::size_t>(row * glyph.width + column)];
        if (coverage == 0) continue;
        Rgb& pixel = image.At(px, y);
        auto blend = [coverage](uint8_t under, uint8_t over) {
          return static_cast<uint8_t>((under * (255 - coverage) + over * coverage + 127) / 255);
        };
        pixel = Rgb{blend(pixel.r, colour.r), blend(pixel.g, colour.g), blend(pixel.b, colour.b)};
      }
    }
    penX += advance;
  }
}

}  // namespace palisor_preview
