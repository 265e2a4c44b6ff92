// The picture of what a run did, as PNG bytes: the Source and the targets carried over, then
// each Destination and the morph objects made for it.
#pragma once

#include <string>

#include "cli/preview/contact_sheet.h"
#include "cli/preview/text.h"
#include "cli/run_outcome.h"

namespace palisor_cli {

std::string DrawRunPreview(const RunOutcome& outcome, const SheetSettings& settings,
                           TextPainter& text);

}  // namespace palisor_cli
