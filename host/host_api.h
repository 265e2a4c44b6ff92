/* The C interface shared by the host application and its plug-ins.
 *
 * Only plain C types cross this boundary: opaque handles, fixed-size integers, float triples and
 * arrays of pointers. The same declarations serve the plug-in (which resolves the functions by
 * name at start-up) and any host that implements them. */
#ifndef PALISOR_HOST_HOST_API_H
#define PALISOR_HOST_HOST_API_H

#include <stdint.h>

#if defined(_WIN32) && !defined(_WIN64)
#define MQ_CALL __cdecl
#else
#define MQ_CALL
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* A boolean returned across the boundary: a 32-bit integer holding 0 or 1. */
typedef int32_t MQBool;

/* The host's wide characters are UTF-16 code units on every platform. */
#ifdef __cplusplus
typedef char16_t MQWideChar;
#else
typedef uint16_t MQWideChar;
#endif

typedef struct MQDocumentHandle* MQDocument;
typedef struct MQObjectHandle* MQObject;

/* A vertex position as the host stores it. */
typedef struct MQPoint {
  float x;
  float y;
  float z;
} MQPoint;

/* One (name, value) pair of a key/value array; an array ends with a pair whose name is null. */
typedef struct MQKeyValuePair {
  const char* name;
  void* value;
} MQKeyValuePair;

/* The record passed to MQ_SendMessage. */
typedef struct MQSendMessageInfo {
  uint32_t product;
  uint32_t id;
  int32_t reserved;
  MQKeyValuePair* option;
} MQSendMessageInfo;

/* Message codes of MQ_SendMessage. */
enum { MQMESSAGE_USER_MESSAGE = 101, MQMESSAGE_GET_RESOURCE_STRING = 506 };

/* Integer attributes of objects as the plug-in reads them. */
enum {
  MQOBJECT_ATTRIBUTE_257 = 257,
  MQOBJECT_ATTRIBUTE_259 = 259,
  MQOBJECT_ATTRIBUTE_SELECTED = 262
};

/* The MQObj_PointerArray request that writes an object's name. */
enum { MQOBJECT_POINTER_NAME = 1301 };

/* Signatures of the host functions that the plug-in calls. */
typedef MQBool(MQ_CALL* MQ_SendMessage_Function)(int32_t message, MQSendMessageInfo* info);

typedef int32_t(MQ_CALL* MQDoc_GetObjectCount_Function)(MQDocument document);
typedef MQObject(MQ_CALL* MQDoc_GetObject_Function)(MQDocument document, int32_t index);
typedef int32_t(MQ_CALL* MQDoc_GetObjectIndex_Function)(MQDocument document, MQObject object);
typedef void(MQ_CALL* MQDoc_GetUnusedObjectName_Function)(MQDocument document, char* buffer,
                                                          int32_t bufferSize, const char* baseName);
typedef int32_t(MQ_CALL* MQDoc_InsertObject_Function)(MQDocument document, MQObject object,
                                                      MQObject reference);
typedef void(MQ_CALL* MQDoc_DeleteObject_Function)(MQDocument document, int32_t index);
typedef MQBool(MQ_CALL* MQDoc_IsSelectVertex_Function)(MQDocument document, int32_t objectIndex,
                                                       int32_t vertexIndex);

typedef MQObject(MQ_CALL* MQObj_Clone_Function)(MQObject object);
typedef void(MQ_CALL* MQObj_Delete_Function)(MQObject object);
typedef int32_t(MQ_CALL* MQObj_GetIntValue_Function)(MQObject object, int32_t attribute);
typedef void(MQ_CALL* MQObj_SetIntValue_Function)(MQObject object, int32_t attribute,
                                                  int32_t value);
typedef uint32_t(MQ_CALL* MQObj_GetVisible_Function)(MQObject object);
typedef void(MQ_CALL* MQObj_SetVisible_Function)(MQObject object, uint32_t visible);
typedef void(MQ_CALL* MQObj_SetName_Function)(MQObject object, const char* name);
typedef void(MQ_CALL* MQObj_PointerArray_Function)(MQObject object, int32_t request,
                                                   void** pointers);
typedef int32_t(MQ_CALL* MQObj_GetVertexCount_Function)(MQObject object);
typedef int32_t(MQ_CALL* MQObj_GetVertexRefCount_Function)(MQObject object, int32_t vertex);
typedef void(MQ_CALL* MQObj_GetVertex_Function)(MQObject object, int32_t vertex, MQPoint* position);
typedef void(MQ_CALL* MQObj_SetVertex_Function)(MQObject object, int32_t vertex, MQPoint* position);

typedef int32_t(MQ_CALL* MQWidget_Value_Function)(int32_t widget, int32_t operation, void* values);
typedef int32_t(MQ_CALL* MQCanvas_Value_Function)(void* canvas, int32_t operation, void* values);

/* Host functions that the plug-in resolves but never calls are kept with this generic type. */
typedef void(MQ_CALL* MQGeneric_Function)(void);

#ifdef __cplusplus
}
#endif

#endif
