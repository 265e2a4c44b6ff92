/* Compiled as C: the interface shared with the host must be plain C, as a host written in C (or a
 * plug-in in C) includes it. */
#include "c_interface_probe.h"

#include <string.h>

#include "host/plugin_exports.h"

/* The exports as a C host holds them once it has looked them up. */
static const MQInit_Export kInit = &MQInit;
static const MQOnEvent_Export kOnEvent = &MQOnEvent;

static const char* const kHostFunctionNames[] = {
#define MQ_HOST_FUNCTION(name, kind) #name,
#include "host/host_function_list.h"
#undef MQ_HOST_FUNCTION
};

CInterfaceLayout ReadCInterfaceLayout(void) {
  CInterfaceLayout layout;
  const size_t count = sizeof kHostFunctionNames / sizeof kHostFunctionNames[0];
  (void)kInit;
  (void)kOnEvent;
  layout.boolSize = sizeof(MQBool);
  layout.wideCharSize = sizeof(MQWideChar);
  layout.pointSize = sizeof(MQPoint);
  layout.pointY = offsetof(MQPoint, y);
  layout.pointZ = offsetof(MQPoint, z);
  layout.pairSize = sizeof(MQKeyValuePair);
  layout.pairValue = offsetof(MQKeyValuePair, value);
  layout.messageInfoSize = sizeof(MQSendMessageInfo);
  layout.messageInfoReserved = offsetof(MQSendMessageInfo, reserved);
  layout.messageInfoOption = offsetof(MQSendMessageInfo, option);
  layout.hostFunctionCount = count;
  layout.firstHostFunction = kHostFunctionNames[0];
  layout.lastHostFunction = kHostFunctionNames[count - 1];
  return layout;
}

static int32_t lastWidget;
static int32_t lastOperation;
static const char* lastFirstKey;

static int32_t MQ_CALL WidgetValue(int32_t widget, int32_t operation, void* values) {
  MQKeyValuePair* pairs = (MQKeyValuePair*)values;
  lastWidget = widget;
  lastOperation = operation;
  lastFirstKey = pairs[0].name;
  if (pairs[0].name != NULL && pairs[1].name != NULL && strcmp(pairs[1].name, "result") == 0) {
    *(int32_t*)pairs[1].value = 42;
  }
  return 0;
}

MQWidget_Value_Function CWidgetValueFunction(void) {
  return &WidgetValue;
}

int32_t CLastWidget(void) {
  return lastWidget;
}

int32_t CLastOperation(void) {
  return lastOperation;
}

const char* CLastFirstKey(void) {
  return lastFirstKey;
}
