// The quality benchmark's results, one row per scene and method, and the goals Palisor's best
// method is judged against.
#pragma once

#include <string>
#include <vector>

#include "quality/transfer_metrics.h"

struct QualityRow {
  std::string scene;
  std::string method;
  // A peer's rule rather than one of Palisor's methods.
  bool peer = false;
  TransferMetrics metrics;
};

struct GoalVerdict {
  std::string goal;
  // What was measured, in words and numbers; "not measured" when no scene measures it.
  std::string measured;
  bool measuredAtAll = false;
  bool pass = false;
};

// Palisor's method of least mean RMS error over the scenes ("" when there is none).
std::string BestPalisorMethod(const std::vector<QualityRow>& rows);

// The goals, judged on `method`'s rows:
//   RMS error at most a fifth of the best peer rule's, in every scene;
//   no vertex inside the morphed body, in any scene;
//   roughness at most 1.1, in every scene;
//   cross-talk under 0.01 delta, in every scene that measures it;
//   the accessory's largest error within 0.6 delta.
std::vector<GoalVerdict> JudgeGoals(const std::vector<QualityRow>& rows, const std::string& method);

// Whether the rows' numbers are all finite, except a roughness or cross-talk that a scene does
// not measure (NaN).
bool AllFinite(const std::vector<QualityRow>& rows);
