// The single-header libraries the preview draws with, compiled once: stb_truetype for the glyphs
// of object names and stb_image_write for the PNG file.
#define STB_TRUETYPE_IMPLEMENTATION
#define STB_IMAGE_WRITE_IMPLEMENTATION
#define STBI_WRITE_NO_STDIO
#include <stb/stb_image_write.h>
#include <stb/stb_truetype.h>
