// The independent glTF clients (the Khronos validator and three.js's GLTFLoader under Node, and
// Blender's importer where Blender is installed), run once over a list of written files.
#pragma once

#include <string>

#include "gltf_test_scene.h"

// One file to check: `input` (may be empty) is the file it was made from, whose validator
// warnings it may keep; `targets` lists new targets as {"mesh", "primitive", "name", "position"};
// `animation`, when not empty, the morph weights {"influences": {NAME: WEIGHT}} of the node named
// "node" at "time" of the first animation; `skin`, when not empty, the places {"positions":
// [x, y, z, ...]} three.js shows the vertices of the skinned node named "node" at at "time";
// `blender`, when not empty, the vertex groups {"groups": [{JOINT: WEIGHT} per vertex]} Blender
// gives the object of the node named "object" with the mesh named "mesh".
struct ClientCheck {
  std::string output;
  std::string input;
  Json targets = Json::array();
  Json animation = Json::object();
  Json skin = Json::object();
  Json blender = Json::object();
};

// Runs the clients over the files; fails the current test with their report unless they all
// pass.
void ExpectClientsAccept(const std::vector<ClientCheck>& checks, const std::string& folder);
