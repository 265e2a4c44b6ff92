// The nearest used Source vertices of one point, found by reading every used Source vertex
// through the host for every point. It is the plain reference search that tests and benchmarks
// hold the plug-in's correspondence to: any faster search must give the same lists to the bit.
#pragma once

#include "host/cmq_object.h"
#include "search/nearest_search.h"

// The up to three used vertices of `source` nearest to `position` by squared distance, nearest
// first; the Source is walked in increasing index order and ranked by InsertNearest.
NearestList NearestSourceVertices(const cmq::CMQObject& source, const MQPoint& position);
