// The transfer library loaded from its file and called from C, against the plug-in's reference:
// the host-reading search (NearestSourceVertices) and delta (InterpolatedDelta) on the same
// scenes, bit for bit; and its answers to bad input.
#include "transfer_library.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstring>
#include <limits>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "palisor_version.h"
#include "reference/interpolated_delta.h"
#include "reference/nearest_source_vertices.h"
#include "support/float_bits.h"
#include "surface/surface_meshes.h"
#include "surface_transfer/surface_methods.h"
#include "tool/morph_fixture.h"
#include "transfer/interpolated_delta.h"

namespace {

constexpr float kInfinity = std::numeric_limits<float>::infinity();
constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();

// A Source with its targets (a target may have fewer vertices) and a Destination with its mask
// (empty: every vertex moves).
struct Scene {
  const char* name;
  std::vector<MQPoint> source;
  std::set<int32_t> unused;
  std::vector<std::vector<MQPoint>> targets;
  std::vector<MQPoint> destination;
  std::vector<uint8_t> mask;
};

std::vector<float> Floats(const std::vector<MQPoint>& points) {
  std::vector<float> floats;
  for (const MQPoint& point : points) floats.insert(floats.end(), {point.x, point.y, point.z});
  return floats;
}

class TransferLibraryTest : public MorphFixture {
 protected:
  void SetUp() override {
    MorphFixture::SetUp();
    host.log.enabled = false;
    ASSERT_TRUE(OpenTransferLibrary(PALISOR_TRANSFER_PATH, &library)) << PALISOR_TRANSFER_PATH;
  }
  void TearDown() override {
    CloseTransferLibrary(&library);
    MorphFixture::TearDown();
  }

  // Per target, the reference's delta of every Destination vertex as floats.
  std::vector<std::vector<float>> Reference(const Scene& scene) {
    const cmq::CMQObject source = Handle(AddMesh("source", scene.source, scene.unused));
    std::vector<cmq::CMQObject> targets;
    for (const std::vector<MQPoint>& target : scene.targets)
      targets.push_back(Handle(AddMesh("t", target)));
    std::vector<std::vector<float>> deltas(targets.size());
    for (std::size_t i = 0; i < scene.destination.size(); ++i) {
      const bool moves = scene.mask.empty() || scene.mask[i] != 0;
      const NearestList list =
          moves ? NearestSourceVertices(source, scene.destination[i]) : NearestList{};
      for (std::size_t t = 0; t < targets.size(); ++t) {
        const MQPoint delta = InterpolatedDelta(list, source, targets[t]);
        deltas[t].insert(deltas[t].end(), {delta.x, delta.y, delta.z});
      }
    }
    return deltas;
  }

  // The library's deltas, called from C.
  std::vector<std::vector<float>> Library(const Scene& scene, uint32_t threadCount) {
    std::vector<uint8_t> used(scene.source.size(), 1);
    for (int32_t vertex : scene.unused) used[static_cast<std::size_t>(vertex)] = 0;
    std::vector<std::vector<float>> displacements;
    std::vector<const float*> targets;
    std::vector<std::size_t> counts;
    for (const std::vector<MQPoint>& target : scene.targets) {
      std::vector<MQPoint> displacement;
      for (std::size_t j = 0; j < target.size() && j < scene.source.size(); ++j) {
        displacement.push_back(SaturatedDifference(target[j], scene.source[j]));
      }
      displacements.push_back(Floats(displacement));
      targets.push_back(displacements.back().data());
      counts.push_back(displacement.size());
    }
    std::vector<std::vector<float>> outputs(
        targets.size(), std::vector<float>(3 * scene.destination.size(), -1.0f));
    std::vector<float*> outputArrays;
    for (std::vector<float>& output : outputs) outputArrays.push_back(output.data());
    const std::vector<float> source = Floats(scene.source);
    const std::vector<float> destination = Floats(scene.destination);
    char message[200] = "unwritten";
    EXPECT_EQ(
        TransferFromC(&library, source.data(), scene.source.size(), used.data(), targets.data(),
                      counts.data(), targets.size(), destination.data(), scene.destination.size(),
                      scene.mask.empty() ? nullptr : scene.mask.data(), threadCount,
                      outputArrays.data(), message, sizeof message),
        PALISOR_TRANSFER_OK);
    EXPECT_STREQ(message, "");
    return outputs;
  }

  void ExpectReferenceBits(const Scene& scene) {
    SCOPED_TRACE(scene.name);
    const std::vector<std::vector<float>> expected = Reference(scene);
    for (uint32_t threads : {1u, 3u}) {
      const std::vector<std::vector<float>> actual = Library(scene, threads);
      ASSERT_EQ(actual.size(), expected.size());
      for (std::size_t t = 0; t < expected.size(); ++t) {
        int mismatches = 0;
        for (std::size_t k = 0; k < expected[t].size(); ++k) {
          if (!SameResult(actual[t][k], expected[t][k]) && ++mismatches <= 3) {
            ADD_FAILURE() << threads << " threads, target " << t << ", float " << k << ": "
                          << actual[t][k] << " instead of " << expected[t][k];
          }
        }
      }
    }
  }

  TransferLibrary library{};
};

TEST_F(TransferLibraryTest, TellsItsVersionAndNamesItsStatuses) {
  EXPECT_EQ(library.version(), static_cast<uint32_t>(PALISOR_TRANSFER_VERSION));
  EXPECT_TRUE(PALISOR_TRANSFER_VERSION_COMPATIBLE(library.version()));
  const char* const names[] = {
      "ok", "invalid argument", "unsupported", "out of memory", "internal error", "unknown status"};
  for (int32_t status = 0; status < 6; ++status) {
    EXPECT_STREQ(library.statusText(status), names[status]);
  }
}

// A program built with this header works with a library of its major version and of its minor
// version or a later one, whatever the patch versions.
TEST_F(TransferLibraryTest, AVersionIsCompatibleFromTheHeadersMinorVersionOn) {
  constexpr int kMajor = PALISOR_TRANSFER_VERSION_MAJOR;
  constexpr int kMinor = PALISOR_TRANSFER_VERSION_MINOR;
  const struct {
    int major, minor, patch;
    bool compatible;
  } cases[] = {{kMajor, kMinor, 0, true},       {kMajor, kMinor, 99, true},
               {kMajor, kMinor + 1, 0, true},   {kMajor, 99, 99, true},
               {kMajor, kMinor - 1, 99, false}, {kMajor + 1, 0, 0, false},
               {kMajor - 1, 99, 99, false}};
  for (const auto& c : cases) {
    const uint32_t version = PALISOR_TRANSFER_MAKE_VERSION(c.major, c.minor, c.patch);
    EXPECT_EQ(PALISOR_TRANSFER_VERSION_COMPATIBLE(version), c.compatible) << version;
  }
}

// The defaults go to the bytes below struct_size, up to the end of this library's struct, with its
// padding zero; no byte at or beyond struct_size changes, nor struct_size, and a struct_size below
// the first version's (never set) gets nothing.
TEST_F(TransferLibraryTest, DefaultOptionsWriteOnlyBelowStructSize) {
  palisor_transfer_options defaults;
  std::memset(&defaults, 0, sizeof defaults);
  defaults.method = PALISOR_TRANSFER_METHOD_NEAREST_VERTICES;
  defaults.thread_count = 0;
  defaults.max_distance = kInfinity;
  defaults.max_angle_degrees = 180.0f;
  defaults.keep_outside = -1.0f;
  const auto* defaultBytes = reinterpret_cast<const unsigned char*>(&defaults);
  const std::size_t first = offsetof(palisor_transfer_options, max_distance);
  const struct {
    std::size_t structSize, filled;
  } cases[] = {{0, 0},
               {first - 1, 0},
               {first, first},
               {sizeof defaults, sizeof defaults},
               {sizeof defaults + 8, sizeof defaults}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.structSize);
    union {
      palisor_transfer_options options;
      unsigned char bytes[sizeof(palisor_transfer_options) + 8];
    } caller;
    std::memset(caller.bytes, 0xFF, sizeof caller.bytes);
    caller.options.struct_size = c.structSize;
    library.defaultOptions(&caller.options);
    EXPECT_EQ(caller.options.struct_size, c.structSize);
    for (std::size_t at = sizeof(std::size_t); at < sizeof caller.bytes; ++at) {
      EXPECT_EQ(caller.bytes[at], at < c.filled ? defaultBytes[at] : 0xFF) << "byte " << at;
    }
  }
}

TEST_F(TransferLibraryTest, SmallScenesGiveTheReferenceBits) {
  const std::vector<MQPoint> square = {{0, 0, 0}, {2, 0, 0}, {0, 2, 0}, {2, 2, 0}, {1, 1, 5}};
  const std::vector<Scene> scenes = {
      {"ties, exact hits, an unused and a short target",
       square,
       {4},
       {{{0, 1, 0}, {2, 0, 3}, {0.5f, 2, 0}, {2, 2.25f, -1}, {9, 9, 9}}, {{1, 0, 0}, {2, 7, 0}}},
       {{1, 1, 0}, {0, 0, 0}, {2, 2, 0}, {1, 0, 0}, {1, 1, 5}, {-3, 40, 2}},
       {}},
      {"the Destination's mask",
       square,
       {},
       {{{0, 1, 0}, {2, 0, 3}, {0.5f, 2, 0}, {2, 2.25f, -1}, {1, 1, 6}}},
       {{1, 1, 0}, {0, 0, 0}, {2, 2, 0}, {1, 0.5f, 0}},
       {1, 0, 0, 1}},
      {"non-finite positions",
       {{0, 0, 0}, {kInfinity, 0, 0}, {0, 3, 0}, {kNaN, 1, 1}},
       {},
       {{{0, 1, 0}, {kInfinity, 0, 0}, {1, 3, 0}, {kNaN, 2, 1}}},
       {{0.5f, 0.5f, 0}, {kNaN, 0, 0}, {0, -kInfinity, 0}, {1e30f, 0, 0}},
       {}},
      {"overflowing distances and displacements",
       {{-3e38f, 0, 0}, {0, 3e38f, 0}, {1e-20f, 0, 0}},
       {},
       {{{3e38f, 0, 0}, {0, -3e38f, 0}, {1, 1, 1}}},
       {{0, 0, 0}, {3e38f, 3e38f, 0}, {1e-21f, 0, 0}},
       {}},
      {"a Source with no used vertex", square, {0, 1, 2, 3, 4}, {square}, {{1, 1, 1}}, {}},
  };
  for (const Scene& scene : scenes) ExpectReferenceBits(scene);
}

// Enough Destination vertices for the search and the blends to spread over threads; a coarse grid
// makes distances tie often.
TEST_F(TransferLibraryTest, ALargeSceneOnSeveralThreadsGivesTheReferenceBits) {
  std::mt19937 engine(5);
  const auto grid = [&](std::size_t count, int levels) {
    std::vector<MQPoint> points;
    const auto level = [&] {
      return static_cast<float>(engine() % static_cast<uint32_t>(levels)) * 0.5f;
    };
    for (std::size_t k = 0; k < count; ++k) points.push_back({level(), level(), level()});
    return points;
  };
  Scene scene{"large", grid(200, 5), {3, 50, 199}, {}, grid(8200, 9), {}};
  scene.targets = {grid(200, 5), grid(150, 5)};
  for (std::size_t k = 0; k < scene.destination.size(); ++k) scene.mask.push_back(k % 7 != 0);
  ExpectReferenceBits(scene);
}

// A sheet over the top of a sphere, partly beyond the distance limit (filled), and a second sheet
// far away (moved rigidly), with two random targets and a mask.
struct SheetsOverASphere {
  TestMesh source = Sphere(8, 12);
  TestMesh destination;
  std::vector<std::vector<float>> targets{2};
  std::vector<uint8_t> mask;

  SheetsOverASphere() {
    for (float lift : {0.9f, 5.0f}) {
      const TestMesh sheet = WavyGrid(10);
      const auto base = static_cast<uint32_t>(destination.vertexCount());
      for (std::size_t k = 0; k < sheet.positions.size(); k += 3) {
        destination.AddVertex(sheet.positions[k] - 0.5f, sheet.positions[k + 1] - 0.5f,
                              sheet.positions[k + 2] + lift);
      }
      for (uint32_t corner : sheet.corners) destination.corners.push_back(base + corner);
    }
    std::mt19937 engine(11);
    std::uniform_real_distribution<float> unit(-0.2f, 0.2f);
    for (std::vector<float>& target : targets) {
      for (std::size_t k = 0; k < source.positions.size(); ++k) target.push_back(unit(engine));
    }
    mask.assign(destination.vertexCount(), 1);
    for (std::size_t k = 0; k < mask.size(); k += 7) mask[k] = 0;
  }

  static const Vector3* Points(const std::vector<float>& floats) {
    return reinterpret_cast<const Vector3*>(floats.data());
  }

  // The C++ interface's deltas (as floats, per target) and marks, on one thread.
  void TransferInCpp(const SurfaceTransferOptions& options, std::vector<std::vector<float>>* deltas,
                     std::vector<uint8_t>* marks) const {
    PreparedSource prepared;
    std::string error;
    ASSERT_TRUE(prepared.Build(TriangleMesh{Points(source.positions), source.vertexCount(),
                                            source.corners.data(), source.triangleCount()},
                               1, &error))
        << error;
    const TargetDisplacements cppTargets[2] = {{Points(targets[0]), source.vertexCount()},
                                               {Points(targets[1]), source.vertexCount()}};
    deltas->assign(2, std::vector<float>(destination.positions.size()));
    Vector3* const deltaArrays[2] = {reinterpret_cast<Vector3*>((*deltas)[0].data()),
                                     reinterpret_cast<Vector3*>((*deltas)[1].data())};
    marks->assign(destination.vertexCount(), 0);
    const TriangleMesh mesh{Points(destination.positions), destination.vertexCount(),
                            destination.corners.data(), destination.triangleCount()};
    ASSERT_TRUE(TransferAlongSurface(prepared, cppTargets, 2, mesh, mask.data(), options,
                                     deltaArrays, marks->data(), &error))
        << error;
  }
};

// Methods 1 and 2 called from C on three threads give the bits and marks of the C++ interface on
// one.
TEST_F(TransferLibraryTest, SurfaceMethodsGiveTheBitsOfTheCppInterface) {
  const SheetsOverASphere scene;
  const std::vector<const float*> targetArrays = {scene.targets[0].data(), scene.targets[1].data()};
  palisor_transfer_input input{};
  input.struct_size = sizeof input;
  input.source_positions = scene.source.positions.data();
  input.source_vertex_count = scene.source.vertexCount();
  input.target_displacements = targetArrays.data();
  input.target_count = 2;
  input.destination_positions = scene.destination.positions.data();
  input.destination_vertex_count = scene.destination.vertexCount();
  input.destination_mask = scene.mask.data();
  input.source_triangles = scene.source.corners.data();
  input.source_triangle_count = scene.source.triangleCount();
  input.destination_triangles = scene.destination.corners.data();
  input.destination_triangle_count = scene.destination.triangleCount();
  for (int32_t method :
       {PALISOR_TRANSFER_METHOD_SURFACE_POINT, PALISOR_TRANSFER_METHOD_CARRIED_OFFSET}) {
    SCOPED_TRACE(method);
    palisor_transfer_options options{};
    options.struct_size = sizeof options;
    library.defaultOptions(&options);
    options.method = method;
    options.thread_count = 3;
    options.max_distance = 0.12f;
    options.max_angle_degrees = 120.0f;
    options.keep_outside = 0.02f;
    std::vector<std::vector<float>> outputs(2,
                                            std::vector<float>(input.destination_vertex_count * 3));
    float* const outputArrays[2] = {outputs[0].data(), outputs[1].data()};
    std::vector<uint8_t> marks(input.destination_vertex_count, 0xFF);
    char message[200] = "unwritten";
    ASSERT_EQ(library.computeMarked(&input, &options, outputArrays, marks.data(), message,
                                    sizeof message),
              PALISOR_TRANSFER_OK)
        << message;

    SurfaceTransferOptions cppOptions;
    cppOptions.method = static_cast<SurfaceMethod>(method);
    cppOptions.maxDistance = 0.12f;
    cppOptions.maxAngleDegrees = 120.0f;
    cppOptions.keepOutside = 0.02f;
    cppOptions.threadCount = 1;
    std::vector<std::vector<float>> deltas;
    std::vector<uint8_t> cppMarks;
    scene.TransferInCpp(cppOptions, &deltas, &cppMarks);
    EXPECT_EQ(marks, cppMarks);
    for (std::size_t t = 0; t < 2; ++t) {
      for (std::size_t k = 0; k < outputs[t].size(); ++k) {
        ASSERT_TRUE(SameResult(outputs[t][k], deltas[t][k])) << "target " << t << ", float " << k;
      }
    }
    // Every kind of vertex is there to compare.
    for (uint8_t bit : {PALISOR_TRANSFER_MARK_MATCHED, PALISOR_TRANSFER_MARK_FILLED,
                        PALISOR_TRANSFER_MARK_RIGID}) {
      EXPECT_NE(std::count_if(marks.begin(), marks.end(), [&](uint8_t m) { return m & bit; }), 0)
          << int{bit};
    }
  }
}

// A valid little transfer that each bad-input case breaks in one place.
struct Call {
  float source[9] = {0, 0, 0, 1, 0, 0, 0, 1, 0};
  float first[9] = {0, 1, 0, 0, 1, 0, 0, 1, 0};
  float second[9] = {1, 0, 0, 1, 0, 0, 1, 0, 0};
  const float* targets[2] = {first, second};
  std::size_t targetCounts[2] = {3, 3};
  float destination[6] = {0.5f, 0, 0, 0, 0.5f, 0};
  // The Source's one triangle; the Destination, two points, has none.
  uint32_t sourceTriangles[3] = {0, 1, 2};
  uint32_t destinationTriangles[3] = {};
  float outputs[2][6] = {};
  float* outputArrays[2] = {outputs[0], outputs[1]};
  // The input as a struct from a newer header: one more field, left zero.
  struct {
    palisor_transfer_input input;
    uint64_t newerField;
  } newer{};
  palisor_transfer_input& input = newer.input;
  struct {
    palisor_transfer_options options;
    uint64_t newerField;
  } newerOptions{};
  palisor_transfer_options& options = newerOptions.options;
  const palisor_transfer_input* inputPointer = &input;
  const palisor_transfer_options* optionsPointer = &options;
  float* const* outputPointer = outputArrays;
  const TransferLibrary& library;

  explicit Call(const TransferLibrary& transferLibrary) : library(transferLibrary) {
    // Padding included: the bytes past a struct's known size are read.
    std::memset(&newer, 0, sizeof newer);
    std::memset(&newerOptions, 0, sizeof newerOptions);
    input.struct_size = sizeof input;
    input.source_positions = source;
    input.source_vertex_count = 3;
    input.target_displacements = targets;
    input.target_vertex_counts = targetCounts;
    input.target_count = 2;
    input.destination_positions = destination;
    input.destination_vertex_count = 2;
    input.source_triangles = sourceTriangles;
    input.source_triangle_count = 1;
    input.destination_triangles = destinationTriangles;
    options.struct_size = sizeof options;
    library.defaultOptions(&options);
  }
};

TEST_F(TransferLibraryTest, BadInputIsRefusedWithItsStatusAndMessage) {
  // Where the fields of the structs end, in this version and in the first.
  const std::string inputSize = std::to_string(sizeof(palisor_transfer_input));
  const std::size_t optionsEnd = offsetof(palisor_transfer_options, keep_outside) + sizeof(float);
  const std::size_t firstInputSize = offsetof(palisor_transfer_input, source_triangles);
  const std::size_t firstOptionsSize = offsetof(palisor_transfer_options, max_distance);
  struct Case {
    const char* what;
    void (*breaks)(Call& call);
    palisor_transfer_status status;
    std::string message;
  };
  const Case cases[] = {
      {"valid", [](Call&) {}, PALISOR_TRANSFER_OK, ""},
      {"no input", [](Call& c) { c.inputPointer = nullptr; }, PALISOR_TRANSFER_INVALID_ARGUMENT,
       "input is null"},
      {"input too small", [](Call& c) { c.input.struct_size = 8; },
       PALISOR_TRANSFER_INVALID_ARGUMENT,
       "input.struct_size is 8, below the " + std::to_string(firstInputSize) +
           " bytes of the struct's first version: set it to sizeof(palisor_transfer_input) before "
           "filling the struct"},
      {"input of the first version",
       [](Call& c) { c.input.struct_size = offsetof(palisor_transfer_input, source_triangles); },
       PALISOR_TRANSFER_OK, ""},
      {"input of the first version, its triangles unread",
       [](Call& c) {
         c.input.struct_size = offsetof(palisor_transfer_input, source_triangles);
         c.options.method = PALISOR_TRANSFER_METHOD_SURFACE_POINT;
       },
       PALISOR_TRANSFER_INVALID_ARGUMENT,
       "input.source_triangles is null: the surface point and carried offset methods need the "
       "Source's triangles"},
      {"options of the first version, their limits unread",
       [](Call& c) {
         c.options.struct_size = offsetof(palisor_transfer_options, max_distance);
         c.options.max_distance = -1.0f;
       },
       PALISOR_TRANSFER_OK, ""},
      {"newer input, new field zero", [](Call& c) { c.input.struct_size = sizeof c.newer; },
       PALISOR_TRANSFER_OK, ""},
      {"newer input, new field set",
       [](Call& c) {
         c.input.struct_size = sizeof c.newer;
         c.newer.newerField = 1;
       },
       PALISOR_TRANSFER_UNSUPPORTED,
       "input sets fields that this library does not know (struct_size " +
           std::to_string(sizeof(Call::newer)) + ", known " + inputSize + ")"},
      {"default options", [](Call& c) { c.optionsPointer = nullptr; }, PALISOR_TRANSFER_OK, ""},
      {"options whose struct_size was never set",
       [](Call& c) {
         std::memset(&c.options, 0, sizeof c.options);
         c.library.defaultOptions(&c.options);
         c.options.max_distance = 0.5f;
       },
       PALISOR_TRANSFER_INVALID_ARGUMENT,
       "options.struct_size is 0, below the " + std::to_string(firstOptionsSize) +
           " bytes of the struct's first version: set it to sizeof(palisor_transfer_options) "
           "before filling the struct"},
      {"newer options, new field set",
       [](Call& c) {
         c.options.struct_size = sizeof c.newerOptions;
         c.newerOptions.newerField = 7;
       },
       PALISOR_TRANSFER_UNSUPPORTED,
       "options sets fields that this library does not know (struct_size " +
           std::to_string(sizeof(Call::newerOptions)) + ", known " + std::to_string(optionsEnd) +
           ")"},
      // On 64-bit systems, in the tail padding of this library's struct.
      {"newer options, a new field right after keep_outside",
       [](Call& c) {
         const std::size_t end = offsetof(palisor_transfer_options, keep_outside) + sizeof(float);
         const float newerField = 1.0f;
         std::memcpy(reinterpret_cast<unsigned char*>(&c.newerOptions) + end, &newerField,
                     sizeof newerField);
         c.options.struct_size = end + sizeof newerField;
       },
       PALISOR_TRANSFER_UNSUPPORTED,
       "options sets fields that this library does not know (struct_size " +
           std::to_string(optionsEnd + sizeof(float)) + ", known " + std::to_string(optionsEnd) +
           ")"},
      {"unknown method", [](Call& c) { c.options.method = 3; }, PALISOR_TRANSFER_UNSUPPORTED,
       "options.method 3 is unknown; this library knows 0 (nearest vertices), 1 (surface point) "
       "and 2 (carried offset)"},
      {"surface point", [](Call& c) { c.options.method = 1; }, PALISOR_TRANSFER_OK, ""},
      {"carried offset, limited",
       [](Call& c) {
         c.options.method = 2;
         c.options.max_distance = 0.0f;
         c.options.max_angle_degrees = 0.0f;
         c.options.keep_outside = 0.0f;
       },
       PALISOR_TRANSFER_OK, ""},
      {"no Source triangles",
       [](Call& c) {
         c.options.method = 1;
         c.input.source_triangles = nullptr;
       },
       PALISOR_TRANSFER_INVALID_ARGUMENT,
       "input.source_triangles is null: the surface point and carried offset methods need the "
       "Source's triangles"},
      {"no Destination triangles",
       [](Call& c) {
         c.options.method = 2;
         c.input.destination_triangles = nullptr;
       },
       PALISOR_TRANSFER_INVALID_ARGUMENT,
       "input.destination_triangles is null: the surface point and carried offset methods need the "
       "Destination's triangles"},
      {"a Source of no triangles",
       [](Call& c) {
         c.options.method = 2;
         c.input.source_triangle_count = 0;
       },
       PALISOR_TRANSFER_INVALID_ARGUMENT,
       "the Source has no triangles: the surface point and carried offset methods need them"},
      {"a Source whose triangles are not all used",
       [](Call& c) {
         static const uint8_t used[3] = {1, 0, 1};
         c.options.method = 1;
         c.input.source_used = used;
       },
       PALISOR_TRANSFER_INVALID_ARGUMENT,
       "no triangle of the Source has all three corners in input.source_used: the surface point "
       "and carried offset methods need some"},
      {"a corner out of range",
       [](Call& c) {
         c.options.method = 1;
         c.sourceTriangles[2] = 3;
       },
       PALISOR_TRANSFER_INVALID_ARGUMENT,
       "input.source_triangles: corner 2 of triangle 0 is 3, not below input.source_vertex_count "
       "3"},
      {"a negative distance", [](Call& c) { c.options.max_distance = -1.0f; },
       PALISOR_TRANSFER_INVALID_ARGUMENT, "options.max_distance is -1: it must be 0 or more"},
      {"an angle that is not a number", [](Call& c) { c.options.max_angle_degrees = kNaN; },
       PALISOR_TRANSFER_INVALID_ARGUMENT, "options.max_angle_degrees is NaN: it must be 0 or more"},
      {"keeping outside at no finite distance", [](Call& c) { c.options.keep_outside = kInfinity; },
       PALISOR_TRANSFER_INVALID_ARGUMENT,
       "options.keep_outside is infinity: it must be finite, or negative for off"},
      {"no Source positions", [](Call& c) { c.input.source_positions = nullptr; },
       PALISOR_TRANSFER_INVALID_ARGUMENT,
       "input.source_positions is null but input.source_vertex_count is 3"},
      {"an empty Source",
       [](Call& c) {
         c.input.source_positions = nullptr;
         c.input.source_vertex_count = 0;
         c.targetCounts[0] = c.targetCounts[1] = 0;
       },
       PALISOR_TRANSFER_OK, ""},
      {"too many Source vertices", [](Call& c) { c.input.source_vertex_count = 2147483648u; },
       PALISOR_TRANSFER_INVALID_ARGUMENT,
       "input.source_vertex_count 2147483648 is above 2147483647"},
      {"no targets", [](Call& c) { c.input.target_count = 0; }, PALISOR_TRANSFER_INVALID_ARGUMENT,
       "input.target_count is 0: at least one target is needed"},
      {"no target array", [](Call& c) { c.input.target_displacements = nullptr; },
       PALISOR_TRANSFER_INVALID_ARGUMENT, "input.target_displacements is null"},
      {"a missing target", [](Call& c) { c.targets[1] = nullptr; },
       PALISOR_TRANSFER_INVALID_ARGUMENT,
       "input.target_displacements[1] is null but the vertex count of target[1] is 3"},
      {"a target without vertices",
       [](Call& c) {
         c.targets[1] = nullptr;
         c.targetCounts[1] = 0;
       },
       PALISOR_TRANSFER_OK, ""},
      {"no Destination positions", [](Call& c) { c.input.destination_positions = nullptr; },
       PALISOR_TRANSFER_INVALID_ARGUMENT,
       "input.destination_positions is null but input.destination_vertex_count is 2"},
      {"an unmeasurable Destination",
       [](Call& c) { c.input.destination_vertex_count = std::numeric_limits<std::size_t>::max(); },
       PALISOR_TRANSFER_INVALID_ARGUMENT,
       "input.destination_vertex_count " + std::to_string(std::numeric_limits<std::size_t>::max()) +
           " is too large"},
      {"no outputs", [](Call& c) { c.outputPointer = nullptr; }, PALISOR_TRANSFER_INVALID_ARGUMENT,
       "destination_displacements is null"},
      {"a missing output", [](Call& c) { c.outputArrays[1] = nullptr; },
       PALISOR_TRANSFER_INVALID_ARGUMENT, "destination_displacements[1] is null"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Call call(library);
    c.breaks(call);
    char message[200] = "unwritten";
    EXPECT_EQ(library.compute(call.inputPointer, call.optionsPointer, call.outputPointer, message,
                              sizeof message),
              c.status);
    EXPECT_EQ(std::string(message), c.message);
    // A refused call writes nothing; a transfer moves the first vertex by the targets' (0, 1, 0)
    // and (1, 0, 0), unless the Source or the second target was emptied.
    const bool moved = c.status == PALISOR_TRANSFER_OK && call.input.source_vertex_count > 0;
    EXPECT_EQ(call.outputs[0][1], moved ? 1.0f : 0.0f);
    EXPECT_EQ(call.outputs[1][0], moved && call.targets[1] != nullptr ? 1.0f : 0.0f);
  }
}

TEST_F(TransferLibraryTest, AMessageIsCutToItsBuffer) {
  Call call(library);
  call.input.target_count = 0;
  char message[6] = "xxxxx";
  EXPECT_EQ(library.compute(&call.input, nullptr, call.outputArrays, message, sizeof message),
            PALISOR_TRANSFER_INVALID_ARGUMENT);
  EXPECT_STREQ(message, "input");
  EXPECT_EQ(library.compute(&call.input, nullptr, call.outputArrays, nullptr, 100),
            PALISOR_TRANSFER_INVALID_ARGUMENT);
  EXPECT_EQ(library.compute(&call.input, nullptr, call.outputArrays, message, 0),
            PALISOR_TRANSFER_INVALID_ARGUMENT);
  EXPECT_STREQ(message, "input");
}

// A Destination farther from the Source than the float range reaches (the gap between them is
// beyond it): every method gives finite displacements, the vertices matched (not left to the
// containment of non-finite motions), and carry those of surface, the Source only moving along.
TEST_F(TransferLibraryTest, AGapBeyondTheFloatRangeGivesFiniteDisplacements) {
  const struct {
    float source, destination;
  } gaps[] = {{-3.1e38f, 3.4e38f}, {-2e38f, 2e38f}, {3.4e38f, -3.4e38f}};
  for (const auto& gap : gaps) {
    SCOPED_TRACE(gap.destination);
    Call call(library);
    for (int corner = 0; corner < 3; ++corner) call.source[3 * corner + 2] = gap.source;
    call.destination[2] = call.destination[5] = gap.destination;
    std::vector<float> surface;
    for (int32_t method :
         {PALISOR_TRANSFER_METHOD_NEAREST_VERTICES, PALISOR_TRANSFER_METHOD_SURFACE_POINT,
          PALISOR_TRANSFER_METHOD_CARRIED_OFFSET}) {
      call.options.method = method;
      uint8_t marks[2] = {0xFF, 0xFF};
      ASSERT_EQ(
          library.computeMarked(&call.input, &call.options, call.outputArrays, marks, nullptr, 0),
          PALISOR_TRANSFER_OK);
      EXPECT_EQ(marks[0], PALISOR_TRANSFER_MARK_MATCHED) << method;
      EXPECT_EQ(marks[1], PALISOR_TRANSFER_MARK_MATCHED) << method;
      const std::vector<float> outputs(&call.outputs[0][0], &call.outputs[0][0] + 12);
      for (float value : outputs) EXPECT_TRUE(std::isfinite(value)) << method;
      if (method == PALISOR_TRANSFER_METHOD_SURFACE_POINT) surface = outputs;
      if (method == PALISOR_TRANSFER_METHOD_CARRIED_OFFSET) {
        EXPECT_EQ(outputs, surface);
      }
    }
  }
}

}  // namespace
