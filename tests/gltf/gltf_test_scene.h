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
  // Skinned to the skeleton, weighted to the jaw by JawWeight.
  bool skinned = false;
  // Hung under a node "group" placed by this, instead of being a root of the scene.
  Json groupPlacement = Json();
};

// The skeleton of skinned meshes: "head" and under it "jaw", whose inverse bind matrices undo
// their rest places. A vertex at height y (as stored) hangs on the jaw by this weight, on the
// head by the rest.
float JawWeight(float y);
// How far the jaw has moved at time `time` of the first animation of a scene whose jaw moves.
std::vector<float> JawDrop(float time);

struct TestScene {
  std::vector<TestMesh> meshes;
  std::vector<TestNode> nodes;
  bool sparseTargets = false;
  // One animation drives the morph weights of these nodes, with keys at times 0 and 1 (see
  // AnimatedWeight) and this interpolation.
  std::vector<int> animatedNodes;
  std::string interpolation = "LINEAR";
  // Whether the first animation moves the jaw (by JawDrop, keys at times 0 and 1), and whether the
  // jaw stands turned at rest from where its inverse bind matrix has it (the rest pose is not the
  // bind pose).
  bool jawMoves = false;
  bool jawTurnedAtRest = false;
  Json extensions = Json::object();

  // The glTF JSON; the bytes of its one buffer go to `bin`, which the JSON names `binName`.
  Json ToGltf(const std::string& binName, std::string& bin) const;
  // Every node at its stored positions (only for scenes placed at the identity), each followed
  // by its targets, bound to it.
  std::string ToObj() const;
};

// The animated weight of target `target` of node `node`: at key `key` (0 or 1), and for a cubic
// spline also its in- (`part` 0) and out-tangent (`part` 2) there (`part` 1: the value).
float AnimatedWeight(int node, std::size_t target, int key, int part = 1);

// A face (a curved grid) with the targets "jawOpen" and "brow-up", and a beard: a finer grid
// hovering in front of its lower half, with normals. Nodes "face" and "beard". `detail` times as
// many rows and columns of quads as the smallest such scene.
TestScene FaceAndBeard(int detail = 1);
