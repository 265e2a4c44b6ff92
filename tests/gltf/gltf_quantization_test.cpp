// Positions and morph displacements stored as integers (normalized, or quantized with the node's
// transform dequantizing them): read to the same scene as the same values stored as floats.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "cli_process.h"
#include "gltf_test_scene.h"
#include "scene/gltf/gltf_reader.h"

namespace {

constexpr int kFloat = 5126, kByte = 5120, kUnsignedByte = 5121, kShort = 5122,
              kUnsignedShort = 5123;

struct Encoding {
  int componentType;
  bool normalized;
};

struct QuantizedCase {
  std::string name;
  Encoding position, target;
};

struct Range {
  int low, high;
};

Range RangeOf(int componentType) {
  switch (componentType) {
    case kByte:
      return {-128, 127};
    case kUnsignedByte:
      return {0, 255};
    case kShort:
      return {-32768, 32767};
    default:
      return {0, 65535};
  }
}

int SizeOf(int componentType) {
  return componentType == kShort || componentType == kUnsignedShort ? 2 : 1;
}

// The stored integers: the type's whole range, its ends (the signed lowest clamps to -1) included.
std::vector<int> Codes(int componentType, const std::vector<float>& fractions) {
  const Range range = RangeOf(componentType);
  std::vector<int> codes;
  for (float f : fractions) {
    codes.push_back(range.low + static_cast<int>(static_cast<float>(range.high - range.low) * f));
  }
  return codes;
}

// What glTF says a stored integer means.
float Decoded(int code, const Encoding& encoding) {
  const float c = static_cast<float>(code);
  if (!encoding.normalized) return c;
  switch (encoding.componentType) {
    case kByte:
      return std::max(c / 127.0f, -1.0f);
    case kUnsignedByte:
      return c / 255.0f;
    case kShort:
      return std::max(c / 32767.0f, -1.0f);
    default:
      return c / 65535.0f;
  }
}

// A VEC3 accessor of the codes, or (`asFloats`) of their meanings as floats, each element padded
// to four bytes as KHR_mesh_quantization asks of vertex attributes.
void AddAccessor(Json& json, std::string& bin, const std::vector<int>& codes,
                 const Encoding& encoding, bool asFloats) {
  const std::size_t size = asFloats ? 4 : static_cast<std::size_t>(SizeOf(encoding.componentType));
  const std::size_t stride = (3 * size + 3) / 4 * 4, offset = bin.size();
  bin.resize(offset + codes.size() / 3 * stride, '\0');
  for (std::size_t i = 0; i < codes.size(); ++i) {
    const float meaning = Decoded(codes[i], encoding);
    const uint16_t code = static_cast<uint16_t>(codes[i]);  // two's complement, little-endian
    const unsigned char low[2] = {static_cast<unsigned char>(code),
                                  static_cast<unsigned char>(code >> 8)};
    std::memcpy(&bin[offset + i / 3 * stride + i % 3 * size],
                asFloats ? static_cast<const void*>(&meaning) : low, size);
  }
  Json view = {{"buffer", 0}, {"byteOffset", offset}, {"byteLength", bin.size() - offset}};
  if (stride != 3 * size) view["byteStride"] = stride;
  json["bufferViews"].push_back(view);
  Json accessor = {{"bufferView", json["bufferViews"].size() - 1},
                   {"componentType", asFloats ? kFloat : encoding.componentType},
                   {"count", codes.size() / 3},
                   {"type", "VEC3"}};
  if (encoding.normalized && !asFloats) accessor["normalized"] = true;
  json["accessors"].push_back(accessor);
}

// A triangle with one morph target, placed by a node whose scale and translation dequantize it;
// `asFloats`: the same values stored as floats.
palisor_scene::Scene ReadScene(const TestFolder& folder, const QuantizedCase& test, bool asFloats) {
  const std::string name = test.name + (asFloats ? "-float" : "");
  Json json = {
      {"asset", {{"version", "2.0"}}},
      {"scene", 0},
      {"scenes", {{{"nodes", {0}}}}},
      {"nodes",
       {{{"name", "part"},
         {"mesh", 0},
         {"translation", {0.5, -2.0, 3.0}},
         {"scale", {0.001, 2.0, 0.25}}}}},
      {"meshes",
       {{{"primitives", {{{"attributes", {{"POSITION", 0}}}, {"targets", {{{"POSITION", 1}}}}}}},
         {"weights", {0.0}}}}},
      {"accessors", Json::array()},
      {"bufferViews", Json::array()}};
  std::string bin;
  AddAccessor(
      json, bin,
      Codes(test.position.componentType, {0.0f, 1.0f, 0.5f, 0.25f, 0.9f, 0.1f, 0.75f, 0.33f, 1.0f}),
      test.position, asFloats);
  AddAccessor(
      json, bin,
      Codes(test.target.componentType, {1.0f, 0.0f, 0.6f, 0.5f, 0.2f, 1.0f, 0.0f, 0.7f, 0.4f}),
      test.target, asFloats);
  json["buffers"] = {{{"uri", name + ".bin"}, {"byteLength", bin.size()}}};
  if (!asFloats) json["extensionsUsed"] = json["extensionsRequired"] = {"KHR_mesh_quantization"};
  folder.Write(name + ".bin", bin);
  return palisor_scene::ReadGltfFile(folder.Write(name + ".gltf", json.dump())).scene;
}

TEST(GltfQuantizationTest, IntegerPositionsAndDisplacementsReadAsTheirFloatMeanings) {
  const std::vector<QuantizedCase> cases = {
      {"NormalizedShort", {kShort, true}, {kShort, true}},
      {"NormalizedByte", {kByte, true}, {kByte, true}},
      {"NormalizedUnsignedShort", {kUnsignedShort, true}, {kShort, true}},
      {"NormalizedUnsignedByte", {kUnsignedByte, true}, {kByte, true}},
      {"Short", {kShort, false}, {kShort, false}},
      {"Byte", {kByte, false}, {kByte, false}},
      {"UnsignedShort", {kUnsignedShort, false}, {kByte, true}},
      {"UnsignedByte", {kUnsignedByte, false}, {kShort, false}},
  };
  TestFolder folder;
  for (const QuantizedCase& test : cases) {
    SCOPED_TRACE(test.name);
    const palisor_scene::Scene stored = ReadScene(folder, test, false);
    const palisor_scene::Scene reference = ReadScene(folder, test, true);
    ASSERT_EQ(stored.objects.size(), 2u);
    ASSERT_EQ(reference.objects.size(), 2u);
    for (std::size_t o = 0; o < 2; ++o) {
      const auto& got = stored.objects[o].vertices;
      const auto& expected = reference.objects[o].vertices;
      ASSERT_EQ(got.size(), 3u);
      ASSERT_EQ(expected.size(), 3u);
      for (std::size_t v = 0; v < 3; ++v) {
        EXPECT_TRUE(got[v].x == expected[v].x && got[v].y == expected[v].y &&
                    got[v].z == expected[v].z)
            << "object " << o << " vertex " << v << ": " << got[v].x << ' ' << got[v].y << ' '
            << got[v].z << " instead of " << expected[v].x << ' ' << expected[v].y << ' '
            << expected[v].z;
      }
    }
  }
}

}  // namespace
