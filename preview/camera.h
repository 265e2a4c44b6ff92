// The preview's camera: a parallel projection from one of the fixed views, framed so that a box
// of the scene fills a picture with a margin. Every picture of a sheet shares one camera, so the
// sizes of the objects compare.
#pragma once

#include <cstdint>

#include "geometry/vector3.h"
#include "preview/view.h"
#include "scene/point.h"

namespace palisor_preview {

// An axis-aligned box of scene positions; empty until a finite position is included.
struct Bounds {
  void Include(const Vector3& point);
  void Include(const Bounds& other);
  bool empty = true;
  Vector3 min{0, 0, 0};
  Vector3 max{0, 0, 0};
};

// Where a scene position lands in a picture: x to the right and y down in pixels, and its depth
// towards the viewer (larger is nearer).
struct ScreenPoint {
  float x = 0;
  float y = 0;
  float depth = 0;
};

struct Camera {
  // The picture's right and up directions and the direction towards the viewer, in scene
  // coordinates; right-handed (right x up = toward).
  Vector3 right{1, 0, 0};
  Vector3 up{0, 1, 0};
  Vector3 toward{0, 0, 1};
  // Pixels per scene unit, and the pixel at which the scene origin lands.
  float scale = 1;
  float originX = 0;
  float originY = 0;

  ScreenPoint Project(const Vector3& point) const;
};

// The camera of `view` that shows `bounds` centred in a picture of width by height pixels, with
// `margin` of each side left free. A flat or empty box is framed as well as it can be.
Camera FrameBounds(PreviewView view, const Bounds& bounds, int32_t width, int32_t height,
                   float margin = 0.06f);

}  // namespace palisor_preview
