// Where the plug-in library is: found beside the running program or where the build made it.
#pragma once

#include <stdexcept>
#include <string>
#include <vector>

namespace palisor_run {

// The plug-in library could not be loaded or is not the object plug-in the command line runs.
class PluginError : public std::runtime_error {
 public:
  explicit PluginError(const std::string& message) : std::runtime_error(message) {}
};

// The plug-in library to load, and every place that was looked at for it, in order.
struct PluginLocation {
  std::string path;
  std::vector<std::string> tried;
  std::string fileName;
  // The running program itself, which a run over many files starts again for its workers; empty
  // where the program is not palisor-cli (the files then run one after another in-process).
  std::string programPath;
};

// The running program's file, from its argv[0].
std::string RunningProgramPath(const std::string& argumentZero);

// The library file beside the running program when there is one, else `buildPath`.
PluginLocation LocatePlugin(const std::string& programPath, const std::string& fileName,
                            const std::string& buildPath);

}  // namespace palisor_run
