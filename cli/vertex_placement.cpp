#include "cli/vertex_placement.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <string>

#include "cli/input_error.h"
#include "parallel/parallel_chunks.h"
#include "scene/run_result.h"
#include "surface_transfer/surface_methods.h"
#include "transfer/interpolated_delta.h"
#include "transfer/transfer.h"

namespace palisor_cli {

using host_imitation::HostObject;

struct PreparedSourceCache::Kept {
  std::vector<MQPoint> positions;
  host_imitation::FaceList faces;
  // Made when first asked for.
  std::unique_ptr<PreparedNearestSearch> nearest;
  std::vector<SearchPoint> surfacePositions;
  std::vector<uint32_t> triangles;
  std::unique_ptr<PreparedSource> surface;
};

namespace {

std::vector<SearchPoint> Positions(const std::vector<MQPoint>& points) {
  std::vector<SearchPoint> positions(points.size());
  for (std::size_t i = 0; i < points.size(); ++i) {
    positions[i] = SearchPoint{points[i].x, points[i].y, points[i].z};
  }
  return positions;
}

bool SameBits(const std::vector<MQPoint>& a, const std::vector<MQPoint>& b) {
  return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size() * sizeof(MQPoint)) == 0;
}

// Every face of three or more corners as a fan of triangles from its first corner; a face with a
// corner outside the vertices is left out.
std::vector<uint32_t> FanTriangles(const host_imitation::FaceList& faces, std::size_t vertices) {
  std::vector<uint32_t> triangles;
  for (const auto face : faces) {
    if (face.size() < 3) continue;
    const bool inside = std::all_of(face.begin(), face.end(), [vertices](int32_t corner) {
      return corner >= 0 && static_cast<std::size_t>(corner) < vertices;
    });
    if (!inside) continue;
    for (std::size_t k = 1; k + 1 < face.size(); ++k) {
      triangles.insert(triangles.end(),
                       {static_cast<uint32_t>(face[0]), static_cast<uint32_t>(face[k]),
                        static_cast<uint32_t>(face[k + 1])});
    }
  }
  return triangles;
}

// The vertices the plug-in moves: those some face uses, and with --selected-vertices-only only the
// selected ones (as the user selected them).
std::vector<uint8_t> MovingVertices(const HostObject& object, const HeldSelection& selection,
                                    bool selectedOnly) {
  std::vector<uint8_t> moving(object.vertices.size(), 0);
  for (std::size_t v = 0; v < moving.size(); ++v) {
    moving[v] = object.RefCount(static_cast<int32_t>(v)) > 0 &&
                (!selectedOnly || selection.IsSelected(object, v));
  }
  return moving;
}

// The plug-in's search over the Source's used vertices.
const PreparedNearestSearch& NearestSearchOf(PreparedSourceCache::Kept& kept,
                                             const HostObject& source) {
  if (kept.nearest) return *kept.nearest;
  SourcePoints points;
  for (std::size_t v = 0; v < kept.positions.size(); ++v) {
    if (source.RefCount(static_cast<int32_t>(v)) <= 0) continue;
    const MQPoint& p = kept.positions[v];
    points.Add(static_cast<int32_t>(v), SearchPoint{p.x, p.y, p.z});
  }
  kept.nearest = std::make_unique<PreparedNearestSearch>(std::move(points), MachineThreadCount());
  return *kept.nearest;
}

// The Source's triangles made ready for the surface methods; throws InputError where they cannot
// serve.
const PreparedSource& SurfaceOf(PreparedSourceCache::Kept& kept, const std::string& name) {
  if (kept.surface) return *kept.surface;
  kept.surfacePositions = Positions(kept.positions);
  kept.triangles = FanTriangles(kept.faces, kept.positions.size());
  if (kept.triangles.empty()) {
    throw InputError("the Source '" + name + "' has no faces: the surface methods need them");
  }
  const TriangleMesh mesh{kept.surfacePositions.data(), kept.surfacePositions.size(),
                          kept.triangles.data(), kept.triangles.size() / 3};
  auto surface = std::make_unique<PreparedSource>();
  std::string error;
  if (!surface->Build(mesh, MachineThreadCount(), &error)) {
    throw InputError("the Source '" + name + "' cannot serve the surface methods: " + error);
  }
  kept.surface = std::move(surface);
  return *kept.surface;
}

// --max-distance as a length: a percentage is of the diagonal of the box around the Source's
// triangles.
float DistanceLimitOf(const Arguments& arguments, const PreparedSourceCache::Kept& kept) {
  if (!arguments.maxDistance) return std::numeric_limits<float>::infinity();
  if (!arguments.maxDistance->percentOfSource) return arguments.maxDistance->value;
  double low[3] = {INFINITY, INFINITY, INFINITY}, high[3] = {-INFINITY, -INFINITY, -INFINITY};
  for (uint32_t corner : kept.triangles) {
    const SearchPoint& p = kept.surfacePositions[corner];
    const float point[3] = {p.x, p.y, p.z};
    for (int axis = 0; axis < 3; ++axis) {
      if (!std::isfinite(point[axis])) continue;
      low[axis] = std::min(low[axis], double(point[axis]));
      high[axis] = std::max(high[axis], double(point[axis]));
    }
  }
  double squared = 0.0;
  for (int axis = 0; axis < 3; ++axis) {
    if (high[axis] >= low[axis]) squared += (high[axis] - low[axis]) * (high[axis] - low[axis]);
  }
  return static_cast<float>(std::sqrt(squared) * arguments.maxDistance->value / 100.0);
}

SurfaceTransferOptions SurfaceOptionsOf(const Arguments& arguments, float maxDistance) {
  SurfaceTransferOptions options;
  options.method = arguments.method == TransferMethodChoice::kSurface
                       ? SurfaceMethod::kSurfacePoint
                       : SurfaceMethod::kCarriedOffset;
  options.maxDistance = maxDistance;
  if (arguments.maxAngleDegrees) options.maxAngleDegrees = *arguments.maxAngleDegrees;
  if (arguments.keepOutside) options.keepOutside = *arguments.keepOutside;
  options.threadCount = MachineThreadCount();
  return options;
}

// The transfer library's marks as the scene's run result tells them.
uint8_t Outcome(uint8_t mark) {
  uint8_t outcome = 0;
  if ((mark & kVertexMatched) != 0) outcome |= palisor_scene::kVertexMatchedOnSurface;
  if ((mark & kVertexFilled) != 0) outcome |= palisor_scene::kVertexFilled;
  if ((mark & kVertexRigid) != 0) outcome |= palisor_scene::kVertexMovedRigidly;
  if ((mark & kVertexPushed) != 0) outcome |= palisor_scene::kVertexPushedOut;
  return outcome;
}

// What every Destination shares: the Source, its targets' displacements, and how to transfer.
struct SourceMotion {
  PreparedSourceCache::Kept* kept = nullptr;
  const HostObject* source = nullptr;
  std::vector<std::vector<SearchPoint>> displacements;
  std::vector<TargetDisplacements> targets;
  SurfaceTransferOptions surfaceOptions;
  bool alongSurface = false;
  bool selectedOnly = false;
};

// Target minus base as the plug-in takes it, for every vertex both have.
std::vector<SearchPoint> Displacements(const HostObject& target, const std::vector<MQPoint>& base) {
  std::vector<SearchPoint> displacements(std::min(target.vertices.size(), base.size()));
  for (std::size_t i = 0; i < displacements.size(); ++i) {
    displacements[i] = SaturatedDifference(
        SearchPoint{target.vertices[i].x, target.vertices[i].y, target.vertices[i].z},
        SearchPoint{base[i].x, base[i].y, base[i].z});
  }
  return displacements;
}

// One Destination's deltas, target by target; its marks for a surface method.
std::vector<std::vector<SearchPoint>> DestinationDeltas(const SourceMotion& motion,
                                                        const HostObject& object,
                                                        const std::vector<SearchPoint>& rest,
                                                        const std::vector<uint8_t>& moving,
                                                        std::vector<uint8_t>& marks) {
  std::vector<std::vector<SearchPoint>> deltas(motion.targets.size(),
                                               std::vector<SearchPoint>(rest.size()));
  std::vector<SearchPoint*> outputs;
  for (auto& delta : deltas) outputs.push_back(delta.data());
  if (!motion.alongSurface) {
    TransferScene scene;
    scene.targets = motion.targets.data();
    scene.targetCount = motion.targets.size();
    scene.destinationPositions = rest.data();
    scene.destinationCount = rest.size();
    scene.destinationMask = moving.data();
    TransferDisplacements(NearestSearchOf(*motion.kept, *motion.source), scene, outputs.data(),
                          MachineThreadCount());
    return deltas;
  }
  const std::vector<uint32_t> triangles = FanTriangles(object.Faces(), rest.size());
  const TriangleMesh mesh{rest.data(), rest.size(), triangles.data(), triangles.size() / 3};
  marks.assign(rest.size(), 0);
  std::string error;
  if (!TransferAlongSurface(SurfaceOf(*motion.kept, motion.source->name), motion.targets.data(),
                            motion.targets.size(), mesh, moving.data(), motion.surfaceOptions,
                            outputs.data(), marks.data(), &error)) {
    throw InputError("the Destination '" + object.name + "' cannot be moved: " + error);
  }
  for (uint8_t& mark : marks) mark = Outcome(mark);
  return deltas;
}

// One Destination: its morph objects' moving vertices set to where the deltas take them, as the
// plug-in sets them.
std::vector<uint8_t> PlaceDestination(const SourceMotion& motion,
                                      const RunObjects::DestinationObjects& row,
                                      const HeldSelection& selection) {
  const HostObject& object = *row.destination->object;
  const std::vector<SearchPoint> rest = Positions(row.destination->vertices);
  const std::vector<uint8_t> moving = MovingVertices(object, selection, motion.selectedOnly);
  std::vector<uint8_t> marks;
  const auto deltas = DestinationDeltas(motion, object, rest, moving, marks);
  for (std::size_t column = 0; column < row.morphs.size(); ++column) {
    HostObject* morph = row.morphs[column];
    if (morph == nullptr) continue;
    const std::size_t common = std::min(morph->vertices.size(), rest.size());
    for (std::size_t v = 0; v < common; ++v) {
      if (moving[v] == 0) continue;
      const SearchPoint& delta = deltas[column][v];
      morph->vertices[v] =
          SaturatedSum(row.destination->vertices[v], MQPoint{delta.x, delta.y, delta.z});
    }
  }
  return marks;
}

}  // namespace

PreparedSourceCache::PreparedSourceCache() = default;
PreparedSourceCache::~PreparedSourceCache() = default;

PreparedSourceCache::Kept& PreparedSourceCache::For(const HostObject& object,
                                                    const std::vector<MQPoint>& positions) {
  if (kept_ && SameBits(kept_->positions, positions) && kept_->faces == object.Faces()) {
    return *kept_;
  }
  kept_.reset();
  auto kept = std::make_unique<Kept>();
  kept->positions = positions;
  kept->faces = object.Faces();
  kept_ = std::move(kept);
  return *kept_;
}

void HeldSelection::Hold(host_imitation::HostDocument& document) {
  for (HostObject* object : document.slots) {
    if (object == nullptr || object->destroyed) continue;
    bySerial_[object->serial] = object->selectedVertices;
    std::fill(object->selectedVertices.begin(), object->selectedVertices.end(), false);
  }
}

void HeldSelection::Restore(host_imitation::HostDocument& document) const {
  for (HostObject* object : document.slots) {
    if (object == nullptr || object->destroyed) continue;
    auto held = bySerial_.find(object->serial);
    if (held == bySerial_.end()) held = bySerial_.find(object->clonedFrom);
    if (held != bySerial_.end() && held->second.size() == object->selectedVertices.size()) {
      object->selectedVertices = held->second;
    }
  }
}

bool HeldSelection::IsSelected(const HostObject& object, std::size_t vertex) const {
  const auto held = bySerial_.find(object.serial);
  return held != bySerial_.end() && vertex < held->second.size() && held->second[vertex];
}

std::vector<std::vector<uint8_t>> PlaceMorphVertices(const Arguments& arguments,
                                                     const RunObjects& objects,
                                                     const HeldSelection& selection,
                                                     PreparedSourceCache& cache) {
  std::vector<std::vector<uint8_t>> marks;
  if (objects.source == nullptr) return marks;
  const ObjectState& source = *objects.source;
  SourceMotion motion;
  motion.kept = &cache.For(*source.object, source.vertices);
  motion.source = source.object;
  motion.alongSurface = arguments.method != TransferMethodChoice::kNearest;
  motion.selectedOnly = arguments.selectedVerticesOnly;
  if (motion.alongSurface) {
    SurfaceOf(*motion.kept, source.object->name);
    motion.surfaceOptions = SurfaceOptionsOf(arguments, DistanceLimitOf(arguments, *motion.kept));
  }
  for (const HostObject* target : objects.targets) {
    motion.displacements.push_back(Displacements(*target, source.vertices));
  }
  for (const auto& displacements : motion.displacements) {
    motion.targets.push_back(TargetDisplacements{displacements.data(), displacements.size()});
  }
  for (const RunObjects::DestinationObjects& row : objects.destinations) {
    marks.push_back(PlaceDestination(motion, row, selection));
  }
  return marks;
}

}  // namespace palisor_cli
