#include "batch/batch_run.h"

#include <chrono>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>
#include <system_error>

#include "batch/batch_selection.h"
#include "scene_run/input_error.h"
#include "scene_run/scene_run.h"

namespace palisor_batch {

using nlohmann::json;
using palisor_run::FileRunContext;
using palisor_run::InputError;
using palisor_run::kError;
using palisor_run::kFinished;
using palisor_run::kRefused;
using palisor_run::PluginLocation;
using palisor_run::PreparedSourceCache;

namespace {

// The command line of one file's run.
std::vector<std::string> FileArguments(const BatchWork& work, const FileJob& file) {
  std::vector<std::string> arguments = work.common;
  for (const std::string& name : file.selects) {
    arguments.push_back("--select");
    arguments.push_back(name);
  }
  arguments.insert(arguments.end(), {file.input, "-o", file.output});
  return arguments;
}

FileReport RunOneFile(const BatchWork& work, const FileJob& file, const PluginLocation& plugin,
                      const FileOptionsParser& parse, const palisor_scene::LoadedScene* source,
                      PreparedSourceCache& sourceCache) {
  const auto start = std::chrono::steady_clock::now();
  FileReport report;
  report.input = file.input;
  report.output = file.output;
  std::ostringstream out;
  std::ostringstream err;
  int status = kError;
  try {
    palisor_run::SceneRunOptions options = parse(FileArguments(work, file));
    FileRunContext context;
    context.sourceScene = source;
    context.showProgress = false;
    context.sourceCache = &sourceCache;
    context.placeNearest = true;
    context.onResult = [&report](const palisor_scene::RunResult& result) {
      MeasureRun(result, report);
    };
    context.selection = [&work](const std::vector<palisor_scene::Scene*>& scenes,
                                const palisor_scene::Scene& fileScene,
                                std::vector<std::string>& selectNames) {
      ExpandSelections(scenes, fileScene, work.allMeshes, selectNames);
    };
    status = palisor_run::RunSceneFile(std::move(options), plugin, context, out, err);
  } catch (const InputError& error) {
    err << "palisor-cli: " << file.input << ": " << error.what() << '\n';
  }
  report.status = status == kFinished ? "ok" : status == kRefused ? "refused" : "failed";
  if (status != kFinished) report.destinations.clear();
  if (status != kFinished) report.verticesMoved = 0;
  report.messages = err.str();
  report.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  return report;
}

}  // namespace

std::unique_ptr<palisor_scene::LoadedScene> LoadSourceScene(const std::string& path) {
  if (path.empty()) return nullptr;
  return std::make_unique<palisor_scene::LoadedScene>(palisor_scene::LoadScene(path));
}

void RunFilesHere(const BatchWork& work, const PluginLocation& plugin,
                  const FileOptionsParser& parse, const palisor_scene::LoadedScene* source,
                  const std::function<void(FileReport)>& finished) {
  // The files share the Source: it is made ready for the first and kept for the others.
  PreparedSourceCache sourceCache;
  for (std::size_t i = 0; i < work.files.size(); ++i) {
    if (!work.claimFolder.empty()) {
      // Making a folder is one step that only one process can win.
      std::error_code error;
      const auto claim = std::filesystem::path(work.claimFolder) / std::to_string(i);
      if (!std::filesystem::create_directory(claim, error) || error) continue;
    }
    finished(RunOneFile(work, work.files[i], plugin, parse, source, sourceCache));
  }
}

std::string BatchWorkText(const BatchWork& work) {
  json files = json::array();
  for (const FileJob& file : work.files) {
    files.push_back({{"input", file.input}, {"output", file.output}, {"select", file.selects}});
  }
  return json{{"common", work.common},
              {"allMeshes", work.allMeshes},
              {"files", files},
              {"claimFolder", work.claimFolder}}
      .dump();
}

int RunBatchWorker(const std::string& jobPath, const PluginLocation& plugin,
                   const FileOptionsParser& parse, std::ostream& out, std::ostream& err) {
  BatchWork work;
  std::string sourcePath;
  try {
    std::ifstream in(jobPath, std::ios::binary);
    const json job = json::parse(in);
    job.at("common").get_to(work.common);
    job.at("allMeshes").get_to(work.allMeshes);
    job.at("claimFolder").get_to(work.claimFolder);
    for (const json& file : job.at("files")) {
      work.files.push_back(FileJob{file.at("input").get<std::string>(),
                                   file.at("output").get<std::string>(),
                                   file.at("select").get<std::vector<std::string>>()});
    }
    for (std::size_t i = 0; i + 1 < work.common.size(); ++i) {
      if (work.common[i] == "--source-scene") sourcePath = work.common[i + 1];
    }
  } catch (const std::exception& error) {
    err << "palisor-cli: the work file " << jobPath << " cannot be read: " << error.what() << '\n';
    return kError;
  }
  const auto source = LoadSourceScene(sourcePath);
  RunFilesHere(work, plugin, parse, source.get(), [&out](const FileReport& report) {
    out << FileReportJson(report).dump() << '\n';
    out.flush();
  });
  return kFinished;
}

}  // namespace palisor_batch
