// An RGB picture in memory, eight bits a channel, rows from the top.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace palisor_preview {

struct Rgb {
  uint8_t r = 0;
  uint8_t g = 0;
  uint8_t b = 0;
};

inline bool operator==(Rgb a, Rgb b) {
  return a.r == b.r && a.g == b.g && a.b == b.b;
}
inline bool operator!=(Rgb a, Rgb b) {
  return !(a == b);
}

class Image {
 public:
  Image(int32_t width, int32_t height, Rgb fill)
      : width_(width),
        height_(height),
        pixels_(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), fill) {}

  int32_t width() const { return width_; }
  int32_t height() const { return height_; }
  Rgb& At(int32_t x, int32_t y) { return pixels_[Index(x, y)]; }
  Rgb At(int32_t x, int32_t y) const { return pixels_[Index(x, y)]; }
  const Rgb* Row(int32_t y) const { return &pixels_[Index(0, y)]; }

  // Fills the part of the rectangle that lies in the picture.
  void FillRect(int32_t x, int32_t y, int32_t width, int32_t height, Rgb colour) {
    for (int32_t row = y < 0 ? 0 : y; row < y + height && row < height_; ++row) {
      for (int32_t column = x < 0 ? 0 : x; column < x + width && column < width_; ++column) {
        At(column, row) = colour;
      }
    }
  }

 private:
  std::size_t Index(int32_t x, int32_t y) const {
    return static_cast<std::size_t>(y) * static_cast<std::size_t>(width_) +
           static_cast<std::size_t>(x);
  }

  int32_t width_;
  int32_t height_;
  std::vector<Rgb> pixels_;
};

}  // namespace palisor_preview
