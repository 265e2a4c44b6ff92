// The plug-in library, loaded once through its exports as palisor-cli loads it and kept loaded
// for every input, as the host keeps it.
#pragma once

#include <cstdint>
#include <string>

#include "host_imitation/plugin_module.h"
#include "scene_run/plugin_loading.h"

struct LoadedPlugin {
  host_imitation::PluginModule module;
  int32_t menuEntry = -1;
};

inline LoadedPlugin& Plugin() {
  static LoadedPlugin* const plugin = [] {
    auto* loaded = new LoadedPlugin;
    const palisor_run::PluginLocation location{
        PALISOR_PLUGIN_PATH, {PALISOR_PLUGIN_PATH}, PALISOR_PLUGIN_PATH, std::string()};
    loaded->menuEntry = palisor_run::LoadPlugin(loaded->module, location);
    return loaded;
  }();
  return *plugin;
}

// Loading before the first input lets libFuzzer count the library's coverage from the start.
extern "C" int LLVMFuzzerInitialize(int*, char***) {
  Plugin();
  return 0;
}
