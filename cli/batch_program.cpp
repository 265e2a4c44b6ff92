#include "cli/batch_program.h"

#include <algorithm>
#include <cstdio>
#include <exception>

#include "cli/batch_arguments.h"
#include "cli/batch_files.h"
#include "cli/batch_progress.h"
#include "cli/batch_report.h"
#include "cli/batch_run.h"
#include "cli/batch_workers.h"
#include "cli/help_text.h"
#include "cli/input_error.h"
#include "cli/name_text.h"
#include "cli/output_file.h"
#include "cli/program.h"
#include "parallel/parallel_chunks.h"

namespace palisor_cli {

namespace {

int BatchStatus(const std::vector<FileReport>& reports) {
  const auto ok = std::count_if(reports.begin(), reports.end(),
                                [](const FileReport& r) { return r.status == "ok"; });
  const auto refused = std::count_if(reports.begin(), reports.end(),
                                     [](const FileReport& r) { return r.status == "refused"; });
  if (ok == static_cast<long>(reports.size())) return kFinished;
  if (refused == static_cast<long>(reports.size())) return kRefused;
  return kSomeFailed;
}

nlohmann::json OptionsJson(const BatchArguments& arguments, unsigned jobs) {
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
                                 const PluginLocation& plugin, unsigned jobs,
                                 BatchProgress& progress) {
  const auto finished = [&progress](FileReport report) { progress.Finished(std::move(report)); };
  const unsigned workers = std::min<unsigned>(jobs, static_cast<unsigned>(work.files.size()));
  if (workers <= 1 || plugin.programPath.empty()) {
    RunFilesHere(work, plugin, source, finished);
  } else {
    const unsigned threadsEach = std::max(1u, MachineThreadCount() / workers);
    RunFilesInWorkers(work, plugin.programPath, workers, threadsEach, finished);
  }
  return progress.Done();
}

int RunBatch(const BatchArguments& arguments, const PluginLocation& plugin, std::ostream& out,
             std::ostream& err) {
  UseUtf8ForObjectNames();
  // The Source is read before anything is made: one that cannot be read is an input error. Worker
  // processes read it again, once each.
  const auto source = LoadSourceScene(arguments.sourceScenePath);
  BatchWork work{arguments.common, arguments.allMeshes, PlanFileJobs(arguments), {}};
  const unsigned jobs = ThreadsFor(arguments.jobs);
  BatchProgress progress(work.files.size(), out, err);
  BatchReport report{OptionsJson(arguments, jobs), {}, 0.0};
  report.files = RunFiles(source.get(), work, plugin, jobs, progress);
  report.seconds = progress.Seconds();
  std::stable_sort(report.files.begin(), report.files.end(),
                   [](const FileReport& a, const FileReport& b) { return a.input < b.input; });
  if (!arguments.reportPath.empty()) {
    WriteFileAtomically(arguments.reportPath, BatchReportText(report));
  }
  PrintTotals(report.files, report.seconds, out);
  return BatchStatus(report.files);
}

}  // namespace

int RunBatchProgram(const std::vector<std::string>& arguments, const PluginLocation& plugin,
                    std::ostream& out, std::ostream& err) {
  for (const std::string& argument : arguments) {
    if (argument == "--help" || argument == "-h") {
      WriteHelp(out);
      return kFinished;
    }
    if (argument == "--version") {
      WriteVersion(out);
      return kFinished;
    }
  }
  BatchArguments parsed;
  try {
    parsed = ParseBatchArguments(arguments);
  } catch (const InputError& error) {
    err << "palisor-cli: " << error.what() << '\n'
        << kUsage << "Try 'palisor-cli --help' for more information.\n";
    return kError;
  }
  try {
    if (!parsed.workerJobPath.empty()) {
      return RunBatchWorker(parsed.workerJobPath, plugin, out, err);
    }
    if (!parsed.mergeReports.empty()) {
      MergeReports(parsed.mergeReports.front(),
                   {parsed.mergeReports.begin() + 1, parsed.mergeReports.end()});
      return kFinished;
    }
    return RunBatch(parsed, plugin, out, err);
  } catch (const std::exception& error) {
    err << "palisor-cli: " << error.what() << '\n';
  }
  return kError;
}

}  // namespace palisor_cli
