#include "scene/gltf/gltf_weight_animations.h"

#include <algorithm>
#include <map>
#include <string>
#include <utility>

#include "scene/gltf/gltf_accessor.h"

namespace palisor_scene {

namespace {

// One weight sampler of an animation: its key times, its interpolation, and its output as groups
// of one weight per target (a cubic spline has three groups per key: in-tangents, values,
// out-tangents).
struct WeightCurve {
  int sampler = -1;
  int input = -1;
  std::string interpolation;
  std::vector<float> values;
  std::size_t groups = 0;
  std::size_t width = 0;

  bool IsCubic() const { return interpolation == "CUBICSPLINE"; }
  // Whether group g holds values rather than tangents.
  bool HoldsValues(std::size_t g) const { return !IsCubic() || g % 3 == 1; }
  float At(std::size_t group, std::size_t column) const { return values[group * width + column]; }
};

void ExtendWithZeros(OrderedJson& object, const char* key, std::size_t added) {
  const auto weights = object.find(key);
  if (weights == object.end() || !weights->is_array()) return;
  for (std::size_t i = 0; i < added; ++i) weights->push_back(0);
}

// The sampler of the channel that animates `node`'s weights; -1 where none does.
int WeightSamplerOf(const tinygltf::Animation& animation, int node) {
  for (const tinygltf::AnimationChannel& channel : animation.channels) {
    if (channel.target_path != "weights" || channel.target_node != node) continue;
    if (channel.sampler >= 0 &&
        static_cast<std::size_t>(channel.sampler) < animation.samplers.size())
      return channel.sampler;
  }
  return -1;
}

// The curve of a sampler; its width is 0 where its output does not divide into its key groups.
WeightCurve ReadCurve(const GltfFile& file, std::size_t animation, int sampler) {
  const tinygltf::Model& model = file.model;
  const tinygltf::AnimationSampler& read =
      model.animations[animation].samplers[static_cast<std::size_t>(sampler)];
  WeightCurve curve;
  curve.sampler = sampler;
  curve.input = read.input;
  curve.interpolation = read.interpolation.empty() ? "LINEAR" : read.interpolation;
  const std::string place =
      "animations[" + std::to_string(animation) + "].samplers[" + std::to_string(sampler) + "]";
  curve.values = ReadFloatAccessor(model, read.output, 1, GltfPlace{file.path, place + ".output"});
  const std::size_t keys =
      ReadFloatAccessor(model, read.input, 1, GltfPlace{file.path, place + ".input"}).size();
  curve.groups = keys * (curve.IsCubic() ? 3 : 1);
  if (curve.groups != 0 && curve.values.size() % curve.groups == 0) {
    curve.width = curve.values.size() / curve.groups;
  }
  return curve;
}

// Whether two curves have the same key times (the same accessor, or equal times) and
// interpolation, so that their groups correspond one to one.
bool SameKeys(const GltfFile& file, const WeightCurve& a, const WeightCurve& b) {
  if (a.interpolation != b.interpolation || a.groups != b.groups) return false;
  if (a.input == b.input) return true;
  const GltfPlace where{file.path, "an animation's key times"};
  return ReadFloatAccessor(file.model, a.input, 1, where) ==
         ReadFloatAccessor(file.model, b.input, 1, where);
}

// Column `sourceTarget` of `source`, copied into column `index` of `values` (groups of `width`).
void CopyColumn(const WeightCurve& source, std::size_t sourceTarget, std::vector<float>& values,
                std::size_t width, std::size_t index) {
  if (sourceTarget >= source.width || index >= width) return;
  for (std::size_t g = 0; g < source.groups; ++g) {
    values[g * width + index] = source.At(g, sourceTarget);
  }
}

// The curves of the Source nodes of the followed targets in one animation, by node.
std::map<int, WeightCurve> SourceCurves(const GltfFile& file, std::size_t animation,
                                        const GrownMesh& grown) {
  std::map<int, WeightCurve> curves;
  const tinygltf::Animation& read = file.model.animations[animation];
  for (const FollowedTarget& target : grown.followed) {
    if (curves.count(target.sourceNode) != 0) continue;
    const int sampler = WeightSamplerOf(read, target.sourceNode);
    if (sampler >= 0) curves[target.sourceNode] = ReadCurve(file, animation, sampler);
  }
  return curves;
}

// The followed targets' columns of `values`, a curve of `base`'s keys with `width` targets,
// taken from the Source curves that share those keys.
void TakeFollowed(const GltfFile& file, const GrownMesh& grown,
                  const std::map<int, WeightCurve>& sources, const WeightCurve& base,
                  std::vector<float>& values, std::size_t width) {
  for (const FollowedTarget& target : grown.followed) {
    const auto source = sources.find(target.sourceNode);
    if (source == sources.end() || !SameKeys(file, source->second, base)) continue;
    CopyColumn(source->second, target.sourceTarget, values, width, target.index);
  }
}

// The curve's groups widened to `after` targets, the new ones 0.
std::vector<float> Widened(const WeightCurve& curve, std::size_t after) {
  std::vector<float> wider(curve.groups * after, 0.0f);
  for (std::size_t g = 0; g < curve.groups; ++g) {
    std::copy_n(curve.values.begin() + static_cast<std::ptrdiff_t>(g * curve.width),
                std::min(curve.width, after),
                wider.begin() + static_cast<std::ptrdiff_t>(g * after));
  }
  return wider;
}

// The node's default weight of each of the mesh's targets: the node's weights, else the mesh's,
// else 0.
std::vector<float> DefaultWeights(const OrderedJson& json, const GrownMesh& grown) {
  std::vector<float> weights(grown.after, 0.0f);
  const OrderedJson& node = json.at("nodes").at(static_cast<std::size_t>(grown.node));
  const OrderedJson& mesh = json.at("meshes").at(static_cast<std::size_t>(grown.mesh));
  const OrderedJson* given = node.contains("weights")   ? &node.at("weights")
                             : mesh.contains("weights") ? &mesh.at("weights")
                                                        : nullptr;
  if (given == nullptr || !given->is_array()) return weights;
  for (std::size_t t = 0; t < weights.size() && t < given->size(); ++t) {
    if ((*given)[t].is_number()) weights[t] = (*given)[t].get<float>();
  }
  return weights;
}

// Widens every weight sampler of a node showing the mesh; the Destination node's also takes the
// followed targets' curves. Returns whether the Destination node has a channel.
bool WidenSamplers(OrderedJson& animation, const GltfFile& file, std::size_t a,
                   const GrownMesh& grown, const std::map<int, WeightCurve>& sources,
                   NewData& data) {
  const tinygltf::Model& model = file.model;
  std::map<int, bool> widened;
  for (const tinygltf::AnimationChannel& channel : model.animations[a].channels) {
    if (channel.target_path != "weights" || channel.target_node < 0 ||
        static_cast<std::size_t>(channel.target_node) >= model.nodes.size() ||
        model.nodes[static_cast<std::size_t>(channel.target_node)].mesh != grown.mesh ||
        channel.sampler < 0 ||
        static_cast<std::size_t>(channel.sampler) >= model.animations[a].samplers.size() ||
        widened[channel.sampler]) {
      continue;
    }
    widened[channel.sampler] = true;
    const WeightCurve curve = ReadCurve(file, a, channel.sampler);
    if (curve.width != grown.before) continue;
    std::vector<float> wider = Widened(curve, grown.after);
    if (channel.target_node == grown.node) {
      TakeFollowed(file, grown, sources, curve, wider, grown.after);
    }
    animation["samplers"][static_cast<std::size_t>(channel.sampler)]["output"] =
        data.AddFloats(std::move(wider), 1, "SCALAR", false);
  }
  return WeightSamplerOf(model.animations[a], grown.node) >= 0;
}

// A channel for the Destination node that has none in this animation: the keys of the first
// Source curve, the node's default weights for the mesh's own targets.
void AddFollowingChannel(OrderedJson& animation, const OrderedJson& json, const GltfFile& file,
                         const GrownMesh& grown, const std::map<int, WeightCurve>& sources,
                         NewData& data) {
  const WeightCurve& base = sources.begin()->second;
  const std::vector<float> defaults = DefaultWeights(json, grown);
  std::vector<float> values(base.groups * grown.after, 0.0f);
  for (std::size_t g = 0; g < base.groups; ++g) {
    if (!base.HoldsValues(g)) continue;
    std::copy(defaults.begin(), defaults.end(),
              values.begin() + static_cast<std::ptrdiff_t>(g * grown.after));
  }
  TakeFollowed(file, grown, sources, base, values, grown.after);
  OrderedJson& samplers = animation["samplers"];
  const std::size_t sampler = samplers.size();
  samplers.push_back({{"input", base.input},
                      {"interpolation", base.interpolation},
                      {"output", data.AddFloats(std::move(values), 1, "SCALAR", false)}});
  animation["channels"].push_back(
      {{"sampler", sampler}, {"target", {{"node", grown.node}, {"path", "weights"}}}});
}

}  // namespace

void AnimateGrownMesh(OrderedJson& json, const GltfFile& file, const GrownMesh& grown,
                      NewData& data) {
  const std::size_t added = grown.after > grown.before ? grown.after - grown.before : 0;
  if (added == 0 && grown.followed.empty()) return;
  ExtendWithZeros(json["meshes"][static_cast<std::size_t>(grown.mesh)], "weights", added);
  const auto nodes = json.find("nodes");
  if (nodes != json.end() && nodes->is_array()) {
    for (std::size_t n = 0; n < nodes->size() && n < file.model.nodes.size(); ++n) {
      if (file.model.nodes[n].mesh == grown.mesh) ExtendWithZeros((*nodes)[n], "weights", added);
    }
  }
  const auto animations = json.find("animations");
  if (animations == json.end() || !animations->is_array()) return;
  for (std::size_t a = 0; a < animations->size() && a < file.model.animations.size(); ++a) {
    const std::map<int, WeightCurve> sources = SourceCurves(file, a, grown);
    const bool hasChannel = WidenSamplers((*animations)[a], file, a, grown, sources, data);
    if (!hasChannel && !sources.empty()) {
      AddFollowingChannel((*animations)[a], json, file, grown, sources, data);
    }
  }
}

}  // namespace palisor_scene
