#include "tool/palisor.h"

// Placeholder until the morph feature protocol is built.
bool Palisor::QueryMorphFeature() {
  return false;
}
std::vector<MQObject> Palisor::GetMorphTargets(MQObject) {
  return {};
}
void Palisor::BindMorphTarget(MQObject, MQObject) {}
