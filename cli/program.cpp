#include "cli/program.h"

#include <chrono>
#include <exception>
#include <new>
#include <set>
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
#include "cli/scene_document.h"
#include "cli/scene_loading.h"
#include "cli/scene_setup.h"
#include "cli/summary.h"
#include "host/cmq_object.h"
#include "host_imitation/host_imitation.h"
#include "host_imitation/log_format.h"
#include "host_imitation/morph_feature.h"
#include "host_imitation/plugin_module.h"

namespace palisor_cli {

namespace {

using Clock = std::chrono::steady_clock;

double SecondsSince(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

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

    progress_.Begin("reading " + arguments_.scenePath);
    Clock::time_point start = Clock::now();
    const LoadedScene scene = LoadScene(arguments_.scenePath);
    std::vector<const LoadedScene*> scenes = {&scene};
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
    ReportMisuse();
    if (arguments_.list) {
      PrintCandidates(out_, dialog);
      return kFinished;
    }

    const DocumentChanges changes = CompareDocument(before, document, morphFeature);
    progress_.Begin("writing " + arguments_.outputPath);
    start = Clock::now();
    // Objects of the source scene only lend their shapes; they are not written.
    const std::size_t sourceObjects = sourceScene.scene.objects.size();
    const std::set<const host_imitation::HostObject*> read(objects.objects.begin(),
                                                           objects.objects.end());
    std::vector<TargetsMade> targetsMade;
    std::size_t objectsWritten = 0;
    if (outputFormat == SceneFormat::kObj) {
      for (std::size_t i = 0; i < sourceObjects; ++i) {
        const int32_t slot = document.IndexOf(objects.objects[i]);
        if (slot >= 0) document.slots[static_cast<std::size_t>(slot)] = nullptr;
      }
      const Scene result = SceneFromDocument(document, scene.scene.header, morphFeature.Bindings());
      WriteFileAtomically(arguments_.outputPath, WriteObjText(result));
      objectsWritten = result.objects.size();
    } else {
      GltfOutput output;
      output.path = arguments_.outputPath;
      output.binary = outputFormat == SceneFormat::kGltfBinary;
      output.keepBackups = !arguments_.noBackup;
      WriteFileAtomically(output.path,
                          WriteGltfResult(*scene.gltf, document, read, output, targetsMade));
      objectsWritten = scene.gltf->meshNodes.size();
    }
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
    return kFinished;
  }

 private:
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
    err << "palisor-cli: out of memory\n";
  } catch (const std::exception& error) {
    err << "palisor-cli: " << error.what() << '\n';
  }
  return kError;
}

}  // namespace palisor_cli
