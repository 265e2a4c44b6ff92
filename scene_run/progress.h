// Shows on the terminal that a long step is still going: after a second, a line with the step's
// name and the seconds passed, rewritten in place until the step ends. Nothing is shown when
// standard error is not a terminal.
#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>

namespace palisor_run {

// The seconds passed since `start`.
double SecondsSince(std::chrono::steady_clock::time_point start);

// Whether standard error is a terminal, where progress may be shown in place.
bool StandardErrorIsTerminal();

class ProgressLine {
 public:
  // With `allowed` false it never shows anything.
  explicit ProgressLine(bool allowed = true);
  ProgressLine(const ProgressLine&) = delete;
  ProgressLine& operator=(const ProgressLine&) = delete;
  ~ProgressLine();

  // Starts timing a step, ending any step still shown.
  void Begin(const std::string& step);
  // Ends the step and clears its line.
  void End();

 private:
  void Show();

  bool enabled_ = false;
  std::mutex mutex_;
  std::condition_variable wake_;
  std::string step_;
  std::chrono::steady_clock::time_point started_;
  bool active_ = false;
  bool shown_ = false;
  bool stopping_ = false;
  std::thread thread_;
};

}  // namespace palisor_run
