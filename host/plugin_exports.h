/* The fourteen entry points that a plug-in exports to its host. C linkage, C calling convention.
 * The host calls each of them on its user-interface thread only, one at a time; the plug-in may
 * call host functions back (host_api.h) on that thread before it returns. */
#ifndef PALISOR_HOST_PLUGIN_EXPORTS_H
#define PALISOR_HOST_PLUGIN_EXPORTS_H

#include "host/host_api.h"

#if defined(_WIN32)
#define MQ_PLUGIN_EXPORT __declspec(dllexport)
#else
#define MQ_PLUGIN_EXPORT __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
extern "C" {
#endif

MQ_PLUGIN_EXPORT MQBool MQ_CALL MQInit(const char* executableName);
MQ_PLUGIN_EXPORT uint32_t MQ_CALL MQCheckVersion(uint32_t hostVersion);
MQ_PLUGIN_EXPORT void MQ_CALL MQGetPlugInID(uint32_t* product, uint32_t* id);
MQ_PLUGIN_EXPORT const char* MQ_CALL MQGetPlugInName(void);
MQ_PLUGIN_EXPORT int32_t MQ_CALL MQGetPlugInType(void);
MQ_PLUGIN_EXPORT const MQWideChar* MQ_CALL MQEnumStringW(int32_t index);
MQ_PLUGIN_EXPORT const char* MQ_CALL MQEnumFileType(int32_t index);
MQ_PLUGIN_EXPORT const char* MQ_CALL MQEnumFileExt(int32_t index);
MQ_PLUGIN_EXPORT MQBool MQ_CALL MQImportFileW(int32_t index, const MQWideChar* fileName,
                                              MQDocument document);
MQ_PLUGIN_EXPORT MQBool MQ_CALL MQExportFileW(int32_t index, const MQWideChar* fileName,
                                              MQDocument document);
MQ_PLUGIN_EXPORT MQBool MQ_CALL MQCreate(int32_t index, MQDocument document);
MQ_PLUGIN_EXPORT MQBool MQ_CALL MQModifyObject(int32_t index, MQDocument document);
MQ_PLUGIN_EXPORT MQBool MQ_CALL MQModifySelect(int32_t index, MQDocument document);
MQ_PLUGIN_EXPORT MQBool MQ_CALL MQOnEvent(MQDocument document, int32_t event, void* option);

/* The same entry points as a host holds them after looking them up by name. */
typedef MQBool(MQ_CALL* MQInit_Export)(const char*);
typedef uint32_t(MQ_CALL* MQCheckVersion_Export)(uint32_t);
typedef void(MQ_CALL* MQGetPlugInID_Export)(uint32_t*, uint32_t*);
typedef const char*(MQ_CALL* MQGetPlugInName_Export)(void);
typedef int32_t(MQ_CALL* MQGetPlugInType_Export)(void);
typedef const MQWideChar*(MQ_CALL* MQEnumStringW_Export)(int32_t);
typedef const char*(MQ_CALL* MQEnumFileType_Export)(int32_t);
typedef const char*(MQ_CALL* MQEnumFileExt_Export)(int32_t);
typedef MQBool(MQ_CALL* MQImportFileW_Export)(int32_t, const MQWideChar*, MQDocument);
typedef MQBool(MQ_CALL* MQExportFileW_Export)(int32_t, const MQWideChar*, MQDocument);
typedef MQBool(MQ_CALL* MQCreate_Export)(int32_t, MQDocument);
typedef MQBool(MQ_CALL* MQModifyObject_Export)(int32_t, MQDocument);
typedef MQBool(MQ_CALL* MQModifySelect_Export)(int32_t, MQDocument);
typedef MQBool(MQ_CALL* MQOnEvent_Export)(MQDocument, int32_t, void*);

#ifdef __cplusplus
}
#endif

#endif
