// The widget value protocol as the plug-in speaks it: the operation codes of MQWidget_Value, named
// after the C constants the host shares.
#pragma once

#include <cstdint>

#include "host/host_api.h"

// What MQWidget_Value is asked to do with the widget it is given.
enum class WidgetOp : int32_t {
  Show = MQWIDGETOP_SHOW,
  GetSystem = MQWIDGETOP_GET_SYSTEM,
  Create = MQWIDGETOP_CREATE,
  Delete = MQWIDGETOP_DELETE,
  AddChild = MQWIDGETOP_ADD_CHILD,
  AddChildWindow = MQWIDGETOP_ADD_CHILD_WINDOW,
  Get = MQWIDGETOP_GET,
  Set = MQWIDGETOP_SET,
  Call = MQWIDGETOP_CALL,
  AddEvent = MQWIDGETOP_ADD_EVENT,
};

constexpr int32_t OperationCode(WidgetOp operation) {
  return static_cast<int32_t>(operation);
}
