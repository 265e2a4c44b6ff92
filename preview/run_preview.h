// The picture of what a run did, as PNG bytes: the Source and the targets carried over, then
// each Destination and the morph objects made for it.
#pragma once

#include <cstddef>
#include <string>

#include "preview/contact_sheet.h"
#include "preview/text.h"
#include "scene/run_result.h"

namespace palisor_preview {

std::string DrawRunPreview(const palisor_scene::RunResult& result, const SheetSettings& settings,
                           TextPainter& text);

// How many pictures the preview of `result` holds.
std::size_t CountPictures(const palisor_scene::RunResult& result);

}  // namespace palisor_preview
