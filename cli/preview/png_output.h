// A picture as the bytes of a PNG file (8-bit RGB), encoded by libpng.
#pragma once

#include <string>

#include "cli/preview/image.h"

namespace palisor_cli {

// Throws InputError when libpng fails.
std::string EncodePng(const Image& image);

}  // namespace palisor_cli
