// Where palisor-cli places the morph objects' vertices itself. The plug-in's run makes the morph
// objects, names them and binds them; their vertices are then set by the transfer library:
//   - for a surface method (--method surface or carry), which the plug-in does not have;
//   - for the plug-in's own rule in a run over many files, where the Source's search is built
//     once for every file instead of once per Destination. The transfer library computes that
//     rule with the plug-in's own search and arithmetic, bit for bit.
// The plug-in is then asked to move only the selected vertices, with no vertex selected: it makes
// everything but moves nothing, and the user's selection is held aside meanwhile.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "cli/arguments.h"
#include "cli/run_result_finding.h"
#include "host_imitation/host_document.h"

namespace palisor_cli {

// The Source made ready for placing vertices, kept for the next run: a run over many files with
// one Source prepares it once. A different Source is prepared afresh.
class PreparedSourceCache {
 public:
  PreparedSourceCache();
  ~PreparedSourceCache();
  PreparedSourceCache(const PreparedSourceCache&) = delete;
  PreparedSourceCache& operator=(const PreparedSourceCache&) = delete;

  struct Kept;
  // What is kept for the Source `object` as it was before the run (`positions`); made afresh for
  // another Source.
  Kept& For(const host_imitation::HostObject& object, const std::vector<MQPoint>& positions);

 private:
  std::unique_ptr<Kept> kept_;
};

// The vertex selection of every object of a document, taken off while the plug-in runs.
class HeldSelection {
 public:
  // Clears every object's vertex selection, keeping it here.
  void Hold(host_imitation::HostDocument& document);
  // Gives every object its selection back; an object made meanwhile gets that of the object it
  // was cloned from.
  void Restore(host_imitation::HostDocument& document) const;
  bool IsSelected(const host_imitation::HostObject& object, std::size_t vertex) const;

 private:
  std::map<int32_t, std::vector<bool>> bySerial_;
};

// Sets the vertices of every morph object of the run by the method of `arguments`. Returns, for
// each Destination of `objects` in its order, what a surface method did to each of its vertices
// (palisor_scene::VertexOutcome bits; empty for the plug-in's rule).
std::vector<std::vector<uint8_t>> PlaceMorphVertices(const Arguments& arguments,
                                                     const RunObjects& objects,
                                                     const HeldSelection& selection,
                                                     PreparedSourceCache& cache);

}  // namespace palisor_cli
