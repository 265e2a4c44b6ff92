#include "preview/rasteriser.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "geometry/vector3.h"

namespace palisor_preview {

namespace {

// Towards the light, in the picture's own axes (right, up, toward the viewer): from the upper
// left, in front.
constexpr Vector3 kLightInView{-0.35f, 0.55f, 0.76f};

// floor() for the small values of a picture's pixel bounds (well within +-2^20), without a call
// into the maths library: truncation rounds down once the value is made positive.
int32_t Floor(float value) {
  constexpr double kOffset = 1 << 20;
  return static_cast<int32_t>(static_cast<double>(value) + kOffset) - (1 << 20);
}

struct ProjectedVertex {
  float x, y, depth;
  float r, g, b;
};

// Fills one triangle with the depth test; colours blend linearly over the triangle, scaled by
// the face's brightness.
class TriangleFill {
 public:
  TriangleFill(Image& image, PictureRect rect, std::vector<float>& depth)
      : image_(image), rect_(rect), depth_(depth) {}

  void Fill(const ProjectedVertex& a, const ProjectedVertex& b, const ProjectedVertex& c,
            float brightness) {
    const float area = (b.x - a.x) * (c.y - a.y) - (b.y - a.y) * (c.x - a.x);
    if (!(std::fabs(area) > 0.0f)) return;
    // Pixel centres at +0.5; only pixels whose centre can lie inside, within the rectangle (the
    // bounds are clamped before they become integers, so far-off points are harmless).
    const float width = static_cast<float>(rect_.width), height = static_cast<float>(rect_.height);
    const float minX = std::clamp(std::min({a.x, b.x, c.x}), -1.0f, width + 1.0f);
    const float maxX = std::clamp(std::max({a.x, b.x, c.x}), -1.0f, width + 1.0f);
    const float minY = std::clamp(std::min({a.y, b.y, c.y}), -1.0f, height + 1.0f);
    const float maxY = std::clamp(std::max({a.y, b.y, c.y}), -1.0f, height + 1.0f);
    const int32_t x0 = std::max(0, -Floor(0.5f - minX));
    const int32_t y0 = std::max(0, -Floor(0.5f - minY));
    const int32_t x1 = std::min(rect_.width - 1, Floor(maxX - 0.5f));
    const int32_t y1 = std::min(rect_.height - 1, Floor(maxY - 0.5f));
    if (x0 > x1 || y0 > y1) return;
    const float inverse = 1.0f / area;
    for (int32_t y = y0; y <= y1; ++y) {
      const float py = static_cast<float>(y) + 0.5f;
      for (int32_t x = x0; x <= x1; ++x) {
        const float px = static_cast<float>(x) + 0.5f;
        // Barycentric weights; a shared edge may be drawn twice, never left open.
        const float wa = ((b.x - px) * (c.y - py) - (b.y - py) * (c.x - px)) * inverse;
        const float wb = ((c.x - px) * (a.y - py) - (c.y - py) * (a.x - px)) * inverse;
        const float wc = 1.0f - wa - wb;
        if (wa < 0.0f || wb < 0.0f || wc < 0.0f) continue;
        const float depth = wa * a.depth + wb * b.depth + wc * c.depth;
        float& stored = depth_[static_cast<std::size_t>(y) * static_cast<std::size_t>(rect_.width) +
                               static_cast<std::size_t>(x)];
        if (!(depth > stored)) continue;
        stored = depth;
        Rgb& pixel = image_.At(rect_.x + x, rect_.y + y);
        pixel.r = Channel((wa * a.r + wb * b.r + wc * c.r) * brightness);
        pixel.g = Channel((wa * a.g + wb * b.g + wc * c.g) * brightness);
        pixel.b = Channel((wa * a.b + wb * b.b + wc * c.b) * brightness);
      }
    }
  }

 private:
  static uint8_t Channel(float value) {
    return static_cast<uint8_t>(std::clamp(value, 0.0f, 255.0f) + 0.5f);
  }

  Image& image_;
  PictureRect rect_;
  std::vector<float>& depth_;
};

// Every vertex where the camera shows it, with its colour.
std::vector<ProjectedVertex> ProjectVertices(const MeshToDraw& mesh, const Camera& camera) {
  const palisor_scene::PointSpan positions = mesh.vertices;
  const std::vector<Rgb>& colours = *mesh.colours;
  std::vector<ProjectedVertex> projected(positions.size());
  for (std::size_t i = 0; i < positions.size(); ++i) {
    const ScreenPoint point = camera.Project(positions[i]);
    const Rgb colour = i < colours.size() ? colours[i] : Rgb{};
    projected[i] = ProjectedVertex{point.x,
                                   point.y,
                                   point.depth,
                                   static_cast<float>(colour.r),
                                   static_cast<float>(colour.g),
                                   static_cast<float>(colour.b)};
  }
  return projected;
}

// The face's normal by Newell's rule, sound for any planar or nearly planar polygon; for a
// degenerate face its first triangle's. `length` is the normal's length (0: draw it unlit).
Vector3 FaceNormal(palisor_scene::PointSpan positions, palisor_scene::FaceCornerSpan face,
                   float& length) {
  Vector3 normal{0, 0, 0};
  for (std::size_t i = 0; i < face.size(); ++i) {
    const Vector3 p = positions[static_cast<std::size_t>(face[i])];
    const Vector3 q = positions[static_cast<std::size_t>(face[(i + 1) % face.size()])];
    normal.x += (p.y - q.y) * (p.z + q.z);
    normal.y += (p.z - q.z) * (p.x + q.x);
    normal.z += (p.x - q.x) * (p.y + q.y);
  }
  length = std::sqrt(Dot(normal, normal));
  if (!(length > 0.0f) || !std::isfinite(length)) {
    normal = Cross(Minus(positions[static_cast<std::size_t>(face[1])],
                         positions[static_cast<std::size_t>(face[0])]),
                   Minus(positions[static_cast<std::size_t>(face[2])],
                         positions[static_cast<std::size_t>(face[0])]));
    length = std::sqrt(Dot(normal, normal));
  }
  return normal;
}

}  // namespace

void DrawMesh(const MeshToDraw& mesh, const Camera& camera, Image& image, PictureRect rect) {
  const palisor_scene::PointSpan positions = mesh.vertices;
  const std::vector<ProjectedVertex> projected = ProjectVertices(mesh, camera);
  const Vector3 light =
      Plus(Plus(Times(camera.right, kLightInView.x), Times(camera.up, kLightInView.y)),
           Times(camera.toward, kLightInView.z));
  const float lightLength = std::sqrt(Dot(light, light));

  std::vector<float> depth(
      static_cast<std::size_t>(rect.width) * static_cast<std::size_t>(rect.height),
      -std::numeric_limits<float>::infinity());
  TriangleFill fill(image, rect, depth);
  const std::size_t count = positions.size();
  for (const palisor_scene::FaceCornerSpan face : mesh.faces) {
    if (face.size() < 3) continue;
    bool inside = true;
    for (int32_t corner : face)
      inside = inside && corner >= 0 && static_cast<std::size_t>(corner) < count;
    if (!inside) continue;
    float length = 0.0f;
    const Vector3 normal = FaceNormal(positions, face, length);
    const bool behind = Dot(normal, camera.toward) < 0.0f;
    float cosine = length > 0.0f ? Dot(normal, light) / (length * lightLength) : 0.0f;
    if (behind) cosine = -cosine;
    const float brightness = FaceBrightness(std::isfinite(cosine) ? cosine : 0.0f, behind);
    const ProjectedVertex& first = projected[static_cast<std::size_t>(face[0])];
    for (std::size_t i = 1; i + 1 < face.size(); ++i) {
      fill.Fill(first, projected[static_cast<std::size_t>(face[i])],
                projected[static_cast<std::size_t>(face[i + 1])], brightness);
    }
  }
}

}  // namespace palisor_preview
