// Scenes for the command line's tests, written as OBJ text independently of the program's own
// writer, and the positions a morph transfer must give, computed by brute force.
#pragma once

#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "host/host_api.h"

struct TestMesh {
  std::string name;
  std::vector<MQPoint> vertices;
  // Corners as indexes into `vertices`, from 0.
  std::vector<std::vector<int32_t>> faces;
  // Lines written after the vertices and before the faces (texture coordinates, materials).
  std::vector<std::string> extraLines;
};

// A grid of nx by ny vertices in quads, from `origin` in steps of `step` along x and y, with z
// rippled by a fixed pseudo-random pattern of the pattern.
TestMesh Grid(const std::string& name, int nx, int ny, MQPoint origin, float step,
              uint32_t pattern);
// `base` with every vertex displaced by a pseudo-random amount of the pattern, up to `size`; no
// faces.
TestMesh Displaced(const std::string& name, const TestMesh& base, float size, uint32_t pattern);

// The meshes as OBJ text, with "%.9g" numbers and absolute face indexes.
std::string ObjText(const std::vector<TestMesh>& meshes);

// Where each vertex of `destination` ends in the morph object made for `target` of `source`:
// every used Destination vertex (in `selected`, when given) moves by the inverse-square weighted
// displacement of its three nearest used Source vertices; the others stay.
std::vector<MQPoint> ExpectedMorph(const TestMesh& source, const TestMesh& target,
                                   const TestMesh& destination,
                                   const std::set<int32_t>* selected = nullptr);
