// The C interface's skin weight transfer: the caller's structs and arrays checked, then handed to
// TransferWeights in place.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <exception>
#include <limits>
#include <new>
#include <string>

#include "parallel/float_control.h"
#include "transfer_c/palisor_transfer_verdict.h"
#include "transfer_c/struct_size.h"
#include "weight_transfer/weight_transfer.h"

namespace {

constexpr std::size_t kFirstInputSize =
    offsetof(palisor_transfer_weight_input, destination_triangle_count) +
    sizeof(palisor_transfer_weight_input::destination_triangle_count);
constexpr std::size_t kFirstOptionsSize =
    offsetof(palisor_transfer_weight_options, max_influences) +
    sizeof(palisor_transfer_weight_options::max_influences);
constexpr std::size_t kMostVertices = static_cast<std::size_t>(std::numeric_limits<int32_t>::max());
constexpr std::size_t kMostInfluences = 255;

void SetDefaults(palisor_transfer_weight_options& options) {
  options.method = PALISOR_TRANSFER_WEIGHTS_ROBUST;
  options.thread_count = 0;
  options.max_distance = std::numeric_limits<float>::infinity();
  options.max_angle_degrees = 45.0f;
  options.smoothing_passes = 0;
  options.max_influences = 4;
}

palisor_transfer_weight_options DefaultOptions() {
  palisor_transfer_weight_options options{};
  options.struct_size = sizeof options;
  SetDefaults(options);
  return options;
}

Verdict CheckOptions(const palisor_transfer_weight_options& options) {
  if (options.method < PALISOR_TRANSFER_WEIGHTS_NEAREST ||
      options.method > PALISOR_TRANSFER_WEIGHTS_ROBUST) {
    return Verdict{PALISOR_TRANSFER_UNSUPPORTED,
                   "options.method " + std::to_string(options.method) +
                       " is unknown; this library knows 0 (nearest), 1 (surface) and 2 (robust)"};
  }
  if (!(options.max_distance >= 0.0f)) return Invalid("options.max_distance must be 0 or more");
  if (!(options.max_angle_degrees >= 0.0f)) {
    return Invalid("options.max_angle_degrees must be 0 or more");
  }
  if (options.max_influences == 0 || options.max_influences > kMostInfluences) {
    return Invalid("options.max_influences is " + std::to_string(options.max_influences) +
                   ": it must be 1 to 255");
  }
  return Verdict{};
}

// An array of `count` items that must be there when `count` is not 0.
Verdict Present(const void* data, std::size_t count, const char* name, const char* countName) {
  if (data != nullptr || count == 0) return Verdict{};
  return Invalid(std::string("input.") + name + " is null but input." + countName + " is " +
                 std::to_string(count));
}

Verdict CheckTriangles(const uint32_t* triangles, std::size_t count, std::size_t vertexCount,
                       const char* name) {
  const std::string field = std::string("input.") + name + "_triangles";
  if (triangles == nullptr && count > 0) return Invalid(field + " is null");
  if (count > kMostVertices) return Invalid(field + ": more than 2147483647 triangles");
  for (std::size_t k = 0; k < 3 * count; ++k) {
    if (triangles[k] >= vertexCount) {
      return Invalid(field + ": corner " + std::to_string(k % 3) + " of triangle " +
                     std::to_string(k / 3) + " is " + std::to_string(triangles[k]) +
                     ", not below the vertex count " + std::to_string(vertexCount));
    }
  }
  return Verdict{};
}

Verdict CheckSource(const palisor_transfer_weight_input& input, bool surface) {
  if (input.source_vertex_count > kMostVertices) {
    return Invalid("input.source_vertex_count is above 2147483647");
  }
  Verdict verdict = Present(input.source_positions, input.source_vertex_count, "source_positions",
                            "source_vertex_count");
  if (input.source_influences == 0 || input.source_influences > kMostInfluences) {
    return Invalid("input.source_influences is " + std::to_string(input.source_influences) +
                   ": it must be 1 to 255");
  }
  if (!verdict.Failed())
    verdict = Present(input.source_joints, input.source_vertex_count, "source_joints",
                      "source_vertex_count");
  if (!verdict.Failed())
    verdict = Present(input.source_weights, input.source_vertex_count, "source_weights",
                      "source_vertex_count");
  if (!verdict.Failed() && input.joint_count == 0) verdict = Invalid("input.joint_count is 0");
  if (!verdict.Failed() && surface && input.source_triangles == nullptr) {
    verdict = Invalid("input.source_triangles is null: the surface and robust methods need them");
  }
  if (verdict.Failed() || !surface) return verdict;
  return CheckTriangles(input.source_triangles, input.source_triangle_count,
                        input.source_vertex_count, "source");
}

Verdict CheckDestination(const palisor_transfer_weight_input& input, bool surface,
                         const uint32_t* joints, const float* weights) {
  const std::size_t count = input.destination_vertex_count;
  if (count > kMostVertices) return Invalid("input.destination_vertex_count is above 2147483647");
  Verdict verdict = Present(input.destination_positions, count, "destination_positions",
                            "destination_vertex_count");
  if (verdict.Failed()) return verdict;
  if (count > 0 && (joints == nullptr || weights == nullptr)) {
    return Invalid("destination_joints or destination_weights is null");
  }
  if (!surface) return verdict;
  return CheckTriangles(input.destination_triangles, input.destination_triangle_count, count,
                        "destination");
}

Verdict Check(const palisor_transfer_weight_input* input,
              const palisor_transfer_weight_options* options, const uint32_t* joints,
              const float* weights) {
  if (input == nullptr) return Invalid("input is null");
  Verdict verdict =
      CheckStructSize(input, input->struct_size, kFirstInputSize, kFirstInputSize, "weight_input");
  if (!verdict.Failed() && options != nullptr) {
    verdict = CheckStructSize(options, options->struct_size, kFirstOptionsSize, kFirstOptionsSize,
                              "weight_options");
  }
  if (verdict.Failed()) return verdict;
  const palisor_transfer_weight_input in = Complete(input, palisor_transfer_weight_input{});
  const palisor_transfer_weight_options how = Complete(options, DefaultOptions());
  verdict = CheckOptions(how);
  const bool surface = how.method != PALISOR_TRANSFER_WEIGHTS_NEAREST;
  if (!verdict.Failed()) verdict = CheckSource(in, surface);
  if (!verdict.Failed()) verdict = CheckDestination(in, surface, joints, weights);
  return verdict;
}

Verdict Transfer(const palisor_transfer_weight_input& input,
                 const palisor_transfer_weight_options& how, uint32_t* joints, float* weights,
                 uint8_t* marks) {
  const bool surface = how.method != PALISOR_TRANSFER_WEIGHTS_NEAREST;
  const TriangleMesh source{reinterpret_cast<const Vector3*>(input.source_positions),
                            input.source_vertex_count, surface ? input.source_triangles : nullptr,
                            surface ? input.source_triangle_count : 0};
  const TriangleMesh destination{reinterpret_cast<const Vector3*>(input.destination_positions),
                                 input.destination_vertex_count,
                                 surface ? input.destination_triangles : nullptr,
                                 surface ? input.destination_triangle_count : 0};
  const SparseWeights given{input.source_vertex_count, input.source_influences, input.source_joints,
                            input.source_weights};
  WeightTransferOptions options;
  options.method = static_cast<WeightMethod>(how.method);
  options.maxDistance = how.max_distance;
  options.maxAngleDegrees = how.max_angle_degrees;
  options.smoothingPasses = how.smoothing_passes;
  options.maxInfluences = how.max_influences;
  options.threadCount = how.thread_count;
  std::string error;
  WeightTransferFailure failure = WeightTransferFailure::kNone;
  if (TransferWeights(source, input.source_used, given, input.joint_count, destination,
                      input.destination_mask, options, joints, weights, marks, &error, &failure)) {
    return Verdict{};
  }
  if (failure == WeightTransferFailure::kInput) return Invalid(error);
  if (failure == WeightTransferFailure::kMemory) {
    return Verdict{PALISOR_TRANSFER_OUT_OF_MEMORY, error};
  }
  return Verdict{PALISOR_TRANSFER_INTERNAL_ERROR, "internal error: " + error};
}

}  // namespace

void SetDefaultWeightOptions(palisor_transfer_weight_options* options) {
  if (options == nullptr || options->struct_size < kFirstOptionsSize) return;
  palisor_transfer_weight_options defaults;
  std::memset(&defaults, 0, sizeof defaults);
  defaults.struct_size = options->struct_size;
  SetDefaults(defaults);
  std::memcpy(options, &defaults, std::min(options->struct_size, sizeof defaults));
}

Verdict TransferWeightsFromC(const palisor_transfer_weight_input* input,
                             const palisor_transfer_weight_options* options, uint32_t* joints,
                             float* weights, uint8_t* marks) {
  try {
    const Verdict verdict = Check(input, options, joints, weights);
    if (verdict.Failed()) return verdict;
    // Work on the calling thread as on the workers: in the caller's rounding, never trapping.
    const AdoptedFloatControl masked(CurrentFloatControl());
    return Transfer(Complete(input, palisor_transfer_weight_input{}),
                    Complete(options, DefaultOptions()), joints, weights, marks);
  } catch (const std::bad_alloc&) {
    return Verdict{PALISOR_TRANSFER_OUT_OF_MEMORY, "out of memory"};
  } catch (const std::exception& failure) {
    return Verdict{PALISOR_TRANSFER_INTERNAL_ERROR,
                   std::string("internal error: ") + failure.what()};
  } catch (...) {
    return Verdict{PALISOR_TRANSFER_INTERNAL_ERROR, "internal error"};
  }
}
