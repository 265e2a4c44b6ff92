// The requests that the tool sends to the host's morph feature. Each is one user message whose
// "message" is a key/value array of the request's parameters.
#include "host/key_value.h"
#include "host/plugin_message.h"
#include "tool/palisor.h"

namespace {

// The host's morph feature, the only addressee of these requests.
constexpr uint32_t kMorphFeatureProduct = 0x56A31D20;
constexpr uint32_t kMorphFeatureId = 0xC452C6DB;
// The interface version that the tool asks for.
constexpr int32_t kRequestedVersion = 0x4700;
// The answer of a compatible morph feature to "QueryAPIVersion".
constexpr int32_t kCompatibleAnswer = 1;

int32_t SendToMorphFeature(MQDocument document, const char* request, MQKeyValuePair* parameters) {
  return mq::SendPluginMessage(document, kMorphFeatureProduct, kMorphFeatureId, request,
                               parameters);
}

}  // namespace

bool Palisor::QueryMorphFeature() {
  int32_t version = kRequestedVersion;
  MQKeyValuePair parameters[] = {mq::Pair("version", &version), mq::kEndOfPairs};
  return SendToMorphFeature(document, "QueryAPIVersion", parameters) == kCompatibleAnswer;
}

std::vector<MQObject> Palisor::GetMorphTargets(MQObject base) {
  // Handles travel in the value entries themselves.
  MQKeyValuePair countParameters[] = {mq::Pair("base", base), mq::Pair("target", nullptr),
                                      mq::kEndOfPairs};
  const int32_t count = SendToMorphFeature(document, "GetTargetObject", countParameters);
  if (count < 1) return {};

  std::vector<MQObject> targets(static_cast<std::size_t>(count), nullptr);
  MQKeyValuePair fillParameters[] = {mq::Pair("base", base), mq::Pair("target", targets.data()),
                                     mq::kEndOfPairs};
  SendToMorphFeature(document, "GetTargetObject", fillParameters);
  return targets;
}

void Palisor::BindMorphTarget(MQObject base, MQObject target) {
  MQKeyValuePair parameters[] = {mq::Pair("base", base), mq::Pair("target", target),
                                 mq::kEndOfPairs};
  SendToMorphFeature(document, "BindTargetObject", parameters);
}
