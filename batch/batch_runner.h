// palisor-cli over many scene files: one Source scene carried onto each file, the files in worker
// processes side by side, a failing file not stopping the others, a JSON report.
#pragma once

#include <ostream>

#include "batch/batch_options.h"
#include "batch/batch_run.h"
#include "scene_run/plugin_location.h"

namespace palisor_batch {

// The exit status of a run over many files where some files failed (those of one run are 0 when
// every file was done and 1 when the plug-in refused every one).
constexpr int kSomeFailed = 3;

// Runs every file of `options`, each parsed by `parse`; returns the exit status. Throws
// InputError for input that fails before any file is run (nothing is then written).
int RunBatch(const BatchOptions& options, const palisor_run::PluginLocation& plugin,
             const FileOptionsParser& parse, std::ostream& out, std::ostream& err);

}  // namespace palisor_batch
