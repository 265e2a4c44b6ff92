// Reads a Wavefront OBJ scene. Every mistake in the file is a SceneError naming the file and the
// line.
#pragma once

#include <string>

#include "scene/scene.h"

namespace palisor_scene {

// `fileLabel` names the text in messages.
Scene ReadObjText(const std::string& text, const std::string& fileLabel);
Scene ReadObjFile(const std::string& path);

}  // namespace palisor_scene
