// Writes a glTF file back out after a run: everything it held stays as it was (the accessors'
// bytes included), and the morph objects made for its meshes become new morph targets of those
// meshes, named as the Source targets they were made from.
#pragma once

#include <cstdio>
#include <deque>
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

// The bytes of a written file in pieces, so that large buffers are written from where they lie
// (the input's buffers must outlive it).
class GltfBytes {
 public:
  void Add(std::string owned);
  // Floats kept, and written as they lie in memory.
  void Add(std::vector<float> owned);
  void Refer(const void* data, std::size_t size);
  // 0, or the errno of a failed write.
  int Write(std::FILE* file) const;
  std::string Joined() const;

 private:
  std::deque<std::string> owned_;
  std::deque<std::vector<float>> ownedFloats_;
  std::vector<std::pair<const char*, std::size_t>> pieces_;
};

// `before` holds every object the document had before the run. Returns the file's bytes and
// fills `made` with the targets added per Destination.
GltfBytes WriteGltfResult(const GltfFile& file, const host_imitation::HostDocument& document,
                          const std::set<const host_imitation::HostObject*>& before,
                          const GltfOutput& output, std::vector<TargetsMade>& made);

}  // namespace palisor_cli
