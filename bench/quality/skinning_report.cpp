#include "quality/skinning_report.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <map>

#include "quality/inside_test.h"
#include "quality/skinning_rules.h"

namespace {

constexpr std::size_t kJ = kSkinningJoints;

struct Rule {
  const char* name;
  bool peer;
  bool floor;
  std::function<std::vector<float>(const SkinningScene&)> weights;
};

std::function<std::vector<float>(const SkinningScene&)> Palisor(WeightMethod method, float maxAngle,
                                                                uint32_t smoothing) {
  return [=](const SkinningScene& scene) {
    WeightTransferOptions options;
    options.method = method;
    options.maxAngleDegrees = maxAngle;
    options.smoothingPasses = smoothing;
    return PalisorWeights(scene, options);
  };
}

std::vector<Rule> Rules() {
  return {{"floor", false, true, FloorWeights},
          {"body's under each vertex", false, false,
           [](const SkinningScene& scene) { return scene.underWeights; }},
          {"nearest", false, false, Palisor(WeightMethod::kNearest, 180.0f, 0)},
          {"surface", false, false, Palisor(WeightMethod::kSurface, 180.0f, 0)},
          {"robust", false, false, Palisor(WeightMethod::kRobust, 45.0f, 0)},
          {"robust, smoothed", false, false, Palisor(WeightMethod::kRobust, 45.0f, 4)},
          {"nearest vertex copy", true, false, NearestVertexCopy},
          {"closest-face barycentric", true, false, ClosestFaceBarycentric},
          {"inpainting as published", true, false, PublishedInpainting}};
}

// Each garment vertex's displacement in the pose, skinned with the weights.
std::vector<Vector3> PosedDeltas(const SkinningScene& scene, std::size_t pose,
                                 const std::vector<float>& weights) {
  const QualityScene& rest = scene.posed[pose];
  std::vector<Vector3> deltas;
  for (std::size_t v = 0; v < rest.garmentRest.size(); ++v) {
    double w[kJ];
    for (std::size_t j = 0; j < kJ; ++j) w[j] = weights[v * kJ + j];
    const Vector3& p = rest.garmentRest[v];
    const Vector3d x{p.x, p.y, p.z};
    const Vector3d moved = Skinned(scene.poses[pose], w, x) - x;
    deltas.push_back(
        {static_cast<float>(moved.x), static_cast<float>(moved.y), static_cast<float>(moved.z)});
  }
  return deltas;
}

double SumError(const std::vector<float>& weights) {
  double largest = 0.0;
  for (std::size_t v = 0; v * kJ < weights.size(); ++v) {
    double sum = 0.0;
    for (std::size_t j = 0; j < kJ; ++j) sum += weights[v * kJ + j];
    largest = std::max(largest, std::fabs(sum - 1.0));
  }
  return largest;
}

std::vector<uint8_t> InsideFlags(const QualityScene& scene, const InsideTest& body,
                                 const std::vector<Vector3>& deltas) {
  std::vector<uint8_t> inside;
  for (std::size_t v = 0; v < deltas.size(); ++v) {
    inside.push_back(body.Inside(Plus(scene.garmentRest[v], deltas[v])) ? 1 : 0);
  }
  return inside;
}

std::string Number(double value, int digits) {
  char text[32];
  std::snprintf(text, sizeof text, "%.*f", digits, value);
  return text;
}

}  // namespace

std::vector<SkinningRow> MeasureSkinning(const SkinningScene& scene) {
  std::vector<SkinningRow> rows;
  std::vector<std::vector<uint8_t>> floorInside;
  for (const Rule& rule : Rules()) {
    const std::vector<float> weights = rule.weights(scene);
    for (std::size_t p = 0; p < scene.poses.size(); ++p) {
      const QualityScene& posed = scene.posed[p];
      const InsideTest body(posed.bodyMorphed, posed.bodyTriangles);
      const std::vector<Vector3> deltas = PosedDeltas(scene, p, weights);
      const std::vector<uint8_t> inside = InsideFlags(posed, body, deltas);
      if (rule.floor) floorInside.push_back(inside);
      SkinningRow row;
      row.scene = scene.name;
      row.pose = scene.poses[p].name;
      row.rule = rule.name;
      row.peer = rule.peer;
      row.floor = rule.floor;
      row.delta = posed.delta;
      row.bodyVertices = posed.bodyRest.size();
      row.garmentVertices = posed.garmentRest.size();
      row.metrics = MeasureTransfer(posed, body, deltas);
      row.sumError = SumError(weights);
      for (std::size_t v = 0; v < inside.size(); ++v) {
        row.insideBeyondFloor += inside[v] != 0 && floorInside[p][v] == 0 ? 1 : 0;
      }
      rows.push_back(row);
    }
  }
  return rows;
}

std::vector<GoalVerdict> JudgeSkinning(const std::vector<SkinningRow>& rows) {
  std::map<std::string, double> floorRms, bestPeer;
  for (const SkinningRow& row : rows) {
    const std::string key = row.scene + " / " + row.pose;
    if (row.floor) floorRms[key] = row.metrics.rmsError;
    if (row.peer && (!bestPeer.count(key) || row.metrics.rmsError < bestPeer[key]))
      bestPeer[key] = row.metrics.rmsError;
  }
  double worstPeerRatio = 0.0, worstFloorRatio = 0.0, worstSum = 0.0;
  std::size_t beyond = 0, judged = 0;
  for (const SkinningRow& row : rows) {
    if (row.rule != "robust") continue;
    const std::string key = row.scene + " / " + row.pose;
    ++judged;
    worstPeerRatio = std::max(worstPeerRatio, row.metrics.rmsError / bestPeer[key]);
    worstFloorRatio = std::max(worstFloorRatio, row.metrics.rmsError / floorRms[key]);
    worstSum = std::max(worstSum, row.sumError);
    beyond += row.insideBeyondFloor;
  }
  const bool any = judged > 0;
  return {
      {"RMS no larger than the best peer's, every scene and pose",
       "at most " + Number(worstPeerRatio, 3) + " x the best peer's", any,
       worstPeerRatio <= 1.0 + 1e-9},
      {"RMS within 1.1 x the floor's, every scene and pose",
       "at most " + Number(worstFloorRatio, 3) + " x the floor's", any, worstFloorRatio <= 1.1},
      {"no vertex inside the body where the floor's is not", std::to_string(beyond) + " vertices",
       any, beyond == 0},
      {"weights sum to 1 within 1e-6", "largest distance " + Number(worstSum * 1e9, 1) + "e-9", any,
       worstSum <= 1e-6},
  };
}

std::string SkinningMarkdown(const std::vector<SkinningRow>& rows,
                             const std::vector<GoalVerdict>& goals) {
  std::map<std::string, double> floorRms;
  for (const SkinningRow& row : rows) {
    if (row.floor) floorRms[row.scene + " / " + row.pose] = row.metrics.rmsError;
  }
  std::string text = "| Scene | δ | Body / garment vertices |\n| --- | --- | --- |\n";
  for (std::size_t k = 0; k < rows.size(); ++k) {
    if (k > 0 && rows[k].scene == rows[k - 1].scene) continue;
    text += "| " + rows[k].scene + " | " + Number(rows[k].delta, 3) + " | " +
            std::to_string(rows[k].bodyVertices) + " / " + std::to_string(rows[k].garmentVertices) +
            " |\n";
  }
  text +=
      "\n| Scene | Pose | Rule | RMS (δ) | RMS / floor | Largest (δ) | Inside | Inside, floor's "
      "not "
      "| Sum - 1 |\n| --- | --- | --- | --- | --- | --- | --- | --- | --- |\n";
  for (const SkinningRow& row : rows) {
    const double floor = floorRms[row.scene + " / " + row.pose];
    text += "| " + row.scene + " | " + row.pose + " | " + row.rule + (row.peer ? " (peer)" : "") +
            " | " + Number(row.metrics.rmsError, 4) + " | " +
            Number(row.metrics.rmsError / floor, 2) + " | " + Number(row.metrics.largestError, 3) +
            " | " + std::to_string(row.metrics.inside) + " | " +
            std::to_string(row.insideBeyondFloor) + " | " + Number(row.sumError * 1e9, 1) +
            "e-9 |\n";
  }
  text += "\n| Goal (robust) | Measured | Verdict |\n| --- | --- | --- |\n";
  for (const GoalVerdict& goal : goals) {
    text +=
        "| " + goal.goal + " | " + goal.measured + " | " + (goal.pass ? "met" : "MISSED") + " |\n";
  }
  return text;
}
