// Draws a polygon mesh into a rectangle of a picture with a depth buffer: every face split into a
// fan of triangles, shaded by one fixed light as seen from the camera, faces seen from behind
// darker, the vertices' colours blended across each triangle.
#pragma once

#include <cstdint>
#include <vector>

#include "cli/preview/camera.h"
#include "cli/preview/image.h"
#include "host/host_api.h"

namespace palisor_cli {

// A part of a picture to draw into; the camera's pixels count from its top left corner.
struct PictureRect {
  int32_t x = 0;
  int32_t y = 0;
  int32_t width = 0;
  int32_t height = 0;
};

struct MeshToDraw {
  const std::vector<MQPoint>* vertices = nullptr;
  // Each face a list of vertex indexes; faces with fewer than three corners or an index outside
  // the vertices are left out.
  const std::vector<std::vector<int32_t>>* faces = nullptr;
  // One colour per vertex.
  const std::vector<Rgb>* colours = nullptr;
};

// The brightness of a face whose unit normal makes `cosine` with the direction to the light, and
// whether it faces away from the viewer.
float FaceBrightness(float cosine, bool seenFromBehind);

void DrawMesh(const MeshToDraw& mesh, const Camera& camera, Image& image, PictureRect rect);

}  // namespace palisor_cli
