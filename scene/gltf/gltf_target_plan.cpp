#include "scene/gltf/gltf_target_plan.h"

#include <algorithm>
#include <map>

namespace palisor_scene {

namespace {

// A name from "#" and `name` and a serial number that no target of the mesh bears.
std::string BackupName(const std::string& name, const std::vector<std::string>& names) {
  for (int serial = 1;; ++serial) {
    const std::string candidate = "#" + name + std::to_string(serial);
    if (std::find(names.begin(), names.end(), candidate) == names.end()) return candidate;
  }
}

// The node object of `scene` that the row's Destination stands for, or null.
const GltfObjectOrigin* DestinationNode(const GltfScene& scene, int32_t sceneIndex,
                                        const ResultRow& row) {
  const SceneObjectRef& origin = row.first.origin;
  if (!row.first.present() || origin.scene != sceneIndex || origin.object >= scene.origins.size()) {
    return nullptr;
  }
  const GltfObjectOrigin* node = scene.origins[origin.object].get();
  return node != nullptr && node->target < 0 ? node : nullptr;
}

// The mesh's targets before the run, with their names.
std::vector<std::string> ExistingNames(const GltfFile& file, const GltfMeshNode& meshNode) {
  const OrderedJson& mesh = file.json["meshes"][static_cast<std::size_t>(meshNode.mesh)];
  const auto primitives = mesh.find("primitives");
  std::size_t count = 0;
  if (primitives != mesh.end() && primitives->is_array() && !primitives->empty()) {
    const auto targets = (*primitives)[0].find("targets");
    if (targets != (*primitives)[0].end()) count = targets->size();
  }
  return TargetNames(mesh, count);
}

void PlaceTarget(DestinationTargets& plan, std::size_t column, const std::string& name,
                 bool keepBackups) {
  std::vector<std::string>& names = plan.names;
  DestinationTargets::NewTarget made{column, name, 0, false};
  made.index =
      static_cast<std::size_t>(std::find(names.begin(), names.end(), name) - names.begin());
  if (made.index < names.size() && keepBackups) {
    names[made.index] = BackupName(name, names);
    plan.keptAsBackups.push_back(TargetKept{plan.destination, name, names[made.index]});
  } else if (made.index < names.size()) {
    made.replacing = true;
    plan.replaced.push_back(name);
  }
  if (!made.replacing) {
    made.index = names.size();
    names.push_back(name);
  }
  plan.made.push_back(std::move(made));
}

}  // namespace

std::vector<std::string> TargetNames(const OrderedJson& mesh, std::size_t count) {
  std::vector<std::string> names(count);
  const OrderedJson* list = nullptr;
  const auto extras = mesh.find("extras");
  if (extras != mesh.end() && extras->is_object()) {
    const auto found = extras->find("targetNames");
    if (found != extras->end() && found->is_array()) list = &*found;
  }
  for (std::size_t k = 0; k < count; ++k) {
    names[k] = list != nullptr && k < list->size() && (*list)[k].is_string()
                   ? (*list)[k].get<std::string>()
                   : "target " + std::to_string(k);
  }
  return names;
}

void PlanMorphTargets(const GltfScene& scene, int32_t sceneIndex, bool keepBackups,
                      RunResult& result) {
  // Nodes may share a mesh: the second finds the targets the first added.
  std::map<int, std::vector<std::string>> meshNames;
  for (std::size_t d = 0; d < result.destinations.size(); ++d) {
    const ResultRow& row = result.destinations[d];
    const GltfObjectOrigin* node = DestinationNode(scene, sceneIndex, row);
    if (node == nullptr) continue;
    const GltfMeshNode& meshNode = scene.file->meshNodes[node->meshNode];
    const auto known = meshNames.find(meshNode.mesh);
    DestinationTargets plan;
    plan.row = d;
    plan.destination = row.first.name;
    plan.names = known != meshNames.end() ? known->second : ExistingNames(*scene.file, meshNode);
    for (std::size_t column = 0; column < row.others.size(); ++column) {
      const ResultObject& made = row.others[column];
      if (!made.present() || made.vertices.size() != row.first.vertices.size()) continue;
      PlaceTarget(plan, column, result.source.others[column].name, keepBackups);
    }
    if (plan.made.empty()) continue;
    meshNames[meshNode.mesh] = plan.names;
    result.targets.push_back(std::move(plan));
  }
}

}  // namespace palisor_scene
