#include "cli/worker_threads.h"

#include <algorithm>
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

}  // namespace palisor_cli
