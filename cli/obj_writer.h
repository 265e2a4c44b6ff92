// Writes a scene as Wavefront OBJ: the header lines, every object with all its vertices in index
// order and its faces, then the morph feature's bindings as comments that the reader understands.
#pragma once

#include <string>

#include "cli/obj_scene.h"

namespace palisor_cli {

std::string WriteObjText(const Scene& scene);

}  // namespace palisor_cli
