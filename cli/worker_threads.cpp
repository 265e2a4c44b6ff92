#include "cli/worker_threads.h"

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <exception>
#include <mutex>
#include <thread>
#include <vector>

namespace palisor_cli {

unsigned HardwareThreads() {
  return std::max(1u, std::thread::hardware_concurrency());
}

void RunOnThreads(unsigned threadCount, const std::function<void()>& work) {
  std::mutex mutex;
  std::exception_ptr failure;
  const auto run = [&] {
    try {
      work();
    } catch (...) {
      const std::lock_guard<std::mutex> lock(mutex);
      if (!failure) failure = std::current_exception();
    }
  };
  std::vector<std::thread> threads;
  for (unsigned k = 1; k < threadCount; ++k) {
    try {
      threads.emplace_back(run);
    } catch (...) {
      break;
    }
  }
  run();
  for (std::thread& thread : threads) thread.join();
  if (failure) std::rethrow_exception(failure);
}

void RunInParts(std::size_t count, std::size_t minimumPart,
                const std::function<void(std::size_t begin, std::size_t end)>& work) {
  const std::size_t parts =
      std::min<std::size_t>(HardwareThreads(), count / std::max<std::size_t>(minimumPart, 1));
  if (parts <= 1) {
    if (count > 0) work(0, count);
    return;
  }
  // In 64 bits, so that the products cannot overflow a 32-bit size_t.
  const auto bound = [&](std::size_t part) {
    return static_cast<std::size_t>(uint64_t{count} * part / parts);
  };
  std::atomic<std::size_t> next{0};
  RunOnThreads(static_cast<unsigned>(parts), [&] {
    for (std::size_t part = next++; part < parts; part = next++) work(bound(part), bound(part + 1));
  });
}

}  // namespace palisor_cli
