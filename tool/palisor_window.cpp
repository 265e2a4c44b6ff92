#include "tool/palisor_window.h"

#include <string>

#include "host/key_value.h"
#include "host/multibyte_conversion.h"
#include "tool/multibyte_to_wide.h"
#include "tool/palisor.h"
#include "tool/run_settings.h"
#include "widgets/widget_value.h"

namespace {

constexpr const char16_t* kModeTexts[] = {u"keynote準拠(&K)", u"同頂点数(&D)", u"モーフ設定(&A)"};
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

// WidgetOp::Call of a list method: its name with a null value, then its arguments.
void CallListMethod(const MQWidgetBase& list, const char* method, MQKeyValuePair argument) {
  MQKeyValuePair values[] = {mq::Pair(method, nullptr), argument, mq::kEndOfPairs};
  SendWidgetRequest(list.id, WidgetOp::Call, values);
}

// A read-only edit showing a name from the host's multibyte text.
void AddNameEdit(MQWindowBase& window, MQFrame* grid, const std::string& name) {
  MQEdit* edit = window.NewEdit(grid, u"");
  SetWidgetValue(*edit, "readonly", true);
  const std::u16string text = MultibyteToWide(name);
  SetWidgetValue(*edit, "text", text.c_str());
  SetWidgetValue(*edit, "horzlayout", kFill);
  SetWidgetValue(*edit, "fillrate_x", 70.0);
}

}  // namespace

PalisorWindow::PalisorWindow(MQWindowBase& owner, Palisor* owningTool)
    : MQDialog(owner), tool(owningTool) {
  // Names are shown in the user's multibyte encoding from here on.
  mq::UseUserDefaultCharacterLocale();
  SetWidgetValue(*this, "title", u"Palisor");
  SetWidgetValue(*this, "canresize", true);

  MQFrame* main = NewVerticalFrame(this);
  SetWidgetValue(*main, "vertlayout", kFill);
  MQFrame* top = NewHorizontalFrame(main);
  MQFrame* body = NewHorizontalFrame(main);
  SetWidgetValue(*body, "vertlayout", kFill);
  SetWidgetValue(*body, "horzlayout", kFill);
  MQFrame* names = NewHorizontalFrame(top);
  SetWidgetValue(*names, "horzlayout", kFill);
  SetWidgetValue(*names, "matrixcolumn", int32_t{2});
  MQFrame* spacer = NewVerticalFrame(top);
  SetWidgetValue(*spacer, "fillrate_x", 30.0);
  MQFrame* confirmColumn = NewVerticalFrame(top);
  SetWidgetValue(*confirmColumn, "fillrate_x", 10.0);

  BuildNameGrid(names);

  MQButton* ok = NewButton(confirmColumn, u"OK");
  SetWidgetValue(*ok, "default", true);
  SetWidgetValue(*ok, "modalresult", int32_t{1});
  MQButton* cancel = NewButton(confirmColumn, u"Cancel");
  SetWidgetValue(*cancel, "cancel", true);
  SetWidgetValue(*cancel, "modalresult", int32_t{2});

  MQFrame* listColumn = NewVerticalFrame(body);
  MQFrame* settingsColumn = NewVerticalFrame(body);
  SetWidgetValue(*listColumn, "horzlayout", kFill);

  MQFrame* listButtons = NewHorizontalFrame(listColumn);
  NewButton(listButtons, u"全て選択(&Z)")->AddExecuteHandler(this, &PalisorWindow::OnSelectAll);
  NewButton(listButtons, u"選択反転(&C)")
      ->AddExecuteHandler(this, &PalisorWindow::OnInvertSelection);

  targetList = NewListBox(listColumn);
  SetWidgetValue(*targetList, "vertlayout", kFill);
  SetWidgetValue(*targetList, "multiselect", true);
  FillTargetList();

  BuildModeGroup(settingsColumn);
  BuildOptions(settingsColumn);
}

void PalisorWindow::BuildNameGrid(MQFrame* grid) {
  SetWidgetValue(*NewLabel(grid, u"Source"), "fillrate_x", 30.0);
  AddNameEdit(*this, grid, runSettings.sourceName);
  SetWidgetValue(*NewLabel(grid, u"Destination"), "fillrate_x", 30.0);
  AddNameEdit(*this, grid, runSettings.destinationNames);
}

void PalisorWindow::BuildModeGroup(MQFrame* column) {
  MQGroupBox* group = NewGroupBox(column, u"");
  SetWidgetValue(*group, "text", u"動作モード");
  for (std::size_t mode = 0; mode < modeRadios.size(); ++mode) {
    modeRadios[mode] = NewRadioButton(group, kModeTexts[mode]);
    SetWidgetValue(*modeRadios[mode], "hinttext", kModeHints[mode]);
  }
  // The list was made for the current mode, so its radio button opens checked.
  if (tool->listingMode >= 0 && tool->listingMode < static_cast<int32_t>(modeRadios.size())) {
    SetWidgetValue(*modeRadios[static_cast<std::size_t>(tool->listingMode)], "checked", true);
  }
  for (MQRadioButton* radio : modeRadios) {
    radio->AddExecuteHandler(this, &PalisorWindow::OnModeChanged);
  }
}

void PalisorWindow::BuildOptions(MQFrame* column) {
  selectedOnlyCheck = NewCheckBox(column, u"選択頂点のみモーフ反映する(&S)");
  backupCheck = NewCheckBox(column, u"バックアップエレメントを作成する(&X)");
  SetWidgetValue(*backupCheck, "checked", true);
  SetWidgetValue(*backupCheck, "hinttext", kBackupHint);
}

void PalisorWindow::FillTargetList() {
  CallListMethod(*targetList, "clearitems", mq::kEndOfPairs);
  for (const MorphCandidate& candidate : runSettings.candidates) {
    const std::u16string name = MultibyteToWide(candidate.object.GetName());
    int32_t index = -1;
    MQKeyValuePair values[] = {mq::Pair("additem", nullptr), mq::Pair("text", name.c_str()),
                               mq::Pair("result", &index), mq::kEndOfPairs};
    SendWidgetRequest(targetList->id, WidgetOp::Call, values);
    SetItemSelected(*targetList, index, candidate.ticked);
  }
  int32_t firstItem = 0;
  CallListMethod(*targetList, "makeitemvisible", mq::Pair("index", &firstItem));
}

template <typename Select>
void PalisorWindow::ChangeEveryItem(Select&& select) {
  SetWidgetValue(*targetList, "enabled", false);
  const int32_t count = GetWidgetInt(*targetList, "item.count");
  for (int32_t index = 0; index < count; ++index) {
    SetItemSelected(*targetList, index, select(index));
  }
  SetWidgetValue(*targetList, "enabled", true);
}

int32_t PalisorWindow::OnSelectAll(MQWidgetBase*, void*) {
  ChangeEveryItem([](int32_t) { return true; });
  return 0;
}

int32_t PalisorWindow::OnInvertSelection(MQWidgetBase*, void*) {
  ChangeEveryItem([this](int32_t index) { return !GetItemSelected(*targetList, index); });
  return 0;
}

int32_t PalisorWindow::OnModeChanged(MQWidgetBase* sender, void*) {
  for (std::size_t mode = 0; mode < modeRadios.size(); ++mode) {
    if (modeRadios[mode] == sender) {
      tool->listingMode = static_cast<int32_t>(mode);
    } else {
      SetWidgetValue(*modeRadios[mode], "checked", false);
    }
  }
  tool->ListCandidates();
  FillTargetList();
  return 0;
}
