// Whether a vertex of an object is selected, as the host keeps the selection per document.
#pragma once

#include <cstdint>

#include "host/host_api.h"

// Asks the document for the object's index afresh, then for the vertex's selection. An object
// that the document does not know has no selected vertex.
bool IsVertexSelected(MQDocument document, MQObject object, int32_t vertex);
