// Reads an object's used vertices through the host, once each, into the search's plain arrays.
#pragma once

#include "host/cmq_object.h"
#include "search/nearest_search.h"

// A host position as the search takes it.
inline SearchPoint ToSearchPoint(const MQPoint& position) {
  return SearchPoint{position.x, position.y, position.z};
}

// Every used vertex of `object` (UsedVertexRange) with its position, in increasing index.
SourcePoints ReadUsedVertices(const cmq::CMQObject& object);
