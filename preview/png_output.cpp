#include "preview/png_output.h"

#include <stb/stb_image_write.h>

#include <cstddef>
#include <limits>

#include "preview/preview_error.h"

namespace palisor_preview {

namespace {

// No C++ exception may pass through the encoder's C frames: a failure to grow the output is
// remembered and reported once the encoder has returned.
struct PngBytes {
  std::string bytes;
  bool failed = false;
};

void AppendBytes(void* context, void* data, int length) {
  auto* out = static_cast<PngBytes*>(context);
  if (out->failed || length <= 0) return;
  try {
    out->bytes.append(static_cast<const char*>(data), static_cast<std::size_t>(length));
  } catch (...) {
    out->failed = true;
  }
}

}  // namespace

std::string EncodePng(const Image& image) {
  static_assert(sizeof(Rgb) == 3, "rows are handed to the encoder as packed RGB bytes");
  constexpr int kLargest = std::numeric_limits<int>::max() / 3;
  if (image.width() <= 0 || image.height() <= 0 || image.width() > kLargest) {
    throw PreviewError("--preview: the picture has no pixels to encode");
  }
  PngBytes out;
  const int encoded = stbi_write_png_to_func(AppendBytes, &out, image.width(), image.height(), 3,
                                             image.Row(0), image.width() * 3);
  if (encoded == 0 || out.failed) {
    throw PreviewError("--preview: the picture could not be encoded as PNG (out of memory)");
  }
  return std::move(out.bytes);
}

}  // namespace palisor_preview
