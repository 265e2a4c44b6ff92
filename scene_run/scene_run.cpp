#include "scene_run/scene_run.h"

#include <chrono>
#include <cstdint>
#include <exception>
#include <new>
#include <utility>

#include "host_imitation/plugin_module.h"
#include "scene/gltf/gltf_target_plan.h"
#include "scene_run/input_error.h"
#include "scene_run/loaded_input.h"
#include "scene_run/name_text.h"
#include "scene_run/output_file.h"
#include "scene_run/placement_writing.h"
#include "scene_run/plugin_run.h"
#include "scene_run/preview_output.h"
#include "scene_run/progress.h"
#include "scene_run/result_writing.h"
#include "scene_run/run_objects.h"
#include "scene_run/run_result_finding.h"
#include "scene_run/summary.h"
#include "scene_run/unmoved_destinations.h"
#include "scene_run/vertex_placement.h"
#include "scene_run/weight_carrying.h"

namespace palisor_run {

namespace {

using Clock = std::chrono::steady_clock;
using palisor_scene::RunResult;

void RefuseOverwritingTheInput(const SceneRunOptions& options) {
  if (!options.list && NamesSameFile(options.scenePath, options.outputPath)) {
    throw InputError("the output file " + options.outputPath +
                     " is the input file; the input is never overwritten");
  }
}

// The document refers to the scenes in `input`, which therefore stays where it is.
void ReadInput(SceneRunOptions& options, const FileRunContext& context, LoadedInput& input,
               ProgressLine& progress, std::ostream& err, double& seconds) {
  progress.Begin("reading " + options.scenePath);
  const Clock::time_point start = Clock::now();
  LoadInput(options, context, input, err);
  seconds = SecondsSince(start);
  progress.End();
}

// After its dialog the plug-in answers failure only when something stopped it part way (it ran
// out of memory, say): the document may then be half changed, and is not written.
void RefuseUnfinishedRun(const PluginRun& run) {
  if (run.ran) return;
  throw PluginError(
      "the plug-in could not finish the run (it may have run out of memory); nothing was "
      "written");
}

// Where palisor-cli places the vertices, each Destination's morph objects set by the method;
// returns what a surface method did to each Destination's vertices.
std::vector<std::vector<uint8_t>> PlaceVertices(const SceneRunOptions& options,
                                                const RunObjects& objects,
                                                const FileRunContext& context,
                                                ProgressLine& progress, double& seconds) {
  if (objects.source == nullptr) return {};
  progress.Begin("placing the morph objects' vertices");
  const Clock::time_point start = Clock::now();
  PreparedSourceCache ownCache;
  PreparedSourceCache& cache = context.sourceCache != nullptr ? *context.sourceCache : ownCache;
  const VertexPlacement placement(options, objects, cache);
  const PlacementWriter writer;
  std::vector<std::vector<uint8_t>> marks;
  for (const RunObjects::DestinationObjects& row : objects.destinations) {
    // A Source kept for the next run keeps its search; one made for this run alone frees it
    // once the last Destination is matched.
    const bool lastMatch = &cache == &ownCache && &row == &objects.destinations.back();
    DestinationPlacement placed = placement.Place(row, lastMatch);
    writer.Write(placed, row);
    marks.push_back(std::move(placed.marks));
  }
  seconds += SecondsSince(start);
  progress.End();
  return marks;
}

// What the run did, with the morph targets a glTF result gets planned.
RunResult FindResult(const SceneRunOptions& options, const LoadedInput& input, const PluginRun& run,
                     const RunObjects& objects, const std::vector<std::vector<uint8_t>>& marks) {
  RunResult result = FindRunResult(run.before, input.document->document(), *input.morphFeature,
                                   objects, input.document.get(), &marks);
  if (input.outputFormat != palisor_scene::SceneFormat::kObj) {
    const palisor_scene::GltfScene scene{{}, input.scene.origins, input.scene.gltf};
    palisor_scene::PlanMorphTargets(scene, input.sceneIndex, !options.noBackup, result);
  }
  return result;
}

// Where the Destinations take the Source's skin weights, they are computed into the result.
void CarryWeightsAsked(const SceneRunOptions& options, const LoadedInput& input,
                       const RunObjects& objects, ProgressLine& progress, RunResult& result,
                       double& seconds) {
  if (!options.weights) return;
  progress.Begin("carrying the skin weights over");
  const Clock::time_point start = Clock::now();
  CarryWeights(options, input, objects, result);
  seconds += SecondsSince(start);
  progress.End();
}

// Writes the result, with the picture put in place once the scene is; returns the number of
// objects written. The picture is made ready before the scene is written, so that a picture that
// cannot be written leaves the scene output untouched.
std::size_t WriteOutputs(const SceneRunOptions& options, const LoadedInput& input,
                         const RunResult& result, bool confirmed, PreviewOutput& preview,
                         ProgressLine& progress, double& seconds) {
  const bool drawn = preview.file && confirmed;
  if (drawn) DrawPreview(options, result, preview, progress);
  progress.Begin("writing " + options.outputPath);
  const Clock::time_point start = Clock::now();
  const std::size_t objectsWritten = WriteResult(options, input, result);
  if (drawn) preview.file->Commit();
  seconds = SecondsSince(start);
  progress.End();
  return objectsWritten;
}

int RunScene(SceneRunOptions options, const PluginLocation& plugin, const FileRunContext& context,
             std::ostream& out, std::ostream& err) {
  RefuseOverwritingTheInput(options);
  UseUtf8ForObjectNames();
  PreviewOutput preview = PreparePreview(options);
  ProgressLine progress(context.showProgress);
  RunTimes times;
  LoadedInput input;
  ReadInput(options, context, input, progress, err, times.reading);
  RefuseWeightsWithoutSkins(options, input);

  host_imitation::PluginModule module;
  const bool placing = options.method != TransferMethodChoice::kNearest || context.placeNearest;
  const PluginRun run = RunPlugin(options, module, plugin, input, placing, progress, times.run);
  if (!run.dialog.shown) return ReportRefusal(run.ran, err);
  RefuseUnfinishedRun(run);
  ReportMisuse(err);
  if (options.list) {
    PrintCandidates(out, run.dialog);
    return kFinished;
  }

  const RunObjects objects =
      FindRunObjects(run.before, input.document->document(), options.selectedVerticesOnly);
  if (run.dialog.confirmed) {
    WarnOfUnmovedDestinations(objects, options.selectedVerticesOnly, err);
  }
  const bool place = placing && run.dialog.confirmed;
  const auto marks = place ? PlaceVertices(options, objects, context, progress, times.run)
                           : std::vector<std::vector<uint8_t>>();
  RunResult result = FindResult(options, input, run, objects, marks);
  if (run.dialog.confirmed) CarryWeightsAsked(options, input, objects, progress, result, times.run);
  if (context.onResult) context.onResult(result);
  const std::size_t written =
      WriteOutputs(options, input, result, run.dialog.confirmed, preview, progress, times.writing);

  const std::string method = options.method == TransferMethodChoice::kNearest
                                 ? std::string()
                                 : TransferMethodName(options.method);
  const std::string weightMethod =
      options.weights ? WeightMethodName(options.weightRequest.method) : "";
  PrintSummary(out, RunSummary{&run.dialog, &result, times, options.outputPath, written, method,
                               weightMethod});
  PrintPreviewLine(options, run.dialog, preview, out);
  return kFinished;
}

}  // namespace

int RunSceneFile(SceneRunOptions options, const PluginLocation& plugin,
                 const FileRunContext& context, std::ostream& out, std::ostream& err) {
  try {
    return RunScene(std::move(options), plugin, context, out, err);
  } catch (const std::bad_alloc&) {
    err << "palisor-cli: out of memory: the scene does not fit in the memory available; nothing "
           "was written\n";
  } catch (const std::exception& error) {
    // Faults of the input, the scene files, the preview or the plug-in: said as they are.
    err << "palisor-cli: " << error.what() << '\n';
  }
  return kError;
}

}  // namespace palisor_run
