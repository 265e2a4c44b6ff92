// The refused vertices' weights filled smoothly from the matched ones over the Destination's mesh:
// every joint of the matched vertices near them is one channel of the biharmonic fill
// (smooth_fill.h, without frames), three channels to a solve; a joint that no matched vertex near
// a refused one has fills to zero and is not solved for. Filled values are clamped to [0, 1] and
// each vertex keeps its largest.
#include <algorithm>
#include <vector>

#include "surface_transfer/smooth_fill.h"
#include "weight_transfer/weight_methods.h"

namespace {

// The fill's channels come three to a solve, in the displacements' x, y and z.
constexpr std::size_t kChannels = 3;

enum Near : uint8_t { kFar = 0, kToFill = 1, kFirstRing = 2, kSecondRing = 4 };

// The matched vertices within two edges of a vertex to fill: the only ones the fill reads.
std::vector<uint32_t> KnownNearFill(const TriangleMesh& mesh, const std::vector<uint8_t>& known,
                                    const std::vector<uint32_t>& filled) {
  std::vector<uint8_t> near(mesh.vertexCount, kFar);
  for (const uint32_t v : filled) near[v] = kToFill;
  for (const uint8_t from : {kToFill, kFirstRing}) {
    const auto to = static_cast<uint8_t>(from == kToFill ? kFirstRing : kSecondRing);
    for (std::size_t t = 0; t < mesh.triangleCount; ++t) {
      const uint32_t* corners = mesh.triangles + 3 * t;
      if (((near[corners[0]] | near[corners[1]] | near[corners[2]]) & from) == 0) continue;
      for (int c = 0; c < 3; ++c) {
        if (known[corners[c]] != 0 && near[corners[c]] == kFar) near[corners[c]] = to;
      }
    }
  }
  std::vector<uint32_t> ring;
  for (std::size_t v = 0; v < mesh.vertexCount; ++v) {
    if ((near[v] & (kFirstRing | kSecondRing)) != 0) ring.push_back(static_cast<uint32_t>(v));
  }
  return ring;
}

std::vector<uint32_t> JointsOf(const WeightJob& job, const std::vector<uint32_t>& vertices) {
  std::vector<uint32_t> joints;
  for (const uint32_t v : vertices) {
    for (std::size_t k = 0; k < job.slots(); ++k) {
      if (job.weightsOf(v)[k] > 0.0f) joints.push_back(job.jointsOf(v)[k]);
    }
  }
  std::sort(joints.begin(), joints.end());
  joints.erase(std::unique(joints.begin(), joints.end()), joints.end());
  return joints;
}

float StoredWeight(const WeightJob& job, uint32_t v, uint32_t joint) {
  for (std::size_t k = 0; k < job.slots(); ++k) {
    if (job.weightsOf(v)[k] > 0.0f && job.jointsOf(v)[k] == joint) return job.weightsOf(v)[k];
  }
  return 0.0f;
}

// Offers `offered` to a vertex's best `slots` influences so far (weight 0: an empty slot).
void KeepIfLarger(Influence* best, std::size_t slots, const Influence& offered) {
  Influence* least = best;
  for (Influence* slot = best; slot != best + slots; ++slot) {
    if (StoredBefore(*least, *slot)) least = slot;
  }
  if (least->weight == 0.0 || StoredBefore(offered, *least)) *least = offered;
}

RigidMotion Still() {
  return RigidMotion{{0.0f, 0.0f, 0.0f}, {0.0f, 0.0f, 0.0f}, {1, 0, 0, 0, 1, 0, 0, 0, 1}};
}

// Fills every channel the matched vertices near the filled ones hold and stores the filled
// vertices' largest.
void FillChannels(const WeightJob& job, const SmoothFill& fill, const std::vector<uint8_t>& known,
                  const std::vector<uint32_t>& filled) {
  const std::vector<uint32_t> ring = KnownNearFill(job.destination, known, filled);
  const std::vector<uint32_t> joints = JointsOf(job, ring);
  std::vector<Influence> best(filled.size() * job.slots(), Influence{0, 0.0});
  std::vector<Vector3> values(job.destination.vertexCount, Vector3{0.0f, 0.0f, 0.0f});
  for (std::size_t first = 0; first < joints.size(); first += kChannels) {
    const std::size_t count = std::min(kChannels, joints.size() - first);
    for (const uint32_t v : ring) {
      float* channel = &values[v].x;
      for (std::size_t c = 0; c < count; ++c) channel[c] = StoredWeight(job, v, joints[first + c]);
    }
    fill.Fill(
        values.data(), nullptr, [](std::size_t) { return Still(); }, job.threadCount);
    for (std::size_t u = 0; u < filled.size(); ++u) {
      const float* channel = &values[filled[u]].x;
      for (std::size_t c = 0; c < count; ++c) {
        if (!(channel[c] > 0.0f)) continue;
        const double value = std::min(1.0, static_cast<double>(channel[c]));
        KeepIfLarger(best.data() + u * job.slots(), job.slots(), {joints[first + c], value});
      }
    }
  }
  std::vector<Influence> candidates;
  for (std::size_t u = 0; u < filled.size(); ++u) {
    candidates.assign(best.begin() + static_cast<std::ptrdiff_t>(u * job.slots()),
                      best.begin() + static_cast<std::ptrdiff_t>((u + 1) * job.slots()));
    StoreLargest(candidates, job.slots(), job.jointsOf(filled[u]), job.weightsOf(filled[u]));
  }
}

// Each part with no matched vertex takes the shares at the hit of its vertex nearest to the
// Source (the least squared distance, the lower index first).
void StoreUnanchored(const WeightJob& job, const SmoothFill& fill,
                     const std::vector<SurfaceHit>& hits) {
  std::vector<Influence> candidates;
  for (const std::vector<uint32_t>& part : fill.unanchoredParts()) {
    uint32_t nearest = part.front();
    for (const uint32_t v : part) {
      if (hits[v].squaredDistance < hits[nearest].squaredDistance) nearest = v;
    }
    candidates.clear();
    AppendSharesAt(job, hits[nearest], candidates);
    StoreLargest(candidates, job.slots(), job.jointsOf(nearest), job.weightsOf(nearest));
    for (const uint32_t v : part) {
      std::copy(job.jointsOf(nearest), job.jointsOf(nearest) + job.slots(), job.jointsOf(v));
      std::copy(job.weightsOf(nearest), job.weightsOf(nearest) + job.slots(), job.weightsOf(v));
    }
  }
}

}  // namespace

bool FillRefusedWeights(const WeightJob& job, const std::vector<SurfaceHit>& hits,
                        std::vector<uint8_t>& marks, std::string* error) {
  const std::size_t count = job.destination.vertexCount;
  std::vector<uint8_t> known(count, 0), moving(count, 0);
  bool anyRefused = false;
  for (std::size_t v = 0; v < count; ++v) {
    known[v] = (marks[v] & kVertexMatched) != 0 ? 1 : 0;
    moving[v] = job.Takes(v) && hits[v].triangle >= 0 ? 1 : 0;
    anyRefused = anyRefused || (moving[v] != 0 && known[v] == 0);
  }
  if (!anyRefused) return true;
  SmoothFill fill;
  if (!fill.Prepare(job.destination, known.data(), moving.data(), error)) return false;
  for (std::size_t v = 0; v < count; ++v) {
    if (moving[v] != 0 && known[v] == 0) marks[v] = kVertexFilled;
  }
  for (const std::vector<uint32_t>& part : fill.unanchoredParts()) {
    for (const uint32_t v : part) marks[v] = kVertexRigid;
  }
  std::vector<uint32_t> filled;
  for (std::size_t v = 0; v < count; ++v) {
    if (marks[v] == kVertexFilled) filled.push_back(static_cast<uint32_t>(v));
  }
  FillChannels(job, fill, known, filled);
  StoreUnanchored(job, fill, hits);
  return true;
}
