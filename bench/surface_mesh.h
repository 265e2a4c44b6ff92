// Surface meshes such as modellers morph: a displaced torus whose vertex density varies over the
// surface. Source and Destination come from differently tessellated grids over nearly the same
// surface, as a garment lies over a body.
#pragma once

#include <cstdint>
#include <vector>

#include "host/host_api.h"

struct SurfaceMesh {
  std::vector<MQPoint> vertices;
  // Quads over the vertices, each a list of four vertex indices.
  std::vector<std::vector<int32_t>> faces;
};

// About `vertexCount` vertices on a grid `aspect` times as long around the ring as around the
// tube. `offset` pushes the surface outwards along the tube's radius, `phase` turns the grid.
SurfaceMesh MakeDisplacedTorus(std::size_t vertexCount, float aspect, float offset, float phase,
                               bool withFaces);

// The Source of a benchmark pair, and a Destination over the same shape with another grid.
SurfaceMesh MakeSourceSurface(std::size_t vertexCount, bool withFaces = false);
SurfaceMesh MakeDestinationSurface(std::size_t vertexCount, bool withFaces = false);
