#include "scene_run/loaded_input.h"

#include <string>
#include <vector>

#include "host/host_api.h"
#include "host_imitation/host_imitation.h"
#include "scene_run/input_error.h"
#include "scene_run/scene_setup.h"

namespace palisor_run {

namespace {

using palisor_scene::LoadedScene;
using palisor_scene::SceneFormat;

// The host hands the plug-in object names cut to a fixed length; the user should know that the
// plug-in sees longer names cut, and so acts on no name clash with them.
void WarnOfCutNames(const palisor_scene::Scene& scene, std::ostream& err) {
  constexpr std::size_t kLongestWholeName = MQOBJECT_NAME_LIMIT - 1;
  for (std::size_t i = 0; i < scene.objects.size(); ++i) {
    const std::string& name = scene.objects[i].name;
    if (name.size() <= kLongestWholeName) continue;
    err << "palisor-cli: warning: the name of object " << i + 1 << " (" << name.size()
        << " bytes) is cut by the host to its first " << kLongestWholeName
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

}  // namespace

void LoadInput(SceneRunOptions& options, const FileRunContext& context, LoadedInput& input,
               std::ostream& err) {
  input.scene = palisor_scene::LoadScene(options.scenePath);
  std::vector<palisor_scene::Scene*> scenes = {&input.scene.scene};
  if (!options.sourceScenePath.empty()) {
    input.sourceScene = context.sourceScene != nullptr
                            ? *context.sourceScene
                            : palisor_scene::LoadScene(options.sourceScenePath);
    scenes.insert(scenes.begin(), &input.sourceScene.scene);
    input.sceneIndex = 1;
  }
  for (const palisor_scene::Scene* scene : scenes) WarnOfCutNames(*scene, err);
  if (context.selection) context.selection(scenes, input.scene.scene, options.selectNames);
  input.outputFormat = palisor_scene::OutputFormat(options.outputPath, input.scene.format);
  if (!options.list && input.outputFormat != SceneFormat::kObj && !input.scene.gltf) {
    throw InputError("the output file " + options.outputPath +
                     " is glTF, which needs a glTF scene to write into");
  }
  // The morph targets of a glTF scene are bound to their bases: the morph listing shows them.
  if (!options.mode && (input.scene.gltf || input.sourceScene.gltf)) {
    options.mode = ListingMode::kMorph;
  }
  host_imitation::HostImitation& host = host_imitation::Host();
  host.Reset();
  input.document = std::make_unique<SceneDocument>(scenes, host.NewDocument());
  input.morphFeature = &host_imitation::InstallMorphFeature();
  PrepareDocument(options, input.document->bindings(), input.document->objects(),
                  *input.morphFeature);
  RefuseSelectedUnusable(input);
}

}  // namespace palisor_run
