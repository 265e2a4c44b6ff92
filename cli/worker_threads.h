// Running one piece of work on several threads at once.
#pragma once

#include <cstddef>
#include <functional>

namespace palisor_cli {

// The number of threads the machine runs at once (at least 1).
unsigned HardwareThreads();

// Runs `work` on `threadCount` threads, the calling one included, and returns once every one has
// returned. Where a thread cannot be started, fewer run (at least the calling one). The first
// exception a thread throws is rethrown here after all have finished.
void RunOnThreads(unsigned threadCount, const std::function<void()>& work);

// Calls work(begin, end) on contiguous parts that cover [0, count) once each, on up to
// HardwareThreads() threads, the calling one included; no part is smaller than `minimumPart`
// unless the whole range is. Returns once every part is done; exceptions as for RunOnThreads.
void RunInParts(std::size_t count, std::size_t minimumPart,
                const std::function<void(std::size_t begin, std::size_t end)>& work);

}  // namespace palisor_cli
