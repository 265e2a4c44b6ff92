// A picture as the bytes of a PNG file (8-bit RGB), encoded by stb_image_write.
#pragma once

#include <string>

#include "preview/image.h"

namespace palisor_preview {

// Throws PreviewError when the picture cannot be encoded.
std::string EncodePng(const Image& image);

}  // namespace palisor_preview
