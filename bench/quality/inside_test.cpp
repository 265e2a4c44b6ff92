#include "quality/inside_test.h"

InsideTest::InsideTest(const std::vector<Vector3>& positions,
                       const std::vector<uint32_t>& triangles) {
  tree_.Build(
      TriangleMesh{positions.data(), positions.size(), triangles.data(), triangles.size() / 3});
}

bool InsideTest::Inside(const Vector3& point) const {
  return tree_.WindingNumber(point) >= 0.5;
}
