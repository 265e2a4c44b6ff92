#include "scene_run/plugin_location.h"

#include <filesystem>
#include <system_error>

namespace palisor_run {

namespace {

std::filesystem::path RunningProgram(const std::string& programPath) {
  std::error_code error;
#ifndef _WIN32
  const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
  if (!error) return self;
#endif
  return std::filesystem::absolute(programPath, error);
}

}  // namespace

std::string RunningProgramPath(const std::string& argumentZero) {
  return RunningProgram(argumentZero).string();
}

PluginLocation LocatePlugin(const std::string& programPath, const std::string& fileName,
                            const std::string& buildPath) {
  const std::filesystem::path beside = RunningProgram(programPath).parent_path() / fileName;
  PluginLocation location{beside.string(), {beside.string()}, fileName, {}};
  std::error_code error;
  if (std::filesystem::is_regular_file(beside, error)) return location;
  if (buildPath != location.path) location.tried.push_back(buildPath);
  location.path = buildPath;
  return location;
}

}  // namespace palisor_run
