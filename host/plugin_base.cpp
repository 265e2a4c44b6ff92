#include "host/plugin_base.h"

const MQWideChar* EnumPluginString(MQBasePlugin* plugin, int32_t index) {
  if (auto* menu = dynamic_cast<MQMenuBasePlugin*>(plugin)) return menu->EnumString(index);
  return nullptr;
}
