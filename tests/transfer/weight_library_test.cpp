// The weight transfer through the library loaded from its file: the bits of the C++ interface for
// every method, the defaults, and the refusal of bad arguments with their status and message.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "surface/surface_meshes.h"
#include "transfer_library.h"
#include "weight_transfer/weight_transfer.h"

namespace {

// A sphere Source with four joints in two slots per vertex, and a larger, turned Destination.
struct WeightScene {
  TestMesh source = Sphere(8, 12);
  TestMesh destination = Sphere(11, 9);
  std::vector<uint32_t> joints;
  std::vector<float> weights;
  std::vector<uint8_t> used, mask;

  WeightScene() {
    for (std::size_t v = 0; v < source.vertexCount(); ++v) {
      const float z = source.positions[3 * v + 2];
      joints.insert(joints.end(), {z > 0.0f ? 1u : 0u, v % 3 == 0 ? 3u : 2u});
      weights.insert(weights.end(), {1.0f + z, 0.5f * (1.0f - z)});
      used.push_back(v == 5 ? 0 : 1);
    }
    for (std::size_t k = 0; k < destination.positions.size(); k += 3) {
      const float x = destination.positions[k], z = destination.positions[k + 2];
      destination.positions[k] = 1.2f * (0.8f * x + 0.6f * z);
      destination.positions[k + 2] = 1.2f * (0.8f * z - 0.6f * x);
      mask.push_back(k == 6 ? 0 : 1);
    }
  }

  palisor_transfer_weight_input Input() const {
    palisor_transfer_weight_input input{};
    input.struct_size = sizeof input;
    input.source_positions = source.positions.data();
    input.source_vertex_count = source.vertexCount();
    input.source_used = used.data();
    input.source_triangles = source.corners.data();
    input.source_triangle_count = source.triangleCount();
    input.source_joints = joints.data();
    input.source_weights = weights.data();
    input.source_influences = 2;
    input.joint_count = 4;
    input.destination_positions = destination.positions.data();
    input.destination_vertex_count = destination.vertexCount();
    input.destination_mask = mask.data();
    input.destination_triangles = destination.corners.data();
    input.destination_triangle_count = destination.triangleCount();
    return input;
  }
};

class WeightLibraryTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(OpenTransferLibrary(PALISOR_TRANSFER_PATH, &library)) << PALISOR_TRANSFER_PATH;
  }
  void TearDown() override { CloseTransferLibrary(&library); }

  palisor_transfer_weight_options Options(int32_t method) const {
    palisor_transfer_weight_options options{};
    options.struct_size = sizeof options;
    library.defaultWeightOptions(&options);
    options.method = method;
    options.max_angle_degrees = 40.0f;
    options.smoothing_passes = 2;
    options.max_influences = 3;
    return options;
  }

  TransferLibrary library{};
};

TEST_F(WeightLibraryTest, DefaultsAreTheRobustMethodWithFourInfluencesAndNoLimit) {
  palisor_transfer_weight_options options{};
  options.struct_size = sizeof options;
  library.defaultWeightOptions(&options);
  EXPECT_EQ(options.method, PALISOR_TRANSFER_WEIGHTS_ROBUST);
  EXPECT_EQ(options.max_influences, 4u);
  EXPECT_EQ(options.smoothing_passes, 0u);
  EXPECT_EQ(options.max_distance, INFINITY);
  EXPECT_EQ(options.max_angle_degrees, 45.0f);
}

TEST_F(WeightLibraryTest, EveryMethodGivesTheBitsOfTheCppInterface) {
  const WeightScene scene;
  for (int32_t method : {0, 1, 2}) {
    SCOPED_TRACE(method);
    const palisor_transfer_weight_options options = Options(method);
    const std::size_t slots = scene.destination.vertexCount() * options.max_influences;
    std::vector<uint32_t> joints(slots, 99), expectedJoints(slots);
    std::vector<float> weights(slots, -1.0f), expectedWeights(slots);
    std::vector<uint8_t> marks(scene.destination.vertexCount(), 99), expectedMarks(marks.size());
    const palisor_transfer_weight_input input = scene.Input();
    char message[200] = "unwritten";
    ASSERT_EQ(library.weights(&input, &options, joints.data(), weights.data(), marks.data(),
                              message, sizeof message),
              PALISOR_TRANSFER_OK)
        << message;
    EXPECT_STREQ(message, "");
    WeightTransferOptions cpp;
    cpp.method = static_cast<WeightMethod>(method);
    cpp.maxAngleDegrees = options.max_angle_degrees;
    cpp.smoothingPasses = options.smoothing_passes;
    cpp.maxInfluences = options.max_influences;
    const bool surface = method != 0;
    const TriangleMesh source{reinterpret_cast<const Vector3*>(scene.source.positions.data()),
                              scene.source.vertexCount(),
                              surface ? scene.source.corners.data() : nullptr,
                              surface ? scene.source.triangleCount() : 0};
    const TriangleMesh destination{
        reinterpret_cast<const Vector3*>(scene.destination.positions.data()),
        scene.destination.vertexCount(), surface ? scene.destination.corners.data() : nullptr,
        surface ? scene.destination.triangleCount() : 0};
    std::string error;
    ASSERT_TRUE(
        TransferWeights(source, scene.used.data(),
                        {scene.source.vertexCount(), 2, scene.joints.data(), scene.weights.data()},
                        4, destination, scene.mask.data(), cpp, expectedJoints.data(),
                        expectedWeights.data(), expectedMarks.data(), &error));
    EXPECT_EQ(joints, expectedJoints);
    EXPECT_EQ(weights, expectedWeights);
    EXPECT_EQ(marks, expectedMarks);
  }
}

struct Refusal {
  const char* name;
  void (*spoil)(palisor_transfer_weight_input&, palisor_transfer_weight_options&);
  palisor_transfer_status status;
  const char* says;
};

class WeightLibraryRefusals : public WeightLibraryTest,
                              public testing::WithParamInterface<Refusal> {};

TEST_P(WeightLibraryRefusals, NameTheArgument) {
  WeightScene scene;
  scene.joints[7] = 9;
  palisor_transfer_weight_input input = scene.Input();
  palisor_transfer_weight_options options = Options(PALISOR_TRANSFER_WEIGHTS_ROBUST);
  GetParam().spoil(input, options);
  std::vector<uint32_t> joints(scene.destination.vertexCount() * 4, 77);
  std::vector<float> weights(joints.size());
  char message[300] = "";
  EXPECT_EQ(library.weights(&input, &options, joints.data(), weights.data(), nullptr, message,
                            sizeof message),
            GetParam().status);
  EXPECT_NE(std::string(message).find(GetParam().says), std::string::npos) << message;
}

INSTANTIATE_TEST_SUITE_P(
    WeightLibrary, WeightLibraryRefusals,
    testing::Values(Refusal{"struct_size", [](auto& in, auto&) { in.struct_size = 8; },
                            PALISOR_TRANSFER_INVALID_ARGUMENT, "struct_size"},
                    Refusal{"unused",
                            [](auto& in, auto&) {
                              static const std::vector<uint8_t> none(1000, 0);
                              in.source_used = none.data();
                              in.joint_count = 10;
                            },
                            PALISOR_TRANSFER_INVALID_ARGUMENT, "no used vertex"},
                    Refusal{"method", [](auto&, auto& o) { o.method = 7; },
                            PALISOR_TRANSFER_UNSUPPORTED, "method 7"},
                    Refusal{"influences", [](auto&, auto& o) { o.max_influences = 0; },
                            PALISOR_TRANSFER_INVALID_ARGUMENT, "max_influences"},
                    Refusal{"corner",
                            [](auto& in, auto&) {
                              static const uint32_t beyond[] = {0, 1, 999};
                              in.destination_triangles = beyond;
                              in.destination_triangle_count = 1;
                            },
                            PALISOR_TRANSFER_INVALID_ARGUMENT, "corner 2 of triangle 0 is 999"},
                    Refusal{"joint", [](auto& in, auto&) { in.joint_count = 4; },
                            PALISOR_TRANSFER_INVALID_ARGUMENT, "joint 9"}),
    [](const testing::TestParamInfo<Refusal>& info) { return std::string(info.param.name); });

}  // namespace
