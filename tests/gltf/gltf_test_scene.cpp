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
                     {"type", types[width]}};
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
  for (const TestNode& node : nodes) anySkin = anySkin || node.skinned;
  for (const TestMesh& mesh : meshes) {
    Json primitive = {{"attributes", {{"POSITION", writer.Floats(mesh.positions, 3, true)}}},
                      {"mode", mesh.mode}};
    const std::size_t count = mesh.positions.size() / 3;
    if (!mesh.normals.empty())
      primitive["attributes"]["NORMAL"] = writer.Floats(mesh.normals, 3, false);
    if (anySkin) {
      std::vector<uint8_t> joints(4 * count, 0);
      std::vector<float> weights(4 * count, 0.0f);
      for (std::size_t v = 0; v < count; ++v) weights[4 * v] = 1.0f;
      primitive["attributes"]["JOINTS_0"] =
          writer.Accessor({{"bufferView", writer.View(joints.data(), joints.size())},
                           {"componentType", 5121},
                           {"count", count},
                           {"type", "VEC4"}});
      primitive["attributes"]["WEIGHTS_0"] = writer.Floats(weights, 4, false);
    }
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
    json["meshes"].push_back(meshJson);
  }
  for (std::size_t n = 0; n < nodes.size(); ++n) {
    Json node = nodes[n].placement;
    node["name"] = nodes[n].name;
    node["mesh"] = nodes[n].mesh;
    if (nodes[n].skinned) node["skin"] = 0;
    json["nodes"].push_back(node);
    json["scenes"][0]["nodes"].push_back(n);
  }
  if (anySkin) {
    json["nodes"].push_back({{"name", "joint"}});
    json["scenes"][0]["nodes"].push_back(nodes.size());
    json["skins"] = {{{"joints", {nodes.size()}}}};
  }
  if (!animatedNodes.empty()) {
    const bool cubic = interpolation == "CUBICSPLINE";
    Json samplers = Json::array();
    Json channels = Json::array();
    for (const int node : animatedNodes) {
      const std::size_t targets =
          meshes[static_cast<std::size_t>(nodes[static_cast<std::size_t>(node)].mesh)]
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
                          {"interpolation", interpolation}});
    }
    json["animations"] = {{{"samplers", samplers}, {"channels", channels}}};
  }
  if (!extensions.empty()) {
    json["extensions"] = extensions;
    for (const auto& extension : extensions.items())
      json["extensionsUsed"].push_back(extension.key());
  }
  json["buffers"] = {{{"uri", binName}, {"byteLength", bin.size()}}};
  return json;
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
    const Json placement = node.skinned ? Json::object() : node.placement;
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
