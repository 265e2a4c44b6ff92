// What a run over many files shows while it goes: a line per finished file on standard output,
// a file's messages on standard error, and on a terminal one progress line for the whole run
// (files done of all, vertices moved per second, time left), rewritten in place.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <ostream>
#include <vector>

#include "batch/batch_report.h"

namespace palisor_batch {

class BatchProgress {
 public:
  BatchProgress(std::size_t total, std::ostream& out, std::ostream& err);

  // Takes a finished file's report; may be called from any thread.
  void Finished(FileReport report);
  // Clears the progress line; the reports in the order the files finished.
  std::vector<FileReport> Done();
  double Seconds() const;

 private:
  void DrawBar();

  std::size_t total_;
  std::ostream& out_;
  std::ostream& err_;
  bool terminal_;
  std::chrono::steady_clock::time_point start_;
  int64_t vertices_ = 0;
  std::vector<FileReport> reports_;
  std::mutex mutex_;
};

}  // namespace palisor_batch
