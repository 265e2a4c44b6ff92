#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "surface_transfer/source_form.h"
#include "surface_transfer/welded_corners.h"
#include "surface_transfer/winding_tree.h"
#include "test_solids.h"

namespace {

// The fast sum may stray from the exact one by the expansions' error; the exact sum agrees with
// the reference to rounding.
constexpr double kFastError = 1e-2;
constexpr double kExactError = 1e-9;

struct Case {
  const char* name;
  Solid solid;
  int orientation;  // SolidOrientation of the welded mesh
};

std::vector<Case> Cases() {
  const Solid sphere = SphereSolid(16, 32, 1.0f, {0.0f, 0.0f, 0.0f});
  const Solid other = SphereSolid(12, 24, 0.7f, {1.2f, 0.1f, 0.0f});
  return {
      {"sphere", sphere, 1},
      {"faces split along every edge", SplitFaces(sphere), 1},
      {"a fin", WithFin(sphere, 0.3f), 1},
      {"two parts run into one another", Joined(sphere, other), 1},
      {"inside out", InsideOut(sphere), -1},
      {"torus", TorusSolid(1.0f, 0.3f, 40, 16), 1},
      {"split wedge", SplitWedge(30.0f), 1},
      {"open sheet", WavySheet(12), 0},
  };
}

// Points around the surface: random ones in and around its box, and ones just off its triangles
// on both sides.
std::vector<Vector3> PointsAround(const Solid& solid, unsigned stream) {
  std::mt19937 random(stream);
  std::uniform_real_distribution<float> unit(-1.6f, 1.6f);
  std::vector<Vector3> points;
  for (int i = 0; i < 300; ++i) points.push_back({unit(random), unit(random), unit(random)});
  for (const float far : {5.0f, 40.0f}) points.push_back({far, -0.5f * far, 0.25f * far});
  const TriangleMesh mesh = solid.Mesh();
  for (std::size_t t = 0; t < mesh.triangleCount; t += 7) {
    const Vector3& a = mesh.positions[mesh.triangles[3 * t]];
    const Vector3& b = mesh.positions[mesh.triangles[3 * t + 1]];
    const Vector3& c = mesh.positions[mesh.triangles[3 * t + 2]];
    const Vector3 centroid = Times(Plus(Plus(a, b), c), 1.0f / 3.0f);
    const Vector3 normal = UnitOrZero(Cross(Minus(b, a), Minus(c, a)));
    for (const float offset : {1e-3f, -1e-3f, 0.05f}) {
      points.push_back(Plus(centroid, Times(normal, offset)));
    }
  }
  return points;
}

TEST(WindingNumber, MatchesTheReferenceOnSolidsAndSheets) {
  for (const Case& c : Cases()) {
    SCOPED_TRACE(c.name);
    const TriangleMesh mesh = c.solid.Mesh();
    const std::vector<uint32_t> welded = WeldedCorners(mesh);
    EXPECT_EQ(SolidOrientation(WeldedMesh(mesh, welded)), c.orientation);
    WindingTree tree;
    tree.Build(mesh);
    for (const Vector3& point : PointsAround(c.solid, 5)) {
      const double reference = ReferenceWindingNumber(mesh, point);
      ASSERT_NEAR(tree.ExactWindingNumber(point), reference, kExactError)
          << point.x << " " << point.y << " " << point.z;
      ASSERT_NEAR(tree.WindingNumber(point), reference, kFastError)
          << point.x << " " << point.y << " " << point.z;
    }
  }
}

// Along a segment between two points the winding number changes by one at each crossing: down
// where the segment leaves through a face's front, up where it enters through it.
TEST(WindingNumber, CrossingsAccountForItsChange) {
  for (const Case& c : Cases()) {
    SCOPED_TRACE(c.name);
    const TriangleMesh mesh = c.solid.Mesh();
    WindingTree tree;
    tree.Build(mesh);
    const std::vector<Vector3> points = PointsAround(c.solid, 9);
    for (std::size_t i = 0; i + 1 < 300; i += 2) {
      const std::vector<WindingTree::Crossing> crossings = tree.Crossings(points[i], points[i + 1]);
      double change = 0.0;
      for (const WindingTree::Crossing& crossing : crossings) {
        change += crossing.withNormal ? -1.0 : 1.0;
      }
      const double expected =
          ReferenceWindingNumber(mesh, points[i + 1]) - ReferenceWindingNumber(mesh, points[i]);
      // Only where the winding number is whole: not about a fin or a sheet.
      if (std::fabs(expected - std::round(expected)) > 1e-6) continue;
      ASSERT_NEAR(change, expected, 1e-6) << "segment " << i;
      ASSERT_EQ(tree.CrossesAgainst(points[i], points[i + 1], 1),
                std::any_of(crossings.begin(), crossings.end(),
                            [](const WindingTree::Crossing& x) { return !x.withNormal; }));
    }
  }
}

}  // namespace
