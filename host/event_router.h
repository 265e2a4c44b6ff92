// Routes a host event to the operation of the plug-in object that handles it.
#pragma once

#include "host/host_api.h"

class MQBasePlugin;

// True when the event was handled, as the host reads MQOnEvent's result.
bool RouteHostEvent(MQBasePlugin* plugin, MQDocument document, int32_t event, void* option);
