// palisor-cli: carries morphs over between meshes in scene files by running the Palisor plug-in
// inside the imitated host, with its dialog answered from the command line.
#include <iostream>
#include <string>
#include <vector>

#include "cli/program.h"
#include "scene_run/plugin_location.h"

int main(int argc, char** argv) {
  const std::vector<std::string> arguments(argv + 1, argv + argc);
  palisor_run::PluginLocation plugin = palisor_run::LocatePlugin(
      argc > 0 ? argv[0] : "", PALISOR_PLUGIN_FILE_NAME, PALISOR_PLUGIN_BUILD_PATH);
  plugin.programPath = palisor_run::RunningProgramPath(argc > 0 ? argv[0] : "");
  const int status = palisor_cli::RunProgram(arguments, plugin, std::cout, std::cerr);
  std::cout.flush();
  return status;
}
