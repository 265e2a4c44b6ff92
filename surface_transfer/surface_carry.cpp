// Carrying a target's motion from the Source's surface to matched Destination vertices: the
// displacement at the closest point, and for the carry method the local change of the surface
// applied to the vertex's offset from it.
//
// The change of a triangle is the linear map that takes its rest edges b - a, c - a and unit
// normal to their morphed counterparts: F = [e1' e2' n'] [e1 e2 n]^-1. It is kept as F - I,
// computed as [e1' - e1, e2' - e2, n' - n] [e1 e2 n]^-1, so that a target that leaves a triangle
// where it was changes nothing, to the bit, and a small change keeps the precision of its own
// size rather than that of entries near 1. A vertex's change is the mean of its triangles',
// weighted by their rest areas (triangles of zero area, rest or morphed, left out; none left: no
// change), and the change at a point is blended from its triangle's corners, so that it is
// continuous across edges and offsets carried from neighbouring triangles show no seam. A rigid
// motion of the Source gives that motion's rotation everywhere, up to rounding.
//
// The displacement at the closest point is not the linear blend of the corners' displacements
// alone: where the motion bends over a triangle (a bulge, a twist) that blend errs by the
// triangle's size squared times the bend, which on a coarse Source is many times the error the
// carried offset leaves. Each corner's change also gives a first-order estimate of the
// displacement at the point, the corner's displacement plus its change applied to the point's
// offset from it; the blend of those errs by as much the other way, and the mean of the two is
// exact for a motion that varies quadratically over the triangle. For those estimates a corner's
// change takes the unit normal to the morphed one scaled as the triangle's edges are on average
// (the square root of its area's ratio), so that a uniform scaling of space is reproduced
// exactly; the offset from the surface is carried with the unit normal kept unit.
#include <algorithm>
#include <cmath>
#include <memory>
#include <utility>
#include <vector>

#include "geometry/vector3.h"
#include "parallel/parallel_chunks.h"
#include "surface_transfer/surface_methods.h"
#include "transfer/interpolated_delta.h"

namespace {

constexpr std::size_t kVerticesPerChunk = 4096;
// The vertices whose triangles' changes are computed together: enough that most triangles are
// met by all their corners in one run, few enough that the run's changes stay in the cache.
constexpr std::size_t kVerticesPerRun = 1024;

int32_t Corner(const TriangleMesh& mesh, std::size_t triangle, int corner) {
  return static_cast<int32_t>(mesh.triangles[3 * triangle + static_cast<std::size_t>(corner)]);
}

// A triangle's or a vertex's change in one target: `carried` takes the unit normal to the morphed
// unit normal, `spatial` to the morphed one scaled by the square root of the area's ratio.
struct SurfaceChange {
  LinearMap carried;
  LinearMap spatial;
};

// A triangle's changes in the target, each as F - I; false for a triangle left out.
bool TriangleChange(const PreparedSource& source, const TargetDisplacements& target,
                    std::size_t triangle, SurfaceChange* change) {
  const RestFrame& frame = source.restFrames()[triangle];
  if (!(frame.weight > 0.0f)) return false;
  const TriangleMesh& rest = source.rest();
  const int32_t corners[3] = {Corner(rest, triangle, 0), Corner(rest, triangle, 1),
                              Corner(rest, triangle, 2)};
  Vector3 at[3];
  Vector3 moved[3];
  Vector3 by[3];
  for (int k = 0; k < 3; ++k) {
    at[k] = rest.positions[corners[k]];
    by[k] = target.Of(corners[k]);
    moved[k] = Plus(at[k], by[k]);
  }
  const Vector3 normal = UnitOrZero(Cross(Minus(at[1], at[0]), Minus(at[2], at[0])));
  const Vector3 movedAcross = Cross(Minus(moved[1], moved[0]), Minus(moved[2], moved[0]));
  const Vector3 movedNormal = UnitOrZero(movedAcross);
  if (IsZero(movedNormal)) return false;
  // Twice the morphed area over twice the rest area, as FrameOf measures it: 1 to the bit where
  // the triangle stays.
  const float stretch = std::sqrt(std::sqrt(Dot(movedAcross, movedAcross)) / frame.weight);
  const Vector3 first = Minus(by[1], by[0]);
  const Vector3 second = Minus(by[2], by[0]);
  change->carried = Product(FromColumns(first, second, Minus(movedNormal, normal)), frame.inverse);
  change->spatial = Product(FromColumns(first, second, Minus(Times(movedNormal, stretch), normal)),
                            frame.inverse);
  return true;
}

// A vertex's changes: the weighted means of its triangles' changes, each given by `changeOf`.
template <typename ChangeOf>
SurfaceChange VertexChange(const PreparedSource& source, std::size_t vertex,
                           const ChangeOf& changeOf) {
  SurfaceChange sum{ZeroMap(), ZeroMap()};
  float weights = 0.0f;
  const std::vector<uint32_t>& incident = source.incidentTriangles();
  for (std::size_t k = source.incidentStarts()[vertex]; k < source.incidentStarts()[vertex + 1];
       ++k) {
    SurfaceChange change;
    if (!changeOf(incident[k], &change)) continue;
    const float weight = source.restFrames()[incident[k]].weight;
    AddWeighted(sum.carried, change.carried, weight);
    AddWeighted(sum.spatial, change.spatial, weight);
    weights = weights + weight;
  }
  if (!(weights > 0.0f)) return SurfaceChange{ZeroMap(), ZeroMap()};
  for (float& entry : sum.carried.m) entry = entry / weights;
  for (float& entry : sum.spatial.m) entry = entry / weights;
  return sum;
}

// The changes of the triangles around a run of vertices, each computed once: the vertices of a
// run share most of their triangles. `slotOf` (one entry per Source triangle, all -1) tells where
// a triangle's change was put, and is left all -1 again.
class NearbyTriangleChanges {
 public:
  // Computes the changes of the triangles of the needed vertices in [begin, end).
  NearbyTriangleChanges(const PreparedSource& source, const TargetDisplacements& target,
                        const std::vector<uint8_t>& needed, std::size_t begin, std::size_t end,
                        std::vector<int32_t>& slotOf)
      : slotOf_(slotOf) {
    const std::vector<uint32_t>& incident = source.incidentTriangles();
    for (std::size_t v = begin; v < end; ++v) {
      if (needed[v] == 0) continue;
      for (std::size_t k = source.incidentStarts()[v]; k < source.incidentStarts()[v + 1]; ++k) {
        int32_t& slot = slotOf_[incident[k]];
        if (slot >= 0) continue;
        slot = static_cast<int32_t>(triangles_.size());
        triangles_.push_back(incident[k]);
        changes_.emplace_back();
        changed_.push_back(TriangleChange(source, target, incident[k], &changes_.back()) ? 1 : 0);
      }
    }
  }
  ~NearbyTriangleChanges() {
    for (const uint32_t triangle : triangles_) slotOf_[triangle] = -1;
  }
  NearbyTriangleChanges(const NearbyTriangleChanges&) = delete;
  NearbyTriangleChanges& operator=(const NearbyTriangleChanges&) = delete;

  // The change of one of those triangles; false for a triangle left out.
  bool Of(std::size_t triangle, SurfaceChange* change) const {
    const auto k = static_cast<std::size_t>(slotOf_[triangle]);
    *change = changes_[k];
    return changed_[k] != 0;
  }

 private:
  std::vector<int32_t>& slotOf_;
  std::vector<uint32_t> triangles_;
  std::vector<SurfaceChange> changes_;
  std::vector<uint8_t> changed_;
};

// Room for the changes of one target, made once and used again for every target: the needed
// Source vertices' changes (the others' are not computed and not read). The triangles' changes
// are computed run by run of vertices and not kept: room for every triangle's change would be
// twice that of the vertices' own.
struct ChangeRoom {
  std::vector<uint8_t> neededVertices;
  std::vector<SurfaceChange> vertices;

  ChangeRoom(const PreparedSource& source, std::vector<uint8_t> needed)
      : neededVertices(std::move(needed)),
        vertices(source.rest().vertexCount, SurfaceChange{ZeroMap(), ZeroMap()}) {}

  // The needed vertices' changes in `target`.
  void Measure(const PreparedSource& source, const TargetDisplacements& target,
               unsigned threadCount) {
    RunInChunks(vertices.size(), threadCount, kVerticesPerChunk,
                [&](std::size_t begin, std::size_t end) {
                  std::vector<int32_t> slotOf(source.rest().triangleCount, -1);
                  for (std::size_t run = begin; run < end; run += kVerticesPerRun) {
                    MeasureRun(source, target, run, std::min(end, run + kVerticesPerRun), slotOf);
                  }
                });
  }

  void MeasureRun(const PreparedSource& source, const TargetDisplacements& target,
                  std::size_t begin, std::size_t end, std::vector<int32_t>& slotOf) {
    const NearbyTriangleChanges nearby(source, target, neededVertices, begin, end, slotOf);
    const auto changeOf = [&nearby](std::size_t triangle, SurfaceChange* change) {
      return nearby.Of(triangle, change);
    };
    for (std::size_t v = begin; v < end; ++v) {
      if (neededVertices[v] != 0) vertices[v] = VertexChange(source, v, changeOf);
    }
  }
};

// The Source vertices whose changes the carry asks for: the corners of the matched vertices' and
// the pieces' anchors' triangles.
std::vector<uint8_t> NeededVertices(const PreparedSource& source, std::size_t destinationCount,
                                    const SurfaceHit* hits, const uint8_t* marks,
                                    const SmallParts* pieces) {
  std::vector<uint8_t> needed(source.rest().vertexCount, 0);
  const auto need = [&](const SurfaceHit& hit) {
    if (hit.triangle < 0) return;
    const uint32_t* corners = source.rest().triangles + 3 * static_cast<std::size_t>(hit.triangle);
    for (int k = 0; k < 3; ++k) needed[corners[k]] = 1;
  };
  for (std::size_t i = 0; i < destinationCount; ++i) {
    if ((marks[i] & kVertexMatched) != 0) need(hits[i]);
  }
  if (pieces != nullptr) {
    for (const auto& part : pieces->parts) need(part.anchor);
  }
  return needed;
}

// The target's displacement at the hit, blended from its triangle's corners.
Vector3 SurfaceDelta(const PreparedSource& source, const TargetDisplacements& target,
                     const SurfaceHit& hit) {
  const auto triangle = static_cast<std::size_t>(hit.triangle);
  const TriangleMesh& rest = source.rest();
  return Blend(hit.barycentric, target.Of(Corner(rest, triangle, 0)),
               target.Of(Corner(rest, triangle, 1)), target.Of(Corner(rest, triangle, 2)));
}

// What the carry method adds to the blend of the corners' displacements at the hit, in doubles,
// for a vertex whose offset from the hit (or the hit's from a corner) is beyond the float range;
// the result saturated to it.
Vector3 CarriedChangeInDoubles(const PreparedSource& source,
                               const std::vector<SurfaceChange>& changes, const SurfaceHit& hit,
                               const Vector3& vertex) {
  const TriangleMesh& rest = source.rest();
  const uint32_t* corners = rest.triangles + 3 * static_cast<std::size_t>(hit.triangle);
  const auto difference = [](const float* a, const Vector3& b, int axis) {
    return static_cast<double>(a[axis]) - static_cast<double>((&b.x)[axis]);
  };
  double offset[3];
  for (int axis = 0; axis < 3; ++axis) offset[axis] = -difference(hit.point, vertex, axis);
  double carried[3] = {0.0, 0.0, 0.0};
  for (int k = 0; k < 3; ++k) {
    const SurfaceChange& change = changes[corners[k]];
    double fromCorner[3];
    for (int axis = 0; axis < 3; ++axis) {
      fromCorner[axis] = difference(hit.point, rest.positions[corners[k]], axis);
    }
    for (int row = 0; row < 3; ++row) {
      const float* c = change.carried.m + 3 * row;
      const float* p = change.spatial.m + 3 * row;
      const double moved =
          (c[0] * offset[0] + c[1] * offset[1] + c[2] * offset[2]) +
          0.5 * (p[0] * fromCorner[0] + p[1] * fromCorner[1] + p[2] * fromCorner[2]);
      carried[row] += moved * hit.barycentric[k];
    }
  }
  return Vector3{Saturated(static_cast<float>(carried[0])),
                 Saturated(static_cast<float>(carried[1])),
                 Saturated(static_cast<float>(carried[2]))};
}

// What the carry method adds to the blend of the corners' displacements at the hit, for a vertex
// at `vertex`: for each corner, weighted by the hit's barycentric weights, its carried change
// applied to the vertex's offset from the hit, and half its spatial change applied to the hit's
// offset from the corner.
Vector3 CarriedChange(const PreparedSource& source, const std::vector<SurfaceChange>& changes,
                      const SurfaceHit& hit, const Vector3& vertex) {
  const TriangleMesh& rest = source.rest();
  const uint32_t* corners = rest.triangles + 3 * static_cast<std::size_t>(hit.triangle);
  const Vector3 point = Vector3At(hit.point);
  const Vector3 offset = Minus(vertex, point);
  Vector3 fromCorners[3];
  bool finite = IsFinite(offset);
  for (int k = 0; k < 3; ++k) {
    fromCorners[k] = Minus(point, rest.positions[corners[k]]);
    finite = finite && IsFinite(fromCorners[k]);
  }
  if (!finite) return CarriedChangeInDoubles(source, changes, hit, vertex);
  Vector3 carried{0.0f, 0.0f, 0.0f};
  for (int k = 0; k < 3; ++k) {
    const SurfaceChange& change = changes[corners[k]];
    const Vector3 moved =
        Plus(Apply(change.carried, offset), Times(Apply(change.spatial, fromCorners[k]), 0.5f));
    carried = Plus(carried, Times(moved, hit.barycentric[k]));
  }
  return carried;
}

// A piece's rigid motion in the target: its anchor moves as a vertex there would, and the offsets
// from it turn by the rotation nearest to the carried change there, kept as R - I.
struct PieceMotion {
  Vector3 origin;
  Vector3 translation;
  LinearMap turn;
};

std::vector<PieceMotion> PieceMotions(const PreparedSource& source,
                                      const TargetDisplacements& target,
                                      const std::vector<SurfaceChange>& changes,
                                      const SmallParts& pieces) {
  std::vector<PieceMotion> motions(pieces.parts.size());
  for (std::size_t p = 0; p < motions.size(); ++p) {
    const SurfaceHit& anchor = pieces.parts[p].anchor;
    if (!(pieces.parts[p].rigidity > 0.0f)) continue;
    const Vector3 origin = Vector3At(anchor.point);
    const uint32_t* corners =
        source.rest().triangles + 3 * static_cast<std::size_t>(anchor.triangle);
    // The changes are kept as F - I (see the top of this file); the nearest rotation is that of
    // F itself, so the identity goes back on before it is taken. The rotation R then comes off
    // again: PieceDelta applies R - I to a vertex's offset from the anchor, so that a piece that
    // does not turn takes its translation alone to the bit, and the offset, large beside what the
    // turn adds, is never added in and taken out again with the rounding of both.
    const LinearMap change = BlendMaps(anchor.barycentric, changes[corners[0]].carried,
                                       changes[corners[1]].carried, changes[corners[2]].carried);
    const LinearMap turn = MinusIdentity(NearestRotation(PlusIdentity(change)));
    motions[p] = PieceMotion{
        origin,
        Plus(SurfaceDelta(source, target, anchor), CarriedChange(source, changes, anchor, origin)),
        turn};
  }
  return motions;
}

// The displacement of a vertex of a piece: its own carried one blended with the piece's rigid
// motion by the piece's rigidity (a rigid piece takes the motion's to the bit).
Vector3 PieceDelta(const Vector3& own, const PieceMotion& motion, float rigidity,
                   const Vector3& vertex) {
  const Vector3 rigid = Plus(motion.translation, Apply(motion.turn, Minus(vertex, motion.origin)));
  return Plus(Times(own, 1.0f - rigidity), Times(rigid, rigidity));
}

}  // namespace

void CarryDisplacements(const PreparedSource& source, const TargetDisplacements& target,
                        SurfaceMethod method, const TriangleMesh& destination,
                        const SurfaceHit* hits, const uint8_t* marks, const SmallParts* pieces,
                        Vector3* deltas, unsigned threadCount) {
  Vector3* const outputs[1] = {deltas};
  CarryEveryTarget(source, &target, 1, method, destination, hits, marks, pieces, outputs,
                   threadCount);
}

void CarryEveryTarget(const PreparedSource& source, const TargetDisplacements* targets,
                      std::size_t targetCount, SurfaceMethod method,
                      const TriangleMesh& destination, const SurfaceHit* hits, const uint8_t* marks,
                      const SmallParts* pieces, Vector3* const* deltas, unsigned threadCount) {
  threadCount = ThreadsFor(threadCount);
  const bool carry = method == SurfaceMethod::kCarriedOffset;
  std::unique_ptr<ChangeRoom> room;
  if (carry) {
    room = std::make_unique<ChangeRoom>(
        source, NeededVertices(source, destination.vertexCount, hits, marks, pieces));
  }
  for (std::size_t t = 0; t < targetCount; ++t) {
    const TargetDisplacements& target = targets[t];
    if (carry) room->Measure(source, target, threadCount);
    const std::vector<PieceMotion> motions =
        carry && pieces != nullptr ? PieceMotions(source, target, room->vertices, *pieces)
                                   : std::vector<PieceMotion>();
    Vector3* out = deltas[t];
    RunInChunks(
        destination.vertexCount, threadCount, kVerticesPerChunk,
        [&](std::size_t begin, std::size_t end) {
          for (std::size_t i = begin; i < end; ++i) {
            if ((marks[i] & kVertexMatched) == 0) continue;
            const SurfaceHit& hit = hits[i];
            const Vector3& vertex = destination.positions[i];
            out[i] = SurfaceDelta(source, target, hit);
            if (!carry) continue;
            out[i] = SaturatedSum(out[i], CarriedChange(source, room->vertices, hit, vertex));
            const int32_t piece = motions.empty() ? -1 : pieces->partOfVertex[i];
            if (piece < 0) continue;
            const float rigidity = pieces->parts[static_cast<std::size_t>(piece)].rigidity;
            if (!(rigidity > 0.0f)) continue;
            out[i] = PieceDelta(out[i], motions[static_cast<std::size_t>(piece)], rigidity, vertex);
          }
        });
  }
}

std::vector<LinearMap> CarriedChanges(const PreparedSource& source,
                                      const TargetDisplacements& target, const SurfaceHit* hits,
                                      const SmallParts* pieces,
                                      const std::vector<uint32_t>& vertices, unsigned threadCount) {
  std::vector<uint8_t> needed(source.rest().vertexCount, 0);
  const auto need = [&](const SurfaceHit& hit) {
    const uint32_t* corners = source.rest().triangles + 3 * static_cast<std::size_t>(hit.triangle);
    for (int k = 0; k < 3; ++k) needed[corners[k]] = 1;
  };
  for (const uint32_t vertex : vertices) need(hits[vertex]);
  if (pieces != nullptr) {
    for (const SmallPart& part : pieces->parts) {
      if (part.anchor.triangle >= 0) need(part.anchor);
    }
  }
  ChangeRoom room(source, std::move(needed));
  room.Measure(source, target, ThreadsFor(threadCount));
  const std::vector<PieceMotion> motions =
      pieces != nullptr ? PieceMotions(source, target, room.vertices, *pieces)
                        : std::vector<PieceMotion>();
  std::vector<LinearMap> changes;
  changes.reserve(vertices.size());
  for (const uint32_t vertex : vertices) {
    const SurfaceHit& hit = hits[vertex];
    const uint32_t* corners = source.rest().triangles + 3 * static_cast<std::size_t>(hit.triangle);
    LinearMap change =
        BlendMaps(hit.barycentric, room.vertices[corners[0]].carried,
                  room.vertices[corners[1]].carried, room.vertices[corners[2]].carried);
    const int32_t piece = motions.empty() ? -1 : pieces->partOfVertex[vertex];
    const float rigidity =
        piece < 0 ? 0.0f : pieces->parts[static_cast<std::size_t>(piece)].rigidity;
    if (rigidity > 0.0f) {
      change = Scaled(change, 1.0f - rigidity);
      AddWeighted(change, motions[static_cast<std::size_t>(piece)].turn, rigidity);
    }
    changes.push_back(change);
  }
  return changes;
}

RigidMotion RigidMotionAt(const PreparedSource& source, const TargetDisplacements& target,
                          const SurfaceHit& hit) {
  RigidMotion motion{Vector3At(hit.point), {0.0f, 0.0f, 0.0f}, {}};
  const LinearMap identity = IdentityMap();
  std::copy(identity.m, identity.m + 9, motion.rotation);
  if (hit.triangle < 0) return motion;
  motion.translation = SurfaceDelta(source, target, hit);
  const auto changeOf = [&](std::size_t triangle, SurfaceChange* change) {
    return TriangleChange(source, target, triangle, change);
  };
  const auto t = static_cast<std::size_t>(hit.triangle);
  const uint32_t* corners = source.rest().triangles + 3 * t;
  const LinearMap change =
      BlendMaps(hit.barycentric, VertexChange(source, corners[0], changeOf).carried,
                VertexChange(source, corners[1], changeOf).carried,
                VertexChange(source, corners[2], changeOf).carried);
  // The change is kept as F - I (see the top of this file); the nearest rotation is that of F
  // itself, so the identity goes back on. A RigidMotion holds the rotation whole: whoever applies
  // it takes the offset off again (in double precision, see smooth_fill.cpp).
  const LinearMap rotation = NearestRotation(PlusIdentity(change));
  std::copy(rotation.m, rotation.m + 9, motion.rotation);
  return motion;
}
