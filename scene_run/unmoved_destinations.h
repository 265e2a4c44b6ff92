// Destinations a run could not move at all: their morph objects are copies of them, which the
// user should hear of rather than find out.
#pragma once

#include <ostream>

#include "scene_run/run_objects.h"

namespace palisor_run {

// A warning on `err` for every Destination none of whose vertices the run may move: it has no
// faces (only vertices of faces move), or none of its vertices is selected where only selected
// vertices move.
void WarnOfUnmovedDestinations(const RunObjects& objects, bool selectedVerticesOnly,
                               std::ostream& err);

}  // namespace palisor_run
