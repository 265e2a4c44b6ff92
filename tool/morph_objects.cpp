// For one Destination: one clone per chosen target, named after the target and the Destination,
// with older objects of that name moved out of the way, placed beside its target, and in the morph
// feature's listing mode bound to the Destination.
#include <algorithm>

#include "host/host_function_table.h"
#include "tool/naming.h"
#include "tool/palisor.h"
#include "tool/run_settings.h"

namespace {

// The integer attribute that a morph object takes over from its target, with the visibility.
constexpr int32_t kTargetAttribute = 257;
// The listing mode whose targets come from the host's morph feature.
constexpr int32_t kMorphFeatureListing = 2;

bool Holds(const std::vector<cmq::CMQObject>& objects, MQObject object) {
  return std::any_of(objects.begin(), objects.end(),
                     [object](const cmq::CMQObject& held) { return held.object == object; });
}

// Objects the run still reads or has made: deleting one would destroy the user's data or this
// run's results, and hand the host a dead handle later in the run.
bool RunStillUses(const Palisor& tool, MQObject object) {
  return tool.source.object == object || Holds(tool.destinations, object) ||
         Holds(tool.chosenTargets, object) || Holds(tool.runMorphs, object);
}

// A name from `base` that no object of the document bears, as the host forms it.
std::string UnusedObjectName(MQDocument document, const std::string& base) {
  constexpr std::size_t kBufferSize = 256;
  constexpr int32_t kNameLimit = 250;
  char buffer[kBufferSize] = {};
  mq::hostFunctions.MQDoc_GetUnusedObjectName(document, buffer, kNameLimit, base.c_str());
  std::size_t length = 0;
  while (length < kBufferSize && buffer[length] != '\0') ++length;
  return std::string(buffer, length);
}

// The first object named `name` that the run does not use, or null.
MQObject FirstUnusedOfName(const Palisor& tool, const std::string& name) {
  for (int32_t index = FindObjectByName(tool.document, name); index >= 0;
       index = FindObjectByName(tool.document, name, index + 1)) {
    const MQObject object = mq::hostFunctions.MQDoc_GetObject(tool.document, index);
    if (!RunStillUses(tool, object)) return object;
  }
  return nullptr;
}

// Moves an object named `name` out of the way of a new morph object of that name. With backups,
// the first object of the name is renamed to a fresh "#" name. Without, the first one that the run
// does not use is deleted: an object the run uses keeps its name and place, and the new object
// shares the name. So a run repeated without backups replaces what the last one made, also where
// two Destinations of one name give two morph objects of one name.
void ClearNameClash(const Palisor& tool, const std::string& name) {
  if (runSettings.createBackup) {
    const int32_t index = FindObjectByName(tool.document, name);
    if (index < 0) return;
    const MQObject clashing = mq::hostFunctions.MQDoc_GetObject(tool.document, index);
    const std::string backupName = UnusedObjectName(tool.document, "#" + name);
    mq::hostFunctions.MQObj_SetName(clashing, backupName.c_str());
    return;
  }
  const MQObject clashing = FirstUnusedOfName(tool, name);
  if (clashing == nullptr) return;
  const int32_t current = mq::hostFunctions.MQDoc_GetObjectIndex(tool.document, clashing);
  if (current >= 0) {
    mq::hostFunctions.MQDoc_DeleteObject(tool.document, current);
  } else {
    mq::hostFunctions.MQObj_Delete(clashing);
  }
}

}  // namespace

bool Palisor::CreateMorphObjects(cmq::CMQObject destination) {
  createdMorphs.clear();
  const std::string destinationName = destination.GetName();

  for (const cmq::CMQObject& target : chosenTargets) {
    const MQObject morph = mq::hostFunctions.MQObj_Clone(destination.object);
    if (morph == nullptr) {
      // Nothing to name or place; an empty entry keeps morph k paired with target k.
      createdMorphs.emplace_back();
      continue;
    }
    const std::string name = MorphObjectName(target.GetName(), destinationName);
    mq::hostFunctions.MQObj_SetName(morph, name.c_str());
    createdMorphs.emplace_back(morph, destination.document);

    // The clone is in no document yet, so the lookup cannot find it.
    ClearNameClash(*this, name);
    runMorphs.emplace_back(morph, destination.document);

    mq::hostFunctions.MQDoc_InsertObject(document, morph, target.object);
    mq::hostFunctions.MQObj_SetIntValue(
        morph, kTargetAttribute,
        mq::hostFunctions.MQObj_GetIntValue(target.object, kTargetAttribute));
    mq::hostFunctions.MQObj_SetVisible(morph, mq::hostFunctions.MQObj_GetVisible(target.object));

    if (listingMode == kMorphFeatureListing && QueryMorphFeature()) {
      BindMorphTarget(destination.object, morph);
    }
  }
  return true;
}
