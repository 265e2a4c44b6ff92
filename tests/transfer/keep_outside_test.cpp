#include "surface_transfer/keep_outside.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "geometry/vector3.h"
#include "support/float_bits.h"
#include "surface_transfer/outside_push.h"
#include "test_solids.h"

namespace {

bool SameBits(const Vector3& a, const Vector3& b) {
  return Bits(a.x) == Bits(b.x) && Bits(a.y) == Bits(b.y) && Bits(a.z) == Bits(b.z);
}

// What a case asks of every checked vertex.
enum class Promise {
  kKept,           // on its side, at least min(distance, rest clearance) from the morphed Source
  kKeptNoFarther,  // that, and no farther than its rest clearance needs (a little beyond it)
  kUnchanged,      // every delta as it was, bit for bit, nothing pushed
  kInPocket,       // on its side, no nearer than it was, within the torus's hole
};

struct Case {
  std::string name;
  Solid rest;
  Solid morphed;
  std::vector<Vector3> points;
  float distance;
  Promise promise;
  // Whether a point lies on the side `side` of the morphed Source (the oracle).
  std::function<bool(const TriangleMesh&, const Vector3&, int side)> onSide;
};

bool OutsideByWindingNumber(const TriangleMesh& mesh, const Vector3& point, int) {
  return std::fabs(ReferenceWindingNumber(mesh, point)) < 0.5;
}

// Points on a sphere of `radius` about `center`, spread by the golden angle.
std::vector<Vector3> SpherePoints(int count, float radius, const Vector3& center) {
  std::vector<Vector3> points;
  for (int i = 0; i < count; ++i) {
    const float z = 1.0f - (2.0f * static_cast<float>(i) + 1.0f) / static_cast<float>(count);
    const float ring = std::sqrt(1.0f - z * z);
    const float turn = 2.39996323f * static_cast<float>(i) + 0.1f;
    points.push_back(
        Plus(center, Times({ring * std::cos(turn), ring * std::sin(turn), z}, radius)));
  }
  return points;
}

std::function<Vector3(const Vector3&)> ScaledAbout(const Vector3& center, float factor) {
  return [=](const Vector3& p) { return Plus(center, Times(Minus(p, center), factor)); };
}

// The height of the wavy sheet (test_solids.h) under x, y, by its triangles, in doubles.
bool AboveSheet(const TriangleMesh& sheet, const Vector3& point, int side) {
  for (std::size_t t = 0; t < sheet.triangleCount; ++t) {
    const Vector3* c[3];
    for (int k = 0; k < 3; ++k) c[k] = &sheet.positions[sheet.triangles[3 * t + k]];
    const double d = (double{c[1]->y} - c[2]->y) * (double{c[0]->x} - c[2]->x) +
                     (double{c[2]->x} - c[1]->x) * (double{c[0]->y} - c[2]->y);
    const double u = ((double{c[1]->y} - c[2]->y) * (point.x - double{c[2]->x}) +
                      (double{c[2]->x} - c[1]->x) * (point.y - double{c[2]->y})) /
                     d;
    const double v = ((double{c[2]->y} - c[0]->y) * (point.x - double{c[2]->x}) +
                      (double{c[0]->x} - c[2]->x) * (point.y - double{c[2]->y})) /
                     d;
    if (u < 0.0 || v < 0.0 || u + v > 1.0) continue;
    const double height = u * c[0]->z + v * c[1]->z + (1.0 - u - v) * c[2]->z;
    return (point.z - height) * side > 0.0;
  }
  return false;
}

std::vector<Case> Cases() {
  const Vector3 origin{0.0f, 0.0f, 0.0f};
  const Solid sphere = SphereSolid(16, 32, 1.0f, origin);
  const Solid wedge = SplitWedge(30.0f);
  const Solid finned = WithFin(sphere, 0.3f);
  const Solid parts = Joined(sphere, SphereSolid(12, 24, 0.7f, {2.6f, 0.0f, 0.0f}));
  const Solid pressed = Joined(sphere, SphereSolid(12, 24, 0.7f, {1.5f, 0.0f, 0.0f}));
  const Solid turned = InsideOut(sphere);
  const Solid torus = TorusSolid(1.0f, 0.3f, 48, 16);
  const Solid sheet = WavySheet(16);
  std::vector<Vector3> sheetPoints;
  for (int i = 0; i < 120; ++i) {
    const float x = 0.2f + 0.6f * static_cast<float>(i % 11) / 10.0f;
    const float y = 0.2f + 0.6f * static_cast<float>(i / 11) / 10.0f;
    sheetPoints.push_back({x, y, i % 2 == 0 ? 0.35f : -0.35f});
  }
  const auto wider = ScaledAbout({0.6f, 0.0f, 0.5f}, 1.01f);
  return {
      {"faces split along a 30 degree edge",
       wedge,
       Moved(wedge, wider),
       {{-0.003f, 0.0f, 0.5f}, {-0.003f, 0.0005f, 0.3f}},
       0.01f,
       Promise::kKept,
       OutsideByWindingNumber},
      {"a fin on a sphere", finned, Moved(finned, ScaledAbout(origin, 1.05f)),
       SpherePoints(300, 1.02f, origin), 0.01f, Promise::kKept, OutsideByWindingNumber},
      {"a part run into another", parts, pressed, SpherePoints(300, 1.02f, origin), 0.01f,
       Promise::kKept, OutsideByWindingNumber},
      {"inside out",
       turned,
       Moved(turned, ScaledAbout(origin, 1.05f)),
       {{1.02f, 0.0f, 0.0f}, {0.0f, -0.6f, 0.8f}, {0.5f, 0.0f, 0.0f}},
       0.01f,
       Promise::kKept,
       OutsideByWindingNumber},
      {"a torus's hole, unmoved, wider than it",
       torus,
       torus,
       {{0.1f, 0.05f, 0.0f}},
       1.0f,
       Promise::kUnchanged,
       OutsideByWindingNumber},
      {"a torus's hole that narrows",
       torus,
       TorusSolid(1.0f, 0.35f, 48, 16),
       {{0.0f, 0.0f, 0.0f}, {0.2f, 0.1f, 0.05f}},
       1.0f,
       Promise::kInPocket,
       OutsideByWindingNumber},
      {"a target that moves nothing", sphere, sphere, SpherePoints(200, 1.004f, origin), 0.05f,
       Promise::kUnchanged, OutsideByWindingNumber},
      {"only what the morph did", sphere, Moved(sphere, ScaledAbout(origin, 1.002f)),
       SpherePoints(200, 1.003f, origin), 0.01f, Promise::kKeptNoFarther, OutsideByWindingNumber},
      {"an open sheet keeps both sides", sheet,
       Moved(sheet,
             [](const Vector3& p) {
               return Plus(p, {0.0f, 0.0f, 0.4f});
             }),
       sheetPoints, 0.02f, Promise::kKept, AboveSheet},
  };
}

RestOutside MeasureRest(const TriangleMesh& rest, const TriangleMesh& destination) {
  std::vector<SurfaceHit> hits;
  for (std::size_t i = 0; i < destination.vertexCount; ++i) {
    const Vector3& p = destination.positions[i];
    const float query[3] = {p.x, p.y, p.z};
    hits.push_back(FindClosestExhaustive(reinterpret_cast<const float*>(rest.positions),
                                         rest.vertexCount, rest.triangles, rest.triangleCount,
                                         query));
  }
  return MeasureRestOutside(rest, destination, hits.data(), 2);
}

::testing::AssertionResult Kept(const Case& c, const TriangleMesh& morphed, const Vector3& point,
                                const Vector3& delta, int side, float restClearance) {
  const Vector3 position = Plus(point, delta);
  const double least = std::min(c.distance, restClearance) * (1.0 - kKeepOutsideTolerance);
  const double clearance = ReferenceDistance(morphed, position);
  if (!c.onSide(morphed, position, side)) {
    return ::testing::AssertionFailure() << "on the wrong side, " << clearance << " away";
  }
  if (c.promise == Promise::kInPocket) {
    const double fromAxis = std::hypot(position.x, position.y);
    const bool inHole = fromAxis < 0.65 && std::fabs(position.z) < 0.35;
    if (!inHole || clearance < ReferenceDistance(morphed, point)) {
      return ::testing::AssertionFailure() << "left the hole or came nearer: " << fromAxis << " "
                                           << position.z << ", " << clearance << " away";
    }
    return ::testing::AssertionSuccess();
  }
  if (clearance < least) {
    return ::testing::AssertionFailure() << clearance << " away, wanted " << least;
  }
  if (c.promise == Promise::kKeptNoFarther && clearance > restClearance + 1e-5) {
    return ::testing::AssertionFailure()
           << clearance << " away, only " << restClearance << " needed";
  }
  return ::testing::AssertionSuccess();
}

TEST(KeepOutside, KeepsEveryCase) {
  for (const Case& c : Cases()) {
    SCOPED_TRACE(c.name);
    const TriangleMesh rest = c.rest.Mesh();
    const TriangleMesh morphed = c.morphed.Mesh();
    const TriangleMesh destination{c.points.data(), c.points.size(), nullptr, 0};
    const RestOutside measured = MeasureRest(rest, destination);
    const std::vector<Vector3> zero(c.points.size(), Vector3{0.0f, 0.0f, 0.0f});
    std::vector<Vector3> deltas[2] = {zero, zero};
    std::vector<uint8_t> marks[2] = {std::vector<uint8_t>(zero.size(), 1),
                                     std::vector<uint8_t>(zero.size(), 1)};
    std::size_t pushed[2];
    for (int run = 0; run < 2; ++run) {
      pushed[run] = KeepOutside(c.morphed.positions.data(), destination, measured, c.distance,
                                deltas[run].data(), marks[run].data(), run == 0 ? 1 : 3);
    }
    EXPECT_EQ(pushed[0], pushed[1]);
    if (c.promise == Promise::kUnchanged) {
      EXPECT_EQ(pushed[0], 0u);
    } else {
      EXPECT_GT(pushed[0], 0u);
    }
    for (std::size_t i = 0; i < c.points.size(); ++i) {
      ASSERT_TRUE(SameBits(deltas[0][i], deltas[1][i]) && marks[0][i] == marks[1][i]) << i;
      const bool wasPushed = (marks[0][i] & kVertexPushed) != 0;
      const int side = measured.sides[i];
      ASSERT_NE(side, 0) << i;
      const bool checked = measured.orientation == 0 || side > 0;
      if (!wasPushed || !checked || c.promise == Promise::kUnchanged) {
        EXPECT_TRUE(SameBits(deltas[0][i], zero[i]) && !wasPushed) << i;
      }
      if (checked && c.promise != Promise::kUnchanged) {
        EXPECT_TRUE(Kept(c, morphed, c.points[i], deltas[0][i], side, measured.clearances[i]))
            << "vertex " << i;
      }
    }
  }
}

}  // namespace
