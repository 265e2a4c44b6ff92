// Looks an object up by its name in a document.
#pragma once

#include <cstdint>
#include <string>

#include "host/host_api.h"

// The index of the first valid object, in object order, whose name equals `name` byte for byte
// and in length; -1 when there is none. A name as long as the host cuts names to, or longer, is
// never found: the host does not hand over enough of a name to tell that it is the same.
int32_t FindObjectByName(MQDocument document, const std::string& name);
