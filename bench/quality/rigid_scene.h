// A scene of known truth about rigid motions: the whole body turned 35 degrees and shifted, with a
// skirt flaring away below the torso, a bead on the belly and a ring floating apart from the body.
// Every point's truth is the rigid motion itself, so that every method that carries offsets with
// the surface, its refused vertices filled and its unmatched parts moved rigidly, should land on
// it up to rounding.
#pragma once

#include "quality/quality_scene.h"

QualityScene RigidTurnScene();

// The largest error, in the scene's delta, that rounding may leave under the rigid motion: 1e-5
// of the largest distance the motion moves a point of the Destination.
double RigidTurnTolerance();
