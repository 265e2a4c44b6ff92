// The command line of palisor-cli for one scene file, parsed but not yet matched against a scene.
#pragma once

#include <string>
#include <vector>

#include "scene_run/run_options.h"

namespace palisor_cli {

struct Arguments {
  palisor_run::SceneRunOptions run;
  bool help = false;
  bool version = false;
};

// Throws InputError for anything that is not a valid command line.
Arguments ParseArguments(const std::vector<std::string>& arguments);

// "0,5,10-20" as ranges; throws InputError when the text is not such a list.
std::vector<palisor_run::IndexRange> ParseIndexList(const std::string& text);

}  // namespace palisor_cli
