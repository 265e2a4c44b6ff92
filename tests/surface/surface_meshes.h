// Meshes and queries the surface search's tests are run on: shapes that stress the tree (soups,
// closed surfaces, slivers) and the per-triangle routine (zero-area triangles, duplicates, corners
// that are not finite), and queries on and off the surface.
#pragma once

#include <cstdint>
#include <vector>

struct TestMesh {
  std::vector<float> positions;
  std::vector<uint32_t> corners;

  std::size_t vertexCount() const { return positions.size() / 3; }
  std::size_t triangleCount() const { return corners.size() / 3; }
  void AddVertex(float x, float y, float z) { positions.insert(positions.end(), {x, y, z}); }
  void AddTriangle(uint32_t a, uint32_t b, uint32_t c) { corners.insert(corners.end(), {a, b, c}); }
};

// `count` triangles of three independent random corners in [-1, 1]^3.
TestMesh RandomSoup(std::size_t count, unsigned stream);
// A closed sphere of radius 1 over a latitude and longitude grid, poles included.
TestMesh Sphere(uint32_t rings, uint32_t segments);
// A strip of needles and slivers along x: triangles a few millionths wide.
TestMesh Slivers(uint32_t count);
// A sphere with zero-area triangles mixed in: single points, doubled corners, corners on a line.
TestMesh WithDegenerateTriangles(uint32_t rings, uint32_t segments);
// A sphere whose triangles all appear twice, the copies after the originals.
TestMesh Duplicated(uint32_t rings, uint32_t segments);
// A random soup some of whose vertices have a NaN or infinite coordinate.
TestMesh WithNonFiniteVertices(std::size_t count, unsigned stream);
// A wavy height field of 2 * side * side triangles.
TestMesh WavyGrid(uint32_t side);
// `count` slivers from the centre of a tilted unit disc to its rim.
TestMesh SliverFan(uint32_t count);

// Queries at x, y, z triples: random ones around the mesh, its vertices, points on its edges,
// and far-away ones.
std::vector<float> QueriesFor(const TestMesh& mesh, std::size_t randomCount, unsigned stream);
// Queries `height` off the centres of a few hundred triangles, along their normals, on alternate
// sides.
std::vector<float> QueriesJustOff(const TestMesh& mesh, float height);
