#include "quality/peer_rules.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "surface/closest_point.h"

namespace {

Vector3d ToDouble(const Vector3& point) {
  return {point.x, point.y, point.z};
}

Vector3 ToFloat(const Vector3d& point) {
  return {static_cast<float>(point.x), static_cast<float>(point.y), static_cast<float>(point.z)};
}

// The distances and indices of the k nearest body vertices (all of them when k is larger),
// nearest first.
std::vector<std::pair<double, std::size_t>> NearestBodyVertices(const QualityScene& scene,
                                                                const Vector3d& query,
                                                                std::size_t k) {
  std::vector<std::pair<double, std::size_t>> all;
  all.reserve(scene.bodyRest.size());
  for (std::size_t i = 0; i < scene.bodyRest.size(); ++i) {
    all.emplace_back(Length(ToDouble(scene.bodyRest[i]) - query), i);
  }
  const std::size_t kept = std::min(k, all.size());
  std::partial_sort(all.begin(), all.begin() + static_cast<std::ptrdiff_t>(kept), all.end());
  all.resize(kept);
  return all;
}

}  // namespace

std::vector<Vector3> BodyDisplacements(const QualityScene& scene) {
  std::vector<Vector3> displacements;
  for (std::size_t i = 0; i < scene.bodyRest.size(); ++i) {
    const Vector3& rest = scene.bodyRest[i];
    const Vector3& morphed = scene.bodyMorphed[i];
    displacements.push_back({morphed.x - rest.x, morphed.y - rest.y, morphed.z - rest.z});
  }
  return displacements;
}

double MeanBodyEdge(const QualityScene& scene) {
  double sum = 0.0;
  const std::vector<uint32_t>& corners = scene.bodyTriangles;
  for (std::size_t t = 0; t < corners.size(); ++t) {
    const std::size_t next = t - t % 3 + (t + 1) % 3;
    sum += Length(ToDouble(scene.bodyRest[corners[t]]) - ToDouble(scene.bodyRest[corners[next]]));
  }
  return sum / static_cast<double>(corners.size());
}

std::vector<Vector3> NearestWithinRadius(const QualityScene& scene, std::size_t k, double radius) {
  const std::vector<Vector3> displacements = BodyDisplacements(scene);
  std::vector<Vector3> deltas;
  for (const Vector3& vertex : scene.garmentRest) {
    auto nearest = NearestBodyVertices(scene, ToDouble(vertex), k);
    while (nearest.size() > 1 && nearest.back().first > radius) nearest.pop_back();
    Vector3d sum;
    double weights = 0.0;
    for (const auto& [distance, index] : nearest) {
      const double weight = 1.0 / std::max(distance, 1e-12);
      sum = sum + weight * ToDouble(displacements[index]);
      weights += weight;
    }
    deltas.push_back(ToFloat((1.0 / weights) * sum));
  }
  return deltas;
}

std::vector<Vector3> ClosestSurfacePoint(const QualityScene& scene) {
  const std::vector<Vector3> displacements = BodyDisplacements(scene);
  ClosestPointSearch search;
  search.Build(&scene.bodyRest[0].x, scene.bodyRest.size(), scene.bodyTriangles.data(),
               scene.bodyTriangles.size() / 3, 1);
  std::vector<SurfaceHit> hits(scene.garmentRest.size());
  search.FindClosest(&scene.garmentRest[0].x, hits.size(), hits.data(), 1);
  std::vector<Vector3> deltas;
  for (const SurfaceHit& hit : hits) {
    Vector3d sum;
    for (std::size_t k = 0; k < 3; ++k) {
      const uint32_t corner = scene.bodyTriangles[3 * static_cast<std::size_t>(hit.triangle) + k];
      sum = sum + static_cast<double>(hit.barycentric[k]) * ToDouble(displacements[corner]);
    }
    deltas.push_back(ToFloat(sum));
  }
  return deltas;
}
