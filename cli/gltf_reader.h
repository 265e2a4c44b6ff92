// Reads a glTF 2.0 scene (.gltf with external or embedded buffers, or .glb) into the objects of
// a document. Every fault of the file is an InputError naming the file and the JSON place.
#pragma once

#include <string>

#include "cli/gltf_file.h"

namespace palisor_cli {

GltfScene ReadGltfFile(const std::string& path);

}  // namespace palisor_cli
