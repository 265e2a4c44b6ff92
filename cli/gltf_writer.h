// Writes a glTF file back out after a run: everything it held stays as it was (the accessors'
// bytes included), and the morph objects made for its meshes become new morph targets of those
// meshes, named as the Source targets they were made from.
#pragma once

#include <set>
#include <string>
#include <vector>

#include "cli/gltf_file.h"
#include "cli/targets_made.h"
#include "host_imitation/host_document.h"

namespace palisor_cli {

struct GltfOutput {
  std::string path;
  // A .glb file, else .gltf text with the new data embedded.
  bool binary = false;
  // Whether a target whose name a new one takes lives on under a fresh "#" name (else the new
  // target replaces it), as the dialog's backup option says.
  bool keepBackups = true;
};

// `before` holds every object the document had before the run. Returns the file's bytes and
// fills `made` with the targets added per Destination.
std::string WriteGltfResult(const GltfFile& file, const host_imitation::HostDocument& document,
                            const std::set<const host_imitation::HostObject*>& before,
                            const GltfOutput& output, std::vector<TargetsMade>& made);

}  // namespace palisor_cli
