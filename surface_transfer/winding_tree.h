// Inside and outside of a triangle surface by its generalized winding number (Jacobson, Kavan and
// Sorkine-Hornung, "Robust inside-outside segmentation using generalized winding numbers"): the
// solid angles its triangles subtend at a point, summed and divided by 4 pi. For a closed surface
// whose normals point outwards it is 1 inside and 0 outside; it stays a sound measure where the
// surface is not closed or not one piece: faces that do not share their corners along a seam, a
// fin, a small hole, parts that run into one another (2 where two overlap).
//
// Evaluated fast as Barill, Dickson, Schmidt, Levin and Jacobson do ("Fast winding numbers for
// soups and clouds"): a bounding volume hierarchy whose every node holds the Taylor expansion, to
// second order, of the field of its triangles (each a dipole sheet) about their area-weighted
// centroid. A node whose centroid lies farther from the point than kFarFieldRatio times its radius
// adds its expansion; a nearer one is opened, down to the triangles, whose solid angles are summed
// exactly. The same hierarchy finds where a segment crosses the surface.
//
// Computed in doubles in a fixed order (the tree's shape and the order of every sum depend on the
// mesh alone), with no function of the C library but the square root: the same bits on every
// build, platform and number of threads.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "geometry/vector3.h"
#include "surface_transfer/surface_methods.h"

class WindingTree {
 public:
  // A node is summed by its expansion when the point lies farther than this many times the
  // node's radius from its centroid; the expansion's error then falls as the cube of the ratio.
  static constexpr double kFarFieldRatio = 2.0;

  // Builds over the triangles of `mesh` that have three corners in range, finite coordinates and
  // an area; the others are left out. Nothing of the mesh is kept.
  void Build(const TriangleMesh& mesh);

  bool empty() const { return nodes_.empty(); }

  // The winding number at `point`, fast (see above).
  double WindingNumber(const Vector3& point) const;
  // The same, every triangle summed exactly: the reference.
  double ExactWindingNumber(const Vector3& point) const;

  // Where the segment from `from` to `to` meets a triangle: at from + along * (to - from), along in
  // [0, 1]; `withNormal` when the segment goes the way the triangle's normal points (from its back
  // to its front). A segment that meets an edge meets each triangle there.
  struct Crossing {
    double along;
    uint32_t triangle;  // the index in the mesh
    bool withNormal;
  };
  // Every crossing of the segment, ordered by `along` and then by triangle.
  std::vector<Crossing> Crossings(const Vector3& from, const Vector3& to) const;
  // Whether the segment crosses a triangle from the side its normal times `facing` (+1 or -1)
  // points to, to the other side.
  bool CrossesAgainst(const Vector3& from, const Vector3& to, int facing) const;

  // The length of the diagonal of the box around the surface (0 when empty).
  double Diagonal() const;

  struct StoredTriangle {
    Vector3 a, b, c;
    uint32_t index;
  };
  struct Node {
    double low[3], high[3];  // the box around the node's corners
    double center[3];        // the area-weighted centroid
    double radius;           // the greatest distance of a corner from it
    double area;
    double vectorArea[3];     // sum of area times unit normal
    double firstMoment[9];    // [3i + j]: sum of (area times normal)_i times (x - center)_j
    double secondMoment[18];  // [6i + jk]: the same with (x - center)_j (x - center)_k, jk in
                              // xx, xy, xz, yy, yz, zz, integrated over each triangle
    int32_t children[2];      // -1 for a leaf
    int32_t begin, count;     // its triangles in tree order
  };

 private:
  // Appends the node over slots [begin, end) of `order` (places in triangles_ by the centroids'
  // order along the longest axis of their box), and the nodes below it; returns its index.
  int32_t BuildNode(std::vector<uint32_t>& order, const std::vector<double>& centroids,
                    int32_t begin, int32_t end);
  void LeafMoments(Node& node) const;
  void JoinMoments(Node& node) const;

  std::vector<StoredTriangle> triangles_;
  std::vector<Node> nodes_;
};
