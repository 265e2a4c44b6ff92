// Looks an object up by its name in a document.
#pragma once

#include <cstdint>
#include <string>

#include "host/host_api.h"

// The index of the first valid object, in object order, whose name equals `name` byte for byte
// and in length; -1 when there is none.
int32_t FindObjectByName(MQDocument document, const std::string& name);
