// Listing: the Source's morph-target candidates in the current listing mode, each with its
// preset tick.
#include <algorithm>

#include "host/host_function_table.h"
#include "tool/naming.h"
#include "tool/palisor.h"
#include "tool/run_settings.h"

namespace {

enum ListingMode : int32_t {
  kKeynoteNaming = 0,
  kSameVertexCount = 1,
  kMorphFeatureTargets = 2,
};

}  // namespace

bool Palisor::ListCandidates() {
  std::vector<MorphCandidate>& candidates = runSettings.candidates;
  candidates.clear();

  auto isRunObject = [&](MQObject object) {
    return object == source.object || std::any_of(destinations.begin(), destinations.end(),
                                                  [&](const cmq::CMQObject& destination) {
                                                    return destination.object == object;
                                                  });
  };
  auto offer = [&](const cmq::CMQObject& candidate, auto&& modeTest) {
    if (!candidate.IsValid() || isRunObject(candidate.object) || !modeTest(candidate)) return;
    const bool ticked =
        mq::hostFunctions.MQObj_GetIntValue(candidate.object, MQOBJECT_ATTRIBUTE_259) == 0;
    candidates.push_back(MorphCandidate{candidate, ticked});
  };
  // Modes 0 and 1 visit the document's slots in order, asking the slot count afresh each time.
  auto visitDocument = [&](auto&& modeTest) {
    for (int32_t index = 0; index < mq::hostFunctions.MQDoc_GetObjectCount(document); ++index) {
      offer(cmq::CMQObject(mq::hostFunctions.MQDoc_GetObject(document, index), document), modeTest);
    }
  };

  switch (listingMode) {
    case kKeynoteNaming: {
      const std::string key = KeynoteKey(source.GetName());
      visitDocument([&](const cmq::CMQObject& candidate) {
        return MatchesKeynote(key, candidate.GetName());
      });
      break;
    }
    case kSameVertexCount: {
      const int32_t vertexCount = mq::hostFunctions.MQObj_GetVertexCount(source.object);
      visitDocument([&](const cmq::CMQObject& candidate) {
        return mq::hostFunctions.MQObj_GetVertexCount(candidate.object) == vertexCount;
      });
      break;
    }
    case kMorphFeatureTargets: {
      if (!QueryMorphFeature()) break;
      for (MQObject target : GetMorphTargets(source.object)) {
        offer(cmq::CMQObject(target, document), [](const cmq::CMQObject&) { return true; });
      }
      break;
    }
    default:
      break;
  }
  return !candidates.empty();
}
