// Keeping a Destination outside the Source: a vertex that lay outside the rest Source must not end
// inside the morphed Source, nor nearer to it than it was, up to a given distance. Keep-outside
// only undoes what the morph did: a vertex keeps at least min(distance, its clearance before the
// morph) from the morphed Source, and one that already does keeps its delta, bit for bit.
//
// Inside and outside. A Source that bounds a solid (source_form.h: its edges pair up once its
// corners are welded by position, up to a fin or a small hole) is judged by its generalized
// winding number (winding_tree.h), turned by the orientation of the whole mesh: a vertex is inside
// where it is at least one half. Faces split along seams, fins, holes, an inside-out Source and
// parts that run into one another after the morph are judged as they are. Only the vertices
// outside the rest Source are kept outside; those inside are left as they are. On an open Source
// (a sheet, a face) every vertex keeps the side it was on, judged by the pseudo-normal at its
// closest point (pseudo_normals.h) of the welded surface.
//
// The push (outside_push.h). A vertex that ends inside, or nearer than it should, is moved to the
// nearest place found on its side at the distance it should keep, along a straight path from
// where the morph put it that never crosses the morphed surface towards the other side (never
// through a part of the Source). Where no such place lies within a few times the least move that
// could reach one, it takes the place on its side farthest from the surface that it found: a
// vertex in a pocket too small for the distance stays in the pocket. A pushed vertex ends a little
// beyond the distance (by about 2^-18 of the size of the coordinates around it), so that rounding
// never leaves it short.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "surface/closest_point.h"
#include "surface_transfer/surface_methods.h"

// What keep-outside measures before any morph, once for every target.
struct RestOutside {
  // The rest Source: its positions (which must outlive this) and its corners welded by position.
  const Vector3* restPositions = nullptr;
  std::size_t sourceVertexCount = 0;
  std::vector<uint32_t> weldedCorners;
  // +1 or -1 for a solid whose faces point outwards or inwards, 0 for an open Source.
  int orientation = 0;
  // Per Destination vertex: +1 outside a solid (or on the side an open Source's normals point to),
  // -1 inside a solid (left as it is) or on an open Source's other side, 0 not checked (left out
  // by the mask, with no closest point, or lying on the surface).
  std::vector<int8_t> sides;
  // Per Destination vertex: its distance from the rest Source.
  std::vector<float> clearances;
};

// Measures the rest Source and the Destination's rest positions. `hits` are the vertices' closest
// points on `restSource` (as MatchDestination finds them, limits aside).
RestOutside MeasureRestOutside(const TriangleMesh& restSource, const TriangleMesh& destination,
                               const SurfaceHit* hits, unsigned threadCount);

// For one target: the Source's morphed positions (rest plus the target's displacements, in the
// order of the rest Source's vertices), the Destination's rest positions with their transferred
// `deltas`. Every checked vertex (on a solid, outside at rest) that ends on the wrong side of the
// morphed Source, or nearer to it than min(distance, its rest clearance) (less the relative
// kKeepOutsideTolerance), is pushed as above; its delta changes and marks[i] (when `marks` is
// given) gets kVertexPushed. Every other delta keeps its bits: where neither the Source nor a
// vertex moves, nothing does. A negative distance counts as 0, which asks for the vertex's side
// only, strictly; with a distance that is not finite nothing is pushed. Returns how many vertices
// were pushed. The result does not depend on `threadCount` (0: as many as the machine runs).
std::size_t KeepOutside(const Vector3* morphedPositions, const TriangleMesh& destination,
                        const RestOutside& rest, float distance, Vector3* deltas, uint8_t* marks,
                        unsigned threadCount);
