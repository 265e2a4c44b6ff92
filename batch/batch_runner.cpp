#include "batch/batch_runner.h"

#include <algorithm>
#include <cstdio>
#include <exception>

#include "batch/batch_files.h"
#include "batch/batch_progress.h"
#include "batch/batch_report.h"
#include "batch/batch_run.h"
#include "batch/batch_workers.h"
#include "parallel/parallel_chunks.h"
#include "scene_run/name_text.h"
#include "scene_run/output_file.h"
#include "scene_run/scene_run.h"

namespace palisor_batch {

namespace {

using palisor_run::kFinished;
using palisor_run::kRefused;
using palisor_run::PluginLocation;

int BatchStatus(const std::vector<FileReport>& reports) {
  const auto ok = std::count_if(reports.begin(), reports.end(),
                                [](const FileReport& r) { return r.status == "ok"; });
  const auto refused = std::count_if(reports.begin(), reports.end(),
                                     [](const FileReport& r) { return r.status == "refused"; });
  if (ok == static_cast<long>(reports.size())) return kFinished;
  if (refused == static_cast<long>(reports.size())) return kRefused;
  return kSomeFailed;
}

nlohmann::json OptionsJson(const BatchOptions& arguments, unsigned jobs) {
  return nlohmann::json{
      {"arguments", arguments.common},
      {"allMeshes", arguments.allMeshes},
      {"outDir", arguments.outDir},
      {"jobs", jobs},
      {"shard", std::to_string(arguments.shard) + "/" + std::to_string(arguments.shardCount)}};
}

void PrintTotals(const std::vector<FileReport>& reports, double seconds, std::ostream& out) {
  const auto ok = std::count_if(reports.begin(), reports.end(),
                                [](const FileReport& r) { return r.status == "ok"; });
  char line[160];
  std::snprintf(line, sizeof line, "Files           %zu done, %zu failed, %.3f s (%.2f files/s)\n",
                static_cast<std::size_t>(ok), reports.size() - static_cast<std::size_t>(ok),
                seconds, seconds > 0.0 ? double(reports.size()) / seconds : 0.0);
  out << line;
}

// Runs the planned files, here or in worker processes; returns their reports.
std::vector<FileReport> RunFiles(const palisor_scene::LoadedScene* source, BatchWork& work,
                                 const PluginLocation& plugin, const FileOptionsParser& parse,
                                 unsigned jobs, BatchProgress& progress) {
  const auto finished = [&progress](FileReport report) { progress.Finished(std::move(report)); };
  const unsigned workers = std::min<unsigned>(jobs, static_cast<unsigned>(work.files.size()));
  if (workers <= 1 || plugin.programPath.empty()) {
    RunFilesHere(work, plugin, parse, source, finished);
  } else {
    const unsigned threadsEach = std::max(1u, MachineThreadCount() / workers);
    RunFilesInWorkers(work, plugin.programPath, workers, threadsEach, finished);
  }
  return progress.Done();
}

}  // namespace

int RunBatch(const BatchOptions& options, const PluginLocation& plugin,
             const FileOptionsParser& parse, std::ostream& out, std::ostream& err) {
  palisor_run::UseUtf8ForObjectNames();
  // The Source is read before anything is made: one that cannot be read is an input error. Worker
  // processes read it again, once each.
  const auto source = LoadSourceScene(options.sourceScenePath);
  BatchWork work{options.common, options.allMeshes, PlanFileJobs(options), {}};
  const unsigned jobs = ThreadsFor(options.jobs);
  BatchProgress progress(work.files.size(), out, err);
  BatchReport report{OptionsJson(options, jobs), {}, 0.0};
  report.files = RunFiles(source.get(), work, plugin, parse, jobs, progress);
  report.seconds = progress.Seconds();
  std::stable_sort(report.files.begin(), report.files.end(),
                   [](const FileReport& a, const FileReport& b) { return a.input < b.input; });
  if (!options.reportPath.empty()) {
    palisor_run::WriteFileAtomically(options.reportPath, BatchReportText(report));
  }
  PrintTotals(report.files, report.seconds, out);
  return BatchStatus(report.files);
}

}  // namespace palisor_batch
