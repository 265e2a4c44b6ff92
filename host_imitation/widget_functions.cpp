// Placeholder until the widget service is built.
#include "host_imitation/host_exports.h"
#include "host_imitation/host_imitation.h"

MQ_HOST_EXPORT int32_t MQ_CALL MQWidget_Value(int32_t, int32_t, void*) {
  return 0;
}
MQ_HOST_EXPORT int32_t MQ_CALL MQCanvas_Value(void*, int32_t, void*) {
  return 0;
}
