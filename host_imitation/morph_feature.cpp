#include "host_imitation/morph_feature.h"

#include <memory>

#include "host_imitation/key_lookup.h"

namespace host_imitation {

namespace {

MorphFeatureRequest Describe(const std::string& description, const MQKeyValuePair* parameters) {
  MorphFeatureRequest request;
  request.description = description;
  for (const MQKeyValuePair* pair = parameters; pair != nullptr && pair->name != nullptr; ++pair) {
    request.keys.push_back(pair->name);
  }
  if (description == "QueryAPIVersion") {
    if (auto* version = FindValue<const int32_t>(parameters, "version")) {
      request.version = *version;
    }
  }
  request.base = FindValue(parameters, "base");
  request.target = FindValue(parameters, "target");
  return request;
}

}  // namespace

void MorphFeature::Bind(MQObject base, MQObject target) {
  bindings_.emplace_back(base, target);
}

std::vector<MQObject> MorphFeature::Targets(MQObject base) const {
  std::vector<MQObject> targets;
  for (const auto& binding : bindings_) {
    if (binding.first == base) targets.push_back(binding.second);
  }
  return targets;
}

int32_t MorphFeature::CountFor(MQObject base) const {
  if (reportedCount) return *reportedCount;
  return static_cast<int32_t>(Targets(base).size());
}

std::optional<int32_t> MorphFeature::Answer(const UserMessage& message) {
  const auto* parameters = static_cast<const MQKeyValuePair*>(message.message);
  requests_.push_back(Describe(message.description, parameters));
  const MorphFeatureRequest& request = requests_.back();

  if (request.description == "QueryAPIVersion") return versionAnswer;

  if (request.description == "GetTargetObject") {
    const auto base = static_cast<MQObject>(request.base);
    const int32_t count = CountFor(base);
    if (request.target == nullptr) return count;
    // The sender made room for the count it was told.
    auto* slots = static_cast<MQObject*>(request.target);
    const std::vector<MQObject> targets = Targets(base);
    for (std::size_t k = 0; k < targets.size() && static_cast<int64_t>(k) < count; ++k) {
      slots[k] = targets[k];
    }
    return count;
  }

  if (request.description == "BindTargetObject") {
    const auto base = static_cast<MQObject>(request.base);
    const auto target = static_cast<MQObject>(request.target);
    // Binding a dead or unknown object is a call a real host would reject.
    if (Host().ResolveObject(base, "BindTargetObject base") == nullptr ||
        Host().ResolveObject(target, "BindTargetObject target") == nullptr) {
      return 0;
    }
    Bind(base, target);
    requestedBindings_.emplace_back(base, target);
    return 1;
  }
  return std::nullopt;
}

MorphFeature& InstallMorphFeature() {
  auto feature = std::make_shared<MorphFeature>();
  MorphFeature& installed = *feature;
  Host().RegisterPeer(MorphFeature::kProduct, MorphFeature::kId,
                      [feature](const UserMessage& message) { return feature->Answer(message); });
  return installed;
}

void RemoveMorphFeature() {
  Host().RemovePeer(MorphFeature::kProduct, MorphFeature::kId);
}

}  // namespace host_imitation
