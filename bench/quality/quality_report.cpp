#include "quality/quality_report.h"

#include <cmath>
#include <cstdio>

namespace {

// A number with `digits` decimals, or "-" for a NaN (a measure the scene does not take).
std::string Number(double value, int digits) {
  if (std::isnan(value)) return "-";
  char text[64];
  std::snprintf(text, sizeof text, "%.*f", digits, value);
  return text;
}

std::string JsonNumber(double value) {
  if (!std::isfinite(value)) return "null";
  char text[64];
  std::snprintf(text, sizeof text, "%.6g", value);
  return text;
}

// Quotes and backslashes escaped; the report's texts hold nothing else that needs it.
std::string JsonString(const std::string& text) {
  std::string quoted = "\"";
  for (const char c : text) {
    if (c == '"' || c == '\\') quoted += '\\';
    quoted += c;
  }
  return quoted + "\"";
}

std::string Cells(const QualityRow& row) {
  const TransferMetrics& m = row.metrics;
  char text[256];
  std::snprintf(text, sizeof text, "%-11s %-22s %8s %8s %6zu %9s %10s", row.scene.c_str(),
                (row.method + (row.peer ? " (peer)" : "")).c_str(), Number(m.rmsError, 4).c_str(),
                Number(m.largestError, 3).c_str(), m.inside, Number(m.roughness, 3).c_str(),
                Number(m.crossTalk, 4).c_str());
  return text;
}

std::string Verdict(const GoalVerdict& goal) {
  return goal.measuredAtAll ? (goal.pass ? "PASS" : "FAIL") : "n/a";
}

}  // namespace

std::string TextReport(const QualityReport& report) {
  std::string text;
  for (const SceneSummary& scene : report.scenes) {
    char line[320];
    std::snprintf(line, sizeof line,
                  "%-11s delta %-6g body %5zu, Destination %5zu (cross-talk %4zu): %s\n",
                  scene.name.c_str(), scene.delta, scene.bodyVertices, scene.garmentVertices,
                  scene.crossTalkVertices, scene.description.c_str());
    text += line;
  }
  text +=
      "\nscene       method                 RMS/delta max/delta inside roughness "
      "cross/delta\n";
  for (const QualityRow& row : report.rows) text += Cells(row) + "\n";
  text += "\nGoals for Palisor's best method (" + report.best + "):\n";
  for (const GoalVerdict& goal : report.goals) {
    char verdict[16];
    std::snprintf(verdict, sizeof verdict, "  %-4s  ", Verdict(goal).c_str());
    text += verdict + goal.goal + ": " + goal.measured + "\n";
  }
  return text;
}

std::string MarkdownReport(const QualityReport& report) {
  std::string text =
      "| Scene | Method | RMS (δ) | Largest (δ) | Inside | Roughness | Cross-talk (δ) |\n"
      "| --- | --- | --- | --- | --- | --- | --- |\n";
  for (const QualityRow& row : report.rows) {
    const TransferMetrics& m = row.metrics;
    text += "| " + row.scene + " | " + row.method + (row.peer ? " (peer)" : "") + " | " +
            Number(m.rmsError, 4) + " | " + Number(m.largestError, 3) + " | " +
            std::to_string(m.inside) + " | " + Number(m.roughness, 3) + " | " +
            Number(m.crossTalk, 4) + " |\n";
  }
  text += "\n| Goal (" + report.best + ") | Measured | Verdict |\n| --- | --- | --- |\n";
  for (const GoalVerdict& goal : report.goals) {
    text += "| " + goal.goal + " | " + goal.measured + " | " + Verdict(goal) + " |\n";
  }
  return text;
}

std::string JsonReport(const QualityReport& report) {
  std::string text = "{\n  \"scenes\": [";
  for (std::size_t i = 0; i < report.scenes.size(); ++i) {
    const SceneSummary& s = report.scenes[i];
    text += std::string(i ? "," : "") + "\n    {\"name\": " + JsonString(s.name) +
            ", \"description\": " + JsonString(s.description) +
            ", \"delta\": " + JsonNumber(s.delta) +
            ", \"bodyVertices\": " + std::to_string(s.bodyVertices) +
            ", \"destinationVertices\": " + std::to_string(s.garmentVertices) +
            ", \"crossTalkVertices\": " + std::to_string(s.crossTalkVertices) + "}";
  }
  text += "\n  ],\n  \"results\": [";
  for (std::size_t i = 0; i < report.rows.size(); ++i) {
    const QualityRow& row = report.rows[i];
    const TransferMetrics& m = row.metrics;
    text += std::string(i ? "," : "") + "\n    {\"scene\": " + JsonString(row.scene) +
            ", \"method\": " + JsonString(row.method) +
            ", \"peer\": " + (row.peer ? "true" : "false") +
            ", \"rmsError\": " + JsonNumber(m.rmsError) +
            ", \"largestError\": " + JsonNumber(m.largestError) +
            ", \"inside\": " + std::to_string(m.inside) +
            ", \"roughness\": " + JsonNumber(m.roughness) +
            ", \"crossTalk\": " + JsonNumber(m.crossTalk) + "}";
  }
  text += "\n  ],\n  \"best\": " + JsonString(report.best) + ",\n  \"goals\": [";
  for (std::size_t i = 0; i < report.goals.size(); ++i) {
    const GoalVerdict& goal = report.goals[i];
    text += std::string(i ? "," : "") + "\n    {\"goal\": " + JsonString(goal.goal) +
            ", \"measured\": " + JsonString(goal.measured) +
            ", \"verdict\": " + JsonString(Verdict(goal)) + "}";
  }
  return text + "\n  ]\n}\n";
}
