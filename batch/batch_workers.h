// A run over many files in several processes: the plug-in and the imitated host are single
// documents at a time in one process (the plug-in keeps its settings in globals, the host is one
// object per process), so files run side by side only in processes of their own. Each worker is
// palisor-cli itself, started with the internal --batch-worker option and a file of the work; it
// reads the Source scene once, runs the files it claims one after another and writes a JSON line
// per file, which the parent reads as the files finish. A worker that crashes fails only the file
// it was running.
#pragma once

#include <functional>
#include <string>

#include "batch/batch_report.h"
#include "batch/batch_run.h"

namespace palisor_batch {

// Runs `work` in `workers` worker processes of the program `programPath`, each file in the first
// of them to claim it, every worker allowed `threadsEach` threads; hands each file's report to
// `finished` (from any thread). Files a worker did not report fail with the reason.
void RunFilesInWorkers(const BatchWork& work, const std::string& programPath, unsigned workers,
                       unsigned threadsEach, const std::function<void(FileReport)>& finished);

}  // namespace palisor_batch
