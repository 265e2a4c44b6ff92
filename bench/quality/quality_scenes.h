// The quality benchmark's scenes, each of known truth (see quality_scene.h), generated in a fixed
// way: no randomness, the same floats on every run.
#pragma once

#include <string>
#include <vector>

#include "quality/quality_scene.h"

// The scenes' names, smallest last.
std::vector<std::string> QualitySceneNames();
// The scene of that name; an empty name for a name that is not one of them.
QualityScene MakeQualityScene(const std::string& name);
