#include <algorithm>

#include "tool/palisor.h"
#include "tool/palisor_window.h"
#include "tool/run_settings.h"
#include "widgets/widget_value.h"

namespace {

constexpr int32_t kModalResultOk = 1;

}  // namespace

void Palisor::RunDialog() {
  MQWindow mainWindow(QueryMainWindowId());
  PalisorWindow dialog(mainWindow, this);
  if (ShowModal(dialog) != kModalResultOk) return;

  // A host reporting more items than there are candidates must not make the read-back write past
  // the candidates' end.
  std::vector<MorphCandidate>& candidates = runSettings.candidates;
  const int32_t itemCount = dialog.targetList->GetItemCount();
  const std::size_t readable =
      std::min(candidates.size(), static_cast<std::size_t>(std::max(itemCount, 0)));
  for (std::size_t index = 0; index < readable; ++index) {
    candidates[index].ticked = dialog.targetList->GetItemSelected(static_cast<int32_t>(index));
  }
  runSettings.selectedVerticesOnly =
      GetWidgetValue(*dialog.selectedOnlyCheck, widget_key::kChecked);
  runSettings.createBackup = GetWidgetValue(*dialog.backupCheck, widget_key::kChecked);
  runSettings.confirmed = true;
  // The dialog goes first, then the main window's wrapper.
}
