// The closest point on a triangle surface: for points given as plain arrays of 32-bit floats, the
// point of a triangle mesh nearest to each query, with its triangle, its barycentric coordinates
// and what part of the triangle it lies on. This is the library's one public header; it knows
// nothing of any host, and its records are plain data that can cross a C boundary.
//
// Which triangles take part. A triangle takes part when its three corners name vertices below the
// vertex count and every coordinate of its corners is finite. Building refuses a mesh with a
// corner out of range; a triangle with a non-finite coordinate is left out, as if it were not
// there. A triangle of zero area (repeated corners, or corners on one line) takes part like any
// other: its points are those of the segment or the single point it spans, and its closest point
// is found on them.
//
// The answer, bit for bit. Every triangle is measured by one routine, ClosestPointOnTriangle
// (triangle_closest_point.h), computed in a fixed order of float and double operations. A query's
// answer is the triangle whose squared distance is least; between equal squared distances the
// lower triangle index wins. The accelerated search returns exactly what FindClosestExhaustive
// returns, which offers every triangle in increasing index to the same rule. A query with a
// non-finite coordinate has no answer (triangle -1), nor does any query when no triangle takes
// part.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

// What a closest point lies on: a corner, an edge (between the corners named), or the inside of
// the triangle.
enum SurfaceFeature : int32_t {
  kSurfaceNoFeature = -1,
  kSurfaceCornerA = 0,
  kSurfaceCornerB = 1,
  kSurfaceCornerC = 2,
  kSurfaceEdgeAB = 3,
  kSurfaceEdgeAC = 4,
  kSurfaceEdgeBC = 5,
  kSurfaceFace = 6,
};

// One query's answer. `barycentric` weighs the corners a, b, c of the triangle as the mesh gives
// them, each finite and in [0, 1] up to rounding, summing to 1 as computed: 1 at a corner; 1 - t
// and t at the ends of an edge; inside the face, v and w as found and the first weight
// (1 - v) - w. `point` is the closest point rounded to float, and `squaredDistance` the squared
// distance from the query to the triangle, as ClosestPointOnTriangle (triangle_closest_point.h)
// computes them: never below the exact squared distance, and above it by an ulp or two but where
// the query lies closer to the triangle than about 2^-23 of its size, or the triangle is flat.
// With no answer, `triangle` is -1, `feature` kSurfaceNoFeature and the numbers 0.
struct SurfaceHit {
  int32_t triangle;
  int32_t feature;
  float barycentric[3];
  float point[3];
  float squaredDistance;
};

// How building or searching went. Nothing is thrown past the functions below.
enum SurfaceStatus : int32_t {
  kSurfaceOk = 0,
  // A triangle names a vertex at or beyond the vertex count (or a negative one).
  kSurfaceCornerOutOfRange = 1,
  // More than 2^31 - 1 vertices or triangles.
  kSurfaceTooLarge = 2,
  // Memory ran out.
  kSurfaceOutOfMemory = 3,
};

class TriangleTree;

// The search structure over one mesh: built once, then asked any number of queries, from any
// number of threads at once.
class ClosestPointSearch {
 public:
  ClosestPointSearch();
  ~ClosestPointSearch();
  ClosestPointSearch(ClosestPointSearch&&) noexcept;
  ClosestPointSearch& operator=(ClosestPointSearch&&) noexcept;

  // Builds over the mesh: `positions` holds x, y, z of `vertexCount` vertices, `corners` the three
  // vertex indices of each of `triangleCount` triangles. Nothing is kept of the arrays. Work is
  // spread over up to `threadCount` threads (0: as many as the machine runs); the search answers
  // the same whatever the number. On a status other than kSurfaceOk the search is left empty and,
  // if `refusedTriangle` is given, it receives the first triangle out of range (else -1).
  SurfaceStatus Build(const float* positions, std::size_t vertexCount, const uint32_t* corners,
                      std::size_t triangleCount, unsigned threadCount = 0,
                      int32_t* refusedTriangle = nullptr);
  // The same with signed indices; a negative index is out of range.
  SurfaceStatus Build(const float* positions, std::size_t vertexCount, const int32_t* corners,
                      std::size_t triangleCount, unsigned threadCount = 0,
                      int32_t* refusedTriangle = nullptr);

  // The answer to the query at x, y, z = query[0..2].
  SurfaceHit FindClosest(const float* query) const;

  // Fills hits[k] with the answer to the query at queries[3k .. 3k+2], for k below `queryCount`,
  // on up to `threadCount` threads (0: as many as the machine runs). The answers do not depend on
  // the number of threads.
  SurfaceStatus FindClosest(const float* queries, std::size_t queryCount, SurfaceHit* hits,
                            unsigned threadCount = 0) const;

  // How many triangles take part.
  std::size_t TriangleCount() const;

 private:
  std::unique_ptr<TriangleTree> tree_;
};

// The reference: offers every triangle that takes part to the rule above, in increasing index,
// and returns the winner. Triangles with a corner out of range are passed over.
SurfaceHit FindClosestExhaustive(const float* positions, std::size_t vertexCount,
                                 const uint32_t* corners, std::size_t triangleCount,
                                 const float* query);
