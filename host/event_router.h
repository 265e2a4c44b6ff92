// Routes a host event to the operation of the plug-in object that handles it.
#pragma once

#include "host/host_api.h"

class MQBasePlugin;

// True when the event was handled, as the host reads MQOnEvent's result. An event that does not
// apply to the plug-in, or whose option cannot be read (a missing value, a count no array can
// hold), gives false without calling any operation; the router itself throws nothing.
bool RouteHostEvent(MQBasePlugin* plugin, MQDocument document, int32_t event, void* option);
