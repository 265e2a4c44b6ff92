// Scenes of known truth about keeping outside: a body and a shirt split into panels along seams
// that cross sharp ridges, as a glTF export writes them; a ball pressed into the torso by the
// morph, where the shirt's truth is undefined inside the ball; and a target that moves nothing.
#pragma once

#include "quality/quality_scene.h"

// A torso with two sharp ridges (front and back), body and shirt split into four panels along the
// ridges and round the waist; the belly bulges and the torso widens.
QualityScene SeamsScene();
// A ball beside the torso, pressed 0.03 into it by the morph; the shirt over the torso stays.
QualityScene BallPressScene();
// A shirt 0.0001 over the torso, and a morph that moves nothing.
QualityScene UnmovedScene();
