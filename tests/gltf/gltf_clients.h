// The independent glTF clients (the Khronos validator and three.js's GLTFLoader under Node),
// run once over a list of written files.
#pragma once

#include <string>

#include "gltf_test_scene.h"

// One file to check: `input` (may be empty) is the file it was made from, whose validator
// warnings it may keep; `targets` lists new targets as {"mesh", "primitive", "name", "position"};
// `animation`, when not empty, the morph weights {"influences": {NAME: WEIGHT}} of the node named
// "node" at "time" of the first animation.
struct ClientCheck {
  std::string output;
  std::string input;
  Json targets = Json::array();
  Json animation = Json::object();
};

// Runs the clients over the files; fails the current test with their report unless they all
// pass.
void ExpectClientsAccept(const std::vector<ClientCheck>& checks, const std::string& folder);
