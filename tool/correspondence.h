// Vertex correspondence: for one Destination, the nearest used Source vertices of every vertex
// that is to move (Palisor::BuildCorrespondence), found by the host-free search over positions
// read through the host once each.
#pragma once

#include "host/cmq_object.h"
#include "search/nearest_search.h"

// A host position as the search takes it.
inline Vector3 ToVector3(const MQPoint& position) {
  return Vector3{position.x, position.y, position.z};
}

// Every used vertex of `object` (UsedVertexRange) with its position, in increasing index, read
// through the host once each.
SourcePoints ReadUsedVertices(const cmq::CMQObject& object);
