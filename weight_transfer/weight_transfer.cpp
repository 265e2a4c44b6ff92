// The weight transfer's entry: the options and the Source checked, the Source's surface made of
// its used triangles, and the method run.
#include "weight_transfer/weight_transfer.h"

#include <algorithm>
#include <new>
#include <vector>

#include "parallel/parallel_chunks.h"
#include "weight_transfer/weight_methods.h"

namespace {

// The options' problem, or empty.
std::string OptionsProblem(const WeightTransferOptions& options, std::size_t jointCount) {
  if (options.method != WeightMethod::kNearest && options.method != WeightMethod::kSurface &&
      options.method != WeightMethod::kRobust) {
    return "unknown weight method " + std::to_string(static_cast<int32_t>(options.method));
  }
  if (options.maxInfluences == 0) return "a vertex must keep at least one influence";
  if (jointCount == 0) return "there are no joints";
  if (!(options.maxDistance >= 0.0f)) return "the distance limit must not be negative";
  if (!(options.maxAngleDegrees >= 0.0f)) return "the angle limit must not be negative";
  return std::string();
}

// A mesh's problem, or empty: a corner out of range, too many vertices or triangles.
std::string MeshProblem(const TriangleMesh& mesh, const char* name) {
  constexpr std::size_t kMost = 2147483647;
  if (mesh.vertexCount > kMost || mesh.triangleCount > kMost) {
    return std::string("the ") + name + " has more than 2147483647 vertices or triangles";
  }
  for (std::size_t k = 0; k < 3 * mesh.triangleCount; ++k) {
    if (mesh.triangles[k] >= mesh.vertexCount) {
      return std::string("triangle ") + std::to_string(k / 3) + " of the " + name +
             " names a vertex beyond its " + std::to_string(mesh.vertexCount);
    }
  }
  return std::string();
}

bool AnyUsed(const TriangleMesh& source, const uint8_t* used) {
  if (used == nullptr) return source.vertexCount > 0;
  return std::any_of(used, used + source.vertexCount, [](uint8_t u) { return u != 0; });
}

// The Source's triangles whose corners are all used, in their order.
std::vector<uint32_t> UsedTriangles(const TriangleMesh& source, const uint8_t* used) {
  std::vector<uint32_t> kept;
  for (std::size_t t = 0; t < source.triangleCount; ++t) {
    const uint32_t* corners = source.triangles + 3 * t;
    if (used == nullptr ||
        (used[corners[0]] != 0 && used[corners[1]] != 0 && used[corners[2]] != 0))
      kept.insert(kept.end(), corners, corners + 3);
  }
  return kept;
}

// The surface methods over the Source's used triangles.
bool RunOnSurface(const WeightJob& job, std::string* error, WeightTransferFailure* failure) {
  const std::vector<uint32_t> triangles = UsedTriangles(job.source, job.sourceUsed);
  if (triangles.empty()) {
    *error = "the Source has no triangle whose corners are all used";
    return false;
  }
  const TriangleMesh surface{job.source.positions, job.source.vertexCount, triangles.data(),
                             triangles.size() / 3};
  PreparedSource prepared;
  // The triangles are the Source's own: only memory can fail from here.
  *failure = WeightTransferFailure::kMemory;
  if (!prepared.Build(surface, job.threadCount, error)) return false;
  *failure = WeightTransferFailure::kInternal;
  const WeightJob onSurface{surface,     job.sourceUsed,  job.shares, job.destination, job.mask,
                            job.options, job.threadCount, job.joints, job.weights,     job.marks};
  if (job.options.method == WeightMethod::kSurface) {
    SurfaceWeights(onSurface, prepared);
    return true;
  }
  return RobustWeights(onSurface, prepared, error);
}

bool Run(const TriangleMesh& source, const uint8_t* sourceUsed, const SparseWeights& sourceWeights,
         std::size_t jointCount, const TriangleMesh& destination, const uint8_t* mask,
         const WeightTransferOptions& options, uint32_t* joints, float* weights, uint8_t* marks,
         std::string* error, WeightTransferFailure* failure) {
  *error = MeshProblem(source, "Source");
  if (error->empty()) *error = MeshProblem(destination, "Destination");
  if (!error->empty()) return false;
  SourceShares shares;
  if (!shares.Build(sourceWeights, source.vertexCount, jointCount, error)) return false;
  if (!AnyUsed(source, sourceUsed)) {
    *error = "the Source has no used vertex";
    return false;
  }
  std::vector<uint8_t> ownMarks(marks == nullptr ? destination.vertexCount : 0);
  uint8_t* const marked = marks != nullptr ? marks : ownMarks.data();
  const std::size_t slots = destination.vertexCount * options.maxInfluences;
  std::fill(joints, joints + slots, 0u);
  std::fill(weights, weights + slots, 0.0f);
  std::fill(marked, marked + destination.vertexCount, uint8_t{0});
  const WeightJob job{
      source, sourceUsed, shares, destination, mask, options, ThreadsFor(options.threadCount),
      joints, weights,    marked};
  if (options.method != WeightMethod::kNearest) return RunOnSurface(job, error, failure);
  NearestWeights(job);
  return true;
}

}  // namespace

bool TransferWeights(const TriangleMesh& source, const uint8_t* sourceUsed,
                     const SparseWeights& sourceWeights, std::size_t jointCount,
                     const TriangleMesh& destination, const uint8_t* mask,
                     const WeightTransferOptions& options, uint32_t* joints, float* weights,
                     uint8_t* marks, std::string* error, WeightTransferFailure* failure) {
  WeightTransferFailure ignored;
  WeightTransferFailure& kind = failure != nullptr ? *failure : ignored;
  kind = WeightTransferFailure::kInput;
  *error = OptionsProblem(options, jointCount);
  if (!error->empty()) return false;
  try {
    if (Run(source, sourceUsed, sourceWeights, jointCount, destination, mask, options, joints,
            weights, marks, error, &kind)) {
      kind = WeightTransferFailure::kNone;
      return true;
    }
    return false;
  } catch (const std::bad_alloc&) {
    *error = "not enough memory for the weight transfer";
    kind = WeightTransferFailure::kMemory;
    return false;
  }
}
