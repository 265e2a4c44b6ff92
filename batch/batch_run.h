// Runs files of a run over many one after another in this process, the Source scene read once
// for all of them; and the worker process that does so for its share of a parallel run.
#pragma once

#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "batch/batch_files.h"
#include "batch/batch_report.h"
#include "scene/scene_file.h"
#include "scene_run/plugin_location.h"
#include "scene_run/run_options.h"

namespace palisor_batch {

// The options of one file's run from its command line (the single-file options of the run with
// the file's scene, output and selections); throws InputError for an invalid one.
using FileOptionsParser =
    std::function<palisor_run::SceneRunOptions(const std::vector<std::string>& arguments)>;

// The single-file options and what they apply to: what a worker process is given.
struct BatchWork {
  std::vector<std::string> common;
  bool allMeshes = false;
  std::vector<FileJob> files;
  // Where workers sharing the files claim each one before running it (a folder made per file,
  // which only one of them can make); empty to run every file.
  std::string claimFolder;
};

// Reads the source scene (null when `path` is empty); throws what LoadScene throws.
std::unique_ptr<palisor_scene::LoadedScene> LoadSourceScene(const std::string& path);

// Runs each file of `work` in turn (those it claims, when the work is shared), with `source` (may
// be null) standing for the source scene, and hands each file's report to `finished`.
void RunFilesHere(const BatchWork& work, const palisor_run::PluginLocation& plugin,
                  const FileOptionsParser& parse, const palisor_scene::LoadedScene* source,
                  const std::function<void(FileReport)>& finished);

std::string BatchWorkText(const BatchWork& work);

// The worker process: reads the work from `jobPath` and writes a JSON line per finished file to
// `out`. Returns the exit status.
int RunBatchWorker(const std::string& jobPath, const palisor_run::PluginLocation& plugin,
                   const FileOptionsParser& parse, std::ostream& out, std::ostream& err);

}  // namespace palisor_batch
