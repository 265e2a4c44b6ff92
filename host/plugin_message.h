// Messages that the plug-in sends through MQ_SendMessage: user messages to another plug-in and
// text requests to the host.
#pragma once

#include <cstdint>
#include <string>

#include "host/host_api.h"

namespace mq {

// Sends a user message to the plug-in (targetProduct, targetId) and returns what the receiver
// stored as its answer, 0 when nobody answered.
int32_t SendPluginMessage(MQDocument document, uint32_t targetProduct, uint32_t targetId,
                          const char* description, void* message);

// The host's text for `id` ("Error", say); empty when the host has none or no buffer could be had.
std::u16string RequestHostText(const char* id);

}  // namespace mq
