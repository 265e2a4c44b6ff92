#include "cli/program.h"

#include <exception>
#include <utility>

#include "batch/batch_report.h"
#include "batch/batch_runner.h"
#include "cli/arguments.h"
#include "cli/batch_arguments.h"
#include "cli/help_text.h"
#include "scene_run/input_error.h"
#include "scene_run/scene_run.h"

namespace palisor_cli {

namespace {

using palisor_run::InputError;
using palisor_run::kError;
using palisor_run::kFinished;
using palisor_run::PluginLocation;

int UsageError(const InputError& error, std::ostream& err) {
  err << "palisor-cli: " << error.what() << '\n'
      << kUsage << "Try 'palisor-cli --help' for more information.\n";
  return kError;
}

// Whether the command line asks for the help or the version, which is then written.
bool AnswersHelpOrVersion(const std::vector<std::string>& arguments, std::ostream& out) {
  for (const std::string& argument : arguments) {
    if (argument == "--help" || argument == "-h") {
      WriteHelp(out);
      return true;
    }
    if (argument == "--version") {
      WriteVersion(out);
      return true;
    }
  }
  return false;
}

palisor_run::SceneRunOptions ParseFileArguments(const std::vector<std::string>& arguments) {
  return ParseArguments(arguments).run;
}

int RunManyFiles(const std::vector<std::string>& arguments, const PluginLocation& plugin,
                 std::ostream& out, std::ostream& err) {
  if (AnswersHelpOrVersion(arguments, out)) return kFinished;
  BatchCommandLine parsed;
  try {
    parsed = ParseBatchArguments(arguments);
  } catch (const InputError& error) {
    return UsageError(error, err);
  }
  try {
    if (!parsed.workerJobPath.empty()) {
      return palisor_batch::RunBatchWorker(parsed.workerJobPath, plugin, ParseFileArguments, out,
                                           err);
    }
    if (!parsed.mergeReports.empty()) {
      palisor_batch::MergeReports(parsed.mergeReports.front(),
                                  {parsed.mergeReports.begin() + 1, parsed.mergeReports.end()});
      return kFinished;
    }
    return palisor_batch::RunBatch(parsed.options, plugin, ParseFileArguments, out, err);
  } catch (const std::exception& error) {
    err << "palisor-cli: " << error.what() << '\n';
  }
  return kError;
}

}  // namespace

int RunProgram(const std::vector<std::string>& arguments, const PluginLocation& plugin,
               std::ostream& out, std::ostream& err) {
  if (IsBatchCommandLine(arguments)) return RunManyFiles(arguments, plugin, out, err);
  Arguments parsed;
  try {
    parsed = ParseArguments(arguments);
  } catch (const InputError& error) {
    return UsageError(error, err);
  }
  if (parsed.help) {
    WriteHelp(out);
    return kFinished;
  }
  if (parsed.version) {
    WriteVersion(out);
    return kFinished;
  }
  return palisor_run::RunSceneFile(std::move(parsed.run), plugin, palisor_run::FileRunContext{},
                                   out, err);
}

}  // namespace palisor_cli
