// The whole of palisor-cli: read the scene, prepare the document, run the plug-in with the
// dialog answered, report, write the result.
#pragma once

#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "cli/arguments.h"
#include "cli/plugin_loading.h"
#include "cli/vertex_placement.h"
#include "scene/run_result.h"
#include "scene/scene_file.h"

namespace palisor_cli {

// Exit statuses.
constexpr int kFinished = 0;    // the run ended with OK or Cancel (or --list, --help, --version)
constexpr int kRefused = 1;     // the plug-in refused the run; its warning went to `err`
constexpr int kError = 2;       // a usage or input error; nothing was written
constexpr int kSomeFailed = 3;  // a run over many files where some files failed

// What a run over many files shares between its files, and what it learns of each.
struct FileRunContext {
  // The --source-scene, read once for all the files; null to read it from its file.
  const palisor_scene::LoadedScene* sourceScene = nullptr;
  // Whether long steps show their progress on a terminal.
  bool showProgress = true;
  // Called with what the run did, before the result is written.
  std::function<void(const palisor_scene::RunResult&)> onResult;
  // Where the Source made ready for placing vertices is kept for the next file; null: for this
  // run only.
  PreparedSourceCache* sourceCache = nullptr;
  // Whether the morph objects' vertices are placed by the transfer library for the plug-in's own
  // rule too (cli/vertex_placement.h), so that the prepared Source serves every file.
  bool placeNearest = false;
};

// `arguments` without the program name; `plugin` is the library to load.
int RunProgram(const std::vector<std::string>& arguments, const PluginLocation& plugin,
               std::ostream& out, std::ostream& err);

// One scene file with its parsed arguments: the run RunProgram makes, with its exit status;
// every failure is reported on `err`.
int RunSceneFile(Arguments arguments, const PluginLocation& plugin, const FileRunContext& context,
                 std::ostream& out, std::ostream& err);

}  // namespace palisor_cli
