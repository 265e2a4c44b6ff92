// Reads an object's used vertices through the host, once each, into plain arrays.
#pragma once

#include "host/cmq_object.h"
#include "tool/source_points.h"

// Every used vertex of `object` (UsedVertexRange) with its position, in increasing index.
SourcePoints ReadUsedVertices(const cmq::CMQObject& object);
