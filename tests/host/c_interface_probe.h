/* What a C translation unit makes of the interface shared with the host: its record layouts, its
 * list of host functions, and a host function written in C that the plug-in calls. */
#ifndef PALISOR_TESTS_HOST_C_INTERFACE_PROBE_H
#define PALISOR_TESTS_HOST_C_INTERFACE_PROBE_H

#include <stddef.h>

#include "host/host_api.h"

#ifdef __cplusplus
extern "C" {
#endif

typedef struct CInterfaceLayout {
  size_t boolSize, wideCharSize;
  size_t pointSize, pointY, pointZ;
  size_t pairSize, pairValue;
  size_t messageInfoSize, messageInfoReserved, messageInfoOption;
  size_t hostFunctionCount;
  const char* firstHostFunction;
  const char* lastHostFunction;
} CInterfaceLayout;

CInterfaceLayout ReadCInterfaceLayout(void);

/* A widget service written in C: it keeps the widget, the operation and the first key of the last
 * request, and writes 42 through the value of a "result" key given as the array's second pair. */
MQWidget_Value_Function CWidgetValueFunction(void);
int32_t CLastWidget(void);
int32_t CLastOperation(void);
const char* CLastFirstKey(void);

#ifdef __cplusplus
}
#endif

#endif
