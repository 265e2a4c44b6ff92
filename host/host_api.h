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

/* The name limit a plug-in hands with MQOBJECT_POINTER_NAME, terminator included: the host cuts a
 * longer name to its first MQOBJECT_NAME_LIMIT - 1 bytes. A name read at that length may be the
 * start of a longer one. */
enum { MQOBJECT_NAME_LIMIT = 250 };

/* Signatures of the host functions that the plug-in calls, each with the thread it may be called
 * on. The host is single-threaded towards its plug-ins: it calls an export, an event procedure or
 * a plug-in's message handler on its user-interface thread, and every host function is called
 * back on that same thread, before that call has returned. A plug-in's worker threads never call
 * the host; they work on copies the host thread made. */

/* Host thread only. The receiving plug-in's handler runs inside this call, on the same thread. */
typedef MQBool(MQ_CALL* MQ_SendMessage_Function)(int32_t message, MQSendMessageInfo* info);

/* Host thread only. */
typedef int32_t(MQ_CALL* MQDoc_GetObjectCount_Function)(MQDocument document);
/* Host thread only. */
typedef MQObject(MQ_CALL* MQDoc_GetObject_Function)(MQDocument document, int32_t index);
/* Host thread only. */
typedef int32_t(MQ_CALL* MQDoc_GetObjectIndex_Function)(MQDocument document, MQObject object);
/* Host thread only. */
typedef void(MQ_CALL* MQDoc_GetUnusedObjectName_Function)(MQDocument document, char* buffer,
                                                          int32_t bufferSize, const char* baseName);
/* Host thread only. */
typedef int32_t(MQ_CALL* MQDoc_InsertObject_Function)(MQDocument document, MQObject object,
                                                      MQObject reference);
/* Host thread only. */
typedef void(MQ_CALL* MQDoc_DeleteObject_Function)(MQDocument document, int32_t index);
/* Host thread only. */
typedef MQBool(MQ_CALL* MQDoc_IsSelectVertex_Function)(MQDocument document, int32_t objectIndex,
                                                       int32_t vertexIndex);

/* Host thread only. */
typedef MQObject(MQ_CALL* MQObj_Clone_Function)(MQObject object);
/* Host thread only. */
typedef void(MQ_CALL* MQObj_Delete_Function)(MQObject object);
/* Host thread only. */
typedef int32_t(MQ_CALL* MQObj_GetIntValue_Function)(MQObject object, int32_t attribute);
/* Host thread only. */
typedef void(MQ_CALL* MQObj_SetIntValue_Function)(MQObject object, int32_t attribute,
                                                  int32_t value);
/* Host thread only. */
typedef uint32_t(MQ_CALL* MQObj_GetVisible_Function)(MQObject object);
/* Host thread only. */
typedef void(MQ_CALL* MQObj_SetVisible_Function)(MQObject object, uint32_t visible);
/* Host thread only. */
typedef void(MQ_CALL* MQObj_SetName_Function)(MQObject object, const char* name);
/* Host thread only. */
typedef void(MQ_CALL* MQObj_PointerArray_Function)(MQObject object, int32_t request,
                                                   void** pointers);
/* Host thread only. */
typedef int32_t(MQ_CALL* MQObj_GetVertexCount_Function)(MQObject object);
/* Host thread only. */
typedef int32_t(MQ_CALL* MQObj_GetVertexRefCount_Function)(MQObject object, int32_t vertex);
/* Host thread only: positions that worker threads need are read here first. */
typedef void(MQ_CALL* MQObj_GetVertex_Function)(MQObject object, int32_t vertex, MQPoint* position);
/* Host thread only: results of worker threads are written here after they have finished. */
typedef void(MQ_CALL* MQObj_SetVertex_Function)(MQObject object, int32_t vertex, MQPoint* position);

/* Operation codes of MQWidget_Value (the "operation" argument); every operation but
 * MQWIDGETOP_DELETE passes a key/value array, MQWIDGETOP_DELETE an empty one. */
enum {
  MQWIDGETOP_SHOW = 0x001,             /* run a dialog modally, or show a message box (widget 0) */
  MQWIDGETOP_GET_SYSTEM = 0x100,       /* the id of a widget the host owns ("main_window") */
  MQWIDGETOP_CREATE = 0x101,           /* a new widget of the "type" given; its id goes to "id" */
  MQWIDGETOP_DELETE = 0x102,           /* destroy the widget */
  MQWIDGETOP_ADD_CHILD = 0x201,        /* place "child" in the widget */
  MQWIDGETOP_ADD_CHILD_WINDOW = 0x203, /* make the dialog "child" a child window of the widget */
  MQWIDGETOP_GET = 0x301,              /* read one property (item properties follow "index") */
  MQWIDGETOP_SET = 0x302,              /* write one property (item properties follow "index") */
  MQWIDGETOP_CALL = 0x303,             /* a method: its name with a null value, then arguments */
  MQWIDGETOP_ADD_EVENT = 0x304         /* register an event procedure */
};

/* The procedure a plug-in registers for a widget event ("proc" of MQWIDGETOP_ADD_EVENT). The host
 * passes an opaque context of its own, the event's key/value array, and the "pointer" value that
 * was registered with the procedure; the result is the handler's truth value. The host calls it
 * on its user-interface thread, from its message handling: during a modal run, inside the
 * plug-in's MQWIDGETOP_SHOW request. */
typedef int32_t(MQ_CALL* MQWidgetEventProc)(void* context, MQKeyValuePair* values, void* pointer);

/* Host thread only. MQWIDGETOP_SHOW runs the host's modal loop inside the call: the plug-in's
 * event procedures run on the same thread before it returns. */
typedef int32_t(MQ_CALL* MQWidget_Value_Function)(int32_t widget, int32_t operation, void* values);

/* The MQCanvas_Value request that destroys a canvas. */
enum { MQCANVASOP_DELETE = 0x102 };

/* Host thread only, while the drawing event that handed over the canvas is being handled. */
typedef int32_t(MQ_CALL* MQCanvas_Value_Function)(void* canvas, int32_t operation, void* values);

/* Host functions that the plug-in resolves but never calls are kept with this generic type. */
typedef void(MQ_CALL* MQGeneric_Function)(void);

#ifdef __cplusplus
}
#endif

#endif
