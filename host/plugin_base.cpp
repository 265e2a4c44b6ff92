#include "host/plugin_base.h"

#include "host/station_plugin.h"

const MQWideChar* EnumPluginString(MQBasePlugin* plugin, int32_t index) {
  if (auto* menu = dynamic_cast<MQMenuBasePlugin*>(plugin)) return menu->EnumString(index);
  if (auto* station = dynamic_cast<MQStationPlugin*>(plugin)) return station->EnumString(index);
  return nullptr;
}
