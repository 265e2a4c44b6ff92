// The search for the place a vertex is pushed to. Every place tried is measured against the
// morphed surface (its side, its distance) and kept when the straight path to it from where the
// morph put the vertex never crosses the surface towards the other side: it never goes through a
// part of the Source to come out beyond it. The places tried, nearest first:
//   - out along the normal at the closest point, again from each new closest point (a concave
//     place moves the closest point as the vertex moves);
//   - farther and farther along the normals at the first and the last closest points (out of a
//     groove along its middle);
//   - along fixed directions, past each place where the path leaves the Source (out of parts that
//     run into one another, where the closest point may lie inside another part).
// Of the places that keep the promise, the nearest is taken; when none does, the place on the
// vertex's side farthest from the surface, within a few times the least move that could have
// kept it: a vertex in a pocket too small stays there.
#include "surface_transfer/outside_push.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "geometry/vector3.h"

namespace {

constexpr int kRepeatedPushes = 8;
constexpr int kFartherPushes = 24;
// A place is taken at once when it is no farther than this share beyond the least move that
// could keep the promise (so no other can be much nearer).
constexpr float kNearEnough = 1.0f / 16.0f;
// Places are sought within this many times the least move that could keep the promise, or that
// reaches the vertex's side.
constexpr float kReach = 4.0f;
// A pushed vertex ends this much of the size of its triangle's coordinates beyond the distance,
// some tens of float steps: what the rounding of the closest point and of rest + delta may take.
constexpr float kRoundingMargin = 1.0f / 262144.0f;
// The margin of a triangle whose coordinates are all zero or tiny (see keep_outside.h).
constexpr float kLeastMargin = 1e-30f;

constexpr float kEdge = 0.70710678f;
constexpr float kCorner = 0.57735027f;
constexpr Vector3 kDirections[26] = {{1, 0, 0},
                                     {-1, 0, 0},
                                     {0, 1, 0},
                                     {0, -1, 0},
                                     {0, 0, 1},
                                     {0, 0, -1},
                                     {kEdge, kEdge, 0},
                                     {kEdge, -kEdge, 0},
                                     {-kEdge, kEdge, 0},
                                     {-kEdge, -kEdge, 0},
                                     {kEdge, 0, kEdge},
                                     {kEdge, 0, -kEdge},
                                     {-kEdge, 0, kEdge},
                                     {-kEdge, 0, -kEdge},
                                     {0, kEdge, kEdge},
                                     {0, kEdge, -kEdge},
                                     {0, -kEdge, kEdge},
                                     {0, -kEdge, -kEdge},
                                     {kCorner, kCorner, kCorner},
                                     {kCorner, kCorner, -kCorner},
                                     {kCorner, -kCorner, kCorner},
                                     {kCorner, -kCorner, -kCorner},
                                     {-kCorner, kCorner, kCorner},
                                     {-kCorner, kCorner, -kCorner},
                                     {-kCorner, -kCorner, kCorner},
                                     {-kCorner, -kCorner, -kCorner}};

float LengthOf(const Vector3& v) {
  return std::sqrt(Dot(v, v));
}

// A place tried for a vertex, measured against the surface.
struct Place {
  Vector3 delta;
  Vector3 position;
  SurfaceHit hit;
  float clearance;  // the distance from the surface
  bool onSide;      // strictly on the vertex's side
  float moved;      // the distance from where the morph put the vertex
};

// One vertex's search.
class Search {
 public:
  Search(const MorphedSurface& surface, const Vector3& rest, int side, float wanted)
      : surface_(surface),
        rest_(rest),
        side_(side),
        wanted_(wanted),
        facing_(surface.orientation != 0 ? surface.orientation : side) {}

  // False when the vertex keeps its place.
  bool Run(Vector3& delta);

 private:
  Place Measure(const Vector3& delta) const;
  bool Keeps(const Place& place) const {
    return place.onSide && place.clearance >= wanted_ - wanted_ * kKeepOutsideTolerance;
  }
  // Records a place on the vertex's side that the path reaches; true when it keeps the promise
  // and no other place can be much nearer.
  bool Offer(const Place& place);
  // The place `length` out from the hit's point along the normal there.
  Place OutFrom(const SurfaceHit& hit, float length) const;
  bool PushAlongNormals();
  void PushFarther();
  void FollowDirection(const Vector3& direction);
  bool Choose(Vector3& delta) const;

  const MorphedSurface& surface_;
  Vector3 rest_;
  int side_;
  float wanted_;
  int facing_;
  Place start_{};
  Place last_{};
  float least_ = 0.0f;  // the least move that could keep the promise
  std::vector<Place> reached_;
};

Place Search::Measure(const Vector3& delta) const {
  Place place{delta, Plus(rest_, delta), surface_.FindClosest(Plus(rest_, delta)), 0.0f, false,
              0.0f};
  if (place.hit.triangle < 0) return place;
  place.clearance = std::sqrt(place.hit.squaredDistance);
  if (!(place.clearance > 0.0f)) return place;
  if (surface_.orientation != 0) {
    place.onSide = surface_.orientation * surface_.tree.WindingNumber(place.position) < 0.5;
  } else {
    const float signedDistance = SignedDistanceAt(surface_.normals, place.hit, place.position);
    place.onSide = side_ > 0 ? signedDistance > 0.0f : signedDistance < 0.0f;
  }
  return place;
}

Place Search::OutFrom(const SurfaceHit& hit, float length) const {
  const Vector3 normal = Times(surface_.normals.UnitNormalAt(hit), static_cast<float>(facing_));
  Place place = Measure(Minus(Plus(Vector3At(hit.point), Times(normal, length)), rest_));
  place.moved = LengthOf(Minus(place.position, start_.position));
  return place;
}

bool Search::Offer(const Place& place) {
  if (place.hit.triangle < 0 || !place.onSide) return false;
  if (surface_.tree.CrossesAgainst(start_.position, place.position, facing_)) return false;
  reached_.push_back(place);
  const float margin = 2.0f * surface_.RoundingMargin(place.hit.triangle);
  return Keeps(place) && place.moved <= least_ + least_ * kNearEnough + margin;
}

// Out along the normal from each new closest point in turn.
bool Search::PushAlongNormals() {
  Place current = start_;
  for (int k = 0; k < kRepeatedPushes; ++k) {
    const Place next =
        OutFrom(current.hit, wanted_ + surface_.RoundingMargin(current.hit.triangle));
    if (next.hit.triangle < 0) break;
    if (Offer(next)) return true;
    current = next;
  }
  last_ = current;
  return false;
}

// Farther along the normals, by turns at the first and the last closest points, each pair twice
// as far as the pair before, no farther than across the surface's box.
void Search::PushFarther() {
  const float limit = static_cast<float>(2.0 * surface_.tree.Diagonal()) + 2.0f * wanted_;
  for (int k = 0; k < 2 * kFartherPushes; ++k) {
    const Place& from = k % 2 == 1 ? last_ : start_;
    const float length =
        (wanted_ + surface_.RoundingMargin(from.hit.triangle)) * std::ldexp(1.0f, k / 2 + 1);
    if (!(length <= limit)) break;
    Offer(OutFrom(from.hit, length));
  }
}

// Along one direction: past each place where it leaves the Source, until it would cross into it;
// from a vertex on its side, at doubling distances before that.
void Search::FollowDirection(const Vector3& direction) {
  const float length = static_cast<float>(2.0 * surface_.tree.Diagonal()) + 4.0f * wanted_;
  const Vector3 end = Plus(start_.position, Times(direction, length));
  const std::vector<WindingTree::Crossing> crossings =
      surface_.tree.Crossings(start_.position, end);
  float stop = length;
  for (const WindingTree::Crossing& crossing : crossings) {
    const float along = static_cast<float>(crossing.along) * length;
    if (crossing.withNormal != (facing_ > 0)) {
      stop = along;
      break;
    }
    const Vector3 at = Plus(start_.position, Times(direction, along));
    const Vector3 normal = surface_.FaceNormal(crossing.triangle, facing_);
    const float out = wanted_ + surface_.RoundingMargin(static_cast<int32_t>(crossing.triangle));
    Place place = Measure(Minus(Plus(at, Times(normal, out)), rest_));
    place.moved = LengthOf(Minus(place.position, start_.position));
    Offer(place);
  }
  if (!start_.onSide || !(least_ > 0.0f)) return;
  for (float step = least_; step < stop && step <= kReach * least_; step *= 2.0f) {
    Place place = Measure(Plus(start_.delta, Times(direction, step)));
    place.moved = step;
    Offer(place);
  }
}

// The nearest place that keeps the promise within reach, else the one farthest from the surface.
bool Search::Choose(Vector3& delta) const {
  if (!start_.onSide && reached_.empty()) return false;
  float nearestOnSide = start_.onSide ? 0.0f : reached_.front().moved;
  for (const Place& place : reached_) nearestOnSide = std::min(nearestOnSide, place.moved);
  const float reach = kReach * std::max(least_, nearestOnSide);
  const Place* keeping = nullptr;
  const Place* farthest = start_.onSide ? &start_ : nullptr;
  for (const Place& place : reached_) {
    if (!(place.moved <= reach + 2.0f * surface_.RoundingMargin(place.hit.triangle))) continue;
    if (Keeps(place) && (keeping == nullptr || place.moved < keeping->moved)) keeping = &place;
    if (farthest == nullptr || place.clearance > farthest->clearance) farthest = &place;
  }
  const Place* chosen = keeping != nullptr ? keeping : farthest;
  if (chosen == nullptr || chosen == &start_) return false;
  delta = chosen->delta;
  return true;
}

bool Search::Run(Vector3& delta) {
  start_ = Measure(delta);
  if (start_.hit.triangle < 0 || Keeps(start_)) return false;
  least_ = start_.onSide ? wanted_ - start_.clearance : wanted_ + start_.clearance;
  if (PushAlongNormals()) {
    delta = reached_.back().delta;
    return true;
  }
  PushFarther();
  for (const Vector3& direction : kDirections) FollowDirection(direction);
  return Choose(delta);
}

}  // namespace

bool MorphedSurface::Build(const TriangleMesh& welded, int solidOrientation, unsigned threadCount) {
  mesh = welded;
  orientation = solidOrientation;
  normals.Build(welded);
  tree.Build(welded);
  const std::vector<uint32_t>& corners = normals.normalTriangles();
  return search.Build(reinterpret_cast<const float*>(welded.positions), welded.vertexCount,
                      corners.data(), corners.size() / 3, threadCount) == kSurfaceOk;
}

SurfaceHit MorphedSurface::FindClosest(const Vector3& point) const {
  const float query[3] = {point.x, point.y, point.z};
  SurfaceHit hit = search.FindClosest(query);
  if (hit.triangle >= 0) {
    hit.triangle = static_cast<int32_t>(
        normals.normalTriangleIndices()[static_cast<std::size_t>(hit.triangle)]);
  }
  return hit;
}

float MorphedSurface::RoundingMargin(int32_t triangle) const {
  float size = 0.0f;
  for (std::size_t k = 0; k < 3; ++k) {
    const Vector3& corner =
        mesh.positions[mesh.triangles[3 * static_cast<std::size_t>(triangle) + k]];
    size = std::max({size, std::fabs(corner.x), std::fabs(corner.y), std::fabs(corner.z)});
  }
  return std::max(size * kRoundingMargin, kLeastMargin);
}

Vector3 MorphedSurface::FaceNormal(uint32_t triangle, int facing) const {
  const uint32_t* c = mesh.triangles + 3 * static_cast<std::size_t>(triangle);
  const Vector3 a = mesh.positions[c[0]];
  const Vector3 normal =
      UnitOrZero(Cross(Minus(mesh.positions[c[1]], a), Minus(mesh.positions[c[2]], a)));
  return Times(normal, static_cast<float>(facing));
}

bool PushOutside(const MorphedSurface& surface, const Vector3& rest, int side, float wanted,
                 Vector3& delta) {
  return Search(surface, rest, side, wanted).Run(delta);
}
