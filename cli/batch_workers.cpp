#include "cli/batch_workers.h"

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <set>

#include "cli/output_file.h"
#include "parallel/parallel_chunks.h"

#ifdef _WIN32
#define PALISOR_POPEN _popen
#define PALISOR_PCLOSE _pclose
#else
#define PALISOR_POPEN popen
#define PALISOR_PCLOSE pclose
#endif

namespace palisor_cli {

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

// Runs one worker over `share` and reads its reports; reports what it left undone as failed.
void RunWorker(const BatchWork& share, const std::string& programPath, unsigned worker,
               const std::function<void(FileReport)>& finished) {
  WorkFile file(worker);
  WriteFileAtomically(file.path, BatchWorkText(share));
  std::set<std::string> reported;
  std::FILE* pipe = PALISOR_POPEN(WorkerCommand(programPath, file.path).c_str(), "r");
  std::string line;
  for (int c = pipe ? std::fgetc(pipe) : EOF; c != EOF; c = std::fgetc(pipe)) {
    if (c != '\n') {
      line += static_cast<char>(c);
      continue;
    }
    try {
      FileReport report = FileReportFromJson(nlohmann::json::parse(line));
      reported.insert(report.input);
      finished(std::move(report));
    } catch (const std::exception&) {
      // Not a report line: nothing the parent can use.
    }
    line.clear();
  }
  const int status = pipe ? PALISOR_PCLOSE(pipe) : -1;
  for (const FileJob& job : share.files) {
    if (reported.count(job.input) != 0) continue;
    FileReport lost;
    lost.input = job.input;
    lost.output = job.output;
    lost.messages = "palisor-cli: " + job.input + ": the worker process ended (status " +
                    std::to_string(status) + ") before finishing this file\n";
    finished(std::move(lost));
  }
}

}  // namespace

void RunFilesInWorkers(const BatchWork& work, const std::string& programPath, unsigned workers,
                       unsigned threadsEach, const std::function<void(FileReport)>& finished) {
  std::vector<BatchWork> shares(workers, BatchWork{work.common, work.allMeshes, {}});
  for (std::size_t i = 0; i < work.files.size(); ++i) {
    shares[i % workers].files.push_back(work.files[i]);
  }
  LimitThreads(threadsEach);
  std::atomic<unsigned> next{0};
  RunOnThreads(workers, [&] {
    const unsigned worker = next++;
    RunWorker(shares[worker], programPath, worker, finished);
  });
}

}  // namespace palisor_cli
