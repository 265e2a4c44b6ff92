// Which objects a finished run concerned, found in the document whatever scene format it came
// from: the Source and the chosen targets that were carried over, and for each Destination the
// morph objects made for it, one per target. Each comes with the positions its vertices are
// measured against to tell how far they moved.
#pragma once

#include <vector>

#include "cli/document_changes.h"
#include "host/host_api.h"
#include "host_imitation/host_document.h"
#include "host_imitation/host_object.h"

namespace palisor_cli {

struct OutcomeObject {
  // As it is after the run; null where there is no such object.
  const host_imitation::HostObject* object = nullptr;
  // Where the vertices started: the object's own positions before the run, or for a target its
  // Source's, for a morph object its Destination's.
  const std::vector<MQPoint>* start = nullptr;
  // The object's faces; for a target without faces of its own, the Source's, which its vertices
  // follow index by index.
  const host_imitation::FaceList* faces = nullptr;
};

struct OutcomeRow {
  OutcomeObject first;
  // One per target, in the targets' order; an entry may be empty.
  std::vector<OutcomeObject> others;
};

struct RunOutcome {
  // The Source with the targets carried over, then each Destination with its morph objects.
  OutcomeRow source;
  std::vector<OutcomeRow> destinations;
};

// `before` is the document as captured just before the run. A new object made by cloning a
// Destination is that Destination's morph object for the target it stands after (the nearest
// earlier object that was there before the run); the targets are taken in document order.
RunOutcome FindRunOutcome(const DocumentState& before,
                          const host_imitation::HostDocument& document);

}  // namespace palisor_cli
