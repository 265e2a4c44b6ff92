// Draws a polygon mesh into a rectangle of a picture with a depth buffer: every face split into a
// fan of triangles, shaded by one fixed light as seen from the camera, faces seen from behind
// darker, the vertices' colours blended across each triangle.
#pragma once

#include <cstdint>
#include <vector>

#include "preview/camera.h"
#include "preview/image.h"
#include "scene/point.h"

namespace palisor_preview {

// A part of a picture to draw into; the camera's pixels count from its top left corner.
struct PictureRect {
  int32_t x = 0;
  int32_t y = 0;
  int32_t width = 0;
  int32_t height = 0;
};

struct MeshToDraw {
  palisor_scene::PointSpan vertices;
  // Each face a list of vertex indexes; faces with fewer than three corners or an index outside
  // the vertices are left out.
  palisor_scene::FaceSpan faces;
  // One colour per vertex.
  const std::vector<Rgb>* colours = nullptr;
};

// The brightness of a face whose normal makes `cosine` with the direction to the light (the normal
// turned to the viewer): some ambient light, the rest by the light's angle, and half as bright
// where the face is seen from behind.
inline float FaceBrightness(float cosine, bool seenFromBehind) {
  const float lit = 0.3f + 0.7f * (cosine > 0.0f ? cosine : 0.0f);
  return seenFromBehind ? 0.5f * lit : lit;
}

void DrawMesh(const MeshToDraw& mesh, const Camera& camera, Image& image, PictureRect rect);

}  // namespace palisor_preview
