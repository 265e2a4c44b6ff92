#include "search/parallel_chunks.h"

#include <algorithm>
#include <exception>
#include <thread>
#include <vector>

unsigned MachineThreadCount() {
  return std::max(1u, std::thread::hardware_concurrency());
}

void RunInChunks(std::size_t count, unsigned threadCount, std::size_t minimumChunk,
                 const std::function<void(std::size_t begin, std::size_t end)>& work) {
  const std::size_t fitting = count / std::max<std::size_t>(minimumChunk, 1);
  const std::size_t chunks =
      std::max<std::size_t>(1, std::min<std::size_t>(std::max(threadCount, 1u), fitting));
  if (chunks == 1) {
    if (count > 0) work(0, count);
    return;
  }

  std::vector<std::exception_ptr> failures(chunks);
  const auto runChunk = [&](std::size_t chunk) {
    try {
      work(count * chunk / chunks, count * (chunk + 1) / chunks);
    } catch (...) {
      failures[chunk] = std::current_exception();
    }
  };

  std::vector<std::thread> workers;
  workers.reserve(chunks - 1);
  std::size_t chunk = 1;
  for (; chunk < chunks; ++chunk) {
    try {
      workers.emplace_back(runChunk, chunk);
    } catch (...) {
      break;
    }
  }
  runChunk(0);
  for (; chunk < chunks; ++chunk) runChunk(chunk);
  for (std::thread& worker : workers) worker.join();

  for (const std::exception_ptr& failure : failures) {
    if (failure) std::rethrow_exception(failure);
  }
}
