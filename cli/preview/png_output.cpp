#include "cli/preview/png_output.h"

#include <png.h>

#include <csetjmp>
#include <cstddef>

#include "cli/input_error.h"

namespace palisor_cli {

namespace {

// No C++ exception may pass through libpng's C frames: a failure to grow the output becomes a
// libpng error.
void AppendBytes(png_structp png, png_bytep data, png_size_t length) {
  auto* out = static_cast<std::string*>(png_get_io_ptr(png));
  bool appended = true;
  try {
    out->append(reinterpret_cast<const char*>(data), length);
  } catch (...) {
    appended = false;
  }
  if (!appended) png_error(png, "out of memory");
}

void NoFlush(png_structp) {}

}  // namespace

std::string EncodePng(const Image& image) {
  static_assert(sizeof(Rgb) == 3, "rows are handed to libpng as packed RGB bytes");
  std::string out;
  // Room for the pixels stored uncompressed, more than the encoded picture takes.
  out.reserve(static_cast<std::size_t>(image.width()) * static_cast<std::size_t>(image.height()) *
                  3 * 101 / 100 +
              4096);
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png == nullptr ? nullptr : png_create_info_struct(png);
  if (info == nullptr) {
    png_destroy_write_struct(&png, nullptr);
    throw InputError("--preview: libpng could not start");
  }
  // libpng reports its failures by jumping here; nothing with a destructor is made between.
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    throw InputError("--preview: libpng could not encode the picture");
  }
  png_set_write_fn(png, &out, AppendBytes, NoFlush);
  png_set_IHDR(png, info, static_cast<png_uint_32>(image.width()),
               static_cast<png_uint_32>(image.height()), 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  for (int32_t y = 0; y < image.height(); ++y) {
    png_write_row(png, reinterpret_cast<png_const_bytep>(image.Row(y)));
  }
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return out;
}

}  // namespace palisor_cli
