// The plug-in's exported entry points. Each forwards to the plug-in object; none lets an
// exception escape into the host.
#include "host/plugin_exports.h"

#include "host/event_router.h"
#include "host/guarded_call.h"
#include "host/host_function_table.h"
#include "host/import_plugin.h"
#include "host/plugin_base.h"

namespace {

constexpr uint32_t kOldestAcceptedHostVersion = 0x4702;
constexpr uint32_t kPluginInterfaceVersion = 0x0472;

MQBool ToHostBool(bool value) {
  return value ? 1 : 0;
}

MQBool ExecuteMenuEntry(int32_t index, MQDocument document) {
  return mq::GuardedCall<MQBool>(0, [&] {
    auto* menu = dynamic_cast<MQMenuBasePlugin*>(GetPluginInstance());
    return ToHostBool(menu != nullptr && menu->Execute(index, document));
  });
}

// The plug-in object as a file plug-in, or null when its type is no file type.
MQImportPlugin* FilePlugin() {
  MQBasePlugin* plugin = GetPluginInstance();
  const int32_t type = plugin->GetPlugInType();
  if (type != MQPLUGIN_TYPE_IMPORT && type != MQPLUGIN_TYPE_EXPORT) return nullptr;
  return dynamic_cast<MQImportPlugin*>(plugin);
}

}  // namespace

extern "C" {

MQBool MQ_CALL MQInit(const char* executableName) {
  return mq::GuardedCall<MQBool>(
      0, [&] { return ToHostBool(mq::ResolveHostFunctions(executableName)); });
}

uint32_t MQ_CALL MQCheckVersion(uint32_t hostVersion) {
  return hostVersion < kOldestAcceptedHostVersion ? 0 : kPluginInterfaceVersion;
}

void MQ_CALL MQGetPlugInID(uint32_t* product, uint32_t* id) {
  mq::GuardedCall([&] { GetPluginInstance()->GetPlugInID(product, id); });
}

const char* MQ_CALL MQGetPlugInName(void) {
  return mq::GuardedCall<const char*>(nullptr, [] { return GetPluginInstance()->GetPlugInName(); });
}

int32_t MQ_CALL MQGetPlugInType(void) {
  return mq::GuardedCall<int32_t>(0, [] { return GetPluginInstance()->GetPlugInType(); });
}

const MQWideChar* MQ_CALL MQEnumStringW(int32_t index) {
  return mq::GuardedCall<const MQWideChar*>(nullptr, [&]() -> const MQWideChar* {
    MQBasePlugin* plugin = GetPluginInstance();
    const int32_t type = plugin->GetPlugInType();
    const bool menuType = type == MQPLUGIN_TYPE_CREATE || type == MQPLUGIN_TYPE_OBJECT ||
                          type == MQPLUGIN_TYPE_SELECT;
    const bool stationType = type == MQPLUGIN_TYPE_STATION || type == MQPLUGIN_TYPE_COMMAND;
    if (!menuType && !(stationType && index == 0)) return nullptr;
    return EnumPluginString(plugin, index);
  });
}

// File types and extensions come from file plug-ins (types 1 and 2), the type read afresh at every
// call. Of the file plug-in classes this library knows the importer.
const char* MQ_CALL MQEnumFileType(int32_t index) {
  return mq::GuardedCall<const char*>(nullptr, [&]() -> const char* {
    MQImportPlugin* importer = FilePlugin();
    return importer != nullptr ? importer->EnumFileType(index) : nullptr;
  });
}

const char* MQ_CALL MQEnumFileExt(int32_t index) {
  return mq::GuardedCall<const char*>(nullptr, [&]() -> const char* {
    MQImportPlugin* importer = FilePlugin();
    return importer != nullptr ? importer->EnumFileExt(index) : nullptr;
  });
}

MQBool MQ_CALL MQImportFileW(int32_t index, const MQWideChar* fileName, MQDocument document) {
  return mq::GuardedCall<MQBool>(0, [&] {
    MQImportPlugin* importer = FilePlugin();
    return ToHostBool(importer != nullptr && importer->ImportFile(index, fileName, document));
  });
}

// No class of this library exports files.
MQBool MQ_CALL MQExportFileW(int32_t, const MQWideChar*, MQDocument) {
  return 0;
}

MQBool MQ_CALL MQCreate(int32_t index, MQDocument document) {
  return ExecuteMenuEntry(index, document);
}

MQBool MQ_CALL MQModifyObject(int32_t index, MQDocument document) {
  return ExecuteMenuEntry(index, document);
}

MQBool MQ_CALL MQModifySelect(int32_t index, MQDocument document) {
  return ExecuteMenuEntry(index, document);
}

MQBool MQ_CALL MQOnEvent(MQDocument document, int32_t event, void* option) {
  return mq::GuardedCall<MQBool>(
      0, [&] { return ToHostBool(RouteHostEvent(GetPluginInstance(), document, event, option)); });
}

}  // extern "C"
