// The host framework's plug-in classes that the exports drive.
#pragma once

#include <cstdint>

#include "host/host_api.h"

// Plug-in types as the host reads them from GetPlugInType.
enum MQPluginType : int32_t {
  MQPLUGIN_TYPE_IMPORT = 1,
  MQPLUGIN_TYPE_EXPORT = 2,
  MQPLUGIN_TYPE_CREATE = 3,
  MQPLUGIN_TYPE_OBJECT = 4,
  MQPLUGIN_TYPE_SELECT = 5,
  MQPLUGIN_TYPE_STATION = 6,
  MQPLUGIN_TYPE_COMMAND = 7,
};

class MQBasePlugin {
 public:
  virtual ~MQBasePlugin() = default;
  virtual void GetPlugInID(uint32_t* product, uint32_t* id) = 0;
  virtual const char* GetPlugInName() = 0;
  virtual int32_t GetPlugInType() = 0;
};

// A plug-in that adds entries to one of the host's menus.
class MQMenuBasePlugin : public MQBasePlugin {
 public:
  // The text of menu entry `index`, or null past the last entry.
  virtual const MQWideChar* EnumString(int32_t index) = 0;
  // Runs menu entry `index` on `document`.
  virtual bool Execute(int32_t index, MQDocument document) = 0;
};

// A plug-in of the host's object menu.
class MQObjectPlugin : public MQMenuBasePlugin {
 public:
  int32_t GetPlugInType() override { return MQPLUGIN_TYPE_OBJECT; }
};

// The single plug-in object, made on the first call.
MQBasePlugin* GetPluginInstance();

// The menu string `index` of a plug-in that has menu strings, or null.
const MQWideChar* EnumPluginString(MQBasePlugin* plugin, int32_t index);
