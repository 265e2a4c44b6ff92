// The colours of how far a vertex moved: viridis, a perceptually uniform map from dark violet
// (least) through blue and green to yellow (most), and a neutral grey for a vertex that did not
// move at all.
#pragma once

#include "preview/image.h"

namespace palisor_preview {

// `fraction` of the largest motion shown, clamped to [0, 1].
Rgb MotionColour(float fraction);

// The colour of a surface that did not move: a grey, so that any colour means motion.
constexpr Rgb kUnmovedColour{200, 200, 200};
// Vertices a surface method could not match and filled from their neighbours (or moved rigidly),
// and vertices it pushed back outside the Source: colours the motion scale does not use.
constexpr Rgb kFilledColour{230, 0, 200};
constexpr Rgb kPushedColour{0, 200, 220};

}  // namespace palisor_preview
