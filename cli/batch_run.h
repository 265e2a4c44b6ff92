// Runs files of a run over many one after another in this process, the Source scene read once
// for all of them; and the worker process that does so for its share of a parallel run.
#pragma once

#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "cli/batch_arguments.h"
#include "cli/batch_files.h"
#include "cli/batch_report.h"
#include "cli/plugin_loading.h"
#include "scene/scene_file.h"

namespace palisor_cli {

// The single-file options and what they apply to: what a worker process is given.
struct BatchWork {
  std::vector<std::string> common;
  bool allMeshes = false;
  std::vector<FileJob> files;
  // Where workers sharing the files claim each one before running it (a folder made per file,
  // which only one of them can make); empty to run every file.
  std::string claimFolder;
};

// Reads the --source-scene of `common` (null when none); throws what LoadScene throws.
std::unique_ptr<palisor_scene::LoadedScene> LoadSourceScene(const std::string& path);

// Runs each file of `work` in turn (those it claims, when the work is shared), with `source` (may
// be null) standing for the --source-scene, and hands each file's report to `finished`.
void RunFilesHere(const BatchWork& work, const PluginLocation& plugin,
                  const palisor_scene::LoadedScene* source,
                  const std::function<void(FileReport)>& finished);

std::string BatchWorkText(const BatchWork& work);

// The worker process: reads the work from `jobPath` and writes a JSON line per finished file to
// `out`. Returns the exit status.
int RunBatchWorker(const std::string& jobPath, const PluginLocation& plugin, std::ostream& out,
                   std::ostream& err);

}  // namespace palisor_cli
