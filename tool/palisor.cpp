// The plug-in object and its run driver.
#include "tool/palisor.h"

#include <cstddef>

#include "tool/run_settings.h"

RunSettings runSettings;

// The layout of a morph-target candidate: the object handle pair, then its one-byte tick, padded
// to pointer alignment.
namespace {

constexpr std::size_t kPointer = sizeof(void*);

static_assert(sizeof(bool) == 1, "the tick is one byte");
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Winvalid-offsetof"
static_assert(offsetof(MorphCandidate, object) == 0 &&
                  offsetof(MorphCandidate, ticked) == sizeof(cmq::CMQObject),
              "a candidate is its handle pair followed by its tick");
#pragma GCC diagnostic pop
static_assert(sizeof(MorphCandidate) == sizeof(cmq::CMQObject) + kPointer,
              "the tick is padded to the next pointer boundary");

}  // namespace

MQBasePlugin* GetPluginInstance() {
  static Palisor instance;
  return &instance;
}

void Palisor::GetPlugInID(uint32_t* product, uint32_t* id) {
  if (product != nullptr) *product = kProduct;
  if (id != nullptr) *id = kId;
}

const char* Palisor::GetPlugInName() {
  return "Palisor v.1.2";
}

int32_t Palisor::GetPlugInType() {
  return MQPLUGIN_TYPE_OBJECT;
}

const MQWideChar* Palisor::EnumString(int32_t index) {
  return index == 0 ? u"Palisor" : nullptr;
}

bool Palisor::Execute(int32_t index, MQDocument targetDocument) {
  if (index != 0) return false;
  document = targetDocument;
  return Run();
}

bool Palisor::Run() {
  runSettings.confirmed = false;
  destinations.clear();
  chosenTargets.clear();
  runMorphs.clear();

  if (!GatherObjects()) return false;
  ListCandidates();
  RunDialog();
  if (!runSettings.confirmed) return true;

  for (const MorphCandidate& candidate : runSettings.candidates) {
    if (candidate.ticked) chosenTargets.push_back(candidate.object);
  }
  runSettings.candidates.clear();

  for (auto destination = destinations.rbegin(); destination != destinations.rend();
       ++destination) {
    CreateMorphObjects(*destination);
    BuildCorrespondence(*destination);
    ApplyMorphs(*destination);
  }
  return true;
}
