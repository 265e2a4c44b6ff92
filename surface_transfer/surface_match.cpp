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

// Whether the angle between two directions is at most a limit, told by the chord between their
// unit vectors: for a limit up to a right angle, the unit vectors lie at most 2 sin(limit / 2)
// apart; above it, their sum is at least 2 cos(limit / 2) long. Each test is well conditioned
// where it is used (a cosine near -1 cannot tell 179.99 degrees from 180 in floats), and is made
// of operations every platform rounds alike: the sine and cosine of the limit are taken once.
class AngleLimit {
 public:
  explicit AngleLimit(double radians)
      : wide_(radians > kPi / 2),
        chord_(wide_ ? 2.0 * std::cos(radians / 2) : 2.0 * std::sin(radians / 2)) {}

  bool Within(const Vector3& a, const Vector3& b) const {
    const double lengthA = std::sqrt(SquaredLength(a)), lengthB = std::sqrt(SquaredLength(b));
    const double sign = wide_ ? 1.0 : -1.0;
    const double x = a.x / lengthA + sign * (b.x / lengthB);
    const double y = a.y / lengthA + sign * (b.y / lengthB);
    const double z = a.z / lengthA + sign * (b.z / lengthB);
    const double chord = std::sqrt((x * x + y * y) + z * z);
    return wide_ ? chord >= chord_ : chord <= chord_;
  }

 private:
  static double SquaredLength(const Vector3& v) {
    const double x = v.x, y = v.y, z = v.z;
    return (x * x + y * y) + z * z;
  }

  bool wide_;
  double chord_;
};

// The limits, worked out once for all vertices.
struct Limits {
  // The squared distance limit in doubles, where a float's square is exact and cannot overflow.
  // Distances are measured in doubles too, so that one too large for a float's square is still
  // compared rightly.
  bool distanceLimited = false;
  double squaredDistance = 0.0;
  bool angleLimited = false;
  AngleLimit angle;

  Limits(const SurfaceTransferOptions& options, bool haveNormals)
      : angle(static_cast<double>(options.maxAngleDegrees) * (kPi / 180.0)) {
    distanceLimited = !(options.maxDistance == std::numeric_limits<float>::infinity());
    squaredDistance = static_cast<double>(options.maxDistance) * options.maxDistance;
    angleLimited = haveNormals && !(options.maxAngleDegrees >= 180.0f);
  }

  // A vertex or a Source point without a normal passes the angle limit.
  bool Accept(const Vector3& vertex, const SurfaceHit& hit, const Vector3& vertexNormal,
              const Vector3& sourceNormal) const {
    if (hit.triangle < 0) return false;
    if (distanceLimited && !(SquaredDistanceInDoubles(vertex, hit.point) <= squaredDistance)) {
      return false;
    }
    if (!angleLimited || IsZero(vertexNormal) || IsZero(sourceNormal)) return true;
    return angle.Within(vertexNormal, sourceNormal);
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
