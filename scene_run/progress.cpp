#include "scene_run/progress.h"

#include <cstdio>

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

namespace palisor_run {

double SecondsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

bool StandardErrorIsTerminal() {
#ifdef _WIN32
  return _isatty(_fileno(stderr)) != 0;
#else
  return isatty(fileno(stderr)) != 0;
#endif
}

namespace {

constexpr std::chrono::milliseconds kQuietTime{1000};
constexpr std::chrono::milliseconds kRefresh{250};

}  // namespace

ProgressLine::ProgressLine(bool allowed) : enabled_(allowed && StandardErrorIsTerminal()) {
  if (enabled_) thread_ = std::thread([this] { Show(); });
}

ProgressLine::~ProgressLine() {
  if (!enabled_) return;
  End();
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = true;
  }
  wake_.notify_all();
  thread_.join();
}

void ProgressLine::Begin(const std::string& step) {
  if (!enabled_) return;
  End();
  {
    std::lock_guard<std::mutex> lock(mutex_);
    step_ = step;
    started_ = std::chrono::steady_clock::now();
    active_ = true;
  }
  wake_.notify_all();
}

void ProgressLine::End() {
  if (!enabled_) return;
  std::lock_guard<std::mutex> lock(mutex_);
  if (shown_) {
    std::fputs("\r\033[K", stderr);
    std::fflush(stderr);
  }
  active_ = false;
  shown_ = false;
}

void ProgressLine::Show() {
  std::unique_lock<std::mutex> lock(mutex_);
  while (!stopping_) {
    if (!active_) {
      wake_.wait(lock);
      continue;
    }
    const auto elapsed = std::chrono::steady_clock::now() - started_;
    if (elapsed >= kQuietTime) {
      const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(elapsed).count();
      std::fprintf(stderr, "\rpalisor-cli: %s... %lld s", step_.c_str(),
                   static_cast<long long>(seconds));
      std::fflush(stderr);
      shown_ = true;
    }
    wake_.wait_for(lock, kRefresh);
  }
}

}  // namespace palisor_run
