#include "batch/batch_progress.h"

#include <cstdio>
#include <string>
#include <utility>

#include "scene_run/progress.h"

namespace palisor_batch {

using palisor_run::StandardErrorIsTerminal;

BatchProgress::BatchProgress(std::size_t total, std::ostream& out, std::ostream& err)
    : total_(total),
      out_(out),
      err_(err),
      terminal_(StandardErrorIsTerminal()),
      start_(std::chrono::steady_clock::now()) {}

double BatchProgress::Seconds() const {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
}

void BatchProgress::Finished(FileReport report) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (terminal_) err_ << "\r\033[K";
  err_ << report.messages;
  err_.flush();
  char line[64];
  if (report.status == "ok") {
    std::snprintf(line, sizeof line, " (%lld vertices moved, %.3f s)\n",
                  static_cast<long long>(report.verticesMoved), report.seconds);
    out_ << "ok       " << report.input << " -> " << report.output << line;
  } else {
    out_ << (report.status == "refused" ? "refused  " : "failed   ") << report.input << '\n';
  }
  out_.flush();
  vertices_ += report.verticesMoved;
  reports_.push_back(std::move(report));
  if (terminal_) DrawBar();
}

void BatchProgress::DrawBar() {
  const double seconds = Seconds();
  const std::size_t done = reports_.size();
  constexpr std::size_t kWidth = 24;
  const std::size_t filled = total_ == 0 ? kWidth : done * kWidth / total_;
  const double left = done == 0 ? 0.0 : seconds / double(done) * double(total_ - done);
  char text[160];
  std::snprintf(text, sizeof text, "[%s%s] %zu/%zu files, %.0f vertices/s, %.0f s left",
                std::string(filled, '#').c_str(), std::string(kWidth - filled, '.').c_str(), done,
                total_, seconds > 0.0 ? double(vertices_) / seconds : 0.0, left);
  err_ << text;
  err_.flush();
}

std::vector<FileReport> BatchProgress::Done() {
  std::lock_guard<std::mutex> lock(mutex_);
  if (terminal_) err_ << "\r\033[K";
  err_.flush();
  return std::move(reports_);
}

}  // namespace palisor_batch
