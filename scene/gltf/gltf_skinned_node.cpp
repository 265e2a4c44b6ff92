#include "scene/gltf/gltf_skinned_node.h"

#include <algorithm>
#include <vector>

namespace palisor_scene {

namespace {

// Each node's parent, or -1.
std::vector<long> Parents(const OrderedJson& nodes) {
  std::vector<long> parents(nodes.size(), -1);
  for (std::size_t n = 0; n < nodes.size(); ++n) {
    const auto children = nodes[n].find("children");
    if (children == nodes[n].end() || !children->is_array()) continue;
    for (const OrderedJson& child : *children) {
      if (child.is_number_unsigned() && child.get<std::size_t>() < parents.size()) {
        parents[child.get<std::size_t>()] = static_cast<long>(n);
      }
    }
  }
  return parents;
}

bool Lists(const OrderedJson& list, long node) {
  if (!list.is_array()) return false;
  return std::any_of(list.begin(), list.end(), [node](const OrderedJson& item) {
    return item.is_number_unsigned() && item.get<long>() == node;
  });
}

// Takes the node from its parent's children and lists it in every scene that listed the root it
// hung under.
void MakeRoot(OrderedJson& json, long node) {
  OrderedJson& nodes = json["nodes"];
  const std::vector<long> parents = Parents(nodes);
  const long parent = parents[static_cast<std::size_t>(node)];
  if (parent < 0) return;
  long root = parent;
  for (std::size_t steps = 0; parents[static_cast<std::size_t>(root)] >= 0 && steps < nodes.size();
       ++steps) {
    root = parents[static_cast<std::size_t>(root)];
  }
  OrderedJson& siblings = nodes[static_cast<std::size_t>(parent)]["children"];
  siblings.erase(std::remove(siblings.begin(), siblings.end(), OrderedJson(node)), siblings.end());
  if (siblings.empty()) nodes[static_cast<std::size_t>(parent)].erase("children");
  const auto scenes = json.find("scenes");
  if (scenes == json.end() || !scenes->is_array()) return;
  for (OrderedJson& scene : *scenes) {
    const auto roots = scene.find("nodes");
    if (roots != scene.end() && Lists(*roots, root) && !Lists(*roots, node)) {
      roots->push_back(node);
    }
  }
}

}  // namespace

void MakeSkinnedNode(OrderedJson& json, int node, int skin) {
  OrderedJson& data = json["nodes"][static_cast<std::size_t>(node)];
  for (const char* placement : {"matrix", "translation", "rotation", "scale"})
    data.erase(placement);
  data["skin"] = skin;
  MakeRoot(json, node);
}

}  // namespace palisor_scene
