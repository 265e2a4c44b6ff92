#include "preview/camera.h"

#include <algorithm>
#include <cmath>

namespace palisor_preview {

namespace {

// The views' axes. Scene y is up; the front view looks from +z, the side view from +x, the top
// view down from +y, and the three-quarter view from the front right, above.
void OrientCamera(PreviewView view, Camera& camera) {
  switch (view) {
    case PreviewView::kFront:
      camera.right = Vector3{1, 0, 0};
      camera.up = Vector3{0, 1, 0};
      camera.toward = Vector3{0, 0, 1};
      return;
    case PreviewView::kSide:
      camera.right = Vector3{0, 0, -1};
      camera.up = Vector3{0, 1, 0};
      camera.toward = Vector3{1, 0, 0};
      return;
    case PreviewView::kTop:
      camera.right = Vector3{1, 0, 0};
      camera.up = Vector3{0, 0, -1};
      camera.toward = Vector3{0, 1, 0};
      return;
    case PreviewView::kThreeQuarter: {
      const float azimuth = 35.0f * 3.14159265f / 180.0f;
      const float elevation = 25.0f * 3.14159265f / 180.0f;
      const float sa = std::sin(azimuth), ca = std::cos(azimuth);
      const float se = std::sin(elevation), ce = std::cos(elevation);
      camera.toward = Vector3{sa * ce, se, ca * ce};
      camera.right = Vector3{ca, 0, -sa};
      // up = toward x right
      camera.up = Vector3{-se * sa, ca * ce * ca + sa * ce * sa, -se * ca};
      return;
    }
  }
}

}  // namespace

void Bounds::Include(const Vector3& point) {
  if (!IsFinite(point)) return;
  min = empty ? point : Lowest(point, min);
  max = empty ? point : Highest(point, max);
  empty = false;
}

void Bounds::Include(const Bounds& other) {
  if (other.empty) return;
  Include(other.min);
  Include(other.max);
}

ScreenPoint Camera::Project(const Vector3& point) const {
  return ScreenPoint{originX + scale * Dot(right, point), originY - scale * Dot(up, point),
                     Dot(toward, point)};
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
    const Vector3 at{(corner & 1) ? bounds.max.x : bounds.min.x,
                     (corner & 2) ? bounds.max.y : bounds.min.y,
                     (corner & 4) ? bounds.max.z : bounds.min.z};
    const float along[2] = {Dot(camera.right, at), Dot(camera.up, at)};
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
