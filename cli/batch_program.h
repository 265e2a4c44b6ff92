// palisor-cli over many scene files: one Source scene carried onto each file, the files in worker
// processes side by side, a failing file not stopping the others, a JSON report.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "cli/plugin_loading.h"

namespace palisor_cli {

// Exit status: 0 when every file was done, 1 when the plug-in refused every one, 2 for a usage or
// input error before any file was run (nothing written), 3 when some files failed.
int RunBatchProgram(const std::vector<std::string>& arguments, const PluginLocation& plugin,
                    std::ostream& out, std::ostream& err);

}  // namespace palisor_cli
