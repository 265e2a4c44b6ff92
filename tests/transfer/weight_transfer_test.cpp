// The weight methods against slow references written here in doubles (the three nearest Source
// vertices and the closest point found by brute force, blended densely), the robust fill against
// the affine weights it must reproduce over a regular grid, and the promises every method keeps
// (weights in [0, 1], summing exactly to 1 as stored, at most K, sorted, the same bits on any
// number of threads).
#include "weight_transfer/weight_transfer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "support/float_bits.h"
#include "surface/surface_meshes.h"

namespace {

constexpr std::size_t kJoints = 7;
constexpr std::size_t kSourceSlots = 4;

struct Mesh {
  std::vector<Vector3> positions;
  std::vector<uint32_t> corners;

  TriangleMesh View() const {
    return TriangleMesh{positions.data(), positions.size(), corners.data(), corners.size() / 3};
  }
};

Mesh FromTest(const TestMesh& mesh, float scale) {
  Mesh result{{}, mesh.corners};
  for (std::size_t k = 0; k + 2 < mesh.positions.size(); k += 3) {
    result.positions.push_back(
        {mesh.positions[k] * scale, mesh.positions[k + 1] * scale, mesh.positions[k + 2] * scale});
  }
  return result;
}

// Random weights: some slots unused, a joint sometimes twice, sums other than 1.
struct Weights {
  std::vector<uint32_t> joints;
  std::vector<float> weights;
  std::size_t slots;

  SparseWeights View() const {
    return {weights.size() / slots, slots, joints.data(), weights.data()};
  }
};

Weights RandomWeights(std::size_t vertices, unsigned stream) {
  std::mt19937 engine(stream);
  std::uniform_int_distribution<uint32_t> joint(0, kJoints - 1);
  std::uniform_real_distribution<float> weight(0.0f, 2.0f);
  Weights result{{}, {}, kSourceSlots};
  for (std::size_t k = 0; k < vertices * kSourceSlots; ++k) {
    result.joints.push_back(joint(engine));
    result.weights.push_back(k % 3 == 2 ? 0.0f : weight(engine));
  }
  return result;
}

// A vertex's weights, dense over the joints.
using Dense = std::vector<double>;

Dense Shares(const Weights& source, std::size_t v) {
  Dense dense(kJoints, 0.0);
  double sum = 0.0;
  for (std::size_t k = 0; k < source.slots; ++k) {
    dense[source.joints[v * source.slots + k]] += source.weights[v * source.slots + k];
    sum += source.weights[v * source.slots + k];
  }
  for (double& w : dense) w = sum > 0.0 ? w / sum : 0.0;
  return dense;
}

// The largest `keep`, scaled to sum 1: what the stored weights must be, up to their rounding.
Dense KeepLargest(Dense dense, std::size_t keep) {
  std::vector<std::size_t> order(dense.size());
  for (std::size_t j = 0; j < order.size(); ++j) order[j] = j;
  std::stable_sort(order.begin(), order.end(),
                   [&](std::size_t a, std::size_t b) { return dense[a] > dense[b]; });
  double sum = 0.0;
  for (std::size_t k = 0; k < order.size(); ++k) {
    if (k >= keep) dense[order[k]] = 0.0;
    sum += dense[order[k]];
  }
  for (double& w : dense) w /= sum;
  return dense;
}

double SquaredInDoubles(const Vector3& a, const Vector3& b) {
  const double x = double{a.x} - b.x, y = double{a.y} - b.y, z = double{a.z} - b.z;
  return x * x + y * y + z * z;
}

// The plug-in's rule by brute force: the three nearest, 1 / d^2 blend, an exact hit alone.
Dense NearestReference(const Mesh& source, const Weights& weights, const Vector3& point) {
  // Between equal distances the higher index first, as the plug-in ranks them.
  std::vector<std::pair<double, std::size_t>> byDistance;
  for (std::size_t v = 0; v < source.positions.size(); ++v) {
    byDistance.emplace_back(SquaredInDoubles(point, source.positions[v]), v);
  }
  std::sort(byDistance.begin(), byDistance.end(), [](const auto& a, const auto& b) {
    return a.first < b.first || (a.first == b.first && a.second > b.second);
  });
  Dense blend(kJoints, 0.0);
  for (std::size_t k = 0; k < 3; ++k) {
    const double factor = byDistance[0].first == 0.0 ? 1.0 : 1.0 / byDistance[k].first;
    const Dense shares = Shares(weights, byDistance[k].second);
    for (std::size_t j = 0; j < kJoints; ++j) blend[j] += factor * shares[j];
    if (byDistance[0].first == 0.0) break;
  }
  return blend;
}

struct Closest {
  double squaredDistance;
  double barycentric[3];
};

// The closest point of a triangle in doubles, by its regions (corners, edges, face).
Closest ClosestOnTriangle(const double* p, const double* a, const double* b, const double* c) {
  const auto dot = [](const double* u, const double* v) {
    return u[0] * v[0] + u[1] * v[1] + u[2] * v[2];
  };
  double ab[3], ac[3], ap[3], bp[3], cp[3];
  for (int i = 0; i < 3; ++i) {
    ab[i] = b[i] - a[i], ac[i] = c[i] - a[i], ap[i] = p[i] - a[i], bp[i] = p[i] - b[i];
    cp[i] = p[i] - c[i];
  }
  const double d1 = dot(ab, ap), d2 = dot(ac, ap), d3 = dot(ab, bp), d4 = dot(ac, bp);
  const double d5 = dot(ab, cp), d6 = dot(ac, cp);
  const double va = d3 * d6 - d5 * d4, vb = d5 * d2 - d1 * d6, vc = d1 * d4 - d3 * d2;
  double u = 0.0, v = 0.0, w = 0.0;  // the weights of a, b, c
  if (d1 <= 0 && d2 <= 0)
    u = 1;
  else if (d3 >= 0 && d4 <= d3)
    v = 1;
  else if (d6 >= 0 && d5 <= d6)
    w = 1;
  else if (vc <= 0 && d1 >= 0 && d3 <= 0)
    v = d1 / (d1 - d3), u = 1 - v;
  else if (vb <= 0 && d2 >= 0 && d6 <= 0)
    w = d2 / (d2 - d6), u = 1 - w;
  else if (va <= 0 && d4 - d3 >= 0 && d5 - d6 >= 0)
    w = (d4 - d3) / ((d4 - d3) + (d5 - d6)), v = 1 - w;
  else
    v = vb / (va + vb + vc), w = vc / (va + vb + vc), u = 1 - v - w;
  double q[3];
  for (int i = 0; i < 3; ++i) q[i] = u * a[i] + v * b[i] + w * c[i] - p[i];
  return Closest{dot(q, q), {u, v, w}};
}

// The barycentric blend at the closest point of every triangle, by brute force.
Dense SurfaceReference(const Mesh& source, const Weights& weights, const Vector3& point) {
  Closest best{INFINITY, {0, 0, 0}};
  std::size_t bestTriangle = 0;
  const double p[3] = {point.x, point.y, point.z};
  for (std::size_t t = 0; t < source.corners.size() / 3; ++t) {
    double corner[3][3];
    for (int c = 0; c < 3; ++c) {
      const Vector3& x = source.positions[source.corners[3 * t + c]];
      corner[c][0] = x.x, corner[c][1] = x.y, corner[c][2] = x.z;
    }
    const Closest found = ClosestOnTriangle(p, corner[0], corner[1], corner[2]);
    if (found.squaredDistance < best.squaredDistance) best = found, bestTriangle = t;
  }
  Dense blend(kJoints, 0.0);
  for (int c = 0; c < 3; ++c) {
    const Dense shares = Shares(weights, source.corners[3 * bestTriangle + c]);
    for (std::size_t j = 0; j < kJoints; ++j) blend[j] += best.barycentric[c] * shares[j];
  }
  return blend;
}

struct Result {
  std::vector<uint32_t> joints;
  std::vector<float> weights;
  std::vector<uint8_t> marks;
  bool ok;
  std::string error;
};

Result Transfer(const Mesh& source, const Weights& weights, const Mesh& destination,
                const WeightTransferOptions& options, const uint8_t* mask = nullptr) {
  const std::size_t count = destination.positions.size();
  Result result{std::vector<uint32_t>(count * options.maxInfluences),
                std::vector<float>(count * options.maxInfluences), std::vector<uint8_t>(count),
                false, ""};
  result.ok = TransferWeights(source.View(), nullptr, weights.View(), kJoints, destination.View(),
                              mask, options, result.joints.data(), result.weights.data(),
                              result.marks.data(), &result.error);
  return result;
}

Dense Stored(const Result& result, std::size_t v, std::size_t slots) {
  Dense dense(kJoints, 0.0);
  for (std::size_t k = v * slots; k < (v + 1) * slots; ++k) {
    dense[result.joints[k]] += result.weights[k];
  }
  return dense;
}

Weights SmoothSourceWeights(const Mesh& source) {
  Weights result{{}, {}, kSourceSlots};
  for (const Vector3& p : source.positions) {
    for (uint32_t k = 0; k < kSourceSlots; ++k) {
      const float raw = std::max(0.0f, 1.2f - std::fabs(p.x - 0.6f * float(k) + 0.9f));
      result.joints.push_back(k + (p.z > 0.0f ? 3 : 0));
      result.weights.push_back(raw);
    }
  }
  return result;
}

struct DifferentialCase {
  const char* name;
  WeightMethod method;
  std::size_t maxInfluences;
  bool smooth;  // smooth Source weights (else random per vertex)
};

class WeightsAgainstReference : public testing::TestWithParam<DifferentialCase> {};

TEST_P(WeightsAgainstReference, AgreeWithTheBruteForceBlend) {
  const DifferentialCase& c = GetParam();
  const Mesh source = FromTest(Sphere(9, 14), 1.0f);
  // Turned, so that no Destination vertex lies where Source vertices tie.
  Mesh destination = FromTest(Sphere(13, 17), 1.07f);
  for (Vector3& p : destination.positions)
    p = {0.8f * p.x + 0.6f * p.z, p.y, 0.8f * p.z - 0.6f * p.x};
  const Weights weights =
      c.smooth ? SmoothSourceWeights(source) : RandomWeights(source.positions.size(), 5);
  WeightTransferOptions options;
  options.method = c.method;
  options.maxInfluences = c.maxInfluences;
  const Result result = Transfer(source, weights, destination, options);
  ASSERT_TRUE(result.ok) << result.error;
  for (std::size_t v = 0; v < destination.positions.size(); ++v) {
    const Vector3& p = destination.positions[v];
    const Dense expected =
        KeepLargest(c.method == WeightMethod::kNearest ? NearestReference(source, weights, p)
                                                       : SurfaceReference(source, weights, p),
                    c.maxInfluences);
    const Dense stored = Stored(result, v, c.maxInfluences);
    for (std::size_t j = 0; j < kJoints; ++j) {
      ASSERT_NEAR(stored[j], expected[j], 2e-6) << "vertex " << v << " joint " << j;
    }
    EXPECT_EQ(result.marks[v], kVertexMatched);
  }
}

INSTANTIATE_TEST_SUITE_P(
    WeightTransfer, WeightsAgainstReference,
    testing::Values(DifferentialCase{"nearest_all", WeightMethod::kNearest, kJoints, false},
                    DifferentialCase{"nearest_two", WeightMethod::kNearest, 2, true},
                    DifferentialCase{"surface_all", WeightMethod::kSurface, kJoints, false},
                    DifferentialCase{"surface_four", WeightMethod::kSurface, 4, true},
                    DifferentialCase{"surface_one", WeightMethod::kSurface, 1, false},
                    DifferentialCase{"robust_unlimited", WeightMethod::kRobust, 3, true}),
    [](const testing::TestParamInfo<DifferentialCase>& info) {
      return std::string(info.param.name);
    });

// A flat grid over [0, 1]^2 at height 0, `side` + 1 vertices a side; those inside `raised` lifted
// by 0.5.
Mesh Grid(uint32_t side, bool raised) {
  Mesh mesh;
  for (uint32_t i = 0; i <= side; ++i) {
    for (uint32_t j = 0; j <= side; ++j) {
      const float x = float(i) / float(side), y = float(j) / float(side);
      const bool up = raised && std::fabs(x - 0.5f) < 0.2f && std::fabs(y - 0.5f) < 0.2f;
      mesh.positions.push_back({x, y, up ? 0.5f : 0.0f});
    }
  }
  for (uint32_t i = 0; i < side; ++i) {
    for (uint32_t j = 0; j < side; ++j) {
      const uint32_t a = i * (side + 1) + j, b = a + side + 1;
      mesh.corners.insert(mesh.corners.end(), {a, b, b + 1, a, b + 1, a + 1});
    }
  }
  return mesh;
}

// Two joints, x and 1 - x.
Weights Ramp(const Mesh& mesh) {
  Weights result{{}, {}, 2};
  for (const Vector3& p : mesh.positions) {
    result.joints.insert(result.joints.end(), {2, 5});
    result.weights.insert(result.weights.end(), {p.x, 1.0f - p.x});
  }
  return result;
}

TEST(WeightTransfer, TheFillReproducesAffineWeightsOverARegularGrid) {
  const Mesh source = Grid(20, false);
  Mesh destination = Grid(40, true);
  // A loose piece far above, with no matched vertex.
  const uint32_t base = static_cast<uint32_t>(destination.positions.size());
  destination.positions.insert(destination.positions.end(),
                               {{0.9f, 0.1f, 3.0f}, {1.0f, 0.1f, 3.0f}, {0.9f, 0.2f, 3.2f}});
  destination.corners.insert(destination.corners.end(), {base, base + 1, base + 2});
  WeightTransferOptions options;
  options.maxDistance = 0.1f;
  options.maxAngleDegrees = 180.0f;
  const Result result = Transfer(source, Ramp(source), destination, options);
  ASSERT_TRUE(result.ok) << result.error;
  for (std::size_t v = 0; v < base; ++v) {
    const Dense stored = Stored(result, v, options.maxInfluences);
    const double x = destination.positions[v].x;
    ASSERT_NEAR(stored[2], x, 1e-5) << v;
    ASSERT_NEAR(stored[5], 1.0 - x, 1e-5) << v;
    EXPECT_EQ(result.marks[v], destination.positions[v].z > 0.0f ? kVertexFilled : kVertexMatched);
  }
  // The piece takes the weights at the Source's point nearest to its nearest vertex, (0.9, 0.1, 0).
  for (std::size_t v = base; v < base + 3; ++v) {
    EXPECT_EQ(result.marks[v], kVertexRigid);
    EXPECT_NEAR(Stored(result, v, options.maxInfluences)[2], 0.9, 1e-6);
  }
}

// One smoothing pass against the mean written here: each filled vertex and each vertex beside one
// takes the mean of its own and its neighbours' weights before the pass, its largest kept.
TEST(WeightTransfer, ASmoothingPassIsTheMeanOverTheFilledVerticesAndTheirNeighbours) {
  const Mesh source = Grid(12, false);
  const Mesh destination = Grid(20, true);
  Weights weights = RandomWeights(source.positions.size(), 3);
  WeightTransferOptions options;
  options.maxDistance = 0.1f;
  options.maxInfluences = 3;
  const Result before = Transfer(source, weights, destination, options);
  options.smoothingPasses = 1;
  const Result after = Transfer(source, weights, destination, options);
  ASSERT_TRUE(before.ok && after.ok) << before.error;
  const std::size_t count = destination.positions.size();
  std::vector<std::vector<uint32_t>> neighbours(count);
  for (std::size_t k = 0; k < destination.corners.size(); k += 3) {
    for (int a = 0; a < 3; ++a) {
      for (int b = 1; b < 3; ++b) {
        neighbours[destination.corners[k + a]].push_back(destination.corners[k + (a + b) % 3]);
      }
    }
  }
  for (std::size_t v = 0; v < count; ++v) {
    std::sort(neighbours[v].begin(), neighbours[v].end());
    neighbours[v].erase(std::unique(neighbours[v].begin(), neighbours[v].end()),
                        neighbours[v].end());
    bool smoothed = before.marks[v] == kVertexFilled;
    for (const uint32_t n : neighbours[v]) smoothed = smoothed || before.marks[n] == kVertexFilled;
    Dense expected = Stored(before, v, 3);
    if (smoothed) {
      for (const uint32_t n : neighbours[v]) {
        const Dense other = Stored(before, n, 3);
        for (std::size_t j = 0; j < kJoints; ++j) expected[j] += other[j];
      }
      expected = KeepLargest(expected, 3);
    }
    const Dense stored = Stored(after, v, 3);
    for (std::size_t j = 0; j < kJoints; ++j) ASSERT_NEAR(stored[j], expected[j], 2e-6) << v;
  }
}

struct InvariantCase {
  const char* name;
  WeightMethod method;
  std::size_t maxInfluences;
  float maxAngleDegrees;
  uint32_t smoothingPasses;
};

class WeightInvariants : public testing::TestWithParam<InvariantCase> {};

// Weights in [0, 1], at most K, sorted, the float sum 1 in slot order and backwards, unused slots
// last and empty, and the same bits on one thread and on four.
TEST_P(WeightInvariants, HoldForEveryVertex) {
  const InvariantCase& c = GetParam();
  const Mesh source = FromTest(WavyGrid(12), 1.0f);
  const Mesh destination = FromTest(Sphere(11, 13), 0.8f);
  WeightTransferOptions options;
  options.method = c.method;
  options.maxInfluences = c.maxInfluences;
  options.maxAngleDegrees = c.maxAngleDegrees;
  options.smoothingPasses = c.smoothingPasses;
  options.threadCount = 1;
  std::vector<uint8_t> mask(destination.positions.size(), 1);
  mask[3] = 0;
  const Weights weights = RandomWeights(source.positions.size(), 9);
  const Result one = Transfer(source, weights, destination, options, mask.data());
  options.threadCount = 4;
  const Result four = Transfer(source, weights, destination, options, mask.data());
  ASSERT_TRUE(one.ok && four.ok) << one.error;
  EXPECT_EQ(one.joints, four.joints);
  EXPECT_EQ(one.marks, four.marks);
  for (std::size_t k = 0; k < one.weights.size(); ++k)
    ASSERT_EQ(Bits(one.weights[k]), Bits(four.weights[k]));
  const std::size_t K = c.maxInfluences;
  for (std::size_t v = 0; v < destination.positions.size(); ++v) {
    const float* w = &one.weights[v * K];
    const uint32_t* j = &one.joints[v * K];
    float forward = 0.0f, backward = 0.0f;
    for (std::size_t k = 0; k < K; ++k) forward += w[k], backward += w[K - 1 - k];
    EXPECT_EQ(forward, v == 3 ? 0.0f : 1.0f) << v;
    EXPECT_EQ(backward, forward) << v;
    for (std::size_t k = 0; k < K; ++k) {
      ASSERT_TRUE(w[k] >= 0.0f && w[k] <= 1.0f);
      if (w[k] == 0.0f) {
        ASSERT_EQ(j[k], 0u);
      }
      if (k > 0) {
        ASSERT_TRUE(w[k - 1] > w[k] || (w[k - 1] == w[k] && (w[k] == 0.0f || j[k - 1] < j[k])));
      }
    }
  }
  EXPECT_EQ(one.marks[3], 0);
}

INSTANTIATE_TEST_SUITE_P(
    WeightTransfer, WeightInvariants,
    testing::Values(InvariantCase{"nearest", WeightMethod::kNearest, 4, 180.0f, 0},
                    InvariantCase{"surface", WeightMethod::kSurface, 3, 180.0f, 0},
                    InvariantCase{"robust_angle", WeightMethod::kRobust, 4, 25.0f, 0},
                    InvariantCase{"robust_smoothed", WeightMethod::kRobust, 2, 25.0f, 3},
                    InvariantCase{"robust_one", WeightMethod::kRobust, 1, 10.0f, 1}),
    [](const testing::TestParamInfo<InvariantCase>& info) { return std::string(info.param.name); });

struct RefusalCase {
  const char* name;
  uint32_t joint;
  float weight;
  WeightMethod method;
  bool noTriangles;
  const char* says;
};

class WeightRefusals : public testing::TestWithParam<RefusalCase> {};

TEST_P(WeightRefusals, NameTheProblem) {
  const RefusalCase& c = GetParam();
  Mesh source = FromTest(Sphere(5, 6), 1.0f);
  if (c.noTriangles) source.corners.clear();
  Weights weights = RandomWeights(source.positions.size(), 2);
  weights.joints[5] = c.joint;
  weights.weights[5] = c.weight;
  WeightTransferOptions options;
  options.method = c.method;
  const Result result = Transfer(source, weights, FromTest(Sphere(4, 5), 1.1f), options);
  EXPECT_FALSE(result.ok);
  EXPECT_NE(result.error.find(c.says), std::string::npos) << result.error;
}

INSTANTIATE_TEST_SUITE_P(
    WeightTransfer, WeightRefusals,
    testing::Values(RefusalCase{"joint", kJoints, 0.5f, WeightMethod::kRobust, false, "joint 7"},
                    RefusalCase{"negative", 1, -0.5f, WeightMethod::kNearest, false,
                                "not negative"},
                    RefusalCase{"nan", 1, NAN, WeightMethod::kSurface, false, "finite"},
                    RefusalCase{"triangles", 1, 0.5f, WeightMethod::kSurface, true, "triangle"}),
    [](const testing::TestParamInfo<RefusalCase>& info) { return std::string(info.param.name); });

}  // namespace
