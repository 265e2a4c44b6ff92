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
  // One of Palisor's methods with keep-outside on.
  bool keepsOutside = false;
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
//   roughness at most 1.1, in every scene;
//   cross-talk under 0.01 delta, in every scene that measures it;
//   the accessory's largest error within 0.6 delta;
// and on the rows of every method that keeps outside:
//   no vertex inside the morphed body, in any scene;
//   RMS error at most 1.2 times that of the same method without it (the row named up to its
//   ", outside"), in every scene;
//   in the scene "unmoved" (a target that moves nothing), no vertex moved.
// Scenes whose truth moves nothing that the best peer rule misses (its RMS error below 0.001
// delta: the ball pressed in, the target that moves nothing) are not judged by the first goal.
std::vector<GoalVerdict> JudgeGoals(const std::vector<QualityRow>& rows, const std::string& method);

// Whether the rows' numbers are all finite, except a roughness or cross-talk that a scene does
// not measure (NaN).
bool AllFinite(const std::vector<QualityRow>& rows);
