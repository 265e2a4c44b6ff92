// Transfers along the Source's surface, beyond the plug-in's rule: every Destination vertex is
// matched to the closest point of the Source's triangles, and takes its motion from there.
//
//   surface: the displacement at the closest point, blended from its triangle's corners by the
//            point's barycentric weights.
//   carry:   as surface, and the offset from the closest point to the vertex turns and stretches
//            with the surface around that point, so that a shell over the Source keeps its
//            distance and whatever sits on the surface follows it; the displacement at the closest
//            point is corrected for the bend of the motion over its triangle, and a small piece
//            of the Destination sitting on the surface (a bead, a button) moves as a rigid body.
//
// A match may be refused by a distance or an angle limit; refused vertices are filled smoothly
// from their matched neighbours over the Destination's mesh (smooth_fill.h), turning as the carry
// turned those, and a part of the Destination with no matched vertex moves rigidly with the
// surface nearest to it. A matched vertex whose displacement is not finite is refused too, so that
// finite input anywhere else gives finite output. On request, a
// vertex that lay outside the Source before the morph is kept outside the morphed Source
// (keep_outside.h).
//
// Host-free, computed in 32-bit floats in a fixed order: the results do not depend on the number
// of threads.
#pragma once

#include <cstddef>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "search/nearest_search.h"
#include "surface/closest_point.h"
#include "surface_transfer/linear_map.h"
#include "transfer/transfer.h"

// A triangle mesh over plain arrays: `positions` holds `vertexCount` points, `triangles` three
// vertex indices for each of `triangleCount` triangles (polygons are fanned into triangles by
// whoever hands them over).
struct TriangleMesh {
  const Vector3* positions = nullptr;
  std::size_t vertexCount = 0;
  const uint32_t* triangles = nullptr;
  std::size_t triangleCount = 0;
};

enum class SurfaceMethod : int32_t {
  kSurfacePoint = 1,
  kCarriedOffset = 2,
};

// What was done to a Destination vertex, one byte per vertex; bits may combine.
enum VertexMark : uint8_t {
  kVertexMatched = 1,  // took its motion from its own closest point
  kVertexFilled = 2,   // refused by a limit, filled from matched neighbours
  kVertexRigid = 4,    // in a part with no matched vertex: moved rigidly
  kVertexPushed = 8,   // pushed back outside the morphed Source in at least one target
  // Its own motion was not finite in at least one target (a Source displacement not a number or
  // beyond the float range): a matched vertex is refused instead, in every target, and filled or
  // moved rigidly (marked so too); a vertex that even so has no finite displacement in a target
  // keeps a zero one there.
  kVertexNonFinite = 16,
};

struct SurfaceTransferOptions {
  SurfaceMethod method = SurfaceMethod::kCarriedOffset;
  // A match farther than this from the vertex is refused; infinity: no limit.
  float maxDistance = std::numeric_limits<float>::infinity();
  // A match whose Source normal turns more than this many degrees from the Destination vertex's
  // normal is refused; 180 or more: no limit.
  float maxAngleDegrees = 180.0f;
  // Negative: off. Otherwise a vertex outside the Source at rest ends at least this far outside
  // the morphed Source in every target.
  float keepOutside = -1.0f;
  // 0: as many as the machine runs.
  unsigned threadCount = 0;
};

// The rest shape of one Source triangle as the carry method needs it: the inverse of the map whose
// columns are its edges b - a, c - a and its unit normal, and its weight, twice its area (0 for a
// triangle left out: of zero area, or not finite).
struct RestFrame {
  LinearMap inverse;
  float weight;
};

// The rest Source made ready for any number of Destinations: its closest-point search and what
// the methods need of its surface (normals, and the frames that carry offsets). Built once.
class PreparedSource {
 public:
  // False when the mesh is refused (a corner out of range, too large, memory); `error` says why.
  // The mesh's arrays are used in place: they must outlive the prepared Source.
  bool Build(const TriangleMesh& rest, unsigned threadCount, std::string* error);
  const TriangleMesh& rest() const { return rest_; }
  const ClosestPointSearch& search() const { return search_; }
  // Frees the closest-point search, the largest part, once no Destination will be matched any
  // more (see MatchAlongSurface): what follows the matching needs everything else.
  void ReleaseSearch() { search_ = ClosestPointSearch(); }
  // The unit normal of the surface at a hit, continuous across triangles (blended from the
  // corners' normals by the hit's barycentric weights). Zero where the surface has none.
  Vector3 NormalAt(const SurfaceHit& hit) const;
  // Area-weighted unit normals of the rest vertices, one per vertex (zero for a vertex no
  // triangle of positive area uses).
  const std::vector<Vector3>& vertexNormals() const { return vertexNormals_; }
  // One per triangle.
  const std::vector<RestFrame>& restFrames() const { return restFrames_; }
  // The triangles that use a vertex, in increasing index: incidentTriangles()[k] for k from
  // incidentStarts()[v] below incidentStarts()[v + 1] (a triangle that names a vertex twice, of
  // zero area, is listed twice).
  const std::vector<std::size_t>& incidentStarts() const { return incidentStarts_; }
  const std::vector<uint32_t>& incidentTriangles() const { return incidentTriangles_; }

 private:
  TriangleMesh rest_;
  ClosestPointSearch search_;
  std::vector<Vector3> vertexNormals_;
  std::vector<RestFrame> restFrames_;
  std::vector<std::size_t> incidentStarts_;
  std::vector<uint32_t> incidentTriangles_;
};

// Every Destination vertex's closest point on the rest Source (hits[i].triangle == -1 where the
// mask leaves vertex i out or it has no answer), and whether the limits accept it: marks[i] gets
// kVertexMatched for an accepted match, 0 otherwise. `destinationNormals` (one unit normal per
// vertex, or null) is needed only by the angle limit.
void MatchDestination(const PreparedSource& source, const TriangleMesh& destination,
                      const uint8_t* mask, const Vector3* destinationNormals,
                      const SurfaceTransferOptions& options, SurfaceHit* hits, uint8_t* marks);

// A small piece of the Destination (small_parts.cpp): the closest point of its centroid, and how
// rigidly the carry method moves it, from 0 (vertex by vertex) to 1 (as a rigid body turning with
// the surface's frame at that point).
struct SmallPart {
  SurfaceHit anchor;
  float rigidity;
};

struct SmallParts {
  // Per Destination vertex, its piece in `parts`; -1 for a vertex in none (of no triangle, or not
  // matched).
  std::vector<int32_t> partOfVertex;
  std::vector<SmallPart> parts;
};

// The Destination's pieces (connected parts of its mesh), measured on their matched vertices.
SmallParts FindSmallParts(const PreparedSource& source, const TriangleMesh& destination,
                          const SurfaceHit* hits, const uint8_t* marks);

// One target's displacement of every matched vertex (marks[i] & kVertexMatched), by the method;
// other entries of `deltas` are left as they are. `target` gives the displacement of each Source
// vertex; `pieces` (needed by the carry method only, may be null otherwise) are the Destination's
// pieces by FindSmallParts.
void CarryDisplacements(const PreparedSource& source, const TargetDisplacements& target,
                        SurfaceMethod method, const TriangleMesh& destination,
                        const SurfaceHit* hits, const uint8_t* marks, const SmallParts* pieces,
                        Vector3* deltas, unsigned threadCount);

// The same for every target: deltas[t] for targets[t]. The Source's changes around the matches are
// measured for each target in room made once.
void CarryEveryTarget(const PreparedSource& source, const TargetDisplacements* targets,
                      std::size_t targetCount, SurfaceMethod method,
                      const TriangleMesh& destination, const SurfaceHit* hits, const uint8_t* marks,
                      const SmallParts* pieces, Vector3* const* deltas, unsigned threadCount);

// How the carry method turned and stretched the offsets of the given matched vertices in one
// target, one map per vertex, as F - I: the change at the vertex's closest point, and for a vertex
// of a small piece that change blended with the piece's rotation by the piece's rigidity. `pieces`
// may be null (no piece moves rigidly).
std::vector<LinearMap> CarriedChanges(const PreparedSource& source,
                                      const TargetDisplacements& target, const SurfaceHit* hits,
                                      const SmallParts* pieces,
                                      const std::vector<uint32_t>& vertices, unsigned threadCount);

// A rigid motion: a point p moves to p + translation, and points near it turn with it:
// x -> x + translation + (rotation * (x - p) - (x - p)). `rotation` is row-major.
struct RigidMotion {
  Vector3 origin;
  Vector3 translation;
  float rotation[9];
};

// How the surface around a hit moves in one target, as a rigid motion (the rotation nearest to
// the surface's local change there).
RigidMotion RigidMotionAt(const PreparedSource& source, const TargetDisplacements& target,
                          const SurfaceHit& hit);

// The Destination vertices' area-weighted unit normals (zero where no triangle of positive area
// meets a vertex).
std::vector<Vector3> DestinationNormals(const TriangleMesh& destination);

// What a transfer along the surface finds with the Source's closest-point search, before it
// carries any target: every Destination vertex's closest point and what the limits make of it
// (as MatchDestination), and for the carry method the Destination's small pieces.
struct SurfaceMatches {
  std::vector<SurfaceHit> hits;
  std::vector<uint8_t> marks;
  SmallParts pieces;
};

SurfaceMatches MatchAlongSurface(const PreparedSource& source, const TriangleMesh& destination,
                                 const uint8_t* mask, const SurfaceTransferOptions& options);

// The rest of the transfer from its matches: carry every target, fill what was refused, keep
// outside. Uses no closest-point search of the Source, which may have been released.
bool CarryAlongSurface(const PreparedSource& source, const TargetDisplacements* targets,
                       std::size_t targetCount, const TriangleMesh& destination,
                       const uint8_t* mask, const SurfaceTransferOptions& options,
                       SurfaceMatches matches, Vector3* const* deltas, uint8_t* marks,
                       std::string* error);

// The whole transfer along the surface: deltas[t][i] for every target t and Destination vertex i
// (zero for vertices the mask leaves out, and for those with no closest point), marks[i] as above
// (may be null). False with `error` set when the fill of refused vertices cannot be prepared.
bool TransferAlongSurface(const PreparedSource& source, const TargetDisplacements* targets,
                          std::size_t targetCount, const TriangleMesh& destination,
                          const uint8_t* mask, const SurfaceTransferOptions& options,
                          Vector3* const* deltas, uint8_t* marks, std::string* error);
