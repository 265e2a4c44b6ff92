// The imitated host's widget and canvas functions, exported by name as the real host exports them.
// Nothing the imitation throws may reach the plug-in.
#include "host_imitation/host_exports.h"
#include "host_imitation/host_imitation.h"

MQ_HOST_EXPORT int32_t MQ_CALL MQWidget_Value(int32_t widget, int32_t operation, void* values) {
  try {
    return host_imitation::Host().widgets().Value(widget, operation, values);
  } catch (...) {
    host_imitation::Host().NoteMisuse("MQWidget_Value: the imitation failed");
    return 0;
  }
}

MQ_HOST_EXPORT int32_t MQ_CALL MQCanvas_Value(void* canvas, int32_t operation, void* values) {
  return host_imitation::Host().widgets().CanvasValue(canvas, operation, values);
}
