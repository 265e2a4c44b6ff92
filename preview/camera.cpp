#include "preview/camera.h"

#include <algorithm>
#include <cmath>

namespace palisor_preview {

namespace {

float Dot(const float axis[3], float x, float y, float z) {
  return axis[0] * x + axis[1] * y + axis[2] * z;
}

void Set(float axis[3], float x, float y, float z) {
  axis[0] = x;
  axis[1] = y;
  axis[2] = z;
}

// The views' axes. Scene y is up; the front view looks from +z, the side view from +x, the top
// view down from +y, and the three-quarter view from the front right, above.
void OrientCamera(PreviewView view, Camera& camera) {
  switch (view) {
    case PreviewView::kFront:
      Set(camera.right, 1, 0, 0);
      Set(camera.up, 0, 1, 0);
      Set(camera.toward, 0, 0, 1);
      return;
    case PreviewView::kSide:
      Set(camera.right, 0, 0, -1);
      Set(camera.up, 0, 1, 0);
      Set(camera.toward, 1, 0, 0);
      return;
    case PreviewView::kTop:
      Set(camera.right, 1, 0, 0);
      Set(camera.up, 0, 0, -1);
      Set(camera.toward, 0, 1, 0);
      return;
    case PreviewView::kThreeQuarter: {
      const float azimuth = 35.0f * 3.14159265f / 180.0f;
      const float elevation = 25.0f * 3.14159265f / 180.0f;
      const float sa = std::sin(azimuth), ca = std::cos(azimuth);
      const float se = std::sin(elevation), ce = std::cos(elevation);
      Set(camera.toward, sa * ce, se, ca * ce);
      Set(camera.right, ca, 0, -sa);
      // up = toward x right
      Set(camera.up, -se * sa, ca * ce * ca + sa * ce * sa, -se * ca);
      return;
    }
  }
}

}  // namespace

void Bounds::Include(const palisor_scene::Point& point) {
  const float values[3] = {point.x, point.y, point.z};
  if (!std::isfinite(values[0]) || !std::isfinite(values[1]) || !std::isfinite(values[2])) return;
  for (int axis = 0; axis < 3; ++axis) {
    if (empty || values[axis] < min[axis]) min[axis] = values[axis];
    if (empty || values[axis] > max[axis]) max[axis] = values[axis];
  }
  empty = false;
}

void Bounds::Include(const Bounds& other) {
  if (other.empty) return;
  Include(palisor_scene::Point{other.min[0], other.min[1], other.min[2]});
  Include(palisor_scene::Point{other.max[0], other.max[1], other.max[2]});
}

ScreenPoint Camera::Project(const palisor_scene::Point& point) const {
  return ScreenPoint{originX + scale * Dot(right, point.x, point.y, point.z),
                     originY - scale * Dot(up, point.x, point.y, point.z),
                     Dot(toward, point.x, point.y, point.z)};
}

Camera FrameBounds(PreviewView view, const Bounds& bounds, int32_t width, int32_t height,
                   float margin) {
  Camera camera;
  OrientCamera(view, camera);
  if (bounds.empty) {
    camera.originX = 0.5f * static_cast<float>(width);
    camera.originY = 0.5f * static_cast<float>(height);
    return camera;
  }
  // The extent of the box's eight corners along the picture's axes.
  float low[2] = {0, 0}, high[2] = {0, 0};
  for (int corner = 0; corner < 8; ++corner) {
    const float x = (corner & 1) ? bounds.max[0] : bounds.min[0];
    const float y = (corner & 2) ? bounds.max[1] : bounds.min[1];
    const float z = (corner & 4) ? bounds.max[2] : bounds.min[2];
    const float along[2] = {Dot(camera.right, x, y, z), Dot(camera.up, x, y, z)};
    for (int axis = 0; axis < 2; ++axis) {
      if (corner == 0 || along[axis] < low[axis]) low[axis] = along[axis];
      if (corner == 0 || along[axis] > high[axis]) high[axis] = along[axis];
    }
  }
  const float usable[2] = {static_cast<float>(width) * (1.0f - 2.0f * margin),
                           static_cast<float>(height) * (1.0f - 2.0f * margin)};
  const float extent[2] = {high[0] - low[0], high[1] - low[1]};
  float scale = 0;
  for (int axis = 0; axis < 2; ++axis) {
    if (extent[axis] > 0) {
      const float fit = usable[axis] / extent[axis];
      scale = scale == 0 ? fit : std::min(scale, fit);
    }
  }
  camera.scale = scale > 0 && std::isfinite(scale) ? scale : 1.0f;
  camera.originX = 0.5f * static_cast<float>(width) - camera.scale * 0.5f * (low[0] + high[0]);
  camera.originY = 0.5f * static_cast<float>(height) + camera.scale * 0.5f * (low[1] + high[1]);
  return camera;
}

}  // namespace palisor_preview
