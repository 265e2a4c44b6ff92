// A plug-in library loaded the way the host loads one: by its exports, after the version check
// and MQInit with the path of the module that exports the host functions.
#pragma once

#include <string>

#include "host/plugin_exports.h"

namespace host_imitation {

// The host version the imitation reports to MQCheckVersion.
constexpr uint32_t kHostVersion = 0x4702;

// The module that exports the imitated host functions: the running executable on Windows, the
// host library elsewhere.
std::string HostModulePath();

// A host function as a plug-in finds it: exported by `name` from the host module. Null when the
// module exports no such function.
void* HostFunctionAddress(const char* name);

class PluginModule {
 public:
  PluginModule() = default;
  PluginModule(const PluginModule&) = delete;
  PluginModule& operator=(const PluginModule&) = delete;
  ~PluginModule();

  // Loads the library and looks up its fourteen exports; false with `error` set when the library
  // cannot be loaded or lacks one.
  bool Load(const std::string& path);
  // MQCheckVersion, then MQInit with HostModulePath(); false with `error` set on refusal.
  bool Initialise();

  MQInit_Export MQInit = nullptr;
  MQCheckVersion_Export MQCheckVersion = nullptr;
  MQGetPlugInID_Export MQGetPlugInID = nullptr;
  MQGetPlugInName_Export MQGetPlugInName = nullptr;
  MQGetPlugInType_Export MQGetPlugInType = nullptr;
  MQEnumStringW_Export MQEnumStringW = nullptr;
  MQEnumFileType_Export MQEnumFileType = nullptr;
  MQEnumFileExt_Export MQEnumFileExt = nullptr;
  MQImportFileW_Export MQImportFileW = nullptr;
  MQExportFileW_Export MQExportFileW = nullptr;
  MQCreate_Export MQCreate = nullptr;
  MQModifyObject_Export MQModifyObject = nullptr;
  MQModifySelect_Export MQModifySelect = nullptr;
  MQOnEvent_Export MQOnEvent = nullptr;

  std::string error;

 private:
  void* module_ = nullptr;
};

}  // namespace host_imitation
