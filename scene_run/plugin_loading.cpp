#include "scene_run/plugin_loading.h"

#include <filesystem>
#include <system_error>

namespace palisor_run {

namespace {

constexpr const char16_t* kMenuEntry = u"Palisor";
// The type code of a plug-in that works on the objects of a document.
constexpr int32_t kObjectPluginType = 4;
// More menu entries than any plug-in offers: the walk stops there if the list never ends.
constexpr int32_t kMenuEntryLimit = 1000;

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

int32_t LoadPlugin(host_imitation::PluginModule& plugin, const PluginLocation& location) {
  const std::string& path = location.path;
  if (!plugin.Load(path)) {
    std::string tried;
    for (const std::string& place : location.tried)
      tried += (tried.empty() ? "" : ", then ") + place;
    throw PluginError("cannot use the plug-in: " + plugin.error + "\npalisor-cli: looked for " +
                      location.fileName + " at " + tried + "; the plug-in library must sit " +
                      "beside the program");
  }
  if (!plugin.Initialise()) throw PluginError("cannot use the plug-in: " + plugin.error);
  uint32_t product = 0;
  uint32_t id = 0;
  plugin.MQGetPlugInID(&product, &id);
  const char* name = plugin.MQGetPlugInName();
  const std::string shownName = name != nullptr ? name : "(no name)";
  if (plugin.MQGetPlugInType() != kObjectPluginType) {
    throw PluginError(path + " (" + shownName + ") is not an object plug-in");
  }
  for (int32_t index = 0; index < kMenuEntryLimit; ++index) {
    const MQWideChar* entry = plugin.MQEnumStringW(index);
    if (entry == nullptr) break;
    if (std::u16string(entry) == kMenuEntry) return index;
  }
  throw PluginError(path + " (" + shownName + ") offers no menu entry \"Palisor\"");
}

}  // namespace palisor_run
