#include "gltf_test_scene.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <sstream>

namespace {

class BinWriter {
 public:
  BinWriter(Json& json, std::string& bin) : json_(json), bin_(bin) {}

  int View(const void* data, std::size_t size) {
    while (bin_.size() % 4 != 0) bin_ += '\0';
    json_["bufferViews"].push_back(
        {{"buffer", 0}, {"byteOffset", bin_.size()}, {"byteLength", size}});
    bin_.append(static_cast<const char*>(data), size);
    return static_cast<int>(json_["bufferViews"].size() - 1);
  }

  int Floats(const std::vector<float>& values, int width, bool bounds, bool sparse = false) {
    const char* types[] = {"", "SCALAR", "", "VEC3", "VEC4"};
    Json accessor = {{"componentType", 5126},
                     {"count", values.size() / static_cast<std::size_t>(width)},
                     {"type", width == 16 ? "MAT4" : types[width]}};
    if (!sparse) {
      accessor["bufferView"] = View(values.data(), values.size() * 4);
    } else {
      std::vector<uint32_t> moved;
      std::vector<float> movedValues;
      for (std::size_t v = 0; v < values.size() / 3; ++v) {
        if (values[3 * v] == 0 && values[3 * v + 1] == 0 && values[3 * v + 2] == 0) continue;
        moved.push_back(static_cast<uint32_t>(v));
        movedValues.insert(movedValues.end(), &values[3 * v], &values[3 * v] + 3);
      }
      accessor["sparse"] = {
          {"count", moved.size()},
          {"indices",
           {{"bufferView", View(moved.data(), moved.size() * 4)}, {"componentType", 5125}}},
          {"values", {{"bufferView", View(movedValues.data(), movedValues.size() * 4)}}}};
    }
    if (bounds) {
      Json low = Json::array(), high = Json::array();
      for (int c = 0; c < width; ++c) {
        float lo = std::numeric_limits<float>::infinity(), hi = -lo;
        for (std::size_t i = static_cast<std::size_t>(c); i < values.size();
             i += static_cast<std::size_t>(width)) {
          lo = std::min(lo, values[i]);
          hi = std::max(hi, values[i]);
        }
        low.push_back(lo);
        high.push_back(hi);
      }
      accessor["min"] = low;
      accessor["max"] = high;
    }
    json_["accessors"].push_back(accessor);
    return static_cast<int>(json_["accessors"].size() - 1);
  }

  int Accessor(Json accessor) {
    json_["accessors"].push_back(std::move(accessor));
    return static_cast<int>(json_["accessors"].size() - 1);
  }

 private:
  Json& json_;
  std::string& bin_;
};

}  // namespace

namespace {

// The skeleton's rest places: the head's in the scene, the jaw's under the head.
const float kHeadPlace[3] = {0.0f, 0.25f, 0.0f};
const float kJawPlace[3] = {0.0f, -0.75f, 0.25f};

// JOINTS_0 and WEIGHTS_0 of a mesh on the skeleton: the head and the jaw by JawWeight.
void AddSkinWeights(const TestMesh& mesh, BinWriter& writer, Json& attributes) {
  const std::size_t count = mesh.positions.size() / 3;
  std::vector<uint8_t> joints(4 * count, 0);
  std::vector<float> weights(4 * count, 0.0f);
  for (std::size_t v = 0; v < count; ++v) {
    const float jaw = JawWeight(mesh.positions[3 * v + 1]);
    weights[4 * v] = 1.0f - jaw;
    weights[4 * v + 1] = jaw;
    joints[4 * v + 1] = jaw > 0.0f ? 1 : 0;
  }
  attributes["JOINTS_0"] =
      writer.Accessor({{"bufferView", writer.View(joints.data(), joints.size())},
                       {"componentType", 5121},
                       {"count", count},
                       {"type", "VEC4"}});
  attributes["WEIGHTS_0"] = writer.Floats(weights, 4, false);
}

Json MeshJson(const TestMesh& mesh, bool skinned, bool sparseTargets, BinWriter& writer) {
  Json primitive = {{"attributes", {{"POSITION", writer.Floats(mesh.positions, 3, true)}}},
                    {"mode", mesh.mode}};
  if (!mesh.normals.empty())
    primitive["attributes"]["NORMAL"] = writer.Floats(mesh.normals, 3, false);
  if (skinned) AddSkinWeights(mesh, writer, primitive["attributes"]);
  primitive["indices"] =
      writer.Accessor({{"bufferView", writer.View(mesh.indices.data(), mesh.indices.size() * 4)},
                       {"componentType", 5125},
                       {"count", mesh.indices.size()},
                       {"type", "SCALAR"}});
  Json names = Json::array();
  for (const auto& target : mesh.targets) {
    primitive["targets"].push_back(
        {{"POSITION", writer.Floats(target.second, 3, true, sparseTargets)}});
    names.push_back(target.first);
  }
  Json meshJson = {{"name", mesh.name}, {"primitives", {primitive}}};
  if (!mesh.targets.empty()) {
    meshJson["weights"] = std::vector<float>(mesh.targets.size(), 0.0f);
    meshJson["extras"] = {{"targetNames", names}};
  }
  return meshJson;
}

// The nodes "head" and "jaw" and the skin over them, the inverse bind matrices undoing their rest
// places; the jaw `turned` at rest by 20 degrees about x from where it was bound.
void AddSkeleton(Json& json, BinWriter& writer, bool turned) {
  const std::size_t head = json["nodes"].size();
  json["nodes"].push_back({{"name", "head"},
                           {"translation", {kHeadPlace[0], kHeadPlace[1], kHeadPlace[2]}},
                           {"children", {head + 1}}});
  json["nodes"].push_back(
      {{"name", "jaw"}, {"translation", {kJawPlace[0], kJawPlace[1], kJawPlace[2]}}});
  if (turned) json["nodes"].back()["rotation"] = {0.17364818f, 0.0f, 0.0f, 0.98480775f};
  json["scenes"][0]["nodes"].push_back(head);
  std::vector<float> inverses;
  for (const float* place : {kHeadPlace, kJawPlace}) {
    std::vector<float> matrix = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    for (int c = 0; c < 3; ++c) {
      matrix[static_cast<std::size_t>(12 + c)] =
          -(place[c] + (place == kJawPlace ? kHeadPlace[c] : 0.0f));
    }
    inverses.insert(inverses.end(), matrix.begin(), matrix.end());
  }
  json["skins"] = {
      {{"joints", {head, head + 1}}, {"inverseBindMatrices", writer.Floats(inverses, 16, false)}}};
}

void AddNodes(const TestScene& scene, Json& json) {
  for (std::size_t n = 0; n < scene.nodes.size(); ++n) {
    const TestNode& test = scene.nodes[n];
    Json node = test.placement;
    node["name"] = test.name;
    node["mesh"] = test.mesh;
    if (test.skinned) node["skin"] = 0;
    json["nodes"].push_back(node);
    if (test.groupPlacement.is_null()) {
      json["scenes"][0]["nodes"].push_back(n);
    } else {
      Json group = test.groupPlacement;
      group["name"] = "group";
      group["children"] = {n};
      json["scenes"][0]["nodes"].push_back(json["nodes"].size());
      json["nodes"].push_back(group);
    }
  }
}

// The first animation: the weights of the animated nodes, and the jaw's place where it moves.
void AddAnimation(const TestScene& scene, Json& json, BinWriter& writer) {
  const bool cubic = scene.interpolation == "CUBICSPLINE";
  Json samplers = Json::array();
  Json channels = Json::array();
  for (const int node : scene.animatedNodes) {
    const std::size_t targets =
        scene.meshes[static_cast<std::size_t>(scene.nodes[static_cast<std::size_t>(node)].mesh)]
            .targets.size();
    std::vector<float> weights;
    for (int key = 0; key < 2; ++key) {
      for (int part = cubic ? 0 : 1; part < (cubic ? 3 : 2); ++part) {
        for (std::size_t t = 0; t < targets; ++t) {
          weights.push_back(AnimatedWeight(node, t, key, part));
        }
      }
    }
    channels.push_back(
        {{"sampler", samplers.size()}, {"target", {{"node", node}, {"path", "weights"}}}});
    samplers.push_back({{"input", writer.Floats({0.0f, 1.0f}, 1, true)},
                        {"output", writer.Floats(weights, 1, false)},
                        {"interpolation", scene.interpolation}});
  }
  if (scene.jawMoves) {
    std::vector<float> places;
    for (const float time : {0.0f, 1.0f}) {
      for (int c = 0; c < 3; ++c)
        places.push_back(kJawPlace[c] + JawDrop(time)[static_cast<std::size_t>(c)]);
    }
    const int jaw = static_cast<int>(json["skins"][0]["joints"][1]);
    channels.push_back(
        {{"sampler", samplers.size()}, {"target", {{"node", jaw}, {"path", "translation"}}}});
    samplers.push_back({{"input", writer.Floats({0.0f, 1.0f}, 1, true)},
                        {"output", writer.Floats(places, 3, false)},
                        {"interpolation", "LINEAR"}});
  }
  if (!channels.empty()) json["animations"] = {{{"samplers", samplers}, {"channels", channels}}};
}

}  // namespace

Json TestScene::ToGltf(const std::string& binName, std::string& bin) const {
  Json json = {{"asset", {{"version", "2.0"}, {"generator", "palisor tests"}}},
               {"scene", 0},
               {"scenes", {{{"nodes", Json::array()}}}},
               {"nodes", Json::array()},
               {"meshes", Json::array()},
               {"accessors", Json::array()},
               {"bufferViews", Json::array()}};
  bin.clear();
  BinWriter writer(json, bin);
  bool anySkin = false;
  for (std::size_t m = 0; m < meshes.size(); ++m) {
    bool skinned = false;
    for (const TestNode& node : nodes)
      skinned = skinned || (node.skinned && node.mesh == static_cast<int>(m));
    anySkin = anySkin || skinned;
    json["meshes"].push_back(MeshJson(meshes[m], skinned, sparseTargets, writer));
  }
  AddNodes(*this, json);
  if (anySkin) AddSkeleton(json, writer, jawTurnedAtRest);
  AddAnimation(*this, json, writer);
  if (!extensions.empty()) {
    json["extensions"] = extensions;
    for (const auto& extension : extensions.items())
      json["extensionsUsed"].push_back(extension.key());
  }
  json["buffers"] = {{{"uri", binName}, {"byteLength", bin.size()}}};
  return json;
}

float JawWeight(float y) {
  return std::min(1.0f, std::max(0.0f, 0.5f - y));
}

std::vector<float> JawDrop(float time) {
  return {0.0f, -0.5f * time, 0.0f};
}

float AnimatedWeight(int node, std::size_t target, int key, int part) {
  const float value = key == 0 ? 0.0f : 0.25f * static_cast<float>(target + 1) + 0.125f * node;
  return part == 1 ? value : (part == 0 ? 0.5f : -0.25f) * static_cast<float>(target + 1);
}

std::string TestScene::ToObj() const {
  std::ostringstream out;
  out.precision(9);
  int objects = 0;
  std::vector<std::pair<int, int>> bindings;
  auto writeObject = [&](const std::string& name, const TestMesh& mesh,
                         const std::vector<float>* moved, const Json& placement) {
    out << "o " << name << '\n';
    for (std::size_t i = 0; i < mesh.positions.size(); i += 3) {
      out << "v";
      for (std::size_t c = 0; c < 3; ++c) {
        const float local = moved ? mesh.positions[i + c] + (*moved)[i + c] : mesh.positions[i + c];
        const double scale =
            placement.contains("scale") ? placement["scale"][c].get<double>() : 1.0;
        const double shift =
            placement.contains("translation") ? placement["translation"][c].get<double>() : 0.0;
        out << ' ' << static_cast<float>(local * scale + shift);
      }
      out << '\n';
    }
    for (std::size_t i = 0; i < mesh.indices.size(); i += 3) {
      out << "f -" << mesh.positions.size() / 3 - mesh.indices[i] << " -"
          << mesh.positions.size() / 3 - mesh.indices[i + 1] << " -"
          << mesh.positions.size() / 3 - mesh.indices[i + 2] << '\n';
    }
    return ++objects;
  };
  for (const TestNode& node : nodes) {
    const TestMesh& mesh = meshes[static_cast<std::size_t>(node.mesh)];
    // A skinned mesh stands at its stored positions, whatever its node says.
    Json placement = node.skinned ? Json::object() : node.placement;
    // A group's translation adds to the node's scale (the only mix the tests make).
    if (!node.skinned && !node.groupPlacement.is_null()) placement.update(node.groupPlacement);
    const int base = writeObject(node.name, mesh, nullptr, placement);
    for (const auto& target : mesh.targets) {
      bindings.emplace_back(base, writeObject(target.first, mesh, &target.second, placement));
    }
  }
  for (const auto& binding : bindings)
    out << "# palisor-bind " << binding.first << ' ' << binding.second << '\n';
  return out.str();
}

namespace {

// A grid of `columns` x `rows` vertices over [x0, x1] x [y0, y1], bulging towards +z.
TestMesh Grid(const std::string& name, int columns, int rows, float x0, float x1, float y0,
              float y1, float z) {
  TestMesh mesh;
  mesh.name = name;
  for (int r = 0; r < rows; ++r) {
    for (int c = 0; c < columns; ++c) {
      const float x = x0 + (x1 - x0) * static_cast<float>(c) / static_cast<float>(columns - 1);
      const float y = y0 + (y1 - y0) * static_cast<float>(r) / static_cast<float>(rows - 1);
      mesh.positions.insert(mesh.positions.end(), {x, y, z + 0.5f - 0.25f * (x * x + y * y)});
    }
  }
  for (int r = 0; r + 1 < rows; ++r) {
    for (int c = 0; c + 1 < columns; ++c) {
      const uint32_t a = static_cast<uint32_t>(r * columns + c);
      const uint32_t b = a + 1, d = a + static_cast<uint32_t>(columns), e = d + 1;
      mesh.indices.insert(mesh.indices.end(), {a, b, e, a, e, d});
    }
  }
  return mesh;
}

}  // namespace

TestScene FaceAndBeard(int detail) {
  TestScene scene;
  TestMesh face = Grid("faceMesh", 6 * detail + 1, 6 * detail + 1, -1.0f, 1.0f, -1.0f, 1.0f, 0.0f);
  std::vector<float> jaw(face.positions.size(), 0.0f), brow(face.positions.size(), 0.0f);
  for (std::size_t v = 0; v < face.positions.size() / 3; ++v) {
    const float y = face.positions[3 * v + 1];
    if (y < 0.0f) jaw[3 * v + 1] = 0.3f * y;
    if (y > 0.3f) brow[3 * v + 1] = 0.1f + 0.05f * face.positions[3 * v];
  }
  face.targets = {{"jawOpen", jaw}, {"brow-up", brow}};
  TestMesh beard =
      Grid("beardMesh", 8 * detail + 1, 4 * detail + 1, -0.7f, 0.7f, -0.9f, -0.1f, 0.05f);
  for (std::size_t v = 0; v < beard.positions.size() / 3; ++v) {
    beard.normals.insert(beard.normals.end(), {0.0f, 0.0f, 1.0f});
  }
  scene.meshes = {face, beard};
  scene.nodes = {TestNode{"face", 0}, TestNode{"beard", 1}};
  return scene;
}
