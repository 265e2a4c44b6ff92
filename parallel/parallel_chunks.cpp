#include "parallel/parallel_chunks.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <exception>
#include <vector>

#include "parallel/float_control.h"

#ifdef _WIN32
// Worker threads stand on the system's own thread API: the threads runtime that the standard
// library's threads bring into a statically linked DLL keeps memory and handles after the DLL is
// unloaded, on every load.
#include <windows.h>
#else
#include <thread>
#endif

namespace {

// One chunk's work, run on whichever thread takes it; never throws.
struct ChunkTask {
  const std::function<void(std::size_t, std::size_t)>* work;
  std::size_t count;
  std::size_t chunks;
  std::size_t chunk;
  FloatControl control;
  std::exception_ptr* failure;

  // In 64 bits, so that the product cannot overflow a 32-bit size_t.
  std::size_t Bound(std::size_t at) const {
    return static_cast<std::size_t>(uint64_t{count} * at / chunks);
  }

  // On whichever thread: the calling thread's rounding and handling of tiny numbers with every
  // floating-point exception masked for the work, the thread's own state exactly after it.
  void Run() const {
    try {
      const AdoptedFloatControl adopted(control);
      work->operator()(Bound(chunk), Bound(chunk + 1));
    } catch (...) {
      *failure = std::current_exception();
    }
  }
};

#ifdef _WIN32

DWORD WINAPI RunChunkTask(LPVOID task) {
  static_cast<const ChunkTask*>(task)->Run();
  return 0;
}

// A started worker, or none.
class Worker {
 public:
  explicit Worker(ChunkTask& task)
      : handle_(CreateThread(nullptr, 0, RunChunkTask, &task, 0, nullptr)) {}
  ~Worker() {
    if (handle_ != nullptr) {
      WaitForSingleObject(handle_, INFINITE);
      CloseHandle(handle_);
    }
  }
  Worker(Worker&& other) noexcept : handle_(other.handle_) { other.handle_ = nullptr; }
  Worker(const Worker&) = delete;
  Worker& operator=(const Worker&) = delete;
  Worker& operator=(Worker&&) = delete;

  bool Started() const { return handle_ != nullptr; }

 private:
  HANDLE handle_;
};

#else

class Worker {
 public:
  explicit Worker(ChunkTask& task) {
    try {
      thread_ = std::thread([&task] { task.Run(); });
    } catch (...) {
      // Not started: the caller runs the chunk itself.
    }
  }
  ~Worker() {
    if (thread_.joinable()) thread_.join();
  }
  Worker(Worker&&) noexcept = default;
  Worker(const Worker&) = delete;
  Worker& operator=(const Worker&) = delete;
  Worker& operator=(Worker&&) = delete;

  bool Started() const { return thread_.joinable(); }

 private:
  std::thread thread_;
};

#endif

}  // namespace

namespace {

// PALISOR_THREADS, when it holds a whole number from 1 up: the most threads a process may use, so
// that processes run side by side share the machine's cores; 0 when it is not set.
unsigned ThreadLimit() {
  const char* text = std::getenv("PALISOR_THREADS");
  if (text == nullptr) return 0;
  char* end = nullptr;
  const unsigned long limit = std::strtoul(text, &end, 10);
  if (end == text || *end != '\0' || limit == 0 || limit > 4096) return 0;
  return static_cast<unsigned>(limit);
}

unsigned ProcessorCount() {
#ifdef _WIN32
  SYSTEM_INFO system;
  GetSystemInfo(&system);
  return std::max<unsigned>(1u, system.dwNumberOfProcessors);
#else
  return std::max(1u, std::thread::hardware_concurrency());
#endif
}

}  // namespace

unsigned MachineThreadCount() {
  const unsigned limit = ThreadLimit();
  const unsigned processors = ProcessorCount();
  return limit == 0 ? processors : std::min(limit, processors);
}

unsigned ThreadsFor(unsigned requested) {
  return requested == 0 ? MachineThreadCount() : requested;
}

void RunInChunks(std::size_t count, unsigned threadCount, std::size_t minimumChunk,
                 const std::function<void(std::size_t begin, std::size_t end)>& work) {
  const std::size_t fitting = count / std::max<std::size_t>(minimumChunk, 1);
  const std::size_t chunks =
      std::max<std::size_t>(1, std::min<std::size_t>(std::max(threadCount, 1u), fitting));
  if (chunks == 1) {
    if (count > 0) {
      const AdoptedFloatControl masked(CurrentFloatControl());
      work(0, count);
    }
    return;
  }

  std::vector<std::exception_ptr> failures(chunks);
  std::vector<ChunkTask> tasks;
  tasks.reserve(chunks);
  const FloatControl control = CurrentFloatControl();
  for (std::size_t chunk = 0; chunk < chunks; ++chunk) {
    tasks.push_back(ChunkTask{&work, count, chunks, chunk, control, &failures[chunk]});
  }
  {
    // Chunk 0 and every chunk whose thread could not be started run here; the workers are
    // joined when `workers` goes.
    std::vector<Worker> workers;
    workers.reserve(chunks - 1);
    std::size_t chunk = 1;
    for (; chunk < chunks; ++chunk) {
      Worker worker(tasks[chunk]);
      if (!worker.Started()) break;
      workers.push_back(std::move(worker));
    }
    tasks[0].Run();
    for (; chunk < chunks; ++chunk) tasks[chunk].Run();
  }

  for (const std::exception_ptr& failure : failures) {
    if (failure) std::rethrow_exception(failure);
  }
}

void RunInChunks(std::size_t count, std::size_t minimumChunk,
                 const std::function<void(std::size_t begin, std::size_t end)>& work) {
  RunInChunks(count, MachineThreadCount(), minimumChunk, work);
}

void RunOnThreads(unsigned threadCount, const std::function<void()>& work) {
  const unsigned threads = std::max(threadCount, 1u);
  RunInChunks(threads, threads, 1, [&](std::size_t, std::size_t) { work(); });
}
