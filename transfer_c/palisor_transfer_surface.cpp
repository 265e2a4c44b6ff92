// The C interface's transfers along the Source's surface: the triangles' checks, and the call of
// the surface methods with the caller's arrays taken in place.
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "parallel/float_control.h"
#include "surface_transfer/surface_methods.h"
#include "transfer_c/palisor_transfer_verdict.h"

namespace {

constexpr std::size_t kMostTriangles =
    static_cast<std::size_t>(std::numeric_limits<int32_t>::max());

// One mesh's triangles, named as the input names them: present, not too many, every corner below
// the mesh's vertex count.
Verdict CheckTriangles(const uint32_t* triangles, std::size_t count, std::size_t vertexCount,
                       const std::string& mesh, const std::string& meshName) {
  const std::string name = "input." + mesh + "_triangles";
  if (triangles == nullptr) {
    return Invalid(name + " is null: the surface point and carried offset methods need the " +
                   meshName + "'s triangles");
  }
  if (count > std::numeric_limits<std::size_t>::max() / (3 * sizeof(uint32_t))) {
    return Invalid("input." + mesh + "_triangle_count " + std::to_string(count) + " is too large");
  }
  if (count > kMostTriangles) {
    return Invalid("input." + mesh + "_triangle_count " + std::to_string(count) +
                   " is above 2147483647");
  }
  for (std::size_t k = 0; k < 3 * count; ++k) {
    if (triangles[k] >= vertexCount) {
      return Invalid(name + ": corner " + std::to_string(k % 3) + " of triangle " +
                     std::to_string(k / 3) + " is " + std::to_string(triangles[k]) +
                     ", not below input." + mesh + "_vertex_count " + std::to_string(vertexCount));
    }
  }
  return Verdict{};
}

const Vector3* Points(const float* triples) {
  return reinterpret_cast<const Vector3*>(triples);
}

// The Source's triangles whose three corners are used, in their order.
std::vector<uint32_t> UsedTriangles(const palisor_transfer_input& input) {
  std::vector<uint32_t> used;
  for (std::size_t t = 0; t < input.source_triangle_count; ++t) {
    const uint32_t* corners = input.source_triangles + 3 * t;
    if (input.source_used[corners[0]] != 0 && input.source_used[corners[1]] != 0 &&
        input.source_used[corners[2]] != 0) {
      used.insert(used.end(), corners, corners + 3);
    }
  }
  return used;
}

SurfaceTransferOptions SurfaceOptions(const palisor_transfer_options& options) {
  SurfaceTransferOptions surface;
  surface.method = static_cast<SurfaceMethod>(options.method);
  surface.maxDistance = options.max_distance;
  surface.maxAngleDegrees = options.max_angle_degrees;
  surface.keepOutside = options.keep_outside;
  surface.threadCount = options.thread_count;
  return surface;
}

Verdict Transfer(const palisor_transfer_input& input, const palisor_transfer_options& options,
                 float* const* outputs, uint8_t* marks) {
  std::vector<uint32_t> used;
  if (input.source_used != nullptr) used = UsedTriangles(input);
  const TriangleMesh rest{
      Points(input.source_positions), input.source_vertex_count,
      input.source_used != nullptr ? used.data() : input.source_triangles,
      input.source_used != nullptr ? used.size() / 3 : input.source_triangle_count};
  if (rest.triangleCount == 0) {
    return Invalid(input.source_triangle_count == 0
                       ? "the Source has no triangles: the surface point and carried offset "
                         "methods need them"
                       : "no triangle of the Source has all three corners in input.source_used: "
                         "the surface point and carried offset methods need some");
  }
  PreparedSource source;
  std::string error;
  // The triangles were checked: only memory can fail here.
  if (!source.Build(rest, options.thread_count, &error)) {
    return Verdict{PALISOR_TRANSFER_OUT_OF_MEMORY, error};
  }
  std::vector<TargetDisplacements> targets;
  std::vector<Vector3*> deltas;
  for (std::size_t t = 0; t < input.target_count; ++t) {
    const std::size_t count = input.target_vertex_counts != nullptr ? input.target_vertex_counts[t]
                                                                    : input.source_vertex_count;
    targets.push_back(TargetDisplacements{Points(input.target_displacements[t]), count});
    deltas.push_back(reinterpret_cast<Vector3*>(outputs[t]));
  }
  const TriangleMesh destination{Points(input.destination_positions),
                                 input.destination_vertex_count, input.destination_triangles,
                                 input.destination_triangle_count};
  if (!TransferAlongSurface(source, targets.data(), targets.size(), destination,
                            input.destination_mask, SurfaceOptions(options), deltas.data(), marks,
                            &error)) {
    return Verdict{PALISOR_TRANSFER_INTERNAL_ERROR, "internal error: " + error};
  }
  return Verdict{};
}

}  // namespace

Verdict TransferAlongSurfaceFromC(const palisor_transfer_input& input,
                                  const palisor_transfer_options& options, float* const* outputs,
                                  uint8_t* marks) {
  const Verdict source = CheckTriangles(input.source_triangles, input.source_triangle_count,
                                        input.source_vertex_count, "source", "Source");
  if (source.Failed()) return source;
  const Verdict destination =
      CheckTriangles(input.destination_triangles, input.destination_triangle_count,
                     input.destination_vertex_count, "destination", "Destination");
  if (destination.Failed()) return destination;
  // Work on the calling thread as on the workers: in the caller's rounding, never trapping, and
  // leaving the caller's flags as they were.
  const AdoptedFloatControl masked(CurrentFloatControl());
  return Transfer(input, options, outputs, marks);
}
