// The command line of a run over many files: the files (patterns, plain files, a manifest), where
// the results go, how many at once, the shard, the report; every other option is the single-file
// run's and applies to each file.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace palisor_cli {

struct BatchArguments {
  // The single-file options given, in order, without the scene and -o; each file's own run adds
  // its scene, its output and the manifest's selections.
  std::vector<std::string> common;
  std::string sourceScenePath;
  // --each values and plain file arguments, in order.
  std::vector<std::string> patterns;
  std::string manifestPath;
  std::string outDir;
  // 0: as many as the machine runs threads.
  unsigned jobs = 0;
  std::string reportPath;
  // --shard K/N (1 <= K <= N); 1/1 takes every file.
  uint32_t shard = 1;
  uint32_t shardCount = 1;
  bool allMeshes = false;
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
BatchArguments ParseBatchArguments(const std::vector<std::string>& arguments);

}  // namespace palisor_cli
