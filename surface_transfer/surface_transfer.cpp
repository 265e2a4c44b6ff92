// The whole transfer along the Source's surface: match, carry every target, fill what was refused,
// and keep what lay outside the Source outside it.
#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "geometry/vector3.h"
#include "parallel/parallel_chunks.h"
#include "surface_transfer/keep_outside.h"
#include "surface_transfer/smooth_fill.h"
#include "surface_transfer/surface_methods.h"

namespace {

// What one transfer works on, passed among its steps.
struct SurfaceTransfer {
  const PreparedSource& source;
  const TargetDisplacements* targets;
  std::size_t targetCount;
  const TriangleMesh& destination;
  const uint8_t* mask;
  Vector3* const* deltas;
  unsigned threadCount;
  std::vector<SurfaceHit> hits;
  std::vector<uint8_t> marks;
};

// The vertex of a part nearest to the Source: the least squared distance, the lower index first.
uint32_t NearestToSource(const std::vector<uint32_t>& part, const std::vector<SurfaceHit>& hits) {
  uint32_t nearest = part.front();
  for (uint32_t vertex : part) {
    const float distance = hits[vertex].squaredDistance;
    const float least = hits[nearest].squaredDistance;
    if (distance < least || (distance == least && vertex < nearest)) nearest = vertex;
  }
  return nearest;
}

// A matched vertex whose displacement is not finite in some target is refused instead, in every
// target, so that it never enters the fill.
void RefuseNonFinite(SurfaceTransfer& transfer) {
  for (std::size_t i = 0; i < transfer.destination.vertexCount; ++i) {
    if ((transfer.marks[i] & kVertexMatched) == 0) continue;
    for (std::size_t t = 0; t < transfer.targetCount; ++t) {
      if (IsFinite(transfer.deltas[t][i])) continue;
      transfer.marks[i] = kVertexNonFinite;
      break;
    }
  }
}

// A rigid part's or a filled vertex's displacement that is still not finite (the surface under a
// part moving out of range) becomes zero, and the vertex is marked.
void ZeroNonFinite(SurfaceTransfer& transfer) {
  for (std::size_t i = 0; i < transfer.destination.vertexCount; ++i) {
    for (std::size_t t = 0; t < transfer.targetCount; ++t) {
      Vector3& delta = transfer.deltas[t][i];
      if (IsFinite(delta)) continue;
      delta = Vector3{0.0f, 0.0f, 0.0f};
      transfer.marks[i] = static_cast<uint8_t>(transfer.marks[i] | kVertexNonFinite);
    }
  }
}

// Vertices that move (in the mask, with a closest point) but whose match was refused take their
// displacements from their matched neighbours, turning as the carry turned those (`pieces` given:
// the carry method); a part with none moves rigidly with the surface nearest to it. Marks them
// filled or rigid.
bool FillRefused(SurfaceTransfer& transfer, const SmallParts* pieces, std::string* error) {
  const std::size_t count = transfer.destination.vertexCount;
  std::vector<uint8_t> known(count, 0);
  std::vector<uint8_t> moving(count, 0);
  bool anyRefused = false;
  for (std::size_t i = 0; i < count; ++i) {
    known[i] = (transfer.marks[i] & kVertexMatched) != 0 ? 1 : 0;
    moving[i] =
        (transfer.mask == nullptr || transfer.mask[i] != 0) && transfer.hits[i].triangle >= 0;
    if (moving[i] != 0 && known[i] == 0) anyRefused = true;
  }
  if (!anyRefused) return true;
  SmoothFill fill;
  if (!fill.Prepare(transfer.destination, known.data(), moving.data(), error)) return false;
  for (std::size_t i = 0; i < count; ++i) {
    const auto kept = static_cast<uint8_t>(transfer.marks[i] & kVertexNonFinite);
    if (moving[i] != 0 && known[i] == 0) transfer.marks[i] = kept | kVertexFilled;
  }
  std::vector<uint32_t> nearest;
  for (const std::vector<uint32_t>& part : fill.unanchoredParts()) {
    nearest.push_back(NearestToSource(part, transfer.hits));
    for (uint32_t vertex : part) {
      transfer.marks[vertex] = (transfer.marks[vertex] & kVertexNonFinite) | kVertexRigid;
    }
  }
  for (std::size_t t = 0; t < transfer.targetCount; ++t) {
    const TargetDisplacements& target = transfer.targets[t];
    const std::vector<LinearMap> changes =
        pieces != nullptr ? CarriedChanges(transfer.source, target, transfer.hits.data(), pieces,
                                           fill.frameVertices(), transfer.threadCount)
                          : std::vector<LinearMap>();
    fill.Fill(
        transfer.deltas[t], pieces != nullptr ? changes.data() : nullptr,
        [&](std::size_t part) {
          return RigidMotionAt(transfer.source, target, transfer.hits[nearest[part]]);
        },
        transfer.threadCount);
  }
  return true;
}

// Every target's deltas pushed out where they would take a vertex that lay outside the rest Source
// inside the morphed one, or nearer to it than it should keep (keep_outside.h).
void KeepOutsideEveryTarget(SurfaceTransfer& transfer, float distance) {
  const TriangleMesh& rest = transfer.source.rest();
  const RestOutside measured =
      MeasureRestOutside(rest, transfer.destination, transfer.hits.data(), transfer.threadCount);
  std::vector<Vector3> morphed(rest.vertexCount);
  for (std::size_t t = 0; t < transfer.targetCount; ++t) {
    for (std::size_t v = 0; v < rest.vertexCount; ++v) {
      morphed[v] = Plus(rest.positions[v], transfer.targets[t].Of(static_cast<int32_t>(v)));
    }
    KeepOutside(morphed.data(), transfer.destination, measured, distance, transfer.deltas[t],
                transfer.marks.data(), transfer.threadCount);
  }
}

}  // namespace

SurfaceMatches MatchAlongSurface(const PreparedSource& source, const TriangleMesh& destination,
                                 const uint8_t* mask, const SurfaceTransferOptions& options) {
  SurfaceMatches matches;
  matches.hits.resize(destination.vertexCount);
  matches.marks.resize(destination.vertexCount);
  // Normals only for the angle limit.
  const std::vector<Vector3> normals =
      options.maxAngleDegrees >= 180.0f ? std::vector<Vector3>() : DestinationNormals(destination);
  MatchDestination(source, destination, mask, normals.empty() ? nullptr : normals.data(), options,
                   matches.hits.data(), matches.marks.data());
  if (options.method == SurfaceMethod::kCarriedOffset) {
    matches.pieces = FindSmallParts(source, destination, matches.hits.data(), matches.marks.data());
  }
  return matches;
}

bool CarryAlongSurface(const PreparedSource& source, const TargetDisplacements* targets,
                       std::size_t targetCount, const TriangleMesh& destination,
                       const uint8_t* mask, const SurfaceTransferOptions& options,
                       SurfaceMatches matches, Vector3* const* deltas, uint8_t* marks,
                       std::string* error) {
  const std::size_t count = destination.vertexCount;
  SurfaceTransfer transfer{source,
                           targets,
                           targetCount,
                           destination,
                           mask,
                           deltas,
                           ThreadsFor(options.threadCount),
                           std::move(matches.hits),
                           std::move(matches.marks)};
  const SmallParts& pieces = matches.pieces;
  for (std::size_t t = 0; t < targetCount; ++t) {
    std::fill(deltas[t], deltas[t] + count, Vector3{0.0f, 0.0f, 0.0f});
  }
  CarryEveryTarget(source, targets, targetCount, options.method, destination, transfer.hits.data(),
                   transfer.marks.data(), &pieces, deltas, transfer.threadCount);
  RefuseNonFinite(transfer);
  const bool carry = options.method == SurfaceMethod::kCarriedOffset;
  if (!FillRefused(transfer, carry ? &pieces : nullptr, error)) return false;
  ZeroNonFinite(transfer);
  if (options.keepOutside >= 0.0f) KeepOutsideEveryTarget(transfer, options.keepOutside);
  if (marks != nullptr) std::copy(transfer.marks.begin(), transfer.marks.end(), marks);
  return true;
}

bool TransferAlongSurface(const PreparedSource& source, const TargetDisplacements* targets,
                          std::size_t targetCount, const TriangleMesh& destination,
                          const uint8_t* mask, const SurfaceTransferOptions& options,
                          Vector3* const* deltas, uint8_t* marks, std::string* error) {
  return CarryAlongSurface(source, targets, targetCount, destination, mask, options,
                           MatchAlongSurface(source, destination, mask, options), deltas, marks,
                           error);
}
