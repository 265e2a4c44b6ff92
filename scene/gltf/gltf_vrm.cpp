#include "scene/gltf/gltf_vrm.h"

namespace palisor_scene {

namespace {

const OrderedJson* Member(const OrderedJson& object, const char* key) {
  if (!object.is_object()) return nullptr;
  const auto found = object.find(key);
  return found != object.end() ? &*found : nullptr;
}

OrderedJson* Member(OrderedJson& object, const char* key) {
  if (!object.is_object()) return nullptr;
  const auto found = object.find(key);
  return found != object.end() ? &*found : nullptr;
}

bool Is(const OrderedJson& bind, const char* key, int value) {
  const OrderedJson* member = Member(bind, key);
  return member != nullptr && member->is_number_integer() && member->get<int64_t>() == value;
}

// In `binds` (an array of objects naming `ownerKey` and "index"), a copy of each bind of `from`
// made for `to`, unless one is there already.
void AddBinds(OrderedJson& binds, const char* ownerKey, int fromOwner, int fromIndex, int toOwner,
              int toIndex) {
  if (!binds.is_array()) return;
  std::vector<OrderedJson> added;
  bool present = false;
  for (const OrderedJson& bind : binds) {
    if (Is(bind, ownerKey, toOwner) && Is(bind, "index", toIndex)) present = true;
    if (!Is(bind, ownerKey, fromOwner) || !Is(bind, "index", fromIndex)) continue;
    OrderedJson copy = bind;
    copy[ownerKey] = toOwner;
    copy["index"] = toIndex;
    added.push_back(std::move(copy));
  }
  if (present || added.empty()) return;
  binds.push_back(std::move(added.front()));
}

}  // namespace

void BindLikeSource(OrderedJson& json, const MorphTargetRef& from, const MorphTargetRef& made) {
  OrderedJson* extensions = Member(json, "extensions");
  if (extensions == nullptr) return;
  // VRM 0.x: binds name a mesh and one of its targets; weights run from 0 to 100.
  if (OrderedJson* vrm = Member(*extensions, "VRM")) {
    if (OrderedJson* master = Member(*vrm, "blendShapeMaster")) {
      if (OrderedJson* groups = Member(*master, "blendShapeGroups"); groups && groups->is_array()) {
        for (OrderedJson& group : *groups) {
          if (OrderedJson* binds = Member(group, "binds")) {
            AddBinds(*binds, "mesh", from.mesh, from.target, made.mesh, made.target);
          }
        }
      }
    }
  }
  // VRM 1.0: binds name a node and a target of its mesh; weights run from 0 to 1.
  if (OrderedJson* vrm = Member(*extensions, "VRMC_vrm")) {
    if (OrderedJson* expressions = Member(*vrm, "expressions")) {
      for (const char* kind : {"preset", "custom"}) {
        OrderedJson* named = Member(*expressions, kind);
        if (named == nullptr || !named->is_object()) continue;
        for (auto& expression : named->items()) {
          if (OrderedJson* binds = Member(expression.value(), "morphTargetBinds")) {
            AddBinds(*binds, "node", from.node, from.target, made.node, made.target);
          }
        }
      }
    }
  }
}

}  // namespace palisor_scene
