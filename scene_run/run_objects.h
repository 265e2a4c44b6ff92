// The objects a run concerned, found once in the document after it: the Source and the targets
// carried over as they stood before the run, and for each Destination still present the vertices
// the plug-in's rule moves and its morph objects, one per target. Everything that places vertices
// or tells what the run did reads the run through this.
#pragma once

#include <cstdint>
#include <vector>

#include "host_imitation/host_document.h"
#include "host_imitation/host_object.h"
#include "scene_run/document_state.h"

namespace palisor_run {

struct RunObjects {
  struct DestinationObjects {
    const ObjectState* destination = nullptr;
    // One byte per vertex, non-zero for a vertex the plug-in's rule moves: one some face uses,
    // and with "selected vertices only" one the user selected.
    std::vector<uint8_t> moving;
    // The morph object made for each target, by the target's column; null where none was made.
    std::vector<host_imitation::HostObject*> morphs;
  };
  // Null when the Source is gone.
  const ObjectState* source = nullptr;
  // One byte per Source vertex, non-zero for a vertex some face uses.
  std::vector<uint8_t> sourceUsed;
  // The targets carried over, in document order: a target's column is its place here.
  std::vector<const ObjectState*> targets;
  std::vector<DestinationObjects> destinations;
};

// The first selected object before the run is the Source, the others Destinations; a new object
// cloned from a Destination is its morph object for the target it stands after (the nearest
// earlier object that was there before the run). `before` must outlive the result. Reads the
// vertex selection the user made, which must be in place again.
RunObjects FindRunObjects(const DocumentState& before, const host_imitation::HostDocument& document,
                          bool selectedVerticesOnly);

}  // namespace palisor_run
