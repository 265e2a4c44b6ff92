// The skinning part of the quality report: every weight rule on every skinning scene and pose,
// the garment posed by blend skinning with the rule's weights and measured against its truth, and
// the goals judged on Palisor's robust method.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "quality/quality_goals.h"
#include "quality/skinning_scenes.h"

struct SkinningRow {
  std::string scene;
  std::string pose;
  std::string rule;
  bool peer = false;
  bool floor = false;
  double delta = 0.0;
  std::size_t bodyVertices = 0;
  std::size_t garmentVertices = 0;
  TransferMetrics metrics;
  // Garment vertices inside the posed body whose place under the floor's weights is not.
  std::size_t insideBeyondFloor = 0;
  // The largest distance of a vertex's weights' sum (in doubles) from 1.
  double sumError = 0.0;
};

// Every rule's rows on the scene, pose by pose.
std::vector<SkinningRow> MeasureSkinning(const SkinningScene& scene);

// The goals, on the rule named "robust": in every scene and pose an RMS error no larger than the
// best peer's and at most 1.1 times the floor's, no vertex inside the body where the floor's is
// not, and weights summing to 1 within 1e-6.
std::vector<GoalVerdict> JudgeSkinning(const std::vector<SkinningRow>& rows);

// A Markdown table of the rows (with each rule's RMS over the floor's) and of the goals.
std::string SkinningMarkdown(const std::vector<SkinningRow>& rows,
                             const std::vector<GoalVerdict>& goals);
