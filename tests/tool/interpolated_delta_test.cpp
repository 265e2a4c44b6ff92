#include "reference/interpolated_delta.h"

#include <gtest/gtest.h>

#include <limits>

#include "host_imitation/log_format.h"
#include "morph_fixture.h"

namespace {

using host_imitation::HostObject;

class InterpolatedDeltaTest : public MorphFixture {
 protected:
  // Source vertices 0..3, and a target that moves each by its own displacement.
  HostObject& base = AddMesh("base", {{0, 0, 0}, {1, 0, 0}, {0, 2, 0}, {0, 0, 3}});
  HostObject& target =
      AddMesh("target", {{0.5f, 0, 0}, {1, -1, 0}, {0, 2, 0.25f}, {0.125f, 0.375f, 3}});
};

TEST_F(InterpolatedDeltaTest, AnEmptyListMovesNothing) {
  ExpectPoint(InterpolatedDelta({}, Handle(base), Handle(target)), MQPoint{0, 0, 0});
  EXPECT_EQ(host.log.Count("MQObj_GetVertex"), 0u);
}

TEST_F(InterpolatedDeltaTest, AnExactHitTakesItsDisplacementUnweighted) {
  const NearestList list = {{3, 0.0f}, {1, 0.0f}, {0, 2.0f}};
  ExpectPoint(InterpolatedDelta(list, Handle(base), Handle(target)), MQPoint{0.125f, 0.375f, 0.0f});
  // The remaining entries are not looked at.
  EXPECT_EQ(host.log.Count("MQObj_GetVertex"), 2u);
}

TEST_F(InterpolatedDeltaTest, BlendsByInverseSquaredDistanceInListOrder) {
  const NearestList list = {{1, 0.5f}, {2, 3.0f}, {3, 7.0f}};
  // The same sums in the same order, in 32-bit floats.
  const float w1 = 1.0f / 0.5f;
  const float w2 = 1.0f / 3.0f;
  const float w3 = 1.0f / 7.0f;
  const float weights = (w1 + w2) + w3;
  const float x = ((0.0f + 0.0f * w1) + 0.0f * w2) + 0.125f * w3;
  const float y = ((0.0f + -1.0f * w1) + 0.0f * w2) + 0.375f * w3;
  const float z = ((0.0f + 0.0f * w1) + 0.25f * w2) + 0.0f * w3;
  const MQPoint delta = InterpolatedDelta(list, Handle(base), Handle(target));
  ExpectPoint(delta, MQPoint{x / weights, y / weights, z / weights});
  EXPECT_NEAR(delta.y,
              -2.0f / (2.0f + 1.0f / 3 + 1.0f / 7) + 0.375f / 7 / (2.0f + 1.0f / 3 + 1.0f / 7),
              1e-6);
}

TEST_F(InterpolatedDeltaTest, VanishingWeightsLeaveTheSumUndivided) {
  const NearestList list = {{1, std::numeric_limits<float>::infinity()}};
  ExpectPoint(InterpolatedDelta(list, Handle(base), Handle(target)), MQPoint{0, 0, 0});
}

// Finite positions give a finite delta however near or far the Source vertices lie and however
// large their displacements are.
TEST_F(InterpolatedDeltaTest, OverflowingArithmeticStaysFinite) {
  constexpr float kLargest = std::numeric_limits<float>::max();
  HostObject& farBase = AddMesh("far base", {{-3e38f, 0, 0}, {0, 3e38f, 0}});
  HostObject& farTarget = AddMesh("far target", {{3e38f, 0, 0}, {0, -3e38f, 0}});
  struct Case {
    const char* what;
    HostObject& base;
    HostObject& target;
    NearestList list;
    MQPoint expected;
  };
  const Case cases[] = {
      // 1/d overflows: as good as an exact hit, whatever follows.
      {"subnormal distance", base, target, {{1, 1e-40f}, {2, 3.0f}}, {0, -1, 0}},
      // A huge but finite weight blends as ever: the far vertex's share rounds away.
      {"smallest normal distance",
       base,
       target,
       {{3, 1.1754944e-38f}, {1, 1.0f}},
       {0.125f, 0.375f, 0}},
      // Each weight 2.5e38 is finite, their sum is not: the mean of the two displacements.
      {"weight sum overflows", base, target, {{1, 4e-39f}, {2, 4e-39f}}, {0, -0.5f, 0.125f}},
      // The displacements 6e38 and -6e38 are beyond the float range: the largest float stands in.
      {"displacement overflows", farBase, farTarget, {{0, 0.0f}}, {kLargest, 0, 0}},
      // Finite weights, overflowing products: the mean is taken in double precision.
      {"weighted sums overflow",
       farBase,
       farTarget,
       {{0, 0.5f}, {1, 0.5f}},
       {kLargest / 2, -kLargest / 2, 0}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ExpectPoint(InterpolatedDelta(c.list, Handle(c.base), Handle(c.target)), c.expected);
  }
}

TEST_F(InterpolatedDeltaTest, ASourceVertexTheTargetLacksShowsNoDisplacement) {
  HostObject& shortTarget = AddMesh("short", {{0.5f, 0, 0}, {1, -1, 0}});
  host.log.Clear();
  // Vertex 3 exists only in the Source: it counts with its weight and no displacement.
  const NearestList list = {{3, 1.0f}, {1, 1.0f}};
  ExpectPoint(InterpolatedDelta(list, Handle(base), Handle(shortTarget)),
              MQPoint{0.0f, -0.5f, 0.0f});
  const NearestList hit = {{2, 0.0f}, {1, 1.0f}};
  ExpectPoint(InterpolatedDelta(hit, Handle(base), Handle(shortTarget)), MQPoint{0, 0, 0});
  // Never asked for a vertex past the target's end (the fixture checks every call).
  for (const host_imitation::HostCall& call : host.log.Of("MQObj_GetVertex")) {
    if (call.arguments[0] == host_imitation::DescribeObject(shortTarget.handle())) {
      EXPECT_EQ(call.arguments[1], "1");
    }
  }
}

}  // namespace
