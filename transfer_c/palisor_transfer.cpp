// The C interface of the transfer library: checks the caller's arrays, hands them to the
// transfer as they are, and turns every failure, exceptions included, into a status and a message.
#include "transfer_c/palisor_transfer.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <exception>
#include <limits>
#include <new>
#include <string>
#include <type_traits>
#include <vector>

#include "palisor_version.h"
#include "transfer/transfer.h"
#include "transfer_c/palisor_transfer_verdict.h"
#include "transfer_c/struct_size.h"

// The header's version is the project's (root CMakeLists.txt): a new version of the project
// changes the header's macros too.
static_assert(PALISOR_TRANSFER_VERSION_MAJOR == PALISOR_VERSION_MAJOR &&
                  PALISOR_TRANSFER_VERSION_MINOR == PALISOR_VERSION_MINOR &&
                  PALISOR_TRANSFER_VERSION_PATCH == PALISOR_VERSION_PATCH,
              "palisor_transfer.h's version macros must be the project's version");
static_assert(PALISOR_TRANSFER_VERSION_MINOR < 100 && PALISOR_TRANSFER_VERSION_PATCH < 100,
              "a version number holds a minor and a patch version below 100");

// The caller's float triples are taken as points in place.
static_assert(sizeof(Vector3) == 3 * sizeof(float) && alignof(Vector3) == alignof(float) &&
                  std::is_standard_layout<Vector3>::value,
              "a Vector3 is three floats");

namespace {

// At most this many vertices fit an array of float triples that a size_t can measure.
constexpr std::size_t kMostTriples = std::numeric_limits<std::size_t>::max() / sizeof(Vector3);

// The sizes of the structs' first versions: a caller built with the first header passes these.
constexpr std::size_t kFirstInputSize = offsetof(palisor_transfer_input, source_triangles);
constexpr std::size_t kFirstOptionsSize = offsetof(palisor_transfer_options, max_distance);
// Where the fields this library knows end. The bytes after them, the structs' tail padding
// included, are where a newer header puts its fields.
constexpr std::size_t kKnownInputSize =
    offsetof(palisor_transfer_input, destination_triangle_count) +
    sizeof(palisor_transfer_input::destination_triangle_count);
constexpr std::size_t kKnownOptionsSize = offsetof(palisor_transfer_options, keep_outside) +
                                          sizeof(palisor_transfer_options::keep_outside);

// Sets every field but struct_size to its default.
void SetDefaults(palisor_transfer_options& options) {
  options.method = PALISOR_TRANSFER_METHOD_NEAREST_VERTICES;
  options.thread_count = 0;
  options.max_distance = std::numeric_limits<float>::infinity();
  options.max_angle_degrees = 180.0f;
  options.keep_outside = -1.0f;
}

palisor_transfer_options DefaultOptions() {
  palisor_transfer_options options{};
  options.struct_size = sizeof options;
  SetDefaults(options);
  return options;
}

// A float as the messages show it, the same on every platform for the values they name.
std::string Shown(float value) {
  if (std::isnan(value)) return "NaN";
  if (std::isinf(value)) return value > 0.0f ? "infinity" : "-infinity";
  char text[32];
  std::snprintf(text, sizeof text, "%g", static_cast<double>(value));
  return text;
}

// A limit that must be 0 or more (infinity allowed unless `finite`).
Verdict CheckLimit(float value, const char* name, bool finite) {
  if (value >= 0.0f && (!finite || value < std::numeric_limits<float>::infinity())) {
    return Verdict{};
  }
  return Invalid(std::string("options.") + name + " is " + Shown(value) + ": it must be " +
                 (finite ? "finite, or negative for off" : "0 or more"));
}

Verdict CheckOptions(const palisor_transfer_options* given) {
  if (given == nullptr) return Verdict{};
  Verdict size =
      CheckStructSize(given, given->struct_size, kFirstOptionsSize, kKnownOptionsSize, "options");
  if (size.Failed()) return size;
  const palisor_transfer_options options = Complete(given, DefaultOptions());
  if (options.method < PALISOR_TRANSFER_METHOD_NEAREST_VERTICES ||
      options.method > PALISOR_TRANSFER_METHOD_CARRIED_OFFSET) {
    return Verdict{PALISOR_TRANSFER_UNSUPPORTED,
                   "options.method " + std::to_string(options.method) +
                       " is unknown; this library knows 0 (nearest vertices), 1 (surface point) "
                       "and 2 (carried offset)"};
  }
  Verdict limit = CheckLimit(options.max_distance, "max_distance", false);
  if (limit.Failed()) return limit;
  limit = CheckLimit(options.max_angle_degrees, "max_angle_degrees", false);
  if (limit.Failed()) return limit;
  // Negative is off; NaN and infinity are not distances.
  if (options.keep_outside < 0.0f) return Verdict{};
  return CheckLimit(options.keep_outside, "keep_outside", true);
}

// An array of `count` triples named `name`: present wherever there are any, and measurable.
Verdict CheckTriples(const float* triples, std::size_t count, const std::string& name,
                     const std::string& countName) {
  if (count > kMostTriples) {
    return Invalid(countName + " " + std::to_string(count) + " is too large");
  }
  if (triples == nullptr && count > 0) {
    return Invalid(name + " is null but " + countName + " is " + std::to_string(count));
  }
  return Verdict{};
}

std::size_t TargetVertexCount(const palisor_transfer_input& input, std::size_t target) {
  if (input.target_vertex_counts == nullptr) return input.source_vertex_count;
  return input.target_vertex_counts[target];
}

Verdict CheckTargets(const palisor_transfer_input& input) {
  if (input.target_count == 0) {
    return Invalid("input.target_count is 0: at least one target is needed");
  }
  if (input.target_displacements == nullptr) return Invalid("input.target_displacements is null");
  for (std::size_t t = 0; t < input.target_count; ++t) {
    const std::string index = "[" + std::to_string(t) + "]";
    const Verdict target =
        CheckTriples(input.target_displacements[t], TargetVertexCount(input, t),
                     "input.target_displacements" + index, "the vertex count of target" + index);
    if (target.Failed()) return target;
  }
  return Verdict{};
}

Verdict CheckInput(const palisor_transfer_input* input) {
  if (input == nullptr) return Invalid("input is null");
  const Verdict size =
      CheckStructSize(input, input->struct_size, kFirstInputSize, kKnownInputSize, "input");
  if (size.Failed()) return size;
  if (input->source_vertex_count > static_cast<std::size_t>(std::numeric_limits<int32_t>::max())) {
    return Invalid("input.source_vertex_count " + std::to_string(input->source_vertex_count) +
                   " is above 2147483647");
  }
  const Verdict source = CheckTriples(input->source_positions, input->source_vertex_count,
                                      "input.source_positions", "input.source_vertex_count");
  if (source.Failed()) return source;
  const Verdict targets = CheckTargets(*input);
  if (targets.Failed()) return targets;
  return CheckTriples(input->destination_positions, input->destination_vertex_count,
                      "input.destination_positions", "input.destination_vertex_count");
}

Verdict CheckOutputs(const palisor_transfer_input& input, float* const* outputs) {
  if (outputs == nullptr) return Invalid("destination_displacements is null");
  for (std::size_t t = 0; t < input.target_count; ++t) {
    if (outputs[t] == nullptr && input.destination_vertex_count > 0) {
      return Invalid("destination_displacements[" + std::to_string(t) + "] is null");
    }
  }
  return Verdict{};
}

Verdict Check(const palisor_transfer_input* input, const palisor_transfer_options* options,
              float* const* outputs) {
  const Verdict given = CheckInput(input);
  if (given.Failed()) return given;
  const Verdict how = CheckOptions(options);
  if (how.Failed()) return how;
  return CheckOutputs(*input, outputs);
}

const Vector3* Points(const float* triples) {
  return reinterpret_cast<const Vector3*>(triples);
}

// The plug-in's rule. A moved vertex is matched where the Source has a used vertex.
void TransferNearestVertices(const palisor_transfer_input& input,
                             const palisor_transfer_options& options, float* const* outputs,
                             uint8_t* marks) {
  std::vector<TargetDisplacements> targets;
  for (std::size_t t = 0; t < input.target_count; ++t) {
    targets.push_back(
        TargetDisplacements{Points(input.target_displacements[t]), TargetVertexCount(input, t)});
  }
  std::vector<Vector3*> deltas;
  for (std::size_t t = 0; t < input.target_count; ++t) {
    deltas.push_back(reinterpret_cast<Vector3*>(outputs[t]));
  }
  TransferScene scene;
  scene.sourcePositions = Points(input.source_positions);
  scene.sourceCount = input.source_vertex_count;
  scene.sourceUsed = input.source_used;
  scene.targets = targets.data();
  scene.targetCount = targets.size();
  scene.destinationPositions = Points(input.destination_positions);
  scene.destinationCount = input.destination_vertex_count;
  scene.destinationMask = input.destination_mask;
  TransferDisplacements(scene, deltas.data(), options.thread_count);
  if (marks == nullptr) return;
  bool anyUsed = false;
  for (std::size_t v = 0; v < input.source_vertex_count && !anyUsed; ++v) {
    anyUsed = input.source_used == nullptr || input.source_used[v] != 0;
  }
  for (std::size_t i = 0; i < input.destination_vertex_count; ++i) {
    const bool moves = input.destination_mask == nullptr || input.destination_mask[i] != 0;
    marks[i] = moves && anyUsed ? PALISOR_TRANSFER_MARK_MATCHED : 0;
  }
}

Verdict Transfer(const palisor_transfer_input* given, const palisor_transfer_options* givenOptions,
                 float* const* outputs, uint8_t* marks) {
  const palisor_transfer_input input = Complete(given, palisor_transfer_input{});
  const palisor_transfer_options options = Complete(givenOptions, DefaultOptions());
  if (options.method == PALISOR_TRANSFER_METHOD_NEAREST_VERTICES) {
    TransferNearestVertices(input, options, outputs, marks);
    return Verdict{};
  }
  return TransferAlongSurfaceFromC(input, options, outputs, marks);
}

Verdict Compute(const palisor_transfer_input* input, const palisor_transfer_options* options,
                float* const* outputs, uint8_t* marks) {
  try {
    const Verdict verdict = Check(input, options, outputs);
    if (verdict.Failed()) return verdict;
    return Transfer(input, options, outputs, marks);
  } catch (const std::bad_alloc&) {
    return Verdict{PALISOR_TRANSFER_OUT_OF_MEMORY, "out of memory"};
  } catch (const std::exception& failure) {
    return Verdict{PALISOR_TRANSFER_INTERNAL_ERROR,
                   std::string("internal error: ") + failure.what()};
  } catch (...) {
    return Verdict{PALISOR_TRANSFER_INTERNAL_ERROR, "internal error"};
  }
}

// Copies as much of the text as fits, always ending in a null byte.
void WriteMessage(const char* text, std::size_t length, char* message, std::size_t capacity) {
  if (message == nullptr || capacity == 0) return;
  if (length > capacity - 1) length = capacity - 1;
  std::memcpy(message, text, length);
  message[length] = '\0';
}

}  // namespace

extern "C" {

PALISOR_TRANSFER_API uint32_t palisor_transfer_version(void) {
  return PALISOR_TRANSFER_VERSION;
}

PALISOR_TRANSFER_API void palisor_transfer_default_options(palisor_transfer_options* options) {
  // A struct_size below the first version's was never set: nothing is known of the caller's
  // struct, and the compute call it is meant for refuses it.
  if (options == nullptr || options->struct_size < kFirstOptionsSize) return;
  palisor_transfer_options defaults;
  // The padding too: a compute call refuses a non-zero byte after the known fields.
  std::memset(&defaults, 0, sizeof defaults);
  defaults.struct_size = options->struct_size;
  SetDefaults(defaults);
  std::memcpy(options, &defaults, std::min(options->struct_size, sizeof defaults));
}

PALISOR_TRANSFER_API const char* palisor_transfer_status_text(int32_t status) {
  switch (status) {
    case PALISOR_TRANSFER_OK:
      return "ok";
    case PALISOR_TRANSFER_INVALID_ARGUMENT:
      return "invalid argument";
    case PALISOR_TRANSFER_UNSUPPORTED:
      return "unsupported";
    case PALISOR_TRANSFER_OUT_OF_MEMORY:
      return "out of memory";
    case PALISOR_TRANSFER_INTERNAL_ERROR:
      return "internal error";
    default:
      return "unknown status";
  }
}

PALISOR_TRANSFER_API palisor_transfer_status palisor_transfer_compute(
    const palisor_transfer_input* input, const palisor_transfer_options* options,
    float* const* destination_displacements, char* message, size_t message_capacity) {
  return palisor_transfer_compute_marked(input, options, destination_displacements, nullptr,
                                         message, message_capacity);
}

PALISOR_TRANSFER_API palisor_transfer_status palisor_transfer_compute_marked(
    const palisor_transfer_input* input, const palisor_transfer_options* options,
    float* const* destination_displacements, uint8_t* destination_marks, char* message,
    size_t message_capacity) {
  try {
    const Verdict verdict = Compute(input, options, destination_displacements, destination_marks);
    WriteMessage(verdict.message.data(), verdict.message.size(), message, message_capacity);
    return verdict.status;
  } catch (...) {
    // Only the making of a message can get here, when memory has run out.
    static const char kOutOfMemory[] = "out of memory";
    WriteMessage(kOutOfMemory, sizeof kOutOfMemory - 1, message, message_capacity);
    return PALISOR_TRANSFER_OUT_OF_MEMORY;
  }
}

PALISOR_TRANSFER_API void palisor_transfer_default_weight_options(
    palisor_transfer_weight_options* options) {
  SetDefaultWeightOptions(options);
}

PALISOR_TRANSFER_API palisor_transfer_status palisor_transfer_weights(
    const palisor_transfer_weight_input* input, const palisor_transfer_weight_options* options,
    uint32_t* destination_joints, float* destination_weights, uint8_t* destination_marks,
    char* message, size_t message_capacity) {
  try {
    const Verdict verdict = TransferWeightsFromC(input, options, destination_joints,
                                                 destination_weights, destination_marks);
    WriteMessage(verdict.message.data(), verdict.message.size(), message, message_capacity);
    return verdict.status;
  } catch (...) {
    static const char kOutOfMemory[] = "out of memory";
    WriteMessage(kOutOfMemory, sizeof kOutOfMemory - 1, message, message_capacity);
    return PALISOR_TRANSFER_OUT_OF_MEMORY;
  }
}

}  // extern "C"
