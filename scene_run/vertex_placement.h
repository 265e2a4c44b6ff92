// Where palisor-cli places the morph objects' vertices itself. The plug-in's run makes the morph
// objects, names them and binds them; their vertices are then placed by the transfer library:
//   - for a surface method (--method surface or carry), which the plug-in does not have;
//   - for the plug-in's own rule in a run over many files, where the Source's search is built
//     once for every file instead of once per Destination. The transfer library computes that
//     rule with the plug-in's own search and arithmetic, bit for bit.
// The placement is computed from the run's objects alone, with no access to the document.
#pragma once

#include <cstdint>
#include <vector>

#include "scene_run/prepared_source_cache.h"
#include "scene_run/prepared_source_shape.h"
#include "scene_run/run_objects.h"
#include "scene_run/run_options.h"
#include "search/nearest_search.h"
#include "surface_transfer/surface_methods.h"
#include "transfer/transfer.h"

namespace palisor_run {

// Where one Destination's vertices go.
struct DestinationPlacement {
  // deltas[column][vertex]: each vertex's motion in each target; zero for a vertex that does not
  // move.
  std::vector<std::vector<Vector3>> deltas;
  // What a surface method did to each vertex (palisor_scene::VertexOutcome bits); empty for the
  // plug-in's rule.
  std::vector<uint8_t> marks;
};

// The Source's motion in every target, made ready once for all the Destinations of a run.
class VertexPlacement {
 public:
  // Throws InputError where the Source cannot serve the method. `objects` must have a Source
  // and outlive this.
  VertexPlacement(const SceneRunOptions& options, const RunObjects& objects,
                  PreparedSourceCache& cache);

  // Throws InputError where the Destination cannot be moved by the method. With `lastMatch`, no
  // Destination will be matched to the Source's surface after this one: its search is freed
  // once this one is, which lowers the run's peak of memory.
  DestinationPlacement Place(const RunObjects::DestinationObjects& row, bool lastMatch) const;

 private:
  DestinationPlacement ByTheRule(const std::vector<Vector3>& rest,
                                 const std::vector<uint8_t>& moving) const;
  DestinationPlacement AlongTheSurface(const RunObjects::DestinationObjects& row,
                                       const std::vector<Vector3>& rest, bool lastMatch) const;

  const RunObjects& objects_;
  PreparedSourceShape& source_;
  std::vector<std::vector<Vector3>> displacements_;
  std::vector<TargetDisplacements> targets_;
  bool alongSurface_ = false;
  SurfaceTransferOptions surfaceOptions_;
};

}  // namespace palisor_run
