#include "quality/skinning_rules.h"

#include <Eigen/Dense>
#include <Eigen/Sparse>
#include <algorithm>
#include <cmath>
#include <limits>
#include <string>

#include "search/nearest_search.h"
#include "surface/closest_point.h"
#include "surface_transfer/surface_methods.h"

namespace {

constexpr std::size_t kJ = kSkinningJoints;

Vector3d Double(const Vector3& p) {
  return {p.x, p.y, p.z};
}

TriangleMesh Body(const QualityScene& scene) {
  return {scene.bodyRest.data(), scene.bodyRest.size(), scene.bodyTriangles.data(),
          scene.bodyTriangles.size() / 3};
}

TriangleMesh Garment(const QualityScene& scene) {
  return {scene.garmentRest.data(), scene.garmentRest.size(), scene.garmentTriangles.data(),
          scene.garmentTriangles.size() / 3};
}

std::vector<SurfaceHit> ClosestHits(const QualityScene& scene) {
  ClosestPointSearch search;
  search.Build(&scene.bodyRest[0].x, scene.bodyRest.size(), scene.bodyTriangles.data(),
               scene.bodyTriangles.size() / 3);
  std::vector<SurfaceHit> hits(scene.garmentRest.size());
  search.FindClosest(&scene.garmentRest[0].x, hits.size(), hits.data());
  return hits;
}

// The body's weights blended at a hit, into `out` (kJ floats).
void BlendAt(const SkinningScene& scene, const SurfaceHit& hit, float* out) {
  const QualityScene& rest = scene.posed.front();
  for (std::size_t j = 0; j < kJ; ++j) {
    double sum = 0.0;
    for (int c = 0; c < 3; ++c) {
      const uint32_t corner = rest.bodyTriangles[3 * static_cast<std::size_t>(hit.triangle) + c];
      sum += hit.barycentric[c] * static_cast<double>(scene.bodyWeights[corner * kJ + j]);
    }
    out[j] = static_cast<float>(sum);
  }
}

// The cotangent of the angle at a between b and c.
double Cotangent(const Vector3d& a, const Vector3d& b, const Vector3d& c) {
  const Vector3d u = b - a, v = c - a;
  return Dot(u, v) / std::max(Length(Cross(u, v)), 1e-12);
}

// The squared cotangent Laplacian L' M^-1 L of the garment, in doubles.
Eigen::SparseMatrix<double> BiLaplacian(const QualityScene& scene) {
  const std::size_t n = scene.garmentRest.size();
  std::vector<Eigen::Triplet<double>> entries;
  Eigen::VectorXd mass = Eigen::VectorXd::Zero(static_cast<Eigen::Index>(n));
  const std::vector<uint32_t>& t = scene.garmentTriangles;
  for (std::size_t k = 0; k + 2 < t.size(); k += 3) {
    const Vector3d p[3] = {Double(scene.garmentRest[t[k]]), Double(scene.garmentRest[t[k + 1]]),
                           Double(scene.garmentRest[t[k + 2]])};
    const double area = 0.5 * Length(Cross(p[1] - p[0], p[2] - p[0]));
    for (int c = 0; c < 3; ++c) {
      const uint32_t i = t[k + (c + 1) % 3], j = t[k + (c + 2) % 3];
      const double w = 0.5 * Cotangent(p[c], p[(c + 1) % 3], p[(c + 2) % 3]);
      entries.push_back({static_cast<int>(i), static_cast<int>(j), w});
      entries.push_back({static_cast<int>(j), static_cast<int>(i), w});
      entries.push_back({static_cast<int>(i), static_cast<int>(i), -w});
      entries.push_back({static_cast<int>(j), static_cast<int>(j), -w});
      mass[t[k + c]] += area / 3.0;
    }
  }
  Eigen::SparseMatrix<double> laplacian(static_cast<int>(n), static_cast<int>(n));
  laplacian.setFromTriplets(entries.begin(), entries.end());
  const Eigen::VectorXd inverseMass = mass.cwiseMax(1e-12).cwiseInverse();
  return laplacian.transpose() * inverseMass.asDiagonal() * laplacian;
}

// The angle test of the published method: the body's normal at the hit (its corners' blended)
// within 30 degrees of the garment vertex's.
bool WithinAngle(const PreparedSource& body, const SurfaceHit& hit, const Vector3& normal) {
  const Vector3 at = body.NormalAt(hit);
  return Dot(at, normal) >= std::cos(30.0 * 3.14159265358979323846 / 180.0);
}

// The garment vertices the published limits refuse: farther than 5% of the garment's bounding box
// diagonal from their closest point, or turned more than 30 degrees from it.
std::vector<std::size_t> RefusedByPublishedLimits(const QualityScene& rest) {
  PreparedSource body;
  std::string error;
  body.Build(Body(rest), 0, &error);
  const std::vector<SurfaceHit> hits = ClosestHits(rest);
  const std::vector<Vector3> normals = DestinationNormals(Garment(rest));
  Vector3d low{1e30, 1e30, 1e30}, high{-1e30, -1e30, -1e30};
  for (const Vector3& p : rest.garmentRest) {
    low = {std::min(low.x, double{p.x}), std::min(low.y, double{p.y}),
           std::min(low.z, double{p.z})};
    high = {std::max(high.x, double{p.x}), std::max(high.y, double{p.y}),
            std::max(high.z, double{p.z})};
  }
  const double limit = 0.05 * Length(high - low);
  std::vector<std::size_t> refused;
  for (std::size_t v = 0; v < hits.size(); ++v) {
    if (std::sqrt(double{hits[v].squaredDistance}) > limit ||
        !WithinAngle(body, hits[v], normals[v])) {
      refused.push_back(v);
    }
  }
  return refused;
}

// The refused vertices' weights minimising the squared cotangent Laplacian energy, the others
// held: clamped to [0, 1] and scaled to sum 1.
void Inpaint(const QualityScene& rest, const std::vector<std::size_t>& unknown,
             std::vector<float>& weights) {
  std::vector<int> unknownOf(rest.garmentRest.size(), -1);
  for (std::size_t k = 0; k < unknown.size(); ++k) unknownOf[unknown[k]] = static_cast<int>(k);
  const Eigen::SparseMatrix<double> q = BiLaplacian(rest);
  const int u = static_cast<int>(unknown.size());
  std::vector<Eigen::Triplet<double>> entries;
  Eigen::MatrixXd right = Eigen::MatrixXd::Zero(u, static_cast<int>(kJ));
  for (int column = 0; column < q.outerSize(); ++column) {
    for (Eigen::SparseMatrix<double>::InnerIterator it(q, column); it; ++it) {
      const int row = unknownOf[static_cast<std::size_t>(it.row())];
      const int other = unknownOf[static_cast<std::size_t>(column)];
      if (row < 0) continue;
      if (other >= 0) entries.push_back({row, other, it.value()});
      if (other >= 0) continue;
      for (std::size_t j = 0; j < kJ; ++j) {
        right(row, static_cast<int>(j)) -=
            it.value() * weights[static_cast<std::size_t>(column) * kJ + j];
      }
    }
  }
  Eigen::SparseMatrix<double> system(u, u);
  system.setFromTriplets(entries.begin(), entries.end());
  const Eigen::SimplicialLDLT<Eigen::SparseMatrix<double>> solver(system);
  const Eigen::MatrixXd solved = solver.solve(right).cwiseMax(0.0).cwiseMin(1.0);
  for (int row = 0; row < u; ++row) {
    const double sum = solved.row(row).sum();
    for (std::size_t j = 0; j < kJ; ++j) {
      weights[unknown[static_cast<std::size_t>(row)] * kJ + j] =
          static_cast<float>(solved(row, static_cast<int>(j)) / sum);
    }
  }
}

// The least squared error of weights over the joints of `subset` (bits), summing to 1: their
// weights through `weights` (zero elsewhere), or infinity where one is negative.
double FitSubset(const Eigen::MatrixXd& posed, const Eigen::VectorXd& truth, unsigned subset,
                 double* weights) {
  std::vector<int> joints;
  for (int j = 0; j < static_cast<int>(kJ); ++j) {
    if ((subset >> j) & 1u) joints.push_back(j);
  }
  const int n = static_cast<int>(joints.size());
  Eigen::MatrixXd a(posed.rows(), n);
  for (int k = 0; k < n; ++k) a.col(k) = posed.col(joints[static_cast<std::size_t>(k)]);
  Eigen::MatrixXd kkt = Eigen::MatrixXd::Zero(n + 1, n + 1);
  kkt.topLeftCorner(n, n) = a.transpose() * a;
  kkt.block(0, n, n, 1).setOnes();
  kkt.block(n, 0, 1, n).setOnes();
  Eigen::VectorXd right(n + 1);
  right.head(n) = a.transpose() * truth;
  right(n) = 1.0;
  const Eigen::VectorXd solution = kkt.completeOrthogonalDecomposition().solve(right);
  for (int k = 0; k < n; ++k) {
    if (!(solution(k) >= -1e-12)) return std::numeric_limits<double>::infinity();
  }
  std::fill(weights, weights + kJ, 0.0);
  for (int k = 0; k < n; ++k)
    weights[joints[static_cast<std::size_t>(k)]] = std::max(0.0, solution(k));
  return (a * solution.head(n) - truth).squaredNorm();
}

}  // namespace

std::vector<float> NearestVertexCopy(const SkinningScene& scene) {
  const QualityScene& rest = scene.posed.front();
  const std::vector<NearestFound> found = FindNearestAll(
      UsedSourcePoints(rest.bodyRest.data(), rest.bodyRest.size(), nullptr), rest.garmentRest);
  std::vector<float> weights;
  for (const NearestFound& nearest : found) {
    const std::size_t v = static_cast<std::size_t>(nearest.entries[0].sourceIndex);
    weights.insert(weights.end(), &scene.bodyWeights[v * kJ], &scene.bodyWeights[v * kJ] + kJ);
  }
  return weights;
}

std::vector<float> ClosestFaceBarycentric(const SkinningScene& scene) {
  const std::vector<SurfaceHit> hits = ClosestHits(scene.posed.front());
  std::vector<float> weights(hits.size() * kJ);
  for (std::size_t v = 0; v < hits.size(); ++v) BlendAt(scene, hits[v], &weights[v * kJ]);
  return weights;
}

std::vector<float> PublishedInpainting(const SkinningScene& scene) {
  std::vector<float> weights = ClosestFaceBarycentric(scene);
  const std::vector<std::size_t> refused = RefusedByPublishedLimits(scene.posed.front());
  if (!refused.empty()) Inpaint(scene.posed.front(), refused, weights);
  return weights;
}

std::vector<float> FloorWeights(const SkinningScene& scene) {
  const QualityScene& rest = scene.posed.front();
  const auto rows = static_cast<Eigen::Index>(3 * scene.poses.size());
  std::vector<float> weights;
  for (std::size_t v = 0; v < rest.garmentRest.size(); ++v) {
    Eigen::MatrixXd posed(rows, static_cast<Eigen::Index>(kJ));
    Eigen::VectorXd truth(rows);
    for (std::size_t p = 0; p < scene.poses.size(); ++p) {
      const Vector3d& t = scene.posed[p].garmentTruth[v];
      truth.segment<3>(static_cast<Eigen::Index>(3 * p)) << t.x, t.y, t.z;
      for (std::size_t j = 0; j < kJ; ++j) {
        const Vector3d x = scene.poses[p].bones[j](Double(rest.garmentRest[v]));
        posed.block<3, 1>(static_cast<Eigen::Index>(3 * p), static_cast<Eigen::Index>(j)) << x.x,
            x.y, x.z;
      }
    }
    double best[kJ] = {1.0, 0.0, 0.0, 0.0, 0.0},
           bestError = std::numeric_limits<double>::infinity();
    for (unsigned subset = 1; subset < (1u << kJ); ++subset) {
      double w[kJ];
      const double error = FitSubset(posed, truth, subset, w);
      if (error < bestError) bestError = error, std::copy(w, w + kJ, best);
    }
    for (const double w : best) weights.push_back(static_cast<float>(w));
  }
  return weights;
}

std::vector<float> PalisorWeights(const SkinningScene& scene,
                                  const WeightTransferOptions& options) {
  const QualityScene& rest = scene.posed.front();
  const SparseWeights body{rest.bodyRest.size(), kJ, scene.bodyJoints.data(),
                           scene.bodyWeights.data()};
  const std::size_t n = rest.garmentRest.size(), k = options.maxInfluences;
  std::vector<uint32_t> joints(n * k);
  std::vector<float> stored(n * k);
  std::string error;
  if (!TransferWeights(Body(rest), nullptr, body, kJ, Garment(rest), nullptr, options,
                       joints.data(), stored.data(), nullptr, &error)) {
    return std::vector<float>(n * kJ, std::numeric_limits<float>::quiet_NaN());
  }
  std::vector<float> weights(n * kJ, 0.0f);
  for (std::size_t v = 0; v < n; ++v) {
    for (std::size_t s = 0; s < k; ++s) weights[v * kJ + joints[v * k + s]] += stored[v * k + s];
  }
  return weights;
}
