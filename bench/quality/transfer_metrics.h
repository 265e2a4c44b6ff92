// How well a transfer carried a scene's morph: its Destination deltas measured against the known
// truth.
//
//   rmsError, largestError: the distance of each transferred vertex from its true position, root
//       mean square and largest over the vertices whose truth is defined, in units of the scene's
//       delta.
//   inside: how many transferred vertices (all of them) lie inside the morphed body (InsideTest,
//       by the winding number, at the position a host holds: rest plus delta in floats).
//   roughness: the Laplacian energy of the transferred motion over that of the true motion, the
//       energy being the sum over vertices of |sum over mesh neighbours j of (m_j - m_i)|^2 (the
//       uniform graph Laplacian of the Destination's mesh, over the triangles whose truth is
//       defined); 1 is as smooth as the truth.
//   crossTalk: the largest error, in delta, over the scene's cross-talk vertices (the vertices of
//       a part over a still limb or lip that lie near the moving one): any motion there comes from
//       the other part. NaN when the scene has none.
#pragma once

#include <vector>

#include "quality/inside_test.h"
#include "quality/quality_scene.h"

struct TransferMetrics {
  // How many vertices the transfer moved at all (a delta other than zero).
  std::size_t moved = 0;
  double rmsError = 0.0;
  double largestError = 0.0;
  std::size_t inside = 0;
  double roughness = 0.0;
  double crossTalk = 0.0;
};

// `deltas` holds one displacement per Destination vertex.
TransferMetrics MeasureTransfer(const QualityScene& scene, const InsideTest& morphedBody,
                                const std::vector<Vector3>& deltas);

// The Laplacian energy defined above of one motion per vertex over the triangles' edges.
double LaplacianEnergy(const std::vector<uint32_t>& triangles, const std::vector<Vector3d>& motion);
