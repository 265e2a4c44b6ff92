// Creating widgets in a window: the requests each creation sends, in order, and what the window
// then owns.
#include <algorithm>

#include "widget_test_fixture.h"

namespace {

using host_imitation::HostCall;
using host_imitation::HostWidget;

using WidgetCreationTest = WidgetTest;

TEST_F(WidgetCreationTest, AFrameIsCreatedAlignedAndThenPlacedInItsParent) {
  MQDialog dialog(*mainWindow);
  for (const bool horizontal : {true, false}) {
    const std::size_t mark = LogMark();
    MQFrame* frame =
        horizontal ? dialog.NewHorizontalFrame(&dialog) : dialog.NewVerticalFrame(&dialog);
    const std::vector<HostCall> calls = WidgetCallsSince(mark);
    ASSERT_EQ(calls.size(), 3u);
    EXPECT_EQ(Operation(calls[0]), "Create");
    EXPECT_EQ(Widget(calls[0]), 0);
    EXPECT_EQ(calls[0].Keys(), (std::vector<std::string>{"type", "id"}));
    EXPECT_EQ(calls[0].Value("type"), "frame");
    EXPECT_EQ(calls[0].Value("id"), "0");
    EXPECT_EQ(Operation(calls[1]), "Set");
    EXPECT_EQ(Widget(calls[1]), frame->id);
    EXPECT_EQ(calls[1].Keys(), std::vector<std::string>{"alignment"});
    EXPECT_EQ(calls[1].Value("alignment"), horizontal ? "horz" : "vert");
    EXPECT_EQ(Operation(calls[2]), "AddChild");
    EXPECT_EQ(Widget(calls[2]), dialog.id);
    EXPECT_EQ(calls[2].Keys(), (std::vector<std::string>{"child", "result"}));
    EXPECT_EQ(calls[2].Value("child"), std::to_string(frame->id));
    EXPECT_EQ(calls[2].Value("result"), "-1");
    EXPECT_EQ(service().Find(frame->id)->alignment, horizontal ? "horz" : "vert");
    EXPECT_EQ(service().Find(frame->id)->parent, dialog.id);
  }
}

TEST_F(WidgetCreationTest, EachTextWidgetIsCreatedGivenItsTextAndThenPlaced) {
  MQDialog dialog(*mainWindow);
  MQFrame* column = dialog.NewVerticalFrame(&dialog);
  struct Case {
    const char* kind;
    MQWidgetBase* (*make)(MQDialog&, MQFrameBase*);
  };
  const Case cases[] = {
      {"button",
       [](MQDialog& d, MQFrameBase* p) -> MQWidgetBase* {
         return d.NewButton(p, u"全て選択(&Z)");
       }},
      {"checkbox",
       [](MQDialog& d, MQFrameBase* p) -> MQWidgetBase* {
         return d.NewCheckBox(p, u"全て選択(&Z)");
       }},
      {"radiobutton",
       [](MQDialog& d, MQFrameBase* p) -> MQWidgetBase* {
         return d.NewRadioButton(p, u"全て選択(&Z)");
       }},
      {"label",
       [](MQDialog& d, MQFrameBase* p) -> MQWidgetBase* { return d.NewLabel(p, u"全て選択(&Z)"); }},
      {"edit",
       [](MQDialog& d, MQFrameBase* p) -> MQWidgetBase* { return d.NewEdit(p, u"全て選択(&Z)"); }},
      {"groupbox",
       [](MQDialog& d, MQFrameBase* p) -> MQWidgetBase* {
         return d.NewGroupBox(p, u"全て選択(&Z)");
       }},
  };
  for (const Case& test : cases) {
    SCOPED_TRACE(test.kind);
    const std::size_t mark = LogMark();
    MQWidgetBase* widget = test.make(dialog, column);
    const std::vector<HostCall> calls = WidgetCallsSince(mark);
    ASSERT_EQ(calls.size(), 3u);
    EXPECT_EQ(calls[0].Value("type"), test.kind);
    EXPECT_EQ(Operation(calls[1]), "Set");
    EXPECT_EQ(calls[1].Keys(), std::vector<std::string>{"text"});
    EXPECT_EQ(calls[1].Value("text"), "全て選択(&Z)");
    EXPECT_EQ(Operation(calls[2]), "AddChild");
    EXPECT_EQ(Widget(calls[2]), column->id);
    EXPECT_EQ(calls[2].Value("child"), std::to_string(widget->id));
    const HostWidget* shown = service().Find(widget->id);
    ASSERT_NE(shown, nullptr);
    EXPECT_EQ(shown->kind, test.kind);
    EXPECT_EQ(shown->text, u"全て選択(&Z)");
    EXPECT_TRUE(widget->owned);
    EXPECT_EQ(WidgetRegistry::Lookup(widget->id), widget);
  }
  EXPECT_EQ(service().Find(column->id)->children.size(), std::size(cases));
}

TEST_F(WidgetCreationTest, AListBoxIsCreatedAndPlacedWithNoProperty) {
  MQDialog dialog(*mainWindow);
  MQFrame* column = dialog.NewVerticalFrame(&dialog);
  const std::size_t mark = LogMark();
  MQListBox* list = dialog.NewListBox(column);
  const std::vector<HostCall> calls = WidgetCallsSince(mark);
  ASSERT_EQ(calls.size(), 2u);
  EXPECT_EQ(calls[0].Value("type"), "listbox");
  EXPECT_EQ(Operation(calls[1]), "AddChild");
  EXPECT_EQ(calls[1].Value("child"), std::to_string(list->id));
}

TEST_F(WidgetCreationTest, ANullParentSendsNoAddChild) {
  MQDialog dialog(*mainWindow);
  const std::size_t mark = LogMark();
  MQFrame* frame = dialog.NewHorizontalFrame(nullptr);
  MQButton* button = dialog.NewButton(nullptr, u"OK");
  MQListBox* list = dialog.NewListBox(nullptr);
  for (const HostCall& call : WidgetCallsSince(mark)) EXPECT_NE(Operation(call), "AddChild");
  for (const MQWidgetBase* widget :
       std::initializer_list<const MQWidgetBase*>{frame, button, list}) {
    EXPECT_EQ(service().Find(widget->id)->parent, 0);
  }
}

TEST_F(WidgetCreationTest, EveryCreatedWrapperIsOwnedByItsWindowExactlyOnce) {
  // Every second creation is refused: those wrappers are kept all the same.
  int creations = 0;
  service().RefuseCreations(
      [&](const std::string& kind) { return kind != "dialog" && creations++ % 2 == 1; });
  MQDialog dialog(*mainWindow);
  MQFrame* column = dialog.NewVerticalFrame(&dialog);
  std::vector<MQWidgetBase*> made = {column,
                                     dialog.NewHorizontalFrame(column),
                                     dialog.NewButton(column, u"a"),
                                     dialog.NewCheckBox(column, u"b"),
                                     dialog.NewRadioButton(column, u"c"),
                                     dialog.NewLabel(column, u"d"),
                                     dialog.NewEdit(column, u"e"),
                                     dialog.NewListBox(column),
                                     dialog.NewGroupBox(column, u"f"),
                                     dialog.CreateWidget<MQListBox>()};
  EXPECT_EQ(dialog.createdWidgets.size(), made.size());
  for (MQWidgetBase* widget : made) EXPECT_EQ(dialog.createdWidgets.count(widget), 1u);
  const auto refused = std::count_if(made.begin(), made.end(),
                                     [](const MQWidgetBase* widget) { return widget->id == 0; });
  EXPECT_EQ(refused, 5);
}

TEST_F(WidgetCreationTest, AFailedCreationStillSetsItsTextAndJoinsItsParentWithIdZero) {
  MQDialog dialog(*mainWindow);
  MQFrame* column = dialog.NewVerticalFrame(&dialog);
  service().RefuseCreations([](const std::string&) { return true; });
  const std::size_t mark = LogMark();
  MQButton* button = dialog.NewButton(column, u"OK");
  const std::vector<HostCall> calls = WidgetCallsSince(mark);
  ASSERT_EQ(calls.size(), 3u);
  EXPECT_EQ(Widget(calls[1]), 0);
  EXPECT_EQ(calls[1].Value("text"), "OK");
  EXPECT_EQ(Widget(calls[2]), column->id);
  EXPECT_EQ(calls[2].Value("child"), "0");
  EXPECT_EQ(button->id, 0);
  // The host ignores requests on id 0: nothing is placed and nothing is misuse.
  EXPECT_TRUE(service().Find(column->id)->children.empty());
}

}  // namespace
