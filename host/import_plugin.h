// Import plug-ins: plug-ins that read a file format into a document. The operations follow the
// base plug-in's in the virtual table, in the order declared here.
#pragma once

#include <cstdint>

#include "host/host_api.h"
#include "host/plugin_base.h"

class MQImportPlugin : public MQBasePlugin {
 public:
  int32_t GetPlugInType() override { return MQPLUGIN_TYPE_IMPORT; }

  // The description of file type `index`, and its extensions; null past the last type.
  virtual const char* EnumFileType(int32_t index) = 0;
  virtual const char* EnumFileExt(int32_t index) = 0;
  // Reads `filename`, of file type `index`, into `document`.
  virtual bool ImportFile(int32_t index, const MQWideChar* filename, MQDocument document) = 0;
  // Whether the plug-in can import while the host goes on working (event 300).
  virtual bool SupportsBackgroundImport() { return false; }

  // Set by the host before an import (event 301): whether this import runs in the background,
  // and the host's block of import arguments.
  int32_t background = 0;
  void* arguments = nullptr;
};
