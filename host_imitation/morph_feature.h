// The host's morph feature: a plug-in of the host that records which target objects belong to
// which base object, and answers other plug-ins' user messages about them.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "host/host_api.h"
#include "host_imitation/host_imitation.h"

namespace host_imitation {

// One request as the morph feature received it.
struct MorphFeatureRequest {
  std::string description;
  // The parameter array's keys, in order.
  std::vector<std::string> keys;
  // "version" read through its pointer, when present and not null.
  std::optional<int32_t> version;
  // The "base" and "target" values as they stood in the array: handles, or for a filling
  // "GetTargetObject" the address of the array to fill.
  void* base = nullptr;
  void* target = nullptr;
};

class MorphFeature {
 public:
  static constexpr uint32_t kProduct = 0x56A31D20;
  static constexpr uint32_t kId = 0xC452C6DB;

  // Records `target` as a target of `base`, after the targets bound before. Any handle is taken
  // as it is, null and foreign ones included, so that tests can preset what a faulty feature
  // hands out.
  void Bind(MQObject base, MQObject target);
  // The targets of `base`, in the order they were bound.
  std::vector<MQObject> Targets(MQObject base) const;
  // Every binding, preset or requested, in the order made: (base, target).
  const std::vector<std::pair<MQObject, MQObject>>& Bindings() const { return bindings_; }
  // The bindings that "BindTargetObject" requests made, in order: (base, target).
  const std::vector<std::pair<MQObject, MQObject>>& RequestedBindings() const {
    return requestedBindings_;
  }
  // Every request received, in order.
  const std::vector<MorphFeatureRequest>& Requests() const { return requests_; }

  // The answer to "QueryAPIVersion"; no value stores nothing.
  std::optional<int32_t> versionAnswer = 1;
  // When set, the count answered to "GetTargetObject" for every base, whatever is bound; filling
  // then writes no more than this many entries, and no more than are bound.
  std::optional<int32_t> reportedCount;

  // Answers one user message addressed to the feature.
  std::optional<int32_t> Answer(const UserMessage& message);

 private:
  int32_t CountFor(MQObject base) const;

  std::vector<std::pair<MQObject, MQObject>> bindings_;
  std::vector<std::pair<MQObject, MQObject>> requestedBindings_;
  std::vector<MorphFeatureRequest> requests_;
};

// Registers a fresh morph feature with the process's host, replacing any earlier one, and returns
// it. It lives until the host is reset or the feature removed.
MorphFeature& InstallMorphFeature();
// Unregisters it: every request then goes unanswered.
void RemoveMorphFeature();

}  // namespace host_imitation
