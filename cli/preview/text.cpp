#include "cli/preview/text.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H

#include <cstddef>
#include <vector>

#include "cli/input_error.h"

namespace palisor_cli {

namespace {

constexpr char32_t kReplacement = 0xFFFD;
constexpr char32_t kEllipsis = 0x2026;
// A kana that any font with Japanese glyphs has.
constexpr char32_t kJapaneseProbe = 0x3042;

// Where Debian's fonts-noto-cjk puts its fonts, for a system whose fontconfig cannot say.
const char* const kKnownFontPaths[] = {
    "/usr/share/fonts/opentype/noto/NotoSansCJK-Regular.ttc",
    "/usr/share/fonts/opentype/noto/NotoSansCJK-Medium.ttc",
    "/usr/share/fonts/opentype/noto/NotoSerifCJK-Regular.ttc",
};

std::u32string DecodeUtf8(const std::string& text) {
  std::u32string decoded;
  std::size_t i = 0;
  while (i < text.size()) {
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
    valid = valid && code >= smallest[length] && code <= 0x10FFFF &&
            !(code >= 0xD800 && code <= 0xDFFF);
    decoded.push_back(valid ? code : kReplacement);
    i += valid ? static_cast<std::size_t>(length) : 1;
  }
  return decoded;
}

std::string EncodeUtf8(const std::u32string& text) {
  std::string encoded;
  for (char32_t code : text) {
    if (code < 0x80) {
      encoded += static_cast<char>(code);
    } else if (code < 0x800) {
      encoded += static_cast<char>(0xC0 | (code >> 6));
      encoded += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
      encoded += static_cast<char>(0xE0 | (code >> 12));
      encoded += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
      encoded += static_cast<char>(0x80 | (code & 0x3F));
    } else {
      encoded += static_cast<char>(0xF0 | (code >> 18));
      encoded += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
      encoded += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
      encoded += static_cast<char>(0x80 | (code & 0x3F));
    }
  }
  return encoded;
}

// The file and face index of the font fontconfig prefers for Japanese sans-serif text.
bool AskFontconfig(std::string& path, int& index) {
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
    path = reinterpret_cast<const char*>(file);
    if (FcPatternGetInteger(match, FC_INDEX, 0, &index) != FcResultMatch) index = 0;
  }
  if (match != nullptr) FcPatternDestroy(match);
  FcConfigDestroy(config);
  return found;
}

}  // namespace

struct TextPainter::Font {
  FT_Library library = nullptr;
  FT_Face face = nullptr;
  int32_t pixelSize = 0;

  ~Font() {
    if (face != nullptr) FT_Done_Face(face);
    if (library != nullptr) FT_Done_FreeType(library);
  }

  bool Open(const std::string& path, int index) {
    if (face != nullptr) FT_Done_Face(face);
    face = nullptr;
    if (FT_New_Face(library, path.c_str(), index, &face) != 0) {
      face = nullptr;
      return false;
    }
    if (FT_Select_Charmap(face, FT_ENCODING_UNICODE) == 0 &&
        FT_Get_Char_Index(face, kJapaneseProbe) != 0) {
      return true;
    }
    FT_Done_Face(face);
    face = nullptr;
    return false;
  }

  void Size(int32_t pixels) {
    if (pixels == pixelSize) return;
    FT_Set_Pixel_Sizes(face, 0, static_cast<FT_UInt>(pixels));
    pixelSize = pixels;
  }

  // The advance of one character in pixels; loads its glyph, rendered when asked.
  int32_t Load(char32_t code, bool render) {
    FT_UInt glyph = FT_Get_Char_Index(face, code);
    if (glyph == 0) glyph = FT_Get_Char_Index(face, kReplacement);
    if (FT_Load_Glyph(face, glyph, render ? FT_LOAD_RENDER : FT_LOAD_DEFAULT) != 0) return 0;
    return static_cast<int32_t>(face->glyph->advance.x >> 6);
  }
};

TextPainter::TextPainter() : font_(std::make_unique<Font>()) {
  if (FT_Init_FreeType(&font_->library) != 0) {
    font_->library = nullptr;
    throw InputError("--preview: the FreeType library could not start");
  }
  std::string path;
  int index = 0;
  if (AskFontconfig(path, index) && font_->Open(path, index)) {
    fontPath_ = path;
    return;
  }
  for (const char* known : kKnownFontPaths) {
    if (font_->Open(known, 0)) {
      fontPath_ = known;
      return;
    }
  }
  throw InputError(
      "--preview needs a font with Japanese glyphs for object names, and none was found "
      "(fontconfig offers none, and /usr/share/fonts/opentype/noto/NotoSansCJK-Regular.ttc is "
      "missing): install the Debian package fonts-noto-cjk");
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
  std::u32string decoded = DecodeUtf8(text);
  const int32_t ellipsis = font_->Load(kEllipsis, false);
  int32_t width = 0;
  std::size_t keep = 0;
  while (keep < decoded.size()) {
    const int32_t advance = font_->Load(decoded[keep], false);
    if (width + advance + ellipsis > maxWidth) break;
    width += advance;
    ++keep;
  }
  decoded.resize(keep);
  decoded.push_back(kEllipsis);
  return EncodeUtf8(decoded);
}

void TextPainter::Draw(Image& image, int32_t x, int32_t baselineY, const std::string& text,
                       int32_t pixelSize, Rgb colour) {
  font_->Size(pixelSize);
  int32_t penX = x;
  for (char32_t code : DecodeUtf8(text)) {
    const int32_t advance = font_->Load(code, true);
    const FT_GlyphSlot glyph = font_->face->glyph;
    const FT_Bitmap& bitmap = glyph->bitmap;
    const int32_t left = penX + glyph->bitmap_left;
    const int32_t top = baselineY - glyph->bitmap_top;
    for (int32_t row = 0; row < static_cast<int32_t>(bitmap.rows); ++row) {
      const int32_t y = top + row;
      if (y < 0 || y >= image.height()) continue;
      for (int32_t column = 0; column < static_cast<int32_t>(bitmap.width); ++column) {
        const int32_t px = left + column;
        if (px < 0 || px >= image.width()) continue;
        const unsigned coverage = bitmap.buffer[row * bitmap.pitch + column];
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

}  // namespace palisor_cli
