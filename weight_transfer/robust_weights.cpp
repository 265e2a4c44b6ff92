// robust: the surface method's match under the distance and angle limits, the refused vertices
// filled from the matched ones over the Destination's mesh (weight inpainting), the optional
// smoothing, each vertex keeping its largest influences.
#include <vector>

#include "weight_transfer/weight_methods.h"

bool RobustWeights(const WeightJob& job, const PreparedSource& source, std::string* error) {
  const std::size_t count = job.destination.vertexCount;
  SurfaceTransferOptions limits;
  limits.maxDistance = job.options.maxDistance;
  limits.maxAngleDegrees = job.options.maxAngleDegrees;
  limits.threadCount = job.threadCount;
  // Normals only for the angle limit.
  const std::vector<Vector3> normals = job.options.maxAngleDegrees >= 180.0f
                                           ? std::vector<Vector3>()
                                           : DestinationNormals(job.destination);
  std::vector<SurfaceHit> hits(count);
  std::vector<uint8_t> marks(count, 0);
  MatchDestination(source, job.destination, job.mask, normals.empty() ? nullptr : normals.data(),
                   limits, hits.data(), marks.data());
  StoreMatched(job, hits.data(), marks.data());
  if (!FillRefusedWeights(job, hits, marks, error)) return false;
  SmoothFilledWeights(job, marks, job.options.smoothingPasses);
  std::copy(marks.begin(), marks.end(), job.marks);
  return true;
}
