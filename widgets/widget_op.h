// The widget value protocol: the operation codes of MQWidget_Value and the signature of the event
// procedure that the host calls back for a registered widget event.
#pragma once

#include <cstdint>

#include "host/host_api.h"

// What MQWidget_Value is asked to do with the widget it is given.
enum class WidgetOp : int32_t {
  Show = 1,                // run a dialog modally, or show a message box (widget 0)
  GetSystem = 0x100,       // the id of a widget the host itself owns ("main_window")
  Create = 0x101,          // a new widget of the "type" given; its id is written to "id"
  Delete = 0x102,          // destroy the widget
  AddChild = 0x201,        // place "child" in the widget
  AddChildWindow = 0x203,  // make the dialog "child" a child window of the widget
  Get = 0x301,             // read one property (item properties follow "index")
  Set = 0x302,             // write one property (item properties follow "index")
  Call = 0x303,            // run a method: its name with a null value, then its arguments
  AddEvent = 0x304,        // register an event procedure
};

constexpr int32_t OperationCode(WidgetOp operation) {
  return static_cast<int32_t>(operation);
}

// The canvas request that destroys a canvas the plug-in owns.
constexpr int32_t kCanvasDelete = 0x102;

// The procedure registered for a widget event ("proc" of WidgetOp::AddEvent). The host passes an
// opaque context of its own, the event's key/value array, and the "pointer" value that was
// registered with the procedure. The result is the handler's truth value.
typedef int32_t(MQ_CALL* MQWidgetEventProc)(void* context, MQKeyValuePair* values, void* pointer);
