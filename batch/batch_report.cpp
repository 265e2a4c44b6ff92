#include "batch/batch_report.h"

#include <algorithm>
#include <cmath>
#include <fstream>

#include "palisor_version.h"
#include "scene_run/input_error.h"
#include "scene_run/output_file.h"

namespace palisor_batch {

using palisor_run::InputError;
using palisor_run::WriteFileAtomically;

using nlohmann::json;

namespace {

TargetReport MeasureTarget(const palisor_scene::ResultObject& made, const std::string& target) {
  TargetReport report;
  report.target = target;
  report.object = made.name;
  double sum = 0.0;
  const std::size_t count = std::min(made.vertices.size(), made.start.size());
  for (std::size_t i = 0; i < count; ++i) {
    const Vector3 end = made.vertices[i];
    const Vector3 start = made.start[i];
    const double dx = double{end.x} - double{start.x};
    const double dy = double{end.y} - double{start.y};
    const double dz = double{end.z} - double{start.z};
    const double length = std::sqrt(dx * dx + dy * dy + dz * dz);
    if (!(length > 0.0)) continue;
    ++report.verticesMoved;
    sum += length;
    report.largestDisplacement = std::max(report.largestDisplacement, length);
  }
  if (report.verticesMoved > 0) report.meanDisplacement = sum / double(report.verticesMoved);
  return report;
}

json Totals(const std::vector<FileReport>& files, double seconds) {
  int64_t ok = 0;
  int64_t vertices = 0;
  for (const FileReport& file : files) {
    ok += file.status == "ok" ? 1 : 0;
    vertices += file.verticesMoved;
  }
  const auto count = static_cast<int64_t>(files.size());
  return json{
      {"files", count},       {"ok", ok},
      {"failed", count - ok}, {"verticesMoved", vertices},
      {"seconds", seconds},   {"filesPerSecond", seconds > 0.0 ? double(count) / seconds : 0.0}};
}

}  // namespace

void MeasureRun(const palisor_scene::RunResult& result, FileReport& report) {
  report.verticesMoved = result.verticesMoved;
  for (const palisor_scene::ResultRow& row : result.destinations) {
    DestinationReport destination{row.first.name, {}};
    for (std::size_t column = 0; column < row.others.size(); ++column) {
      if (!row.others[column].present()) continue;
      const std::string target =
          column < result.source.others.size() ? result.source.others[column].name : std::string();
      destination.targets.push_back(MeasureTarget(row.others[column], target));
    }
    report.destinations.push_back(std::move(destination));
  }
}

json FileReportJson(const FileReport& report) {
  json destinations = json::array();
  for (const DestinationReport& destination : report.destinations) {
    json targets = json::array();
    for (const TargetReport& t : destination.targets) {
      targets.push_back({{"target", t.target},
                         {"object", t.object},
                         {"verticesMoved", t.verticesMoved},
                         {"largestDisplacement", t.largestDisplacement},
                         {"meanDisplacement", t.meanDisplacement}});
    }
    destinations.push_back({{"name", destination.name}, {"targets", targets}});
  }
  return json{{"input", report.input},       {"output", report.output},
              {"status", report.status},     {"messages", report.messages},
              {"seconds", report.seconds},   {"verticesMoved", report.verticesMoved},
              {"destinations", destinations}};
}

FileReport FileReportFromJson(const json& in) {
  FileReport report;
  in.at("input").get_to(report.input);
  in.at("output").get_to(report.output);
  in.at("status").get_to(report.status);
  in.at("messages").get_to(report.messages);
  in.at("seconds").get_to(report.seconds);
  in.at("verticesMoved").get_to(report.verticesMoved);
  for (const json& d : in.at("destinations")) {
    DestinationReport destination{d.at("name").get<std::string>(), {}};
    for (const json& t : d.at("targets")) {
      destination.targets.push_back(TargetReport{
          t.at("target").get<std::string>(), t.at("object").get<std::string>(),
          t.at("verticesMoved").get<int64_t>(), t.at("largestDisplacement").get<double>(),
          t.at("meanDisplacement").get<double>()});
    }
    report.destinations.push_back(std::move(destination));
  }
  return report;
}

std::string BatchReportText(const BatchReport& report) {
  json files = json::array();
  for (const FileReport& file : report.files) files.push_back(FileReportJson(file));
  const json whole{{"palisorVersion", PALISOR_VERSION},
                   {"options", report.options},
                   {"files", files},
                   {"totals", Totals(report.files, report.seconds)}};
  return whole.dump(2) + "\n";
}

void MergeReports(const std::string& output, const std::vector<std::string>& inputs) {
  BatchReport merged;
  json shards = json::array();
  for (const std::string& path : inputs) {
    std::ifstream in(path, std::ios::binary);
    try {
      const json report = json::parse(in);
      shards.push_back(report.at("options"));
      merged.seconds += report.at("totals").at("seconds").get<double>();
      for (const json& file : report.at("files")) {
        merged.files.push_back(FileReportFromJson(file));
      }
    } catch (const std::exception& error) {
      throw InputError("the report " + path + " cannot be merged: " + error.what());
    }
  }
  merged.options = json{{"mergedFrom", shards}};
  std::stable_sort(merged.files.begin(), merged.files.end(),
                   [](const FileReport& a, const FileReport& b) { return a.input < b.input; });
  WriteFileAtomically(output, BatchReportText(merged));
}

}  // namespace palisor_batch
