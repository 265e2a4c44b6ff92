// Whole runs on any scene, as palisor-cli makes them: the scene read into the imitated host, some
// objects and vertices selected, the plug-in library run through its exports, its dialog answered
// with fuzzed choices, the result written. The plug-in must never crash, never make a request the
// host rejects, never write a position that is not finite when every position it read was, and
// never rename or delete an object of the scene unless a new object bears its full name.
#include <fuzzer/FuzzedDataProvider.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "fuzz/loaded_plugin.h"
#include "fuzz/scene_equality.h"
#include "host_imitation/host_imitation.h"
#include "host_imitation/morph_feature.h"
#include "scene/obj/obj_reader.h"
#include "scene/obj/obj_writer.h"
#include "scene/scene_error.h"
#include "scene_run/dialog_user.h"
#include "scene_run/run_options.h"
#include "scene_run/scene_document.h"
#include "scene_run/scene_setup.h"

namespace {

bool AllFinite(const host_imitation::HostDocument& document) {
  for (const host_imitation::HostObject* object : document.slots) {
    if (object == nullptr) continue;
    for (const MQPoint& p : object->vertices) {
      if (!std::isfinite(p.x) || !std::isfinite(p.y) || !std::isfinite(p.z)) return false;
    }
  }
  return true;
}

// Every object of the scene that the run renamed or deleted must have made way for a new object
// of its very name.
void CheckObjectsMadeWay(
    const host_imitation::HostDocument& document,
    const std::vector<std::pair<host_imitation::HostObject*, std::string>>& originals) {
  std::set<const host_imitation::HostObject*> original;
  for (const auto& entry : originals) original.insert(entry.first);
  std::set<std::string> newNames;
  for (const host_imitation::HostObject* object : document.slots) {
    if (object != nullptr && original.count(object) == 0) newNames.insert(object->name);
  }
  for (const auto& [object, name] : originals) {
    if ((object->destroyed || object->name != name) && newNames.count(name) == 0) {
      FuzzFailure("an object was renamed or deleted that no new object needed out of the way:",
                  name);
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  LoadedPlugin& plugin = Plugin();

  FuzzedDataProvider input(data, size);
  palisor_run::SceneRunOptions arguments;
  const int mode = input.ConsumeIntegralInRange<int>(0, 3);
  if (mode < 3) arguments.mode = static_cast<palisor_run::ListingMode>(mode);
  const int tickEverything = input.ConsumeIntegralInRange<int>(0, 2);
  if (tickEverything < 2) arguments.tickEverything = tickEverything == 0;
  arguments.selectedVerticesOnly = input.ConsumeBool();
  arguments.noBackup = input.ConsumeBool();
  arguments.cancel = input.ConsumeIntegralInRange<int>(0, 7) == 0;
  const uint32_t selectedObjects = input.ConsumeIntegral<uint32_t>();
  const int32_t vertexStride = input.ConsumeIntegralInRange<int32_t>(0, 4);

  palisor_scene::Scene scene;
  try {
    scene = palisor_scene::ReadObjText(input.ConsumeRemainingBytesAsString(), "fuzz.obj");
  } catch (const palisor_scene::SceneError&) {
    return 0;
  }

  host_imitation::HostImitation& host = host_imitation::Host();
  host.Reset();
  host_imitation::HostDocument& document = host.NewDocument();
  const palisor_run::SceneDocument built({&scene}, document);
  const auto& objects = built.objects();
  host_imitation::MorphFeature& morphFeature = host_imitation::InstallMorphFeature();
  palisor_run::PrepareDocument(arguments, built.bindings(), objects, morphFeature);
  for (std::size_t i = 0; i < objects.size(); ++i) {
    if ((selectedObjects >> (i % 32) & 1) == 0) continue;
    objects[i]->intValues[MQOBJECT_ATTRIBUTE_SELECTED] = 1;
    const int32_t count = static_cast<int32_t>(objects[i]->vertices.size());
    for (int32_t v = 0; vertexStride > 0 && v < count; v += vertexStride) {
      objects[i]->SelectVertex(v);
    }
  }
  const bool finiteInput = AllFinite(document);
  std::vector<std::pair<host_imitation::HostObject*, std::string>> originals;
  for (host_imitation::HostObject* object : objects) originals.emplace_back(object, object->name);

  palisor_run::DialogRecord dialog;
  host.widgets().SetUser(palisor_run::AnswerDialog(arguments, dialog, [] {}));
  plugin.module.MQModifyObject(plugin.menuEntry, document.handle());

  if (!host.misuse().empty()) FuzzFailure("the host rejected a request:", host.misuse().front());
  if (finiteInput && !AllFinite(document)) FuzzFailure("a position written is not finite", "");
  CheckObjectsMadeWay(document, originals);
  const palisor_scene::Scene result = built.ToScene(scene.header, morphFeature.Bindings());
  palisor_scene::WriteObjText(result);
  host.Reset();
  return 0;
}
