// A small dialog built with the widget classes, run modally and used by a scripted user: the
// user's actions reach the dialog's handlers as the host delivers them, and the dialog reads the
// user's choices back after the run.
#include "host/key_value.h"
#include "widget_test_fixture.h"

namespace {

using host_imitation::HostWidget;
using host_imitation::ModalDialog;

// Two fruit in a list with a "select all" button, two sizes as radio buttons, one option.
class FruitDialog : public MQDialog {
 public:
  explicit FruitDialog(MQWindowBase& owner) : MQDialog(owner) {
    SetWidgetValue(*this, widget_key::kTitle, u"Fruit");
    MQFrame* column = NewVerticalFrame(this);
    MQFrame* buttons = NewHorizontalFrame(column);
    NewButton(buttons, u"All")->AddExecuteHandler(this, &FruitDialog::OnSelectAll);
    list = NewListBox(column);
    SetWidgetValue(*list, widget_key::kMultiSelect, true);
    for (const char16_t* name : {u"apple", u"pear", u"plum"}) list->AddItem(name);
    MQFrameBase* sizes = NewGroupBox(column, u"Size");
    sizes_[0] = NewRadioButton(sizes, u"Small");
    sizes_[1] = NewRadioButton(sizes, u"Large");
    SetWidgetValue(*sizes_[0], widget_key::kChecked, true);
    for (MQRadioButton* size : sizes_) size->AddExecuteHandler(this, &FruitDialog::OnSize);
    option = NewCheckBox(column, u"Peel");
    SetWidgetValue(*option, widget_key::kChecked, true);
    option->AddExecuteHandler(this, &FruitDialog::OnOption);
    NewLabel(column, u"Note");
    SetWidgetValue(*NewEdit(column, u"fresh"), widget_key::kReadOnly, true);
    MQButton* ok = NewButton(column, u"OK");
    SetWidgetValue(*ok, widget_key::kModalResult, 1);
    MQButton* cancel = NewButton(column, u"Cancel");
    SetWidgetValue(*cancel, widget_key::kModalResult, 2);
  }

  int32_t OnSelectAll(MQWidgetBase*, void*) {
    SetWidgetValue(*list, widget_key::kEnabled, false);
    const int32_t count = list->GetItemCount();
    for (int32_t i = 0; i < count; ++i) list->SetItemSelected(i, true);
    SetWidgetValue(*list, widget_key::kEnabled, true);
    return 0;
  }
  int32_t OnSize(MQWidgetBase* sender, void*) {
    for (int i = 0; i < 2; ++i) {
      if (sizes_[i] == sender) {
        size = i;
      } else {
        SetWidgetValue(*sizes_[i], widget_key::kChecked, false);
      }
    }
    return 0;
  }
  int32_t OnOption(MQWidgetBase*, void*) {
    ++optionEvents;
    return 0;
  }

  MQListBox* list = nullptr;
  MQCheckBox* option = nullptr;
  int size = 0;
  int optionEvents = 0;

 private:
  MQRadioButton* sizes_[2] = {nullptr, nullptr};
};

class ScriptedUserTest : public WidgetTest {
 protected:
  void SetUp() override {
    WidgetTest::SetUp();
    dialog = std::make_unique<FruitDialog>(*mainWindow);
  }
  void TearDown() override {
    dialog.reset();
    WidgetTest::TearDown();
  }

  std::vector<bool> Ticks() {
    std::vector<bool> ticks;
    const int32_t count = dialog->list->GetItemCount();
    for (int32_t i = 0; i < count; ++i) ticks.push_back(dialog->list->GetItemSelected(i));
    return ticks;
  }

  std::unique_ptr<FruitDialog> dialog;
};

TEST_F(ScriptedUserTest, TheUserReadsTheDialogAndItsChoicesComeBack) {
  service().SetUser([&](ModalDialog& user) {
    EXPECT_EQ(user.id(), dialog->id);
    EXPECT_EQ(user.Title(), u"Fruit");
    EXPECT_EQ(user.ItemTexts(), (std::vector<std::u16string>{u"apple", u"pear", u"plum"}));
    EXPECT_TRUE(user.SelectedItems().empty());
    EXPECT_TRUE(user.RadioButton(u"Small").checked);
    EXPECT_TRUE(user.CheckBox(u"Peel").checked);
    EXPECT_EQ(user.EditBeside(u"Note").text, u"fresh");
    EXPECT_TRUE(user.EditBeside(u"Note").readOnly);
    EXPECT_EQ(user.Widgets("button").size(), 3u);
    EXPECT_EQ(user.GroupBox(u"Size").children.size(), 2u);

    user.Press(u"All");
    EXPECT_EQ(user.SelectedItems(), (std::vector<int32_t>{0, 1, 2}));
    EXPECT_TRUE(user.ListBox().enabled);
    user.TickItem(1, false);
    user.UseRadioButton(u"Large");
    EXPECT_EQ(dialog->size, 1);
    EXPECT_FALSE(user.RadioButton(u"Small").checked);
    EXPECT_TRUE(user.RadioButton(u"Large").checked);
    user.SetChecked(u"Peel", false);
    EXPECT_EQ(dialog->optionEvents, 1);
    EXPECT_FALSE(user.ended());
    user.Press(u"OK");
    EXPECT_TRUE(user.ended());
    EXPECT_EQ(user.result(), 1);
  });

  EXPECT_EQ(ShowModal(*dialog), 1);
  EXPECT_EQ(Ticks(), (std::vector<bool>{true, false, true}));
  EXPECT_FALSE(GetWidgetValue(*dialog->option, widget_key::kChecked));
  ASSERT_EQ(service().modalRuns().size(), 1u);
  EXPECT_EQ(service().modalRuns()[0].dialog, dialog->id);
  EXPECT_EQ(service().modalRuns()[0].result, 1);
}

TEST_F(ScriptedUserTest, EachWayOfClosingGivesItsResult) {
  struct Case {
    const char* name;
    std::function<void(ModalDialog&)> user;
    int32_t result;
  };
  const Case cases[] = {
      {"Cancel", [](ModalDialog& user) { user.Press(u"Cancel"); }, 2},
      {"close box", [](ModalDialog& user) { user.Close(0); }, 0},
      {"closed with 5", [](ModalDialog& user) { user.Close(5); }, 5},
      {"user walks away", [](ModalDialog&) {}, 0},
      {"no user", nullptr, 0},
  };
  for (const Case& test : cases) {
    SCOPED_TRACE(test.name);
    service().SetUser(test.user);
    EXPECT_EQ(ShowModal(*dialog), test.result);
  }
}

TEST_F(ScriptedUserTest, AButtonWithoutAModalResultLeavesTheDialogOpen) {
  service().SetUser([&](ModalDialog& user) {
    user.Press(u"All");
    EXPECT_FALSE(user.ended());
    user.Press(u"All");
    EXPECT_FALSE(user.ended());
  });
  EXPECT_EQ(ShowModal(*dialog), 0);
  EXPECT_EQ(Ticks(), (std::vector<bool>{true, true, true}));
}

TEST_F(ScriptedUserTest, AListWithoutMultipleSelectionKeepsOneTick) {
  SetWidgetValue(*dialog->list, widget_key::kMultiSelect, false);
  service().SetUser([&](ModalDialog& user) {
    user.TickItem(0);
    user.TickItem(2);
    EXPECT_EQ(user.SelectedItems(), std::vector<int32_t>{2});
  });
  ShowModal(*dialog);
  EXPECT_EQ(Ticks(), (std::vector<bool>{false, false, true}));
}

TEST_F(ScriptedUserTest, WhatAUserCannotDoEndsTheRunAndIsReported) {
  struct Case {
    const char* name;
    std::function<void(ModalDialog&)> user;
    const char* report;
  };
  const Case cases[] = {
      {"missing button", [](ModalDialog& user) { user.Press(u"Apply"); }, "0 button widgets"},
      {"tick out of range", [](ModalDialog& user) { user.TickItem(3); }, "no item 3"},
      {"press after closing",
       [](ModalDialog& user) {
         user.Press(u"Cancel");
         user.Press(u"OK");
       },
       "the dialog is closed"},
      {"disabled list",
       [&](ModalDialog& user) {
         SetWidgetValue(*dialog->list, widget_key::kEnabled, false);
         user.TickItem(0);
       },
       "is disabled"},
  };
  for (const Case& test : cases) {
    SCOPED_TRACE(test.name);
    SetWidgetValue(*dialog->list, widget_key::kEnabled, true);
    service().SetUser(test.user);
    const int32_t expected = std::string(test.name) == "press after closing" ? 2 : 0;
    EXPECT_EQ(ShowModal(*dialog), expected);
    ASSERT_EQ(host.misuse().size(), 1u);
    EXPECT_NE(host.misuse()[0].find(test.report), std::string::npos) << host.misuse()[0];
    dialog.reset();
    ForgetMisuse();
    mainWindow = std::make_unique<MQWindow>(QueryMainWindowId());
    dialog = std::make_unique<FruitDialog>(*mainWindow);
  }
}

TEST_F(ScriptedUserTest, AWidgetNeverPlacedInTheDialogIsNotOnScreen) {
  dialog->NewButton(nullptr, u"Hidden");
  service().SetUser([](ModalDialog& user) {
    EXPECT_TRUE(user.Widgets("button").size() == 3u);
    EXPECT_THROW(user.Button(u"Hidden"), host_imitation::ScriptedUserError);
    user.Close(1);
  });
  EXPECT_EQ(ShowModal(*dialog), 1);
}

TEST_F(ScriptedUserTest, TheTreeIsDescribedAsTheUserSeesIt) {
  std::string tree;
  service().SetUser([&](ModalDialog& user) { tree = user.Describe(); });
  ShowModal(*dialog);
  EXPECT_NE(tree.find("dialog title=\"Fruit\""), std::string::npos) << tree;
  EXPECT_NE(tree.find("    [ ] pear\n"), std::string::npos) << tree;
  EXPECT_NE(tree.find("radiobutton \"Small\" [x]"), std::string::npos) << tree;
  EXPECT_NE(tree.find("button \"OK\" modalresult=1"), std::string::npos) << tree;
  EXPECT_NE(tree.find("edit \"fresh\" readonly"), std::string::npos) << tree;
}

}  // namespace
