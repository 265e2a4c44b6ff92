// Small glTF scenes built in code for the tests, written as .gltf with an external .bin, and the
// same geometry as an OBJ scene (objects at their world positions, targets bound to their
// bases), so that both paths of palisor-cli can be compared.
#pragma once

#include <nlohmann/json.hpp>
#include <string>
#include <utility>
#include <vector>

using Json = nlohmann::ordered_json;

struct TestMesh {
  std::string name;
  std::vector<float> positions;  // x y z per vertex
  std::vector<float> normals;    // empty: the mesh has none
  std::vector<uint32_t> indices;
  std::vector<std::pair<std::string, std::vector<float>>> targets;  // name, displacements
  int mode = 4;
};

struct TestNode {
  std::string name;
  int mesh = 0;
  Json placement = Json::object();  // "translation", "rotation", "scale" or "matrix"
  bool skinned = false;
};

struct TestScene {
  std::vector<TestMesh> meshes;
  std::vector<TestNode> nodes;
  bool sparseTargets = false;
  // Animates the morph weights of this node (-1: none).
  int animatedNode = -1;
  Json extensions = Json::object();

  // The glTF JSON; the bytes of its one buffer go to `bin`, which the JSON names `binName`.
  Json ToGltf(const std::string& binName, std::string& bin) const;
  // Every node at its stored positions (only for scenes placed at the identity), each followed
  // by its targets, bound to it.
  std::string ToObj() const;
};

// A face (a curved grid) with the targets "jawOpen" and "brow-up", and a beard: a finer grid
// hovering in front of its lower half, with normals. Nodes "face" and "beard". `detail` times as
// many rows and columns of quads as the smallest such scene.
TestScene FaceAndBeard(int detail = 1);
