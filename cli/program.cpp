#include "cli/program.h"

#include <chrono>
#include <cstddef>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <memory>
#include <new>
#include <set>
#include <system_error>
#include <utility>

#include "cli/arguments.h"
#include "cli/dialog_user.h"
#include "cli/document_changes.h"
#include "cli/gltf_writer.h"
#include "cli/help_text.h"
#include "cli/input_error.h"
#include "cli/name_text.h"
#include "cli/obj_reader.h"
#include "cli/obj_writer.h"
#include "cli/output_file.h"
#include "cli/plugin_loading.h"
#include "cli/progress.h"
#include "cli/run_outcome.h"
#include "cli/scene_document.h"
#include "cli/scene_loading.h"
#include "cli/scene_setup.h"
#include "cli/summary.h"
#include "host/cmq_object.h"
#include "host_imitation/host_imitation.h"
#include "host_imitation/log_format.h"
#include "host_imitation/morph_feature.h"
#include "host_imitation/plugin_module.h"
#include "parallel/parallel_chunks.h"

#ifdef PALISOR_CLI_PREVIEW
#include "cli/preview/run_preview.h"
#include "cli/preview/text.h"
#endif

namespace palisor_cli {

namespace {

using Clock = std::chrono::steady_clock;

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

// The document, the plug-in and the dialog's answers of one run.
class ProgramRun {
 public:
  ProgramRun(const Arguments& arguments, std::ostream& out, std::ostream& err)
      : arguments_(arguments), out_(out), err_(err) {}

  int Run(const std::string& pluginPath) {
    if (!arguments_.list && NamesSameFile(arguments_.scenePath, arguments_.outputPath)) {
      throw InputError("the output file " + arguments_.outputPath +
                       " is the input file; the input is never overwritten");
    }
    UseUtf8ForObjectNames();
    PreparePreview();

    progress_.Begin("reading " + arguments_.scenePath);
    Clock::time_point start = Clock::now();
    LoadedScene scene = LoadScene(arguments_.scenePath);
    std::vector<LoadedScene*> scenes = {&scene};
    LoadedScene sourceScene;
    if (!arguments_.sourceScenePath.empty()) {
      sourceScene = LoadScene(arguments_.sourceScenePath);
      scenes.insert(scenes.begin(), &sourceScene);
    }
    for (const LoadedScene* loaded : scenes) WarnOfCutNames(loaded->scene);
    const SceneFormat outputFormat = OutputFormat(arguments_.outputPath, scene.format);
    if (!arguments_.list && outputFormat != SceneFormat::kObj && !scene.gltf) {
      throw InputError("the output file " + arguments_.outputPath +
                       " is glTF, which needs a glTF scene to write into");
    }
    // The morph targets of a glTF scene are bound to their bases: the morph listing shows them.
    if (!arguments_.mode && (scene.gltf || sourceScene.gltf)) arguments_.mode = ListingMode::kMorph;
    const std::size_t sourceObjects = sourceScene.scene.objects.size();
    host_imitation::HostImitation& host = host_imitation::Host();
    host.Reset();
    host_imitation::HostDocument& document = host.NewDocument();
    const DocumentObjects objects = BuildDocumentFrom(scenes, document);
    host_imitation::MorphFeature& morphFeature = host_imitation::InstallMorphFeature();
    PrepareDocument(arguments_, objects.bindingsOnly, objects.objects, morphFeature);
    RefuseSelectedUnusable(objects.objects);
    times_.reading = SecondsSince(start);
    progress_.End();

    const DocumentState before = CaptureDocument(document, morphFeature);
    const int32_t menuEntry = LoadPlugin(plugin_, pluginPath);

    DialogRecord dialog;
    host.widgets().SetUser(
        AnswerDialog(arguments_, dialog, [this] { progress_.Begin("carrying morphs over"); }));
    start = Clock::now();
    const bool ran = plugin_.MQModifyObject(menuEntry, document.handle()) != 0;
    times_.run = SecondsSince(start);
    progress_.End();

    if (!dialog.inputError.empty()) throw InputError(dialog.inputError);
    if (!dialog.dialogError.empty()) {
      throw PluginError("the dialog could not be answered: " + dialog.dialogError);
    }
    if (!dialog.shown) return Refused(ran);
    // After its dialog the plug-in answers failure only when something stopped it part way (it
    // ran out of memory, say): the document may then be half changed, and is not written.
    if (!ran) {
      throw PluginError(
          "the plug-in could not finish the run (it may have run out of memory); nothing was "
          "written");
    }
    ReportMisuse();
    if (arguments_.list) {
      PrintCandidates(out_, dialog);
      return kFinished;
    }

    const DocumentChanges changes = CompareDocument(before, document, morphFeature);
    // The picture is made ready before the scene is written, so that a picture that cannot be
    // written leaves the scene output untouched; it takes its place once the scene has.
    if (previewFile_ && dialog.confirmed) DrawPreview(before, document);
    progress_.Begin("writing " + arguments_.outputPath);
    start = Clock::now();
    // Objects of the source scene only lend their shapes; they are not written.
    const std::set<const host_imitation::HostObject*> read(objects.objects.begin(),
                                                           objects.objects.end());
    std::vector<TargetsMade> targetsMade;
    std::size_t objectsWritten = 0;
    if (outputFormat == SceneFormat::kObj) {
      for (std::size_t i = 0; i < sourceObjects; ++i) {
        const int32_t slot = document.IndexOf(objects.objects[i]);
        if (slot >= 0) document.slots[static_cast<std::size_t>(slot)] = nullptr;
      }
      const ObjSceneView result =
          DocumentView(document, scene.scene.header, morphFeature.Bindings());
      WriteFileAtomically(arguments_.outputPath, [&result](std::FILE* file) {
        return WriteObj(result, file, MachineThreadCount());
      });
      objectsWritten = result.objects.size();
    } else {
      GltfOutput output;
      output.path = arguments_.outputPath;
      output.binary = outputFormat == SceneFormat::kGltfBinary;
      output.keepBackups = !arguments_.noBackup;
      const GltfBytes bytes = WriteGltfResult(*scene.gltf, document, read, output, targetsMade);
      WriteFileAtomically(output.path, [&bytes](std::FILE* file) { return bytes.Write(file); });
      objectsWritten = scene.gltf->meshNodes.size();
    }
    if (previewFile_ && dialog.confirmed) previewFile_->Commit();
    times_.writing = SecondsSince(start);
    progress_.End();

    RunSummary summary;
    summary.dialog = &dialog;
    summary.changes = &changes;
    summary.times = times_;
    summary.outputPath = arguments_.outputPath;
    summary.objectsWritten = objectsWritten;
    summary.targetsMade = &targetsMade;
    PrintSummary(out_, summary);
    if (previewFile_) {
      out_ << "Preview         ";
      if (dialog.confirmed) {
        out_ << arguments_.previewPath << " (" << previewPictures_ << " pictures, "
             << previewSeconds_ << " s)\n";
      } else {
        out_ << "none: the run was cancelled\n";
      }
    }
    return kFinished;
  }

 private:
  // Refuses a preview that cannot be drawn or written before any work is done: the font must be
  // there and the file's folder writable.
  void PreparePreview() {
    if (arguments_.previewPath.empty()) return;
#ifdef PALISOR_CLI_PREVIEW
    const std::string& path = arguments_.previewPath;
    if (SamePlace(arguments_.scenePath, path)) {
      throw InputError("the preview file " + path + " is the input file");
    }
    if (SamePlace(arguments_.outputPath, path)) {
      throw InputError("the preview file " + path + " is the output file");
    }
    text_ = std::make_unique<TextPainter>();
    previewFile_ = std::make_unique<StagedFile>(path);
#else
    throw InputError(
        "--preview: this build of palisor-cli cannot draw pictures (it was built without "
        "stb_truetype and stb_image_write)");
#endif
  }

  void DrawPreview(const DocumentState& before, const host_imitation::HostDocument& document) {
#ifdef PALISOR_CLI_PREVIEW
    progress_.Begin("drawing " + arguments_.previewPath);
    const Clock::time_point start = Clock::now();
    const RunOutcome outcome = FindRunOutcome(before, document);
    SheetSettings settings;
    settings.view = arguments_.previewView;
    settings.pictureWidth = arguments_.previewWidth;
    settings.pictureHeight = arguments_.previewHeight;
    previewFile_->Write(DrawRunPreview(outcome, settings, *text_));
    auto pictures = [](const OutcomeRow& row) {
      std::size_t count = row.first.object != nullptr ? 1 : 0;
      for (const OutcomeObject& other : row.others) count += other.object != nullptr ? 1 : 0;
      return count;
    };
    previewPictures_ = pictures(outcome.source);
    for (const OutcomeRow& row : outcome.destinations) previewPictures_ += pictures(row);
    char seconds[32];
    std::snprintf(seconds, sizeof seconds, "%.3f", SecondsSince(start));
    previewSeconds_ = seconds;
    progress_.End();
#else
    (void)before;
    (void)document;
#endif
  }

  // The host hands the plug-in object names cut to a fixed length; the user should know that the
  // plug-in sees longer names cut, and so acts on no name clash with them.
  void WarnOfCutNames(const Scene& scene) {
    for (std::size_t i = 0; i < scene.objects.size(); ++i) {
      const std::string& name = scene.objects[i].name;
      if (name.size() <= cmq::kLongestWholeName) continue;
      err_ << "palisor-cli: warning: the name of object " << i + 1 << " (" << name.size()
           << " bytes) is cut by the host to its first " << cmq::kLongestWholeName
           << " bytes; the plug-in sees it cut and acts on no name clash with it\n";
    }
  }

  // The plug-in ended without its dialog: it showed its warning, which goes to standard error.
  int Refused(bool ran) {
    const auto& boxes = host_imitation::Host().widgets().messageBoxes();
    if (!boxes.empty()) {
      for (const auto& box : boxes) err_ << host_imitation::ToUtf8(box.message) << '\n';
    } else {
      err_ << "palisor-cli: the plug-in " << (ran ? "ended" : "refused the run")
           << " without showing its dialog\n";
    }
    return kRefused;
  }

  // A selected object whose geometry the run cannot use (points, lines, compressed data).
  static void RefuseSelectedUnusable(const std::vector<host_imitation::HostObject*>& objects) {
    for (const host_imitation::HostObject* object : objects) {
      if (object->IntValue(MQOBJECT_ATTRIBUTE_SELECTED) == 0) continue;
      const auto* origin = dynamic_cast<const GltfObjectOrigin*>(object->passthrough.get());
      if (origin != nullptr && !origin->refusal.empty()) {
        throw InputError(origin->file->path + ": " + origin->refusal + " (object '" + object->name +
                         "' is selected)");
      }
    }
  }

  // Requests a real host would have rejected say the plug-in misbehaved; the user should know.
  void ReportMisuse() {
    const auto& misuse = host_imitation::Host().misuse();
    for (const std::string& what : misuse) {
      err_ << "palisor-cli: warning: the plug-in made a request the host rejects: " << what << '\n';
    }
  }

  Arguments arguments_;
  std::ostream& out_;
  std::ostream& err_;
  ProgressLine progress_;
  RunTimes times_;
  host_imitation::PluginModule plugin_;
  std::unique_ptr<StagedFile> previewFile_;
#ifdef PALISOR_CLI_PREVIEW
  std::unique_ptr<TextPainter> text_;
#endif
  std::size_t previewPictures_ = 0;
  std::string previewSeconds_;
};

}  // namespace

int RunProgram(const std::vector<std::string>& arguments, const std::string& pluginPath,
               std::ostream& out, std::ostream& err) {
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
  try {
    ProgramRun run(parsed, out, err);
    return run.Run(pluginPath);
  } catch (const InputError& error) {
    err << "palisor-cli: " << error.what() << '\n';
  } catch (const PluginError& error) {
    err << "palisor-cli: " << error.what() << '\n';
  } catch (const std::bad_alloc&) {
    err << "palisor-cli: out of memory: the scene does not fit in the memory available; nothing "
           "was written\n";
  } catch (const std::exception& error) {
    err << "palisor-cli: " << error.what() << '\n';
  }
  return kError;
}

}  // namespace palisor_cli
