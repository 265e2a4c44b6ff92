#include "preview/colour_map.h"

#include <cstddef>

namespace palisor_preview {

namespace {

// Viridis at ten evenly spaced points from 0 to 1; between them the map is near enough to a
// straight line in RGB for a linear blend.
constexpr Rgb kViridis[] = {{68, 1, 84},    {72, 40, 120},  {62, 74, 137},  {49, 104, 142},
                            {38, 130, 142}, {31, 158, 137}, {53, 183, 121}, {110, 206, 88},
                            {181, 222, 43}, {253, 231, 37}};
constexpr std::size_t kPoints = sizeof kViridis / sizeof kViridis[0];

uint8_t Blend(uint8_t a, uint8_t b, float t) {
  return static_cast<uint8_t>(static_cast<float>(a) + (static_cast<float>(b) - a) * t + 0.5f);
}

}  // namespace

Rgb MotionColour(float fraction) {
  if (!(fraction > 0.0f)) fraction = 0.0f;
  if (fraction > 1.0f) fraction = 1.0f;
  const float position = fraction * static_cast<float>(kPoints - 1);
  const std::size_t low = static_cast<std::size_t>(position);
  if (low + 1 >= kPoints) return kViridis[kPoints - 1];
  const float t = position - static_cast<float>(low);
  const Rgb a = kViridis[low];
  const Rgb b = kViridis[low + 1];
  return Rgb{Blend(a.r, b.r, t), Blend(a.g, b.g, t), Blend(a.b, b.b, t)};
}

}  // namespace palisor_preview
