#include "quality/quality_goals.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>
#include <map>
#include <utility>

#include "quality/rigid_scene.h"

namespace {

constexpr double kInfinity = std::numeric_limits<double>::infinity();
// Below this RMS error (in delta) the best peer rule carries all there is: the scene's truth
// barely moves, and a ratio against it measures rounding.
constexpr double kLeastPeerError = 1e-3;

std::string Format(const char* format, double value, const std::string& scene) {
  char text[160];
  std::snprintf(text, sizeof text, format, value, scene.c_str());
  return text;
}

GoalVerdict Verdict(const char* goal, bool measured, bool pass, std::string what) {
  return {goal, measured ? std::move(what) : "not measured", measured, measured && pass};
}

// The worst (largest) of a value over the method's rows that measure it, with its scene.
template <typename Value>
std::pair<double, std::string> Worst(const std::vector<QualityRow>& rows, const std::string& method,
                                     Value value) {
  std::pair<double, std::string> worst{-kInfinity, ""};
  for (const QualityRow& row : rows) {
    const double measured = row.method == method ? value(row) : std::nan("");
    if (!std::isnan(measured) && measured > worst.first) worst = {measured, row.scene};
  }
  return worst;
}

// Over the keep-outside rows: vertices inside in all, the worst RMS error against the same
// method's without keep-outside in the same scene (1 where both are 0), and the most vertices
// moved in the scene "unmoved".
struct KeepOutsideMeasures {
  double inside = 0.0;
  std::string mostInside;
  std::size_t mostInsideCount = 0;
  std::pair<double, std::string> ratio{-kInfinity, ""};
  std::pair<double, std::string> unmoved{-kInfinity, ""};
};

KeepOutsideMeasures MeasureKeepOutside(const std::vector<QualityRow>& rows) {
  std::map<std::pair<std::string, std::string>, double> plainRms;
  for (const QualityRow& row : rows) {
    if (!row.keepsOutside) plainRms[{row.scene, row.method}] = row.metrics.rmsError;
  }
  KeepOutsideMeasures measures;
  for (const QualityRow& row : rows) {
    if (!row.keepsOutside) continue;
    measures.inside += static_cast<double>(row.metrics.inside);
    if (row.metrics.inside > measures.mostInsideCount) {
      measures.mostInsideCount = row.metrics.inside;
      measures.mostInside = row.scene + ", " + row.method;
    }
    const auto plain =
        plainRms.find({row.scene, row.method.substr(0, row.method.find(", outside"))});
    if (plain != plainRms.end()) {
      const double rms = row.metrics.rmsError;
      const double ratio =
          plain->second > 0.0 ? rms / plain->second : (rms > 0.0 ? kInfinity : 1.0);
      if (ratio > measures.ratio.first) measures.ratio = {ratio, row.scene + ", " + row.method};
    }
    const auto moved = static_cast<double>(row.metrics.moved);
    if (row.scene == "unmoved" && moved > measures.unmoved.first) {
      measures.unmoved = {moved, row.method};
    }
  }
  return measures;
}

// The worst RMS error of every carry row (with and without keep-outside and the limits) against
// the best peer rule's in the same scene, where that is large enough to judge.
GoalVerdict CarryAgainstPeersGoal(const std::vector<QualityRow>& rows,
                                  const std::map<std::string, double>& bestPeer) {
  std::pair<double, std::string> worst{-kInfinity, ""};
  for (const QualityRow& row : rows) {
    if (row.peer || row.method.rfind("carry", 0) != 0) continue;
    const auto peer = bestPeer.find(row.scene);
    if (peer == bestPeer.end() || peer->second < kLeastPeerError) continue;
    const double ratio = row.metrics.rmsError / peer->second;
    if (ratio > worst.first) worst = {ratio, row.scene + ", " + row.method};
  }
  return Verdict("every carry row's RMS error <= 1/10 of the best peer rule's",
                 !worst.second.empty(), worst.first <= 0.1,
                 Format("worst ratio %.3f (%s)", worst.first, worst.second));
}

// Under the rigid turn, the largest error of every method that carries offsets with the surface
// (its refused vertices filled, its unmatched parts moved rigidly, small pieces too).
GoalVerdict RigidMotionGoal(const std::vector<QualityRow>& rows) {
  std::pair<double, std::string> worst{-kInfinity, ""};
  for (const QualityRow& row : rows) {
    if (row.peer || row.scene != "rigid-turn" || row.method.rfind("carry", 0) != 0) continue;
    if (row.metrics.largestError > worst.first) worst = {row.metrics.largestError, row.method};
  }
  return Verdict("rigid motion: every vertex within 1e-5 of the motion's size",
                 !worst.second.empty(), worst.first <= RigidTurnTolerance(),
                 Format("largest error %.3g delta (rigid-turn, %s)", worst.first, worst.second) +
                     Format(" against %.3g", RigidTurnTolerance(), ""));
}

}  // namespace

std::string BestPalisorMethod(const std::vector<QualityRow>& rows) {
  std::map<std::string, std::pair<double, int>> sums;
  for (const QualityRow& row : rows) {
    if (row.peer) continue;
    sums[row.method].first += row.metrics.rmsError;
    sums[row.method].second += 1;
  }
  std::string best;
  double bestMean = kInfinity;
  for (const auto& [method, sum] : sums) {
    if (sum.first / sum.second < bestMean) {
      best = method;
      bestMean = sum.first / sum.second;
    }
  }
  return best;
}

std::vector<GoalVerdict> JudgeGoals(const std::vector<QualityRow>& rows,
                                    const std::string& method) {
  std::map<std::string, double> bestPeer;
  for (const QualityRow& row : rows) {
    if (!row.peer) continue;
    auto found = bestPeer.emplace(row.scene, row.metrics.rmsError).first;
    found->second = std::min(found->second, row.metrics.rmsError);
  }
  const auto ratio = Worst(rows, method, [&](const QualityRow& row) {
    const auto peer = bestPeer.find(row.scene);
    const bool judged = peer != bestPeer.end() && peer->second >= kLeastPeerError;
    return judged ? row.metrics.rmsError / peer->second : std::nan("");
  });
  const KeepOutsideMeasures kept = MeasureKeepOutside(rows);
  const auto rough =
      Worst(rows, method, [](const QualityRow& row) { return row.metrics.roughness; });
  const auto cross =
      Worst(rows, method, [](const QualityRow& row) { return row.metrics.crossTalk; });
  const auto accessory = Worst(rows, method, [](const QualityRow& row) {
    return row.scene == "accessory" ? row.metrics.largestError : std::nan("");
  });
  return {
      Verdict("RMS error <= 1/5 of the best peer rule's", !ratio.second.empty(), ratio.first <= 0.2,
              Format("worst ratio %.3f (%s)", ratio.first, ratio.second)),
      CarryAgainstPeersGoal(rows, bestPeer),
      Verdict("roughness <= 1.1", !rough.second.empty(), rough.first <= 1.1,
              Format("worst %.3f (%s)", rough.first, rough.second)),
      Verdict("cross-talk < 0.01 delta", !cross.second.empty(), cross.first < 0.01,
              Format("worst %.3g delta (%s)", cross.first, cross.second)),
      Verdict("accessory within 0.6 delta", !accessory.second.empty(), accessory.first <= 0.6,
              Format("largest error %.4f delta (%s)", accessory.first, accessory.second)),
      Verdict("keep-outside: no vertex inside the morphed body", !kept.ratio.second.empty(),
              kept.inside == 0.0,
              kept.inside == 0.0
                  ? std::string("none in any scene")
                  : Format("%.0f in all (most in %s)", kept.inside, kept.mostInside)),
      Verdict("keep-outside: RMS error <= 1.2x the method's without it", !kept.ratio.second.empty(),
              kept.ratio.first <= 1.2,
              Format("worst ratio %.3f (%s)", kept.ratio.first, kept.ratio.second)),
      Verdict("keep-outside: a target that moves nothing changes nothing",
              !kept.unmoved.second.empty(), kept.unmoved.first == 0.0,
              Format("at most %.0f vertices moved (%s)", kept.unmoved.first, kept.unmoved.second)),
      RigidMotionGoal(rows),
  };
}

bool AllFinite(const std::vector<QualityRow>& rows) {
  for (const QualityRow& row : rows) {
    const TransferMetrics& m = row.metrics;
    if (!std::isfinite(m.rmsError) || !std::isfinite(m.largestError)) return false;
    if (std::isinf(m.roughness) || std::isinf(m.crossTalk)) return false;
  }
  return true;
}
