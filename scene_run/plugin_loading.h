// Loads the plug-in library as the host does and finds its menu entry.
#pragma once

#include <cstdint>

#include "host_imitation/plugin_module.h"
#include "scene_run/plugin_location.h"

namespace palisor_run {

// Loads the library by its exports, checks the version and initialises it (MQCheckVersion,
// MQInit), asks its identity and type, and returns the index of its menu entry "Palisor" among
// the strings MQEnumStringW gives. Throws PluginError; one that cannot be loaded at all names
// the places tried and where the library belongs.
int32_t LoadPlugin(host_imitation::PluginModule& plugin, const PluginLocation& location);

}  // namespace palisor_run
