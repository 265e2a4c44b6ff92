#include "host/event_router.h"

#include "host/plugin_base.h"

bool RouteHostEvent(MQBasePlugin*, MQDocument, int32_t, void*) {
  return false;
}
