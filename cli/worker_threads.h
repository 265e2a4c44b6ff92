// Running one piece of work on several threads at once.
#pragma once

#include <functional>

namespace palisor_cli {

// The number of threads the machine runs at once (at least 1).
unsigned HardwareThreads();

// Runs `work` on `threadCount` threads, the calling one included, and returns once every one has
// returned. Where a thread cannot be started, fewer run (at least the calling one). The first
// exception a thread throws is rethrown here after all have finished.
void RunOnThreads(unsigned threadCount, const std::function<void()>& work);

}  // namespace palisor_cli
