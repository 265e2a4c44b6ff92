// What a run over many files did, per file and per Destination and target, and the JSON report of
// it (docs/batch-report.schema.json).
#pragma once

#include <cstdint>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "scene/run_result.h"

namespace palisor_batch {

struct TargetReport {
  std::string target;
  std::string object;  // the morph object made for the Destination
  int64_t verticesMoved = 0;
  double largestDisplacement = 0.0;
  // Over the vertices moved; 0 when none moved.
  double meanDisplacement = 0.0;
};

struct DestinationReport {
  std::string name;
  std::vector<TargetReport> targets;
};

struct FileReport {
  std::string input;
  std::string output;
  std::string status = "failed";  // "ok", "refused" or "failed"
  // What the run said on standard error (the error of a failed file, and warnings).
  std::string messages;
  double seconds = 0.0;
  int64_t verticesMoved = 0;
  std::vector<DestinationReport> destinations;
};

// The Destinations and targets of a run, with how far their vertices moved.
void MeasureRun(const palisor_scene::RunResult& result, FileReport& report);

nlohmann::json FileReportJson(const FileReport& report);
FileReport FileReportFromJson(const nlohmann::json& json);

// The whole report: the options, the files, the totals.
struct BatchReport {
  nlohmann::json options;
  std::vector<FileReport> files;
  double seconds = 0.0;
};

std::string BatchReportText(const BatchReport& report);

// Reads the reports `inputs` and writes one report of all their files to `output`; throws
// InputError for a report that cannot be read.
void MergeReports(const std::string& output, const std::vector<std::string>& inputs);

}  // namespace palisor_batch
