#include "scene_run/unmoved_destinations.h"

#include <algorithm>
#include <cstdint>

namespace palisor_run {

namespace {

bool AnySet(const std::vector<uint8_t>& flags) {
  return std::any_of(flags.begin(), flags.end(), [](uint8_t flag) { return flag != 0; });
}

bool HasFaces(const ObjectState& object) {
  return object.faces && !object.faces->sizes.empty();
}

}  // namespace

void WarnOfUnmovedDestinations(const RunObjects& objects, bool selectedVerticesOnly,
                               std::ostream& err) {
  for (const RunObjects::DestinationObjects& row : objects.destinations) {
    if (AnySet(row.moving)) continue;
    const ObjectState& destination = *row.destination;
    err << "palisor-cli: warning: the Destination '" << destination.name << "' cannot move: ";
    if (!HasFaces(destination)) {
      err << "it has no faces, and only the vertices of faces move\n";
    } else if (selectedVerticesOnly) {
      err << "none of its vertices is selected (--selected-vertices-only)\n";
    } else {
      err << "no face uses any of its vertices\n";
    }
  }
}

}  // namespace palisor_run
