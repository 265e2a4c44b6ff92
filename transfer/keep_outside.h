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
#include "transfer/surface_methods.h"

// The side of the rest Source each Destination vertex lies on: +1 outside (or, for an open Source,
// on the side its normal points to), -1 inside (the other side), 0 for a vertex that is not
// checked (left out by the mask, or with no closest point). `hits` are the vertices' closest
// points on the rest Source (as MatchDestination finds them, limits aside).
std::vector<int8_t> RestSides(const PreparedSource& source, const TriangleMesh& destination,
                              const SurfaceHit* hits, unsigned threadCount);

// Whether the Source is closed (every edge shared by exactly two triangles): then only vertices
// outside it are kept outside; on an open Source every vertex keeps its side.
bool IsClosedSurface(const TriangleMesh& mesh);

// For one target: the Source's morphed positions (rest plus the target's displacements), the
// Destination's rest positions with their transferred `deltas`. Every checked vertex (sides[i]
// != 0, and sides[i] > 0 when the Source is closed) whose morphed position lies on the wrong side
// of the morphed Source, or nearer to it than `distance`, is moved to `distance` from it on its
// own side, along the morphed surface's normal; its delta is changed and marks[i] gets
// kVertexPushed. Returns how many vertices were pushed.
std::size_t KeepOutside(const TriangleMesh& morphedSource, const TriangleMesh& destination,
                        const std::vector<int8_t>& sides, bool closedSource, float distance,
                        SearchPoint* deltas, uint8_t* marks, unsigned threadCount);
