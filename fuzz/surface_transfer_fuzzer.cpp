// The transfers along the Source's surface on any small meshes, targets and options (any float
// bits, corners anywhere, every limit and keeping outside): nothing crashes or reads out of
// bounds, vertices the mask leaves out get no motion and no mark, a vertex is marked matched or
// filled or rigid at most one way, and the results do not depend on the number of threads.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "surface_transfer/surface_methods.h"

namespace {

// Mostly a small grid, so that points coincide and triangles degenerate; otherwise any bits.
float Coordinate(FuzzedDataProvider& input) {
  const uint8_t kind = input.ConsumeIntegral<uint8_t>();
  if (kind < 208) return static_cast<float>(kind % 5) - 2.0f;
  const uint32_t bits = input.ConsumeIntegral<uint32_t>();
  float value;
  std::memcpy(&value, &bits, sizeof value);
  return value;
}

std::vector<Vector3> Points(FuzzedDataProvider& input, std::size_t count) {
  std::vector<Vector3> points(count);
  for (Vector3& point : points) point = {Coordinate(input), Coordinate(input), Coordinate(input)};
  return points;
}

std::vector<uint32_t> Triangles(FuzzedDataProvider& input, std::size_t vertices) {
  std::vector<uint32_t> corners(3 * input.ConsumeIntegralInRange<std::size_t>(0, 24));
  for (uint32_t& corner : corners) {
    corner = input.ConsumeIntegralInRange<uint32_t>(0, static_cast<uint32_t>(vertices - 1));
  }
  return corners;
}

SurfaceTransferOptions Options(FuzzedDataProvider& input) {
  SurfaceTransferOptions options;
  options.method =
      input.ConsumeBool() ? SurfaceMethod::kCarriedOffset : SurfaceMethod::kSurfacePoint;
  if (input.ConsumeBool()) options.maxDistance = input.ConsumeFloatingPointInRange(0.0f, 4.0f);
  if (input.ConsumeBool())
    options.maxAngleDegrees = input.ConsumeFloatingPointInRange(0.0f, 180.0f);
  if (input.ConsumeBool()) options.keepOutside = input.ConsumeFloatingPointInRange(0.0f, 0.5f);
  return options;
}

struct Outcome {
  std::vector<std::vector<Vector3>> deltas;
  std::vector<uint8_t> marks;
  bool done = false;
};

Outcome Transfer(const PreparedSource& source, const std::vector<TargetDisplacements>& targets,
                 const TriangleMesh& destination, const std::vector<uint8_t>& mask,
                 SurfaceTransferOptions options, unsigned threads) {
  Outcome outcome;
  outcome.deltas.assign(targets.size(), std::vector<Vector3>(destination.vertexCount));
  outcome.marks.assign(destination.vertexCount, 0);
  std::vector<Vector3*> outputs;
  for (auto& delta : outcome.deltas) outputs.push_back(delta.data());
  options.threadCount = threads;
  std::string error;
  outcome.done =
      TransferAlongSurface(source, targets.data(), targets.size(), destination, mask.data(),
                           options, outputs.data(), outcome.marks.data(), &error);
  return outcome;
}

bool Same(const Outcome& a, const Outcome& b) {
  if (a.done != b.done || a.marks != b.marks) return false;
  for (std::size_t t = 0; t < a.deltas.size(); ++t) {
    if (std::memcmp(a.deltas[t].data(), b.deltas[t].data(), a.deltas[t].size() * sizeof(Vector3)) !=
        0) {
      return false;
    }
  }
  return true;
}

void Fail(const char* what) {
  std::fprintf(stderr, "%s\n", what);
  std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  FuzzedDataProvider input(data, size);
  const std::vector<Vector3> rest = Points(input, input.ConsumeIntegralInRange<std::size_t>(1, 20));
  const std::vector<uint32_t> sourceTriangles = Triangles(input, rest.size());
  std::vector<std::vector<Vector3>> displacements;
  std::vector<TargetDisplacements> targets;
  for (std::size_t t = input.ConsumeIntegralInRange<std::size_t>(1, 2); t > 0; --t) {
    displacements.push_back(
        Points(input, input.ConsumeIntegralInRange<std::size_t>(0, rest.size())));
  }
  for (const auto& target : displacements) targets.push_back({target.data(), target.size()});
  const std::vector<Vector3> points =
      Points(input, input.ConsumeIntegralInRange<std::size_t>(1, 24));
  const std::vector<uint32_t> triangles = Triangles(input, points.size());
  std::vector<uint8_t> mask(points.size());
  for (uint8_t& take : mask) take = input.ConsumeIntegralInRange<uint8_t>(0, 3) != 0;
  const SurfaceTransferOptions options = Options(input);

  PreparedSource source;
  std::string error;
  const TriangleMesh sourceMesh{rest.data(), rest.size(), sourceTriangles.data(),
                                sourceTriangles.size() / 3};
  if (!source.Build(sourceMesh, 2, &error)) return 0;
  const TriangleMesh destination{points.data(), points.size(), triangles.data(),
                                 triangles.size() / 3};
  const Outcome alone = Transfer(source, targets, destination, mask, options, 1);
  if (!Same(alone, Transfer(source, targets, destination, mask, options, 3))) {
    Fail("the transfer depends on the number of threads");
  }
  if (!alone.done) return 0;
  for (std::size_t v = 0; v < points.size(); ++v) {
    const uint8_t how = alone.marks[v] & (kVertexMatched | kVertexFilled | kVertexRigid);
    if ((how & (how - 1)) != 0) Fail("a vertex is marked in two ways");
    if (mask[v] != 0) continue;
    if (alone.marks[v] != 0) Fail("a vertex the mask leaves out is marked");
    for (const auto& delta : alone.deltas) {
      if (delta[v].x != 0.0f || delta[v].y != 0.0f || delta[v].z != 0.0f) {
        Fail("a vertex the mask leaves out moves");
      }
    }
  }
  return 0;
}
