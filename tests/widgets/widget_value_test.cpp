// The property requests of the widget value protocol: keys, value forms and presets as the host
// receives them.
#include "host/host_function_table.h"
#include "host/key_value.h"
#include "widget_test_fixture.h"

namespace {

using host_imitation::HostCall;

class WidgetValueTest : public WidgetTest {
 protected:
  void SetUp() override {
    WidgetTest::SetUp();
    dialog = std::make_unique<MQDialog>(*mainWindow);
    column = dialog->NewVerticalFrame(dialog.get());
    list = dialog->NewListBox(column);
    SetWidgetValue(*list, widget_key::kMultiSelect, true);
  }
  void TearDown() override {
    dialog.reset();
    WidgetTest::TearDown();
  }

  std::unique_ptr<MQDialog> dialog;
  MQFrame* column = nullptr;
  MQListBox* list = nullptr;
};

TEST_F(WidgetValueTest, ItemSelectionNamesTheIndexBeforeTheItemProperty) {
  list->AddItem(u"a");
  list->AddItem(u"b");
  const std::size_t mark = LogMark();
  list->SetItemSelected(1, true);
  EXPECT_TRUE(list->GetItemSelected(1));
  EXPECT_FALSE(list->GetItemSelected(0));
  const std::vector<HostCall> calls = WidgetCallsSince(mark);
  ASSERT_EQ(calls.size(), 3u);
  for (const HostCall& call : calls) {
    EXPECT_EQ(call.Keys(), (std::vector<std::string>{"index", "item.selected"}));
    EXPECT_EQ(Widget(call), list->id);
  }
  EXPECT_EQ(Operation(calls[0]), "Set");
  EXPECT_EQ(calls[0].Value("index"), "1");
  EXPECT_EQ(calls[0].Value("item.selected"), "true");
  EXPECT_EQ(Operation(calls[1]), "Get");
  EXPECT_EQ(calls[1].Value("item.selected"), "false");  // the preset the host overwrites
  EXPECT_EQ(service().Find(list->id)->SelectedItems(), std::vector<int32_t>{1});
}

TEST_F(WidgetValueTest, EachValueFormReachesTheHostAsTheKeyTakesIt) {
  MQEdit* edit = dialog->NewEdit(column, u"");
  MQButton* button = dialog->NewButton(column, u"OK");
  const std::size_t mark = LogMark();
  SetWidgetValue(*edit, widget_key::kReadOnly, true);
  SetWidgetValue(*edit, widget_key::kText, u"名前");
  SetWidgetValue(*edit, widget_key::kFillRateX, 70);  // the key makes it a double
  SetWidgetValue(*edit, widget_key::kHorzLayout, "fill");
  SetWidgetValue(*button, widget_key::kModalResult, 2);
  const std::vector<HostCall> calls = WidgetCallsSince(mark);
  ASSERT_EQ(calls.size(), 5u);
  EXPECT_EQ(calls[0].Value("readonly"), "true");
  EXPECT_EQ(calls[1].Value("text"), "名前");
  EXPECT_EQ(calls[2].Value("fillrate_x"), "70");
  EXPECT_EQ(calls[3].Value("horzlayout"), "fill");
  EXPECT_EQ(calls[4].Value("modalresult"), "2");

  const host_imitation::HostWidget& shown = *service().Find(edit->id);
  EXPECT_TRUE(shown.readOnly);
  EXPECT_EQ(shown.text, u"名前");
  EXPECT_EQ(shown.fillRateX, 70.0);
  EXPECT_EQ(shown.horzLayout, "fill");
  EXPECT_EQ(service().Find(button->id)->modalResult, 2);
}

TEST_F(WidgetValueTest, ReadsReturnTheHostsStateOverTheirPresets) {
  MQCheckBox* box = dialog->NewCheckBox(column, u"Backup");
  EXPECT_FALSE(GetWidgetValue(*box, widget_key::kChecked));
  SetWidgetValue(*box, widget_key::kChecked, true);
  EXPECT_TRUE(GetWidgetValue(*box, widget_key::kChecked));
  EXPECT_EQ(GetWidgetValue(*list, widget_key::kItemCount), 0);
  list->AddItem(u"a");
  list->AddItem(u"b");
  EXPECT_EQ(GetWidgetValue(*list, widget_key::kItemCount), 2);
  const HostCall last = WidgetCalls().back();
  EXPECT_EQ(last.Value("item.count"), "0");
}

// A host that writes "true" as another nonzero byte than 1: the byte each bool read meets.
uint8_t hostTrueByte = 1;
MQWidget_Value_Function hostWidgetValue = nullptr;
int32_t MQ_CALL WidgetValueWithOtherTrueBytes(int32_t widget, int32_t operation, void* values) {
  const int32_t result = hostWidgetValue(widget, operation, values);
  if (operation != OperationCode(WidgetOp::Get)) return result;
  for (auto* pair = static_cast<MQKeyValuePair*>(values); pair->name != nullptr; ++pair) {
    const std::string key = pair->name;
    auto* byte = static_cast<uint8_t*>(pair->value);
    if ((key == "checked" || key == "item.selected") && *byte != 0) *byte = hostTrueByte;
  }
  return result;
}

TEST_F(WidgetValueTest, AnyNonzeroByteTheHostWritesReadsAsTrue) {
  MQCheckBox* box = dialog->NewCheckBox(column, u"Backup");
  SetWidgetValue(*box, widget_key::kChecked, true);
  list->AddItem(u"a");
  list->AddItem(u"b");
  list->SetItemSelected(0, true);
  hostWidgetValue = mq::hostFunctions.MQWidget_Value;
  mq::hostFunctions.MQWidget_Value = WidgetValueWithOtherTrueBytes;
  for (const uint8_t trueByte : {2, 0x80, 0xFF}) {
    SCOPED_TRACE(static_cast<int>(trueByte));
    hostTrueByte = trueByte;
    EXPECT_EQ(GetWidgetValue(*box, widget_key::kChecked), true);
    // Inverting the selection as the dialog does, twice.
    for (const std::vector<int32_t>& expected :
         {std::vector<int32_t>{1}, std::vector<int32_t>{0}}) {
      for (int32_t item = 0; item < 2; ++item) {
        list->SetItemSelected(item, !list->GetItemSelected(item));
      }
      EXPECT_EQ(service().Find(list->id)->SelectedItems(), expected);
    }
  }
  mq::hostFunctions.MQWidget_Value = hostWidgetValue;
}

TEST_F(WidgetValueTest, ListMethodsAreCallsWithTheirArgumentsAfterTheirName) {
  const std::size_t mark = LogMark();
  EXPECT_EQ(list->AddItem(u"a"), 0);
  EXPECT_EQ(list->AddItem(u"b"), 1);
  list->MakeItemVisible(1);
  list->ClearItems();
  EXPECT_EQ(list->GetItemCount(), 0);
  const std::vector<HostCall> calls = WidgetCallsSince(mark);
  ASSERT_EQ(calls.size(), 5u);
  const std::vector<std::vector<std::string>> keys = {{"additem", "text", "result"},
                                                      {"additem", "text", "result"},
                                                      {"makeitemvisible", "index"},
                                                      {"clearitems"}};
  for (std::size_t i = 0; i < keys.size(); ++i) {
    EXPECT_EQ(Operation(calls[i]), "Call");
    EXPECT_EQ(Widget(calls[i]), list->id);
    EXPECT_EQ(calls[i].Keys(), keys[i]);
  }
  EXPECT_EQ(calls[1].Value("text"), "b");
  EXPECT_EQ(calls[1].Value("result"), "-1");
  EXPECT_EQ(calls[2].Value("index"), "1");
  EXPECT_EQ(calls[4].Keys(), std::vector<std::string>{"item.count"});
}

TEST_F(WidgetValueTest, AMessageBoxNamesItsParentWindowOnWidgetZero) {
  const std::size_t mark = LogMark();
  ShowMessageBox(*mainWindow, "warning", u"本文", u"Error");
  const std::vector<HostCall> calls = WidgetCallsSince(mark);
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(Operation(calls[0]), "Show");
  EXPECT_EQ(Widget(calls[0]), 0);
  EXPECT_EQ(calls[0].Keys(), (std::vector<std::string>{"type", "messagetype", "parent", "message",
                                                       "title", "result"}));
  EXPECT_EQ(calls[0].Value("type"), "messagebox");
  EXPECT_EQ(calls[0].Value("messagetype"), "warning");
  EXPECT_EQ(calls[0].Value("parent"), std::to_string(mainWindow->id));
  EXPECT_EQ(calls[0].Value("message"), "本文");
  EXPECT_EQ(calls[0].Value("title"), "Error");
  EXPECT_EQ(calls[0].Value("result"), "0");
}

TEST_F(WidgetValueTest, TheMainWindowAndAModalRunAnswerThroughResult) {
  const std::size_t mark = LogMark();
  EXPECT_EQ(QueryMainWindowId(), host_imitation::WidgetService::kMainWindowId);
  EXPECT_EQ(ShowModal(*dialog), 0);  // nobody at the dialog: closed at once
  const std::vector<HostCall> calls = WidgetCallsSince(mark);
  ASSERT_EQ(calls.size(), 2u);
  EXPECT_EQ(Operation(calls[0]), "GetSystem");
  EXPECT_EQ(Widget(calls[0]), 0);
  EXPECT_EQ(calls[0].Keys(), (std::vector<std::string>{"system", "result"}));
  EXPECT_EQ(calls[0].Value("system"), "main_window");
  EXPECT_EQ(calls[0].Value("result"), "-1");
  EXPECT_EQ(Operation(calls[1]), "Show");
  EXPECT_EQ(Widget(calls[1]), dialog->id);
  EXPECT_EQ(calls[1].Keys(), (std::vector<std::string>{"type", "result"}));
  EXPECT_EQ(calls[1].Value("type"), "modal");
  EXPECT_EQ(calls[1].Value("result"), "0");
}

}  // namespace
