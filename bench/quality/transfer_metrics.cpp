#include "quality/transfer_metrics.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <set>
#include <utility>

#include "geometry/vector3.h"

namespace {

Vector3d ToDouble(const Vector3& point) {
  return {point.x, point.y, point.z};
}

bool Defined(const QualityScene& scene, std::size_t vertex) {
  return scene.truthUndefined.empty() || scene.truthUndefined[vertex] == 0;
}

// The garment's triangles whose three corners have a defined truth.
std::vector<uint32_t> DefinedTriangles(const QualityScene& scene) {
  std::vector<uint32_t> triangles;
  for (std::size_t t = 0; t + 2 < scene.garmentTriangles.size(); t += 3) {
    const uint32_t* corners = scene.garmentTriangles.data() + t;
    if (Defined(scene, corners[0]) && Defined(scene, corners[1]) && Defined(scene, corners[2])) {
      triangles.insert(triangles.end(), corners, corners + 3);
    }
  }
  return triangles;
}

}  // namespace

double LaplacianEnergy(const std::vector<uint32_t>& triangles,
                       const std::vector<Vector3d>& motion) {
  std::set<std::pair<uint32_t, uint32_t>> edges;
  for (std::size_t t = 0; t + 2 < triangles.size(); t += 3) {
    for (std::size_t k = 0; k < 3; ++k) {
      const uint32_t a = triangles[t + k];
      const uint32_t b = triangles[t + (k + 1) % 3];
      edges.insert({std::min(a, b), std::max(a, b)});
    }
  }
  std::vector<Vector3d> laplacian(motion.size());
  for (const auto& [a, b] : edges) {
    laplacian[a] = laplacian[a] + (motion[b] - motion[a]);
    laplacian[b] = laplacian[b] + (motion[a] - motion[b]);
  }
  double energy = 0.0;
  for (const Vector3d& value : laplacian) energy += Dot(value, value);
  return energy;
}

TransferMetrics MeasureTransfer(const QualityScene& scene, const InsideTest& morphedBody,
                                const std::vector<Vector3>& deltas) {
  TransferMetrics metrics;
  metrics.crossTalk = scene.crossTalkZone.empty() ? std::numeric_limits<double>::quiet_NaN() : 0.0;
  const std::size_t count = scene.garmentRest.size();
  std::vector<Vector3d> moved(count);
  std::vector<Vector3d> trueMotion(count);
  double squaredSum = 0.0;
  std::size_t defined = 0;
  for (std::size_t i = 0; i < count; ++i) {
    const Vector3d rest = ToDouble(scene.garmentRest[i]);
    moved[i] = ToDouble(deltas[i]);
    trueMotion[i] = scene.garmentTruth[i] - rest;
    if (morphedBody.Inside(Plus(scene.garmentRest[i], deltas[i]))) ++metrics.inside;
    if (!IsZero(deltas[i])) ++metrics.moved;
    if (!Defined(scene, i)) continue;
    ++defined;
    const double error = Length(rest + moved[i] - scene.garmentTruth[i]) / scene.delta;
    squaredSum += error * error;
    metrics.largestError = std::max(metrics.largestError, error);
    if (!scene.crossTalkZone.empty() && scene.crossTalkZone[i] != 0) {
      metrics.crossTalk = std::max(metrics.crossTalk, error);
    }
  }
  metrics.rmsError = std::sqrt(squaredSum / static_cast<double>(defined));
  const std::vector<uint32_t> triangles = DefinedTriangles(scene);
  const double trueEnergy = LaplacianEnergy(triangles, trueMotion);
  metrics.roughness = trueEnergy > 0.0 ? LaplacianEnergy(triangles, moved) / trueEnergy
                                       : std::numeric_limits<double>::quiet_NaN();
  return metrics;
}
