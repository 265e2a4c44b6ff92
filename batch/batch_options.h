// What a run over many files is asked to do: the files (patterns, plain files, a manifest), where
// the results go, how many at once, the shard, the report; and the single-file options that
// apply to each file.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace palisor_batch {

struct BatchOptions {
  // The single-file options given, in order, without the scene and its output; each file's own
  // run adds its scene, its output and the manifest's selections.
  std::vector<std::string> common;
  std::string sourceScenePath;
  // Patterns and plain files, in order.
  std::vector<std::string> patterns;
  std::string manifestPath;
  std::string outDir;
  // 0: as many as the machine runs threads.
  unsigned jobs = 0;
  std::string reportPath;
  // Shard K of N (1 <= K <= N); 1/1 takes every file.
  uint32_t shard = 1;
  uint32_t shardCount = 1;
  // Every object of each file is selected too.
  bool allMeshes = false;
};

}  // namespace palisor_batch
