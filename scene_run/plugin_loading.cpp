#include "scene_run/plugin_loading.h"

#include <string>

namespace palisor_run {

namespace {

constexpr const char16_t* kMenuEntry = u"Palisor";
// The type code of a plug-in that works on the objects of a document.
constexpr int32_t kObjectPluginType = 4;
// More menu entries than any plug-in offers: the walk stops there if the list never ends.
constexpr int32_t kMenuEntryLimit = 1000;

}  // namespace

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
