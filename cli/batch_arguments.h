// The command line of a run over many files: the files (patterns, plain files, a manifest), where
// the results go, how many at once, the shard, the report; every other option is the single-file
// run's and applies to each file.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "batch/batch_options.h"

namespace palisor_cli {

// A command line of the runs over many files: a run, a merge of reports, or the internal worker
// process of a run.
struct BatchCommandLine {
  palisor_batch::BatchOptions options;
  // --merge-reports OUT IN...: the report to write and those to merge into it.
  std::vector<std::string> mergeReports;
  // The internal --batch-worker JOB: the file of the work given to one worker process.
  std::string workerJobPath;
};

// Whether `argument` is an option of runs over many files only.
bool IsBatchOption(const std::string& argument);

// Whether the command line asks for a run over many files (or for merging reports).
bool IsBatchCommandLine(const std::vector<std::string>& arguments);

// Throws InputError for anything that is not a valid command line of a run over many files.
BatchCommandLine ParseBatchArguments(const std::vector<std::string>& arguments);

}  // namespace palisor_cli
