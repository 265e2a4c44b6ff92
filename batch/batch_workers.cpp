#include "batch/batch_workers.h"

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <set>
#include <vector>

#include "parallel/parallel_chunks.h"
#include "scene_run/output_file.h"

#ifndef _WIN32
#include <sys/wait.h>
#endif

#ifdef _WIN32
#define PALISOR_POPEN _popen
#define PALISOR_PCLOSE _pclose
#else
#define PALISOR_POPEN popen
#define PALISOR_PCLOSE pclose
#endif

namespace palisor_batch {

using palisor_run::WriteFileAtomically;

namespace {

// `text` as one word of the command interpreter that popen starts.
std::string Quoted(const std::string& text) {
#ifdef _WIN32
  return "\"" + text + "\"";
#else
  std::string quoted = "'";
  for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
#endif
}

std::string WorkerCommand(const std::string& programPath, const std::string& jobPath) {
  const std::string command = Quoted(programPath) + " --batch-worker " + Quoted(jobPath);
#ifdef _WIN32
  // cmd.exe drops the outer pair of quotes of a command that starts with one.
  return "\"" + command + "\"";
#else
  return command;
#endif
}

void LimitThreads(unsigned threads) {
  const std::string value = std::to_string(threads);
#ifdef _WIN32
  _putenv_s("PALISOR_THREADS", value.c_str());
#else
  setenv("PALISOR_THREADS", value.c_str(), 1);
#endif
}

// A work file per worker, in the system's temporary folder, removed with this.
struct WorkFile {
  std::string path;
  explicit WorkFile(unsigned worker) {
    const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
    path = (std::filesystem::temp_directory_path() /
            ("palisor-batch-" + std::to_string(stamp) + "-" + std::to_string(worker) + ".json"))
               .string();
  }
  ~WorkFile() {
    std::error_code error;
    std::filesystem::remove(path, error);
  }
};

// A worker's status as pclose gives it, in words.
std::string HowWorkerEnded(int status) {
#ifdef _WIN32
  return "status " + std::to_string(status);
#else
  if (status == -1) return "it could not be started";
  if (WIFSIGNALED(status)) return "signal " + std::to_string(WTERMSIG(status));
  return "status " + std::to_string(WEXITSTATUS(status));
#endif
}

// A fresh folder in the system's temporary folder for the workers' claims, removed with this.
struct ClaimFolder {
  std::string path;
  ClaimFolder() {
    const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
    path = (std::filesystem::temp_directory_path() / ("palisor-claims-" + std::to_string(stamp)))
               .string();
    std::filesystem::create_directories(path);
  }
  ~ClaimFolder() {
    std::error_code error;
    std::filesystem::remove_all(path, error);
  }
};

// Runs one worker over the shared work and hands on each report it writes; returns the worker's
// exit status.
int RunWorker(const BatchWork& work, const std::string& programPath, unsigned worker,
              const std::function<void(FileReport)>& finished) {
  WorkFile file(worker);
  WriteFileAtomically(file.path, BatchWorkText(work));
  std::FILE* pipe = PALISOR_POPEN(WorkerCommand(programPath, file.path).c_str(), "r");
  if (pipe == nullptr) return -1;
  std::string line;
  for (int c = std::fgetc(pipe); c != EOF; c = std::fgetc(pipe)) {
    if (c != '\n') {
      line += static_cast<char>(c);
      continue;
    }
    try {
      finished(FileReportFromJson(nlohmann::json::parse(line)));
    } catch (const std::exception&) {
      // Not a report line: nothing the parent can use.
    }
    line.clear();
  }
  return PALISOR_PCLOSE(pipe);
}

}  // namespace

void RunFilesInWorkers(const BatchWork& work, const std::string& programPath, unsigned workers,
                       unsigned threadsEach, const std::function<void(FileReport)>& finished) {
  // Every worker is given every file and takes the next one not yet claimed, so that a worker
  // done with small files goes on with the rest while another works on a large one.
  const ClaimFolder claims;
  BatchWork shared = work;
  shared.claimFolder = claims.path;
  LimitThreads(threadsEach);
  std::mutex mutex;
  std::set<std::string> reported;
  int failedStatus = 0;
  std::atomic<unsigned> next{0};
  RunOnThreads(workers, [&] {
    const unsigned worker = next++;
    const int status = RunWorker(shared, programPath, worker, [&](FileReport report) {
      {
        std::lock_guard<std::mutex> lock(mutex);
        reported.insert(report.input);
      }
      finished(std::move(report));
    });
    std::lock_guard<std::mutex> lock(mutex);
    if (status != 0) failedStatus = status;
  });
  // A file claimed by a worker that ended before reporting it (it crashed, say) fails, and what
  // the worker staged of its output goes.
  for (const FileJob& job : work.files) {
    if (reported.count(job.input) != 0) continue;
    palisor_run::RemoveStagedFiles(job.output);
    FileReport lost;
    lost.input = job.input;
    lost.output = job.output;
    lost.messages = "palisor-cli: " + job.input + ": the worker process running it ended (" +
                    HowWorkerEnded(failedStatus) + ") before finishing it\n";
    finished(std::move(lost));
  }
}

}  // namespace palisor_batch
