// Matching Destination vertices to their closest points on the rest Source, under the limits.
#include <cmath>

#include "geometry/vector3.h"
#include "parallel/parallel_chunks.h"
#include "surface_transfer/surface_methods.h"

namespace {

// Closest-point queries cost enough that small chunks pay for their thread.
constexpr std::size_t kVerticesPerChunk = 256;

constexpr double kPi = 3.14159265358979323846;

SurfaceHit NoHit() {
  return SurfaceHit{-1, kSurfaceNoFeature, {0.0f, 0.0f, 0.0f}, {0.0f, 0.0f, 0.0f}, 0.0f};
}

double SquaredDistanceInDoubles(const Vector3& vertex, const float* point) {
  const double dx = static_cast<double>(vertex.x) - point[0];
  const double dy = static_cast<double>(vertex.y) - point[1];
  const double dz = static_cast<double>(vertex.z) - point[2];
  return (dx * dx + dy * dy) + dz * dz;
}

// The limits, worked out once for all vertices.
struct Limits {
  // The squared distance limit in doubles, where a float's square is exact and cannot overflow.
  // Distances are measured in doubles too, so that one too large for a float's square is still
  // compared rightly.
  bool distanceLimited = false;
  double squaredDistance = 0.0;
  // The cosine of the angle limit.
  bool angleLimited = false;
  float leastCosine = -1.0f;

  Limits(const SurfaceTransferOptions& options, bool haveNormals) {
    distanceLimited = !(options.maxDistance == std::numeric_limits<float>::infinity());
    squaredDistance = static_cast<double>(options.maxDistance) * options.maxDistance;
    angleLimited = haveNormals && !(options.maxAngleDegrees >= 180.0f);
    leastCosine =
        static_cast<float>(std::cos(static_cast<double>(options.maxAngleDegrees) * (kPi / 180.0)));
  }

  // A vertex or a Source point without a normal passes the angle limit.
  bool Accept(const Vector3& vertex, const SurfaceHit& hit, const Vector3& vertexNormal,
              const Vector3& sourceNormal) const {
    if (hit.triangle < 0) return false;
    if (distanceLimited && !(SquaredDistanceInDoubles(vertex, hit.point) <= squaredDistance)) {
      return false;
    }
    if (!angleLimited || IsZero(vertexNormal) || IsZero(sourceNormal)) return true;
    return Dot(vertexNormal, sourceNormal) >= leastCosine;
  }
};

}  // namespace

void MatchDestination(const PreparedSource& source, const TriangleMesh& destination,
                      const uint8_t* mask, const Vector3* destinationNormals,
                      const SurfaceTransferOptions& options, SurfaceHit* hits, uint8_t* marks) {
  const Limits limits(options, destinationNormals != nullptr);
  const unsigned threadCount = ThreadsFor(options.threadCount);
  RunInChunks(destination.vertexCount, threadCount, kVerticesPerChunk,
              [&](std::size_t begin, std::size_t end) {
                for (std::size_t i = begin; i < end; ++i) {
                  hits[i] = NoHit();
                  marks[i] = 0;
                  if (mask != nullptr && mask[i] == 0) continue;
                  hits[i] = source.search().FindClosest(&destination.positions[i].x);
                  const Vector3 vertexNormal =
                      limits.angleLimited ? destinationNormals[i] : Vector3{0.0f, 0.0f, 0.0f};
                  const Vector3 sourceNormal =
                      limits.angleLimited ? source.NormalAt(hits[i]) : Vector3{0.0f, 0.0f, 0.0f};
                  if (limits.Accept(destination.positions[i], hits[i], vertexNormal, sourceNormal))
                    marks[i] = kVertexMatched;
                }
              });
}
