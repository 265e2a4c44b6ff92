#include "scene/gltf/gltf_skin_bake.h"

#include <string>

#include "geometry/vector3.h"
#include "scene/gltf/gltf_accessor.h"

namespace palisor_scene {

namespace {

int FindAttribute(const std::map<std::string, int>& attributes, const char* name) {
  const auto found = attributes.find(name);
  return found != attributes.end() ? found->second : -1;
}

std::string PrimitivePlace(const GltfMeshNode& meshNode, std::size_t p) {
  return "meshes[" + std::to_string(meshNode.mesh) + "].primitives[" +
         std::to_string(meshNode.primitives[p].primitive) + "]";
}

// The accessor's `components` floats per vertex, as many vertices as the primitive has.
std::vector<float> ReadVertexFloats(const GltfFile& file, int accessor, int components,
                                    std::size_t count, const GltfPlace& where) {
  std::vector<float> values = ReadFloatAccessor(file.model, accessor, components, where);
  if (values.size() != count * static_cast<std::size_t>(components)) {
    FailAt(where, "has " + std::to_string(values.size() / static_cast<std::size_t>(components)) +
                      " elements, but POSITION has " + std::to_string(count));
  }
  return values;
}

// Each vertex's three floats (of `stride`) mapped by map(vertex, value), three floats per vertex.
template <typename Map>
std::vector<float> MapVectors(const std::vector<float>& values, std::size_t stride,
                              std::size_t first, Map map) {
  const std::size_t count = values.size() / stride;
  std::vector<float> mapped(3 * count);
  for (std::size_t i = 0; i < count; ++i) {
    const Vector3 result = map(first + i, Vector3At(&values[stride * i]));
    mapped[3 * i] = result.x;
    mapped[3 * i + 1] = result.y;
    mapped[3 * i + 2] = result.z;
  }
  return mapped;
}

// Only the first three of four floats per vertex, the fourth kept.
std::vector<float> WithFourth(const std::vector<float>& mapped, const std::vector<float>& four) {
  std::vector<float> result(four.size());
  for (std::size_t i = 0; i < four.size() / 4; ++i) {
    for (std::size_t c = 0; c < 3; ++c) result[4 * i + c] = mapped[3 * i + c];
    result[4 * i + 3] = four[4 * i + 3];
  }
  return result;
}

}  // namespace

MeshBake::MeshBake(const GltfFile& file, const GltfMeshNode& meshNode,
                   const DestinationWeights& weights)
    : file_(file), meshNode_(meshNode), maps_(file, meshNode, weights) {
  if (maps_.Identity()) return;
  const tinygltf::Mesh& mesh = file.model.meshes[static_cast<std::size_t>(meshNode.mesh)];
  for (std::size_t p = 0; p < meshNode.primitives.size(); ++p) {
    const GltfPrimitiveSpan& span = meshNode.primitives[p];
    const auto& attributes = mesh.primitives[static_cast<std::size_t>(span.primitive)].attributes;
    const std::string place = PrimitivePlace(meshNode, p) + ".attributes.";
    const int normal = FindAttribute(attributes, "NORMAL");
    const int tangent = FindAttribute(attributes, "TANGENT");
    normals_.push_back(normal < 0 ? std::vector<float>()
                                  : ReadVertexFloats(file, normal, 3, span.count,
                                                     GltfPlace{file.path, place + "NORMAL"}));
    std::vector<float> tangents;
    if (tangent >= 0) {
      const std::vector<float> four =
          ReadVertexFloats(file, tangent, 4, span.count, GltfPlace{file.path, place + "TANGENT"});
      tangents = MapVectors(four, 4, 0, [](std::size_t, const Vector3& t) { return t; });
    }
    tangents_.push_back(std::move(tangents));
  }
}

void MeshBake::Apply(OrderedJson& json, NewData& data) const {
  if (maps_.Identity()) return;
  const tinygltf::Mesh& mesh = file_.model.meshes[static_cast<std::size_t>(meshNode_.mesh)];
  OrderedJson& primitives = json["meshes"][static_cast<std::size_t>(meshNode_.mesh)]["primitives"];
  for (std::size_t p = 0; p < meshNode_.primitives.size(); ++p) {
    const std::size_t index = static_cast<std::size_t>(meshNode_.primitives[p].primitive);
    OrderedJson& primitive = primitives[index];
    ApplyToPrimitive(p, primitive, data);
    const auto& targets = mesh.primitives[index].targets;
    for (std::size_t t = 0; t < targets.size(); ++t) {
      ApplyToTarget(p, targets[t], primitive["targets"][t], data);
    }
  }
}

void MeshBake::ApplyToPrimitive(std::size_t p, OrderedJson& primitive, NewData& data) const {
  const GltfPrimitiveSpan& span = meshNode_.primitives[p];
  const auto& attributes = file_.model.meshes[static_cast<std::size_t>(meshNode_.mesh)]
                               .primitives[static_cast<std::size_t>(span.primitive)]
                               .attributes;
  const std::string place = PrimitivePlace(meshNode_, p) + ".attributes.";
  OrderedJson& written = primitive["attributes"];
  const std::vector<float> positions = ReadVertexFloats(
      file_, attributes.at("POSITION"), 3, span.count, GltfPlace{file_.path, place + "POSITION"});
  written["POSITION"] = data.AddFloats(
      MapVectors(positions, 3, span.first,
                 [this](std::size_t v, const Vector3& x) { return maps_.Position(v, x); }),
      3, "VEC3", true);
  if (!normals_[p].empty()) {
    written["NORMAL"] = data.AddFloats(
        MapVectors(normals_[p], 3, span.first,
                   [this](std::size_t v, const Vector3& n) { return maps_.Normal(v, n); }),
        3, "VEC3", false);
  }
  if (!tangents_[p].empty()) {
    const std::vector<float> four = ReadVertexFloats(file_, attributes.at("TANGENT"), 4, span.count,
                                                     GltfPlace{file_.path, place + "TANGENT"});
    const std::vector<float> turned = MapVectors(
        tangents_[p], 3, span.first,
        [this](std::size_t v, const Vector3& t) { return UnitOrZero(maps_.Direction(v, t)); });
    written["TANGENT"] = data.AddFloats(WithFourth(turned, four), 4, "VEC4", false);
  }
}

void MeshBake::ApplyToTarget(std::size_t p, const std::map<std::string, int>& target,
                             OrderedJson& written, NewData& data) const {
  const GltfPrimitiveSpan& span = meshNode_.primitives[p];
  const std::string place = PrimitivePlace(meshNode_, p) + ".targets.";
  for (const char* attribute : {"POSITION", "NORMAL", "TANGENT"}) {
    const int accessor = FindAttribute(target, attribute);
    if (accessor < 0) continue;
    const std::vector<float> moves =
        ReadVertexFloats(file_, accessor, 3, span.count, GltfPlace{file_.path, place + attribute});
    std::vector<float> mapped;
    if (attribute[0] == 'P') {
      mapped = MapVectors(moves, 3, span.first, [this](std::size_t v, const Vector3& d) {
        return maps_.Direction(v, d);
      });
    } else {
      const std::vector<float>& base = attribute[0] == 'N' ? normals_[p] : tangents_[p];
      mapped = MovedChanges(p, base, moves, attribute[0] == 'N');
    }
    written[attribute] = data.AddFloats(std::move(mapped), 3, "VEC3", attribute[0] == 'P');
  }
}

std::vector<float> MeshBake::MovedChanges(std::size_t p, const std::vector<float>& base,
                                          const std::vector<float>& changes, bool normals) const {
  auto turn = [this, normals](std::size_t v, const Vector3& direction) {
    return normals ? maps_.Normal(v, direction) : UnitOrZero(maps_.Direction(v, direction));
  };
  const std::size_t first = meshNode_.primitives[p].first;
  if (base.size() != changes.size()) {
    return MapVectors(changes, 3, first,
                      [this](std::size_t v, const Vector3& d) { return maps_.Direction(v, d); });
  }
  std::vector<float> moved(changes.size());
  for (std::size_t i = 0; i < changes.size() / 3; ++i) {
    const Vector3 from = Vector3At(&base[3 * i]);
    const Vector3 change =
        Minus(turn(first + i, Plus(from, Vector3At(&changes[3 * i]))), turn(first + i, from));
    moved[3 * i] = change.x;
    moved[3 * i + 1] = change.y;
    moved[3 * i + 2] = change.z;
  }
  return moved;
}

void MeshBake::MoveTarget(NewMorphTarget& target) const {
  if (maps_.Identity()) return;
  for (std::size_t p = 0; p < target.primitives.size() && p < meshNode_.primitives.size(); ++p) {
    PrimitiveTarget& made = target.primitives[p];
    made.positions =
        MapVectors(made.positions, 3, meshNode_.primitives[p].first,
                   [this](std::size_t v, const Vector3& d) { return maps_.Direction(v, d); });
    if (!made.normals.empty()) made.normals = MovedChanges(p, normals_[p], made.normals, true);
  }
}

}  // namespace palisor_scene
