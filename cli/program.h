// The whole of palisor-cli: read the scene, prepare the document, run the plug-in with the
// dialog answered, report, write the result.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "cli/plugin_loading.h"

namespace palisor_cli {

// Exit statuses.
constexpr int kFinished = 0;  // the run ended with OK or Cancel (or --list, --help, --version)
constexpr int kRefused = 1;   // the plug-in refused the run; its warning went to `err`
constexpr int kError = 2;     // a usage or input error; nothing was written

// `arguments` without the program name; `plugin` is the library to load.
int RunProgram(const std::vector<std::string>& arguments, const PluginLocation& plugin,
               std::ostream& out, std::ostream& err);

}  // namespace palisor_cli
