#include "cli/program.h"

#include <chrono>
#include <cstddef>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <memory>
#include <new>
#include <system_error>
#include <utility>

#include "cli/arguments.h"
#include "cli/batch_arguments.h"
#include "cli/batch_program.h"
#include "cli/batch_selection.h"
#include "cli/dialog_user.h"
#include "cli/help_text.h"
#include "cli/input_error.h"
#include "cli/name_text.h"
#include "cli/output_file.h"
#include "cli/plugin_loading.h"
#include "cli/progress.h"
#include "cli/run_result_finding.h"
#include "cli/scene_document.h"
#include "cli/scene_setup.h"
#include "cli/summary.h"
#include "host/cmq_object.h"
#include "host_imitation/host_imitation.h"
#include "host_imitation/log_format.h"
#include "host_imitation/morph_feature.h"
#include "host_imitation/plugin_module.h"
#include "parallel/parallel_chunks.h"
#include "scene/gltf/gltf_target_plan.h"
#include "scene/gltf/gltf_writer.h"
#include "scene/obj/obj_writer.h"
#include "scene/scene_error.h"
#include "scene/scene_file.h"

#ifdef PALISOR_CLI_PREVIEW
#include "preview/preview_error.h"
#include "preview/run_preview.h"
#include "preview/text.h"
#endif

namespace palisor_cli {

namespace {

using Clock = std::chrono::steady_clock;
using palisor_scene::LoadedScene;
using palisor_scene::RunResult;
using palisor_scene::SceneFormat;

double SecondsSince(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

#ifdef PALISOR_CLI_PREVIEW
// Whether two paths name one file, existing or not (a file that does not exist yet is compared
// by its absolute path with its links and relative parts resolved).
bool SamePlace(const std::string& first, const std::string& second) {
  if (NamesSameFile(first, second)) return true;
  std::error_code error;
  const auto a = std::filesystem::weakly_canonical(std::filesystem::absolute(first, error), error);
  if (error) return first == second;
  const auto b = std::filesystem::weakly_canonical(std::filesystem::absolute(second, error), error);
  return error ? first == second : a == b;
}
#endif

// The scenes read and the document made of them.
struct LoadedInput {
  // The scene the result is written from, and the --source-scene (empty when none), which comes
  // first in the document.
  LoadedScene scene;
  LoadedScene sourceScene;
  SceneFormat outputFormat = SceneFormat::kObj;
  // The number of `scene` among the scenes read.
  int32_t sceneIndex = 0;
  std::unique_ptr<SceneDocument> document;
  host_imitation::MorphFeature* morphFeature = nullptr;

  // The scene read as number `number` (the source scene, when there is one, is number 0).
  const LoadedScene& Numbered(int32_t number) const {
    return number == sceneIndex ? scene : sourceScene;
  }
};

// What the plug-in's run left.
struct PluginRun {
  DialogRecord dialog;
  bool ran = false;
  DocumentState before;
  // Whether palisor-cli places the morph objects' vertices, with the user's vertex selection.
  bool placing = false;
  HeldSelection selection;
};

// The preview picture being made, where one was asked for.
struct PreviewOutput {
  std::unique_ptr<StagedFile> file;
#ifdef PALISOR_CLI_PREVIEW
  std::unique_ptr<palisor_preview::TextPainter> text;
#endif
  std::size_t pictures = 0;
  std::string seconds;
};

// The host hands the plug-in object names cut to a fixed length; the user should know that the
// plug-in sees longer names cut, and so acts on no name clash with them.
void WarnOfCutNames(const palisor_scene::Scene& scene, std::ostream& err) {
  for (std::size_t i = 0; i < scene.objects.size(); ++i) {
    const std::string& name = scene.objects[i].name;
    if (name.size() <= cmq::kLongestWholeName) continue;
    err << "palisor-cli: warning: the name of object " << i + 1 << " (" << name.size()
        << " bytes) is cut by the host to its first " << cmq::kLongestWholeName
        << " bytes; the plug-in sees it cut and acts on no name clash with it\n";
  }
}

// A selected object whose geometry the run cannot use (points, lines, compressed data).
void RefuseSelectedUnusable(const LoadedInput& input) {
  for (const host_imitation::HostObject* object : input.document->objects()) {
    if (object->IntValue(MQOBJECT_ATTRIBUTE_SELECTED) == 0) continue;
    const palisor_scene::SceneObjectRef origin = input.document->Origin(*object);
    if (!origin.valid()) continue;
    const LoadedScene& loaded = input.Numbered(origin.scene);
    if (origin.object >= loaded.origins.size()) continue;
    const palisor_scene::GltfObjectOrigin& gltf = *loaded.origins[origin.object];
    if (!gltf.refusal.empty()) {
      throw InputError(gltf.file->path + ": " + gltf.refusal + " (object '" + object->name +
                       "' is selected)");
    }
  }
}

// Reads the scenes, builds the document of them and prepares it as the user asked. The document
// refers to the scenes in `input`, which therefore stays where it is.
void LoadInput(Arguments& arguments, const FileRunContext& context, LoadedInput& input,
               std::ostream& err) {
  input.scene = palisor_scene::LoadScene(arguments.scenePath);
  std::vector<palisor_scene::Scene*> scenes = {&input.scene.scene};
  if (!arguments.sourceScenePath.empty()) {
    input.sourceScene = context.sourceScene != nullptr
                            ? *context.sourceScene
                            : palisor_scene::LoadScene(arguments.sourceScenePath);
    scenes.insert(scenes.begin(), &input.sourceScene.scene);
    input.sceneIndex = 1;
  }
  for (const palisor_scene::Scene* scene : scenes) WarnOfCutNames(*scene, err);
  ExpandSelections(scenes, input.scene.scene, arguments);
  input.outputFormat = palisor_scene::OutputFormat(arguments.outputPath, input.scene.format);
  if (!arguments.list && input.outputFormat != SceneFormat::kObj && !input.scene.gltf) {
    throw InputError("the output file " + arguments.outputPath +
                     " is glTF, which needs a glTF scene to write into");
  }
  // The morph targets of a glTF scene are bound to their bases: the morph listing shows them.
  if (!arguments.mode && (input.scene.gltf || input.sourceScene.gltf)) {
    arguments.mode = ListingMode::kMorph;
  }
  host_imitation::HostImitation& host = host_imitation::Host();
  host.Reset();
  input.document = std::make_unique<SceneDocument>(scenes, host.NewDocument());
  input.morphFeature = &host_imitation::InstallMorphFeature();
  PrepareDocument(arguments, input.document->bindings(), input.document->objects(),
                  *input.morphFeature);
  RefuseSelectedUnusable(input);
}

// The plug-in ended without its dialog: it showed its warning, which goes to standard error with
// a line in English after it.
int Refused(bool ran, std::ostream& err) {
  const auto& boxes = host_imitation::Host().widgets().messageBoxes();
  if (!boxes.empty()) {
    for (const auto& box : boxes) err << host_imitation::ToUtf8(box.message) << '\n';
    err << "palisor-cli: the plug-in needs a Source and at least one Destination: select at "
           "least two objects (--select)\n";
  } else {
    err << "palisor-cli: the plug-in " << (ran ? "ended" : "refused the run")
        << " without showing its dialog\n";
  }
  return kRefused;
}

// Requests a real host would have rejected say the plug-in misbehaved; the user should know.
void ReportMisuse(std::ostream& err) {
  for (const std::string& what : host_imitation::Host().misuse()) {
    err << "palisor-cli: warning: the plug-in made a request the host rejects: " << what << '\n';
  }
}

// Loads the plug-in and runs it on the document with its dialog answered. Where palisor-cli
// places the vertices itself, the plug-in moves only selected vertices and none is selected.
PluginRun RunPlugin(const Arguments& arguments, host_imitation::PluginModule& module,
                    const PluginLocation& plugin, const LoadedInput& input, bool placing,
                    ProgressLine& progress, double& seconds) {
  PluginRun run;
  host_imitation::HostDocument& document = input.document->document();
  run.before = CaptureDocument(document, *input.morphFeature);
  run.placing = placing;
  Arguments answers = arguments;
  if (placing) {
    answers.selectedVerticesOnly = true;
    run.selection.Hold(document);
  }
  const int32_t menuEntry = LoadPlugin(module, plugin);
  host_imitation::Host().widgets().SetUser(
      AnswerDialog(answers, run.dialog, [&progress] { progress.Begin("carrying morphs over"); }));
  const Clock::time_point start = Clock::now();
  run.ran = module.MQModifyObject(menuEntry, document.handle()) != 0;
  seconds = SecondsSince(start);
  if (placing) run.selection.Restore(document);
  progress.End();
  if (!run.dialog.inputError.empty()) throw InputError(run.dialog.inputError);
  if (!run.dialog.dialogError.empty()) {
    throw PluginError("the dialog could not be answered: " + run.dialog.dialogError);
  }
  return run;
}

// Refuses a preview that cannot be drawn or written before any work is done: the font must be
// there and the file's folder writable.
PreviewOutput PreparePreview(const Arguments& arguments) {
  PreviewOutput preview;
  if (arguments.previewPath.empty()) return preview;
#ifdef PALISOR_CLI_PREVIEW
  const std::string& path = arguments.previewPath;
  if (SamePlace(arguments.scenePath, path)) {
    throw InputError("the preview file " + path + " is the input file");
  }
  if (SamePlace(arguments.outputPath, path)) {
    throw InputError("the preview file " + path + " is the output file");
  }
  preview.text = std::make_unique<palisor_preview::TextPainter>();
  preview.file = std::make_unique<StagedFile>(path);
  return preview;
#else
  throw InputError(
      "--preview: this build of palisor-cli cannot draw pictures (it was built without "
      "stb_truetype and stb_image_write)");
#endif
}

// Draws the preview into its staged file, which takes its place once the scene has been written.
void DrawPreview(const Arguments& arguments, const RunResult& result, PreviewOutput& preview,
                 ProgressLine& progress) {
#ifdef PALISOR_CLI_PREVIEW
  progress.Begin("drawing " + arguments.previewPath);
  const Clock::time_point start = Clock::now();
  palisor_preview::SheetSettings settings;
  settings.view = arguments.previewView;
  settings.pictureWidth = arguments.previewWidth;
  settings.pictureHeight = arguments.previewHeight;
  preview.file->Write(palisor_preview::DrawRunPreview(result, settings, *preview.text));
  preview.pictures = palisor_preview::CountPictures(result);
  char seconds[32];
  std::snprintf(seconds, sizeof seconds, "%.3f", SecondsSince(start));
  preview.seconds = seconds;
  progress.End();
#else
  (void)arguments;
  (void)result;
  (void)preview;
  (void)progress;
#endif
}

// Writes the result in its format; returns the number of objects written.
std::size_t WriteResult(const Arguments& arguments, const LoadedInput& input,
                        const RunResult& result) {
  if (input.outputFormat == SceneFormat::kObj) {
    // Objects of the source scene only lend their shapes; they are not written.
    std::vector<int32_t> leftOut;
    if (input.sceneIndex > 0) leftOut.push_back(0);
    const palisor_scene::ObjSceneView view =
        input.document->View(input.scene.scene.header, input.morphFeature->Bindings(), leftOut);
    WriteFileAtomically(arguments.outputPath, [&view](std::FILE* file) {
      return palisor_scene::WriteObj(view, file, MachineThreadCount());
    });
    return view.objects.size();
  }
  palisor_scene::GltfOutput output;
  output.path = arguments.outputPath;
  output.binary = input.outputFormat == SceneFormat::kGltfBinary;
  const palisor_scene::GltfScene scene{{}, input.scene.origins, input.scene.gltf};
  const palisor_scene::GltfBytes bytes =
      palisor_scene::WriteGltfResult(scene, input.sceneIndex, result, output);
  WriteFileAtomically(output.path, [&bytes](std::FILE* file) { return bytes.Write(file); });
  return input.scene.gltf->meshNodes.size();
}

void PrintPreviewLine(const Arguments& arguments, const DialogRecord& dialog,
                      const PreviewOutput& preview, std::ostream& out) {
  if (!preview.file) return;
  out << "Preview         ";
  if (dialog.confirmed) {
    out << arguments.previewPath << " (" << preview.pictures << " pictures, " << preview.seconds
        << " s)\n";
  } else {
    out << "none: the run was cancelled\n";
  }
}

// Where palisor-cli places the vertices, the morph objects' vertices set by the method; what a
// surface method did to each Destination vertex.
std::vector<std::vector<uint8_t>> PlaceVertices(const Arguments& arguments,
                                                const LoadedInput& input, const PluginRun& run,
                                                const FileRunContext& context,
                                                ProgressLine& progress, double& seconds) {
  if (!run.placing || !run.dialog.confirmed) return {};
  progress.Begin("placing the morph objects' vertices");
  const Clock::time_point start = Clock::now();
  PreparedSourceCache ownCache;
  PreparedSourceCache& cache = context.sourceCache != nullptr ? *context.sourceCache : ownCache;
  std::vector<std::vector<uint8_t>> marks = PlaceMorphVertices(
      arguments, FindRunObjects(run.before, input.document->document()), run.selection, cache);
  seconds += SecondsSince(start);
  progress.End();
  return marks;
}

// What the run did, with the morph targets a glTF result gets planned.
RunResult FindResult(const Arguments& arguments, const LoadedInput& input, const PluginRun& run,
                     const std::vector<std::vector<uint8_t>>& marks) {
  RunResult result = FindRunResult(run.before, input.document->document(), *input.morphFeature,
                                   input.document.get(), &marks);
  if (input.outputFormat != SceneFormat::kObj) {
    const palisor_scene::GltfScene scene{{}, input.scene.origins, input.scene.gltf};
    palisor_scene::PlanMorphTargets(scene, input.sceneIndex, !arguments.noBackup, result);
  }
  return result;
}

// The whole run on the scene files: load, run the plug-in, write, report.
int RunScenes(Arguments arguments, const PluginLocation& plugin, const FileRunContext& context,
              std::ostream& out, std::ostream& err) {
  if (!arguments.list && NamesSameFile(arguments.scenePath, arguments.outputPath)) {
    throw InputError("the output file " + arguments.outputPath +
                     " is the input file; the input is never overwritten");
  }
  UseUtf8ForObjectNames();
  PreviewOutput preview = PreparePreview(arguments);
  ProgressLine progress(context.showProgress);
  RunTimes times;

  progress.Begin("reading " + arguments.scenePath);
  Clock::time_point start = Clock::now();
  LoadedInput input;
  LoadInput(arguments, context, input, err);
  times.reading = SecondsSince(start);
  progress.End();

  host_imitation::PluginModule module;
  const bool placing = arguments.method != TransferMethodChoice::kNearest || context.placeNearest;
  const PluginRun run = RunPlugin(arguments, module, plugin, input, placing, progress, times.run);
  if (!run.dialog.shown) return Refused(run.ran, err);
  // After its dialog the plug-in answers failure only when something stopped it part way (it
  // ran out of memory, say): the document may then be half changed, and is not written.
  if (!run.ran) {
    throw PluginError(
        "the plug-in could not finish the run (it may have run out of memory); nothing was "
        "written");
  }
  ReportMisuse(err);
  if (arguments.list) {
    PrintCandidates(out, run.dialog);
    return kFinished;
  }

  const std::vector<std::vector<uint8_t>> marks =
      PlaceVertices(arguments, input, run, context, progress, times.run);
  const RunResult result = FindResult(arguments, input, run, marks);
  if (context.onResult) context.onResult(result);
  // The picture is made ready before the scene is written, so that a picture that cannot be
  // written leaves the scene output untouched; it takes its place once the scene has.
  const bool drawn = preview.file && run.dialog.confirmed;
  if (drawn) DrawPreview(arguments, result, preview, progress);
  progress.Begin("writing " + arguments.outputPath);
  start = Clock::now();
  const std::size_t objectsWritten = WriteResult(arguments, input, result);
  if (drawn) preview.file->Commit();
  times.writing = SecondsSince(start);
  progress.End();

  const std::string method = arguments.method == TransferMethodChoice::kNearest
                                 ? std::string()
                                 : TransferMethodName(arguments.method);
  PrintSummary(
      out, RunSummary{&run.dialog, &result, times, arguments.outputPath, objectsWritten, method});
  PrintPreviewLine(arguments, run.dialog, preview, out);
  return kFinished;
}

}  // namespace

int RunProgram(const std::vector<std::string>& arguments, const PluginLocation& plugin,
               std::ostream& out, std::ostream& err) {
  if (IsBatchCommandLine(arguments)) return RunBatchProgram(arguments, plugin, out, err);
  Arguments parsed;
  try {
    parsed = ParseArguments(arguments);
  } catch (const InputError& error) {
    err << "palisor-cli: " << error.what() << '\n'
        << kUsage << "Try 'palisor-cli --help' for more information.\n";
    return kError;
  }
  if (parsed.help) {
    WriteHelp(out);
    return kFinished;
  }
  if (parsed.version) {
    WriteVersion(out);
    return kFinished;
  }
  return RunSceneFile(std::move(parsed), plugin, FileRunContext{}, out, err);
}

int RunSceneFile(Arguments arguments, const PluginLocation& plugin, const FileRunContext& context,
                 std::ostream& out, std::ostream& err) {
  try {
    return RunScenes(std::move(arguments), plugin, context, out, err);
  } catch (const std::bad_alloc&) {
    err << "palisor-cli: out of memory: the scene does not fit in the memory available; nothing "
           "was written\n";
  } catch (const std::exception& error) {
    // Faults of the input, the scene files, the preview or the plug-in: said as they are.
    err << "palisor-cli: " << error.what() << '\n';
  }
  return kError;
}

}  // namespace palisor_cli
