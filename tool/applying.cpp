// For one Destination: moves every vertex of every morph object made for it by the delta of the
// morph object's own target. Every host call is made here, on the host's thread: the vertex walk,
// the reads of the Source and target positions the blends need, and the morph objects' reads and
// writes. The blends themselves are the transfer library's, spread over threads.
#include <algorithm>
#include <vector>

#include "host/cmq_object.h"
#include "host/host_function_table.h"
#include "tool/correspondence.h"
#include "tool/palisor.h"
#include "tool/run_settings.h"
#include "tool/vertex_walk.h"
#include "transfer/interpolated_delta.h"
#include "transfer/transfer.h"

namespace {

// The blends of this many vertices are computed at once, so that the deltas waiting to be
// written stay small however large the Destination is.
constexpr std::size_t kVerticesPerBlock = std::size_t{1} << 16;

// A Destination vertex to move, with its nearest Source vertices.
struct MovedVertex {
  int32_t vertex;
  const NearestList* nearest;
};

// The Destination's vertices that the correspondence lists, walked and filtered as it walked them:
// used vertices in increasing index, the Destination's own selection where it counts.
std::vector<MovedVertex> VerticesToMove(const Palisor& tool, const cmq::CMQObject& destination) {
  std::vector<MovedVertex> moved;
  for (int32_t vertex : UsedVertexRange(destination)) {
    if (runSettings.selectedVerticesOnly &&
        !IsVertexSelected(tool.document, destination.object, vertex)) {
      continue;
    }
    const auto nearest = tool.CorrespondenceMap.find(vertex);
    if (nearest == tool.CorrespondenceMap.end()) continue;
    moved.push_back(MovedVertex{vertex, &nearest->second});
  }
  return moved;
}

// The displacements (target minus base) of the Source vertices that the blends of `moved` look
// at, in every target whose morph object exists, each position read through the host once
// however many Destination vertices share it. A vertex the target lacks (the target has fewer
// vertices) shows none: its target position is taken to be its base position.
class HostDisplacements {
 public:
  HostDisplacements(const Palisor& tool, const std::vector<MovedVertex>& moved,
                    std::size_t morphCount);

  // One entry per target, in the order of the chosen targets.
  const std::vector<TargetDisplacements>& Targets() const { return targets_; }

 private:
  // The Source vertices the blends look at, in increasing index.
  static std::vector<int32_t> ReadVertices(const std::vector<MovedVertex>& moved);
  std::vector<Vector3> TargetDisplacementsOf(const cmq::CMQObject& target) const;

  std::vector<int32_t> read_;
  std::vector<Vector3> bases_;
  std::vector<std::vector<Vector3>> perTarget_;
  std::vector<TargetDisplacements> targets_;
};

HostDisplacements::HostDisplacements(const Palisor& tool, const std::vector<MovedVertex>& moved,
                                     std::size_t morphCount)
    : perTarget_(morphCount) {
  const auto anyMorph =
      std::any_of(tool.createdMorphs.begin(),
                  tool.createdMorphs.begin() + static_cast<std::ptrdiff_t>(morphCount),
                  [](const cmq::CMQObject& morph) { return morph.object != nullptr; });
  if (anyMorph) read_ = ReadVertices(moved);
  if (!read_.empty()) {
    bases_.resize(static_cast<std::size_t>(read_.back()) + 1);
    for (int32_t vertex : read_) {
      MQPoint base{};
      mq::hostFunctions.MQObj_GetVertex(tool.source.object, vertex, &base);
      bases_[static_cast<std::size_t>(vertex)] = ToVector3(base);
    }
    for (std::size_t k = 0; k < morphCount; ++k) {
      if (tool.createdMorphs[k].object != nullptr) {
        perTarget_[k] = TargetDisplacementsOf(tool.chosenTargets[k]);
      }
    }
  }
  for (const std::vector<Vector3>& displacements : perTarget_) {
    targets_.push_back(TargetDisplacements{displacements.data(), displacements.size()});
  }
}

std::vector<int32_t> HostDisplacements::ReadVertices(const std::vector<MovedVertex>& moved) {
  std::vector<bool> looked;
  for (const MovedVertex& vertex : moved) {
    const NearestList& nearest = *vertex.nearest;
    const std::size_t count = BlendedEntryCount(nearest);
    for (std::size_t k = 0; k < count; ++k) {
      // The correspondence lists only the Source's own vertices, whose indices are not negative.
      if (nearest[k].sourceIndex < 0) continue;
      const auto at = static_cast<std::size_t>(nearest[k].sourceIndex);
      if (at >= looked.size()) looked.resize(at + 1);
      looked[at] = true;
    }
  }
  std::vector<int32_t> vertices;
  for (std::size_t at = 0; at < looked.size(); ++at) {
    if (looked[at]) vertices.push_back(static_cast<int32_t>(at));
  }
  return vertices;
}

std::vector<Vector3> HostDisplacements::TargetDisplacementsOf(const cmq::CMQObject& target) const {
  const int32_t targetCount = mq::hostFunctions.MQObj_GetVertexCount(target.object);
  std::vector<Vector3> displacements(bases_.size(), Vector3{0.0f, 0.0f, 0.0f});
  for (int32_t vertex : read_) {
    const Vector3& base = bases_[static_cast<std::size_t>(vertex)];
    Vector3 moved = base;
    if (vertex < targetCount) {
      MQPoint position{};
      mq::hostFunctions.MQObj_GetVertex(target.object, vertex, &position);
      moved = ToVector3(position);
    }
    displacements[static_cast<std::size_t>(vertex)] = SaturatedDifference(moved, base);
  }
  return displacements;
}

// Moves vertex `vertex` of every existing morph object by its delta: deltas[k] for morph k.
void MoveVertex(const Palisor& tool, int32_t vertex, std::size_t morphCount,
                const std::vector<std::vector<Vector3>>& deltas, std::size_t at) {
  for (std::size_t k = 0; k < morphCount; ++k) {
    const MQObject morph = tool.createdMorphs[k].object;
    // A clone the host could not make has no vertices to move.
    if (morph == nullptr) continue;
    const Vector3& delta = deltas[k][at];
    MQPoint position{};
    mq::hostFunctions.MQObj_GetVertex(morph, vertex, &position);
    position = SaturatedSum(position, MQPoint{delta.x, delta.y, delta.z});
    mq::hostFunctions.MQObj_SetVertex(morph, vertex, &position);
  }
}

}  // namespace

bool Palisor::ApplyMorphs(cmq::CMQObject destination) {
  // Morph object k was cloned from the Destination for chosen target k.
  const std::size_t morphCount = std::min(chosenTargets.size(), createdMorphs.size());
  const std::vector<MovedVertex> moved = VerticesToMove(*this, destination);
  const HostDisplacements displacements(*this, moved, morphCount);

  std::vector<NearestFound> lists(std::min(moved.size(), kVerticesPerBlock));
  std::vector<std::vector<Vector3>> deltas(morphCount, std::vector<Vector3>(lists.size()));
  std::vector<Vector3*> deltaArrays;
  for (std::vector<Vector3>& target : deltas) deltaArrays.push_back(target.data());
  for (std::size_t begin = 0; begin < moved.size(); begin += kVerticesPerBlock) {
    const std::size_t count = std::min(kVerticesPerBlock, moved.size() - begin);
    for (std::size_t k = 0; k < count; ++k) {
      lists[k] = NearestFound::FromList(*moved[begin + k].nearest);
    }
    BlendTargets(lists.data(), count, displacements.Targets().data(), morphCount,
                 deltaArrays.data(), 0);
    // Vertices in increasing index; for each, the morph objects in the order of the targets.
    for (std::size_t k = 0; k < count; ++k) {
      MoveVertex(*this, moved[begin + k].vertex, morphCount, deltas, k);
    }
  }
  return true;
}
