// Keeping a Destination outside the Source: a vertex that lies outside the rest Source (for an
// open Source, a sheet or a face: on either side) must not end inside the morphed Source or on
// its other side. Such a vertex is pushed out along the morphed surface until it lies at least a
// given distance outside.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "search/nearest_search.h"
#include "surface/closest_point.h"
#include "surface_transfer/surface_methods.h"

// The side of the rest Source each Destination vertex lies on: +1 outside (or, for an open Source,
// on the side its normal points to), -1 inside (the other side), 0 for a vertex that is not
// checked (left out by the mask, with no closest point, or lying exactly on the surface). `hits`
// are the vertices' closest points on `restSource` (as MatchDestination finds them, limits
// aside). The side is judged by the pseudo-normal at the closest point (pseudo_normals.h); a
// vertex whose hit lies on a triangle of zero area is looked up again among the triangles with a
// normal.
std::vector<int8_t> RestSides(const TriangleMesh& restSource, const TriangleMesh& destination,
                              const SurfaceHit* hits, unsigned threadCount);

// Whether the Source is closed: every edge of a triangle with three different corners is shared by
// exactly two such triangles, once in each direction (so the surface is consistently oriented and
// its normals tell outside from inside). Triangles with a repeated corner (points and doubled
// segments) are passed over, while a triangle of zero area with three different corners counts (it
// may close a seam); a mesh without triangles, or with a corner out of range, is open.
// Then only vertices outside it are kept outside; on an open Source every vertex keeps its side.
bool IsClosedSurface(const TriangleMesh& mesh);

// The relative shortfall of the distance a pushed vertex may end at: it ends at least
// distance * (1 - kKeepOutsideTolerance) from the morphed Source, and always strictly on its side.
constexpr float kKeepOutsideTolerance = 1.0f / 1024.0f;

// For one target: the Source's morphed positions (rest plus the target's displacements), the
// Destination's rest positions with their transferred `deltas`. Every checked vertex (sides[i]
// != 0, and sides[i] > 0 when the Source is closed) whose morphed position lies on the wrong side
// of the morphed Source, or nearer to it than `distance`, is moved to `distance` from it on its
// own side, along the morphed surface's pseudo-normal; its delta is changed and marks[i] (when
// `marks` is given) gets kVertexPushed. Every other delta keeps its bits.
//
// Where the surface is concave the closest point moves as the vertex does: the push is repeated
// from the new closest point a few times, then tried farther and farther along the normals at the
// first and the last closest points (out of a narrow groove along its middle). Failing that, the
// farthest position found strictly on the vertex's side is taken (then, exceptionally, nearer
// than `distance`: in a pocket too small for it), and should there be none the delta stays. A
// pushed vertex ends a little beyond `distance` (by about 2^-18 of the size of the coordinates
// around it), so that rounding never leaves it short; `distance` 0 asks for its own side only,
// strictly. A negative distance counts as 0; with a distance that is not finite nothing is pushed.
// Returns how many vertices were pushed. The result does not depend on `threadCount` (0: as many as
// the machine runs).
std::size_t KeepOutside(const TriangleMesh& morphedSource, const TriangleMesh& destination,
                        const std::vector<int8_t>& sides, bool closedSource, float distance,
                        Vector3* deltas, uint8_t* marks, unsigned threadCount);
