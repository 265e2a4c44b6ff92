// The directions a preview can be seen from.
#pragma once

namespace palisor_preview {

// front: from +z; side: from +x; top: from +y; three-quarter: from the front right, above.
enum class PreviewView { kFront, kSide, kTop, kThreeQuarter };

}  // namespace palisor_preview
