#include "batch/batch_files.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <nlohmann/json.hpp>
#include <system_error>

#include "batch/batch_selection.h"
#include "scene_run/input_error.h"
#include "scene_run/output_file.h"

namespace palisor_batch {

using palisor_run::InputError;
using palisor_run::IsStagedFileName;
using palisor_run::NamesSameFile;
using palisor_run::StagedFile;

namespace fs = std::filesystem;

namespace {

std::string LineError(const std::string& path, std::size_t line, const std::string& what) {
  return path + ":" + std::to_string(line) + ": " + what;
}

std::vector<std::string> SplitOn(const std::string& text, char separator) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  while (true) {
    const std::size_t end = text.find(separator, start);
    parts.push_back(text.substr(start, end - start));
    if (end == std::string::npos) return parts;
    start = end + 1;
  }
}

FileJob ParseCsvLine(const std::string& line, const std::string& path, std::size_t number) {
  const std::vector<std::string> fields = SplitOn(line, ',');
  if (fields.size() < 2 || fields.size() > 3 || fields[0].empty()) {
    throw InputError(LineError(path, number, "expected input,output,select"));
  }
  FileJob job{fields[0], fields[1], {}};
  if (fields.size() == 3 && !fields[2].empty()) job.selects = SplitOn(fields[2], ';');
  return job;
}

FileJob ParseJsonLine(const std::string& line, const std::string& path, std::size_t number) {
  try {
    const nlohmann::json entry = nlohmann::json::parse(line);
    FileJob job{entry.at("input").get<std::string>(), entry.value("output", std::string()), {}};
    if (entry.contains("select")) job.selects = entry["select"].get<std::vector<std::string>>();
    if (job.input.empty()) throw InputError("empty input");
    return job;
  } catch (const std::exception& error) {
    throw InputError(LineError(path, number, std::string("not a manifest line: ") + error.what()));
  }
}

// The output folder exists (made when missing) and takes a new file.
void CheckOutputFolder(const std::string& folder) {
  std::error_code error;
  fs::create_directories(folder, error);
  if (error || !fs::is_directory(folder)) {
    throw InputError("the output folder " + folder + " cannot be made: " + error.message());
  }
  try {
    StagedFile probe((fs::path(folder) / ".palisor-write-check").string());
  } catch (const InputError&) {
    throw InputError("the output folder " + folder + " cannot be written");
  }
}

// The report may name neither an input nor an output.
void CheckReportPath(const std::string& path, const std::vector<FileJob>& files) {
  const auto place = [](const std::string& file) {
    return std::filesystem::absolute(file).lexically_normal();
  };
  for (const FileJob& job : files) {
    if (NamesSameFile(job.input, path) || place(job.input) == place(path) ||
        place(job.output) == place(path)) {
      throw InputError("the report " + path + " is an input or output file");
    }
  }
}

}  // namespace

std::vector<std::string> ExpandFilePattern(const std::string& pattern) {
  // A file whose name holds pattern characters is taken as it is.
  std::error_code exists;
  if (!HasPatternCharacters(pattern) || fs::is_regular_file(pattern, exists)) return {pattern};
  const fs::path path(pattern);
  const std::string folder = path.parent_path().string();
  if (HasPatternCharacters(folder)) {
    throw InputError("'" + pattern + "': patterns may stand in the file name only");
  }
  std::vector<std::string> files;
  std::error_code error;
  for (fs::directory_iterator it(folder.empty() ? "." : folder, error), end; !error && it != end;
       it.increment(error)) {
    // What a writer killed while writing left behind is never taken for a scene.
    const std::string name = it->path().filename().string();
    if (it->is_regular_file() && !IsStagedFileName(name) &&
        MatchesPattern(path.filename().string(), name)) {
      files.push_back((fs::path(folder) / it->path().filename()).string());
    }
  }
  if (files.empty()) throw InputError("no file matches '" + pattern + "'");
  std::sort(files.begin(), files.end());
  return files;
}

std::vector<FileJob> ReadManifest(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw InputError("the manifest " + path + " cannot be read");
  std::vector<FileJob> jobs;
  std::string line;
  bool csv = false;
  for (std::size_t number = 1; std::getline(in, line); ++number) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.find_first_not_of(" \t") == std::string::npos) continue;
    if (number == 1 && line[0] != '{') {
      if (line != "input,output,select" && line != "input,output") {
        throw InputError(LineError(path, number, "a CSV manifest starts with input,output,select"));
      }
      csv = true;
      continue;
    }
    jobs.push_back(csv ? ParseCsvLine(line, path, number) : ParseJsonLine(line, path, number));
  }
  return jobs;
}

bool InShard(std::size_t index, uint32_t shard, uint32_t shardCount) {
  return index % shardCount == shard - 1;
}

std::vector<FileJob> PlanFileJobs(const BatchOptions& options) {
  std::vector<FileJob> all;
  for (const std::string& pattern : options.patterns) {
    for (std::string& file : ExpandFilePattern(pattern)) all.push_back(FileJob{file, "", {}});
  }
  if (!options.manifestPath.empty()) {
    for (FileJob& job : ReadManifest(options.manifestPath)) all.push_back(std::move(job));
  }
  std::stable_sort(all.begin(), all.end(),
                   [](const FileJob& a, const FileJob& b) { return a.input < b.input; });
  std::vector<FileJob> jobs;
  std::map<std::string, std::string> outputs;  // output → input
  // A file named twice alike (by a pattern and by name, say) runs once.
  all.erase(std::unique(all.begin(), all.end(),
                        [](const FileJob& a, const FileJob& b) {
                          return a.input == b.input && a.output == b.output &&
                                 a.selects == b.selects;
                        }),
            all.end());
  for (std::size_t i = 0; i < all.size(); ++i) {
    if (!InShard(i, options.shard, options.shardCount)) continue;
    FileJob job = all[i];
    const fs::path name =
        job.output.empty() ? fs::path(job.input).filename() : fs::path(job.output);
    job.output = (fs::path(options.outDir) / name).lexically_normal().string();
    const std::string key = fs::absolute(job.output).lexically_normal().string();
    const auto clash = outputs.emplace(key, job.input);
    if (!clash.second) {
      throw InputError("the inputs " + clash.first->second + " and " + job.input +
                       " would both be written to " + job.output);
    }
    jobs.push_back(std::move(job));
  }
  for (const FileJob& job : jobs) {
    for (const FileJob& other : all) {
      if (NamesSameFile(job.output, other.input) ||
          NamesSameFile(job.output, options.sourceScenePath)) {
        throw InputError("the output file " + job.output +
                         " is an input file; inputs are never "
                         "overwritten");
      }
    }
  }
  if (!options.reportPath.empty()) CheckReportPath(options.reportPath, jobs);
  CheckOutputFolder(options.outDir);
  return jobs;
}

}  // namespace palisor_batch
