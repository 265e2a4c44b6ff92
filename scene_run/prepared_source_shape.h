// One Source made ready for placing vertices: its search by the plug-in's rule and its surface
// for the surface methods, each made when first asked for.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "host/host_api.h"
#include "host_imitation/host_object.h"
#include "scene_run/document_state.h"
#include "search/nearest_search.h"
#include "surface_transfer/surface_methods.h"

namespace palisor_run {

class PreparedSourceShape {
 public:
  PreparedSourceShape(const ObjectState& source);
  PreparedSourceShape(const PreparedSourceShape&) = delete;
  PreparedSourceShape& operator=(const PreparedSourceShape&) = delete;

  // Whether this was made of a Source with the same positions, bit for bit, and the same faces.
  bool IsOf(const ObjectState& source) const;

  // The plug-in's search over the vertices `used` marks.
  const PreparedNearestSearch& NearestSearch(const std::vector<uint8_t>& used);
  // The Source's triangles made ready for the surface methods; throws InputError where they
  // cannot serve.
  const PreparedSource& Surface();
  // Frees the surface's closest-point search once no Destination will be matched to it any more;
  // a later Surface() makes the surface ready again.
  void ReleaseSurfaceSearch();
  // The surface as it is, its search freed or not, for what follows the matching; Surface() must
  // have made it ready.
  const PreparedSource& SurfaceAsItIs() const { return *surface_; }
  // The length of the diagonal of the box around the Source's triangles (finite coordinates
  // only), for distance limits given as a share of the Source's size; the surface must be ready.
  double TriangleBoxDiagonal() const;

 private:
  std::string name_;
  // The rest positions, which the surface's search computes with in place.
  std::vector<Vector3> positions_;
  // Shared with the object: faces never change.
  std::shared_ptr<const host_imitation::FaceList> faces_;
  std::unique_ptr<PreparedNearestSearch> nearest_;
  std::vector<uint32_t> triangles_;
  std::unique_ptr<PreparedSource> surface_;
  bool searchReleased_ = false;
};

// Every face of three or more corners as a fan of triangles from its first corner; a face with a
// corner outside the vertices is left out.
std::vector<uint32_t> FanTriangles(const host_imitation::FaceList& faces, std::size_t vertices);

// The length of the diagonal of the box around the triangles' corners (finite coordinates only).
double TriangleBoxDiagonal(const std::vector<Vector3>& positions,
                           const std::vector<uint32_t>& triangles);

// The positions as the transfer computes with them.
std::vector<Vector3> Vector3Positions(const std::vector<MQPoint>& points);

}  // namespace palisor_run
