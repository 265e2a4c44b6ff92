// One run of the plug-in on one scene file: read the scene, make the document of it, run the
// plug-in with its dialog answered, place the vertices where palisor-cli places them, find what
// the run did, report it and write the result.
#pragma once

#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "scene/run_result.h"
#include "scene/scene.h"
#include "scene/scene_file.h"
#include "scene_run/plugin_location.h"
#include "scene_run/prepared_source_cache.h"
#include "scene_run/run_options.h"

namespace palisor_run {

// Exit statuses.
constexpr int kFinished = 0;  // the run ended with OK or Cancel (or only listed, helped, ...)
constexpr int kRefused = 1;   // the plug-in refused the run; its warning went to `err`
constexpr int kError = 2;     // a usage or input error; nothing was written

// Changes the objects a run selects once its scenes are read: `scenes` in document order, the
// one written among them, and the names to select.
using SelectionHook = std::function<void(const std::vector<palisor_scene::Scene*>& scenes,
                                         const palisor_scene::Scene& fileScene,
                                         std::vector<std::string>& selectNames)>;

// What a caller running many scenes shares between them, and learns of each.
struct FileRunContext {
  // The source scene, read once for every run; null to read it from its file.
  const palisor_scene::LoadedScene* sourceScene = nullptr;
  // Whether long steps show their progress on a terminal.
  bool showProgress = true;
  // Called with what the run did, before the result is written.
  std::function<void(const palisor_scene::RunResult&)> onResult;
  // Where the Source made ready for placing vertices is kept for the next run; null: for this
  // run only.
  PreparedSourceCache* sourceCache = nullptr;
  // Whether the morph objects' vertices are placed by the transfer library for the plug-in's own
  // rule too (scene_run/vertex_placement.h), so that the prepared Source serves every run.
  bool placeNearest = false;
  // Null to select by the names as given.
  SelectionHook selection;
};

// The run with its exit status; every failure is reported on `err`.
int RunSceneFile(SceneRunOptions options, const PluginLocation& plugin,
                 const FileRunContext& context, std::ostream& out, std::ostream& err);

}  // namespace palisor_run
