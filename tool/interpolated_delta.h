// The displacement of one Destination vertex in one morph target: the inverse-square-distance
// weighted mean of the displacements of its nearest Source vertices.
#pragma once

#include "host/cmq_object.h"
#include "tool/nearest_list.h"

// Reads Source vertex j and target vertex j for every listed Source vertex j. An entry at distance
// 0 takes all: its displacement is the delta, unweighted. An empty list gives (0, 0, 0). A Source
// vertex that the target lacks (the target has fewer vertices) shows no displacement: its target
// position is taken to be its base position.
MQPoint InterpolatedDelta(const NearestList& nearest, const cmq::CMQObject& source,
                          const cmq::CMQObject& target);
