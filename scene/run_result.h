// What a run did, in the scene's terms: objects made, renamed and deleted, bindings made,
// vertices moved; which objects it concerned (the Source with the targets carried over, each
// Destination with the morph objects made for it, with where their vertices started); and, for a
// scene format with morph targets of its own, what becomes of each Destination's targets, and for
// one with skins the skin weights each Destination is given. Worked out once after the run; the
// summary, the preview and the scene writers read it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "scene/point.h"

namespace palisor_scene {

// Which object of the scenes read an object stands for: the scene (in the order they were read)
// and the object's index in it. A morph object made from a Destination stands for the
// Destination's. `scene` is -1 for an object that stands for none.
struct SceneObjectRef {
  int32_t scene = -1;
  std::size_t object = 0;
  bool valid() const { return scene >= 0; }
};

struct ResultObject {
  // As it is after the run; an empty place in a row shows no vertices.
  std::string name;
  SceneObjectRef origin;
  PointSpan vertices;
  // Where the vertices started: the object's own positions before the run, or for a target its
  // Source's, for a morph object its Destination's.
  PointSpan start;
  // The object's faces; for a target without faces of its own, the Source's, which its vertices
  // follow index by index.
  FaceSpan faces;
  bool present() const { return vertices.shown(); }
};

// What a transfer along the Source's surface did to a Destination vertex (bits may combine).
enum VertexOutcome : uint8_t {
  kVertexMatchedOnSurface = 1,  // took its motion from its closest point on the Source
  kVertexFilled = 2,            // its match was refused: filled from its neighbours
  kVertexMovedRigidly = 4,      // in a part with no match at all: moved rigidly
  kVertexPushedOut = 8,         // kept outside the morphed Source in some target
  kVertexNotFinite = 16,        // its own motion was not finite: filled, moved rigidly or kept
};

struct ResultRow {
  ResultObject first;
  // One per target carried over, in the targets' order; an entry may be an empty place.
  std::vector<ResultObject> others;
  // For a Destination moved by a surface method: one VertexOutcome set per vertex; empty
  // otherwise.
  std::vector<uint8_t> marks;
};

struct Rename {
  std::string before;
  std::string after;
};

// An old morph target that a new one met under its name and that lives on under a fresh name.
struct TargetKept {
  std::string destination;
  std::string name;
  std::string backup;
};

// What a run does to the morph targets of one Destination's mesh.
struct DestinationTargets {
  // Index into RunResult::destinations.
  std::size_t row = 0;
  std::string destination;
  // A new target: the column of the target it was made from (and is named after), where it goes
  // in the mesh's list of targets, and whether it takes the place of an old target there.
  struct NewTarget {
    std::size_t column = 0;
    std::string name;
    std::size_t index = 0;
    bool replacing = false;
  };
  std::vector<NewTarget> made;
  // The mesh's target names after the run.
  std::vector<std::string> names;
  // The old targets a new one met: renamed to a backup name ("#NAME1"), or replaced in place.
  std::vector<TargetKept> keptAsBackups;
  std::vector<std::string> replaced;
};

// The skin weights a glTF result gives one Destination: the Source's skin, and per vertex of the
// Destination's object `influences` joints of that skin with their weights, the largest first
// (unused slots: joint 0, weight 0).
struct DestinationWeights {
  // Index into RunResult::destinations.
  std::size_t row = 0;
  std::string destination;
  // The skin, as an index into the file's skins.
  int skin = -1;
  std::size_t influences = 0;
  std::vector<uint32_t> joints;
  std::vector<float> weights;
  // Whether the Destination was skinned to the skin already and had its weights replaced; else
  // it takes the skin anew, and its placement moves into its positions.
  bool replaced = false;
  // What the method did to each vertex (VertexOutcome bits: matched on the surface or filled);
  // empty where it tells nothing.
  std::vector<uint8_t> marks;
};

struct RunResult {
  // In the document's order after the run.
  std::vector<std::string> created;
  std::vector<Rename> renamed;
  // In the document's order before the run.
  std::vector<std::string> deleted;
  // (base, target) names of bindings of the morph feature that were not there before.
  std::vector<std::pair<std::string, std::string>> bindingsMade;
  // Vertices whose position differs from where they started: for an object that was there before,
  // its own earlier position; for a new object, that of the same vertex of the object it was
  // cloned from.
  int64_t verticesMoved = 0;
  int32_t objectsWithMovedVertices = 0;

  // The Source with the targets carried over, then each Destination with its morph objects.
  ResultRow source;
  std::vector<ResultRow> destinations;

  // For a result written in a format with morph targets: per Destination that gets new ones.
  std::vector<DestinationTargets> targets;
  // For a result written in a format with skins, with --weights: per Destination.
  std::vector<DestinationWeights> weights;
};

}  // namespace palisor_scene
