// The displacement of one Destination vertex in one morph target, reading every position it needs
// through the host as it goes: the per-vertex reference that tests and benchmarks hold the
// plug-in's cached applying to.
#pragma once

#include "host/cmq_object.h"
#include "search/nearest_search.h"
#include "transfer/interpolated_delta.h"

// Reads Source vertex j and target vertex j for every listed Source vertex j, and blends their
// displacements as applying does (the two-argument InterpolatedDelta). An empty list gives
// (0, 0, 0). A Source vertex that the target lacks (the target has fewer vertices) shows no
// displacement: its target position is taken to be its base position.
MQPoint InterpolatedDelta(const NearestList& nearest, const cmq::CMQObject& source,
                          const cmq::CMQObject& target);
