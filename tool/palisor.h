// The plug-in object: one entry in the host's object menu that carries morphs over from the
// Source to the Destinations.
#pragma once

#include <cstdint>
#include <unordered_map>
#include <vector>

#include "host/cmq_object.h"
#include "host/plugin_base.h"
#include "search/nearest_search.h"

// Destination vertex index -> its nearest Source vertices, for one Destination at a time.
using CorrespondenceMap = std::unordered_map<int32_t, NearestList>;

class Palisor : public MQObjectPlugin {
 public:
  static constexpr uint32_t kProduct = 0x5A3C91E4;
  static constexpr uint32_t kId = 0x2B7D6F18;

  ~Palisor() override = default;

  void GetPlugInID(uint32_t* product, uint32_t* id) override;
  const char* GetPlugInName() override;
  int32_t GetPlugInType() override;
  const MQWideChar* EnumString(int32_t index) override;
  bool Execute(int32_t index, MQDocument document) override;

  // One whole transfer: gather, list, dialog, then every Destination from the last to the first.
  // False only when gathering refused the run.
  bool Run();

  // The steps of a run, in the order Run takes them.
  bool GatherObjects();
  bool ListCandidates();
  // Shows the dialog modally; on OK reads the ticks and options back and sets `confirmed`.
  void RunDialog();
  bool CreateMorphObjects(cmq::CMQObject destination);
  bool BuildCorrespondence(cmq::CMQObject destination);
  bool ApplyMorphs(cmq::CMQObject destination);

  // The host's morph feature.
  bool QueryMorphFeature();
  std::vector<MQObject> GetMorphTargets(MQObject base);
  void BindMorphTarget(MQObject base, MQObject target);

  int32_t listingMode = 0;
  MQDocument document = nullptr;
  cmq::CMQObject source;
  std::vector<cmq::CMQObject> destinations;
  std::vector<cmq::CMQObject> chosenTargets;
  std::vector<cmq::CMQObject> createdMorphs;
  // Every morph object made so far in the current run, for all of its Destinations.
  std::vector<cmq::CMQObject> runMorphs;
  ::CorrespondenceMap CorrespondenceMap;
};
