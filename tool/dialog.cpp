#include "tool/dialog.h"

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "host/multibyte_conversion.h"
#include "tool/dialog_labels.h"
#include "tool/palisor.h"
#include "tool/run_settings.h"
#include "widgets/widget_value.h"

using namespace widget_key;

namespace {

// The modal result of the OK button; every other one counts as a cancel.
constexpr int32_t kModalResultOk = 1;

constexpr const char16_t* kModeHints[] = {
    u"対象モーフとして、keynote準拠のエレメント命名規則に合致するオブジェクトをリストアップします"
    u"。",
    u"対象モーフとして、baseオブジェクトと同頂点数のオブジェクトをリストアップします。",
    u"対象モーフとして、baseオブジェクトにモーフ機能でターゲットと設定されているオブジェクトをリス"
    u"トア"
    u"ップします。",
};
constexpr const char16_t* kBackupHint =
    u"モーフオブジェクトを生成するときに、同名の既存オブジェクトが存在したら、既存は先頭に#"
    u"を付け、末"
    u"尾に連番を付けて使われていない名前に変更する。";

constexpr const char* kFill = "fill";

// A read-only edit showing a name from the host's multibyte text.
void AddNameEdit(MQWindowBase& window, MQFrame* grid, const std::string& name) {
  MQEdit* edit = window.NewEdit(grid, u"");
  SetWidgetValue(*edit, kReadOnly, true);
  const std::u16string text = MultibyteToWide(name);
  SetWidgetValue(*edit, kText, text.c_str());
  SetWidgetValue(*edit, kHorzLayout, kFill);
  SetWidgetValue(*edit, kFillRateX, 70.0);
}

}  // namespace

PalisorWindow::PalisorWindow(MQWindowBase& owner, Palisor* owningTool)
    : MQDialog(owner), tool(owningTool) {
  // Names are shown in the user's multibyte encoding from here on.
  mq::UseUserDefaultCharacterLocale();
  SetWidgetValue(*this, kTitle, u"Palisor");
  SetWidgetValue(*this, kCanResize, true);

  MQFrame* main = NewVerticalFrame(this);
  SetWidgetValue(*main, kVertLayout, kFill);
  MQFrame* top = NewHorizontalFrame(main);
  MQFrame* body = NewHorizontalFrame(main);
  SetWidgetValue(*body, kVertLayout, kFill);
  SetWidgetValue(*body, kHorzLayout, kFill);
  MQFrame* names = NewHorizontalFrame(top);
  SetWidgetValue(*names, kHorzLayout, kFill);
  SetWidgetValue(*names, kMatrixColumn, 2);
  MQFrame* spacer = NewVerticalFrame(top);
  SetWidgetValue(*spacer, kFillRateX, 30.0);
  MQFrame* confirmColumn = NewVerticalFrame(top);
  SetWidgetValue(*confirmColumn, kFillRateX, 10.0);

  BuildNameGrid(names);

  MQButton* ok = NewButton(confirmColumn, dialog_labels::kOk);
  SetWidgetValue(*ok, kDefault, true);
  SetWidgetValue(*ok, kModalResult, 1);
  MQButton* cancel = NewButton(confirmColumn, dialog_labels::kCancel);
  SetWidgetValue(*cancel, kCancel, true);
  SetWidgetValue(*cancel, kModalResult, 2);

  MQFrame* listColumn = NewVerticalFrame(body);
  MQFrame* settingsColumn = NewVerticalFrame(body);
  SetWidgetValue(*listColumn, kHorzLayout, kFill);

  MQFrame* listButtons = NewHorizontalFrame(listColumn);
  NewButton(listButtons, dialog_labels::kSelectAll)
      ->AddExecuteHandler(this, &PalisorWindow::OnSelectAll);
  NewButton(listButtons, dialog_labels::kInvert)
      ->AddExecuteHandler(this, &PalisorWindow::OnInvertSelection);

  targetList = NewListBox(listColumn);
  SetWidgetValue(*targetList, kVertLayout, kFill);
  SetWidgetValue(*targetList, kMultiSelect, true);
  FillTargetList();

  BuildModeGroup(settingsColumn);
  BuildOptions(settingsColumn);
}

void PalisorWindow::BuildNameGrid(MQFrame* grid) {
  SetWidgetValue(*NewLabel(grid, u"Source"), kFillRateX, 30.0);
  AddNameEdit(*this, grid, runSettings.sourceName);
  SetWidgetValue(*NewLabel(grid, u"Destination"), kFillRateX, 30.0);
  AddNameEdit(*this, grid, runSettings.destinationNames);
}

void PalisorWindow::BuildModeGroup(MQFrame* column) {
  MQGroupBox* group = NewGroupBox(column, u"");
  SetWidgetValue(*group, kText, u"動作モード");
  for (std::size_t mode = 0; mode < modeRadios.size(); ++mode) {
    modeRadios[mode] = NewRadioButton(group, dialog_labels::kModes[mode]);
    SetWidgetValue(*modeRadios[mode], kHintText, kModeHints[mode]);
  }
  // The list was made for the current mode, so its radio button opens checked.
  if (tool->listingMode >= 0 && tool->listingMode < static_cast<int32_t>(modeRadios.size())) {
    SetWidgetValue(*modeRadios[static_cast<std::size_t>(tool->listingMode)], kChecked, true);
  }
  for (MQRadioButton* radio : modeRadios) {
    radio->AddExecuteHandler(this, &PalisorWindow::OnModeChanged);
  }
}

void PalisorWindow::BuildOptions(MQFrame* column) {
  selectedOnlyCheck = NewCheckBox(column, dialog_labels::kSelectedOnly);
  backupCheck = NewCheckBox(column, dialog_labels::kBackup);
  SetWidgetValue(*backupCheck, kChecked, true);
  SetWidgetValue(*backupCheck, kHintText, kBackupHint);
}

void PalisorWindow::FillTargetList() {
  targetList->ClearItems();
  for (const MorphCandidate& candidate : runSettings.candidates) {
    const std::u16string name = MultibyteToWide(candidate.object.GetName());
    targetList->SetItemSelected(targetList->AddItem(name.c_str()), candidate.ticked);
  }
  targetList->MakeItemVisible(0);
}

template <typename Select>
void PalisorWindow::ChangeEveryItem(Select&& select) {
  SetWidgetValue(*targetList, kEnabled, false);
  const int32_t count = targetList->GetItemCount();
  for (int32_t index = 0; index < count; ++index) {
    targetList->SetItemSelected(index, select(index));
  }
  SetWidgetValue(*targetList, kEnabled, true);
}

int32_t PalisorWindow::OnSelectAll(MQWidgetBase*, void*) {
  ChangeEveryItem([](int32_t) { return true; });
  return 0;
}

int32_t PalisorWindow::OnInvertSelection(MQWidgetBase*, void*) {
  ChangeEveryItem([this](int32_t index) { return !targetList->GetItemSelected(index); });
  return 0;
}

int32_t PalisorWindow::OnModeChanged(MQWidgetBase* sender, void*) {
  for (std::size_t mode = 0; mode < modeRadios.size(); ++mode) {
    if (modeRadios[mode] == sender) {
      tool->listingMode = static_cast<int32_t>(mode);
    } else {
      SetWidgetValue(*modeRadios[mode], kChecked, false);
    }
  }
  tool->ListCandidates();
  FillTargetList();
  return 0;
}

std::u16string MultibyteToWide(const std::string& text) {
  // Every byte yields at most two UTF-16 units, so this buffer always holds the whole text.
  const std::size_t bufferUnits = 2 * text.size() + 1;
  std::unique_ptr<char16_t[]> buffer(new char16_t[bufferUnits]);
  if (mq::MultibyteToUtf16(nullptr, buffer.get(), bufferUnits, text.c_str()) != mq::kConverted) {
    return u"invalid";
  }
  return std::u16string(buffer.get());
}

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
