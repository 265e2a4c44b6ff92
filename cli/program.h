// palisor-cli's program: the command line read and handed to a run on one scene file or to a run
// over many, or answered with the help or the version.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "scene_run/plugin_location.h"

namespace palisor_cli {

// `arguments` without the program name; `plugin` is the library to load. Returns the exit
// status: 0 done, 1 the plug-in refused the run, 2 a usage or input error (nothing written), 3
// some files of a run over many failed.
int RunProgram(const std::vector<std::string>& arguments, const palisor_run::PluginLocation& plugin,
               std::ostream& out, std::ostream& err);

}  // namespace palisor_cli
