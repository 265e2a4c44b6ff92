// The reference search: every Source point is offered to the list, in increasing Source index.
#pragma once

#include "tool/nearest_list.h"
#include "tool/source_points.h"

// Fills `list` (emptied first) with the query's nearest Source points, exactly as walking the
// Source's used vertices through the host does. Works for any coordinates, finite or not.
void FindNearestExhaustive(const SourcePoints& source, const MQPoint& query, NearestList& list);
