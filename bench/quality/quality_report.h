// The quality benchmark's report: the scenes, one row per scene and method, and the goals judged
// on Palisor's best method, as an aligned text table, as Markdown or as JSON.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "quality/quality_goals.h"

struct SceneSummary {
  std::string name;
  std::string description;
  double delta = 0.0;
  std::size_t bodyVertices = 0;
  std::size_t garmentVertices = 0;
  // How many Destination vertices cross-talk is measured on.
  std::size_t crossTalkVertices = 0;
};

struct QualityReport {
  std::vector<SceneSummary> scenes;
  std::vector<QualityRow> rows;
  std::string best;
  std::vector<GoalVerdict> goals;
};

std::string TextReport(const QualityReport& report);
std::string MarkdownReport(const QualityReport& report);
std::string JsonReport(const QualityReport& report);
