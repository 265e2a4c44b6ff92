// The interpolated delta's fallback to double precision where float sums overflow: it takes over
// only the components that overflowed, all three only where the weight sum did.
#include "transfer/interpolated_delta.h"

#include <gtest/gtest.h>

#include <cstring>
#include <limits>

#include "support/float_bits.h"

namespace {

// Component c of a point.
float& At(Vector3& point, int c) {
  return c == 0 ? point.x : c == 1 ? point.y : point.z;
}

// The plug-in's blend of component c in 32-bit floats, written out: weights 1/d, sums in list
// order, divided by the weight sum.
float FloatFormula(const NearestList& list, const Vector3* displacements, int c) {
  float weights = 0.0f;
  float sum = 0.0f;
  for (const NearestEntry& entry : list) {
    const float weight = 1.0f / entry.squaredDistance;
    Vector3 displacement = displacements[entry.sourceIndex];
    weights = weights + weight;
    sum = sum + At(displacement, c) * weight;
  }
  return sum / weights;
}

// The same in double precision, rounded once.
float DoubleFormula(const NearestList& list, const Vector3* displacements, int c) {
  double weights = 0.0;
  double sum = 0.0;
  for (const NearestEntry& entry : list) {
    const double weight = 1.0 / static_cast<double>(entry.squaredDistance);
    Vector3 displacement = displacements[entry.sourceIndex];
    weights = weights + weight;
    sum = sum + static_cast<double>(At(displacement, c)) * weight;
  }
  return static_cast<float>(sum / weights);
}

TEST(InterpolatedDelta, OnlyTheComponentsWhoseSumsOverflowAreTakenInDoublePrecision) {
  constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
  struct Case {
    const char* what;
    NearestList list;
    Vector3 displacements[3];
    int overflowing;  // the component whose float sum is not finite
  };
  const Case cases[] = {
      {"a NaN displacement",
       {{0, 3.0f}, {1, 5.0f}, {2, 7.0f}},
       {{kNaN, 0.1f, -0.7f}, {0.25f, 0.3f, 0.9f}, {1.0f, -0.37f, 0.55f}},
       0},
      {"a sum beyond the float range",
       {{0, 0.5f}, {1, 0.7f}, {2, 1.3f}},
       {{0.1f, 3e38f, 0.7f}, {0.3f, 3e38f, -0.11f}, {0.17f, 3e38f, 0.29f}},
       1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Vector3 blended = InterpolatedDelta(
        c.list, [&](int32_t sourceIndex) { return c.displacements[sourceIndex]; });
    bool doubleDiffers = false;
    for (int component = 0; component < 3; ++component) {
      const float expected = component == c.overflowing
                                 ? DoubleFormula(c.list, c.displacements, component)
                                 : FloatFormula(c.list, c.displacements, component);
      EXPECT_EQ(Bits(At(blended, component)), Bits(expected)) << "component " << component;
      if (component != c.overflowing) {
        doubleDiffers = doubleDiffers || Bits(DoubleFormula(c.list, c.displacements, component)) !=
                                             Bits(FloatFormula(c.list, c.displacements, component));
      }
    }
    // The case tells the two apart: taking every component in double precision would fail it.
    EXPECT_TRUE(doubleDiffers);
  }
}

}  // namespace
