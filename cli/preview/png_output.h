// A picture as the bytes of a PNG file (8-bit RGB), encoded by stb_image_write.
#pragma once

#include <string>

#include "cli/preview/image.h"

namespace palisor_cli {

// Throws InputError when the picture cannot be encoded.
std::string EncodePng(const Image& image);

}  // namespace palisor_cli
