// The event procedure registered for every widget event: it finds the closure the event names,
// decodes the event's keys by type, and calls the handler.
#pragma once

#include <cstdint>

#include "host/host_api.h"

// The handler's result, or 0 when nothing was called: "type" missing, no wrapper registered for
// "target_id", or `pointer` not among the target's live closures. Keys the host leaves out count
// as absent (0, -1 for an item index, no files), and nothing is written back through a pointer
// the host did not give. Never lets an exception reach the host.
int32_t MQ_CALL DispatchWidgetEvent(void* context, MQKeyValuePair* values, void* pointer);
