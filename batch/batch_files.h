// The files of a run over many: patterns expanded (by the program itself, as no shell does it on
// Windows), manifest lines read, the shard taken, and each file's output chosen and checked.
#pragma once

#include <string>
#include <vector>

#include "batch/batch_options.h"

namespace palisor_batch {

struct FileJob {
  std::string input;
  std::string output;
  // Objects selected in this file besides the command line's --select names.
  std::vector<std::string> selects;
};

// The files a pattern names, sorted: the pattern itself when it has no pattern characters (a
// missing file then fails on its own) or names an existing file, else the files of its folder
// whose names match (never a temporary file that a writer killed while writing left). Patterns
// may stand in the file name only. Throws InputError for a pattern that matches no file.
std::vector<std::string> ExpandFilePattern(const std::string& pattern);

// The manifest's files: CSV with the header "input,output,select" (selections separated by ";")
// or JSON lines {"input": ..., "output": ..., "select": [...]}; an empty output is the input's
// name in the output folder. Throws InputError naming the line of a bad one.
std::vector<FileJob> ReadManifest(const std::string& path);

// Every file of the run, sorted by input and cut to the shard, with outputs in the output folder.
// Throws InputError for two inputs writing one output, an output that names an input or the
// source scene, and an output folder that cannot be written (which is made when missing).
std::vector<FileJob> PlanFileJobs(const BatchOptions& options);

// Which of `count` files sorted by name shard K of N takes: every N-th from the K-th.
bool InShard(std::size_t index, uint32_t shard, uint32_t shardCount);

}  // namespace palisor_batch
