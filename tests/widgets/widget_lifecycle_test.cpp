// Wrappers, the id registry and window ownership: which host widgets a wrapper destroys, and
// when.
#include <algorithm>

#include "widget_test_fixture.h"

namespace {

using host_imitation::HostCall;

std::vector<int32_t> DeletedIds(const std::vector<HostCall>& calls) {
  std::vector<int32_t> ids;
  for (const HostCall& call : calls) {
    if (Operation(call) == "Delete") ids.push_back(Widget(call));
  }
  return ids;
}

using WidgetLifecycleTest = WidgetTest;

TEST_F(WidgetLifecycleTest, DestroyingAWindowDeletesItsWidgetsBeforeItselfAndUnregistersThem) {
  auto dialog = std::make_unique<MQDialog>(*mainWindow);
  MQFrame* column = dialog->NewVerticalFrame(dialog.get());
  MQButton* button = dialog->NewButton(column, u"OK");
  MQListBox* list = dialog->NewListBox(column);
  const std::vector<int32_t> childIds = {column->id, button->id, list->id};
  const int32_t dialogId = dialog->id;
  ASSERT_NE(dialogId, 0);
  for (int32_t id : childIds) ASSERT_NE(WidgetRegistry::Lookup(id), nullptr);

  const std::size_t mark = LogMark();
  dialog.reset();

  const std::vector<int32_t> deleted = DeletedIds(WidgetCallsSince(mark));
  ASSERT_EQ(deleted.size(), 4u);
  EXPECT_EQ(deleted.back(), dialogId);
  std::vector<int32_t> children(deleted.begin(), deleted.end() - 1);
  std::sort(children.begin(), children.end());
  EXPECT_EQ(children, childIds);
  for (int32_t id : childIds) EXPECT_EQ(WidgetRegistry::Lookup(id), nullptr);
  EXPECT_EQ(WidgetRegistry::Lookup(dialogId), nullptr);
  // The owner window the dialog was attached to stays, with its wrapper.
  EXPECT_TRUE(service().IsLive(host_imitation::WidgetService::kMainWindowId));
  EXPECT_EQ(WidgetRegistry::Lookup(mainWindow->id), mainWindow.get());
  EXPECT_EQ(service().LiveWidgets().size(), 1u);
}

TEST_F(WidgetLifecycleTest, TheMainWindowWrapperUnregistersWithoutDeletingTheHostWindow) {
  const int32_t id = mainWindow->id;
  EXPECT_EQ(id, host_imitation::WidgetService::kMainWindowId);
  EXPECT_FALSE(mainWindow->owned);
  EXPECT_EQ(WidgetRegistry::Lookup(id), mainWindow.get());

  const std::size_t mark = LogMark();
  mainWindow.reset();

  EXPECT_EQ(WidgetRegistry::Lookup(id), nullptr);
  EXPECT_TRUE(WidgetCallsSince(mark).empty());
  EXPECT_TRUE(service().IsLive(id));
}

TEST_F(WidgetLifecycleTest, AWrapperWhoseCreationFailedIsDestroyedWithoutAHostCall) {
  service().RefuseCreations([](const std::string& kind) { return kind == "button"; });
  auto dialog = std::make_unique<MQDialog>(*mainWindow);
  MQFrame* column = dialog->NewVerticalFrame(dialog.get());
  MQButton* refused = dialog->NewButton(column, u"OK");
  EXPECT_EQ(refused->id, 0);
  EXPECT_FALSE(refused->owned);
  EXPECT_EQ(WidgetRegistry::Lookup(0), nullptr);
  EXPECT_EQ(dialog->createdWidgets.count(refused), 1u);

  // Destroying the refused wrapper alone: nothing reaches the host.
  dialog->createdWidgets.erase(refused);
  const std::size_t mark = LogMark();
  delete refused;
  EXPECT_TRUE(WidgetCallsSince(mark).empty());

  // With the window, only the widgets the host made are deleted.
  const std::vector<int32_t> expected = {column->id, dialog->id};
  const std::size_t windowMark = LogMark();
  dialog.reset();
  EXPECT_EQ(DeletedIds(WidgetCallsSince(windowMark)), expected);
}

TEST_F(WidgetLifecycleTest, TwoWrappersOfOneIdKeepTheFirstUntilEitherGoes) {
  const int32_t id = mainWindow->id;
  mainWindow.reset();
  for (const bool firstGoes : {true, false}) {
    SCOPED_TRACE(firstGoes ? "first destroyed" : "second destroyed");
    auto first = std::make_unique<MQWindow>(id);
    auto second = std::make_unique<MQWindow>(id);
    EXPECT_EQ(WidgetRegistry::Lookup(id), first.get());
    (firstGoes ? first : second).reset();
    EXPECT_EQ(WidgetRegistry::Lookup(id), nullptr);
    (firstGoes ? second : first).reset();
    EXPECT_EQ(WidgetRegistry::Size(), 0u);
  }
  EXPECT_TRUE(service().IsLive(id));
}

TEST_F(WidgetLifecycleTest, RegisterIgnoresIdZeroAndAnIdAlreadyPresent) {
  MQWidgetBase empty;
  WidgetRegistry::Register(&empty);
  EXPECT_EQ(WidgetRegistry::Lookup(0), nullptr);
  WidgetRegistry::Register(nullptr);
  EXPECT_EQ(WidgetRegistry::Size(), 1u);  // the main window alone
  EXPECT_EQ(WidgetRegistry::Lookup(12345), nullptr);
  WidgetRegistry::Unregister(12345);
  EXPECT_EQ(WidgetRegistry::Lookup(mainWindow->id), mainWindow.get());
}

TEST_F(WidgetLifecycleTest, ADialogIsAttachedToItsOwnerAndDetachedWhenDestroyed) {
  auto dialog = std::make_unique<MQDialog>(*mainWindow);
  const int32_t dialogId = dialog->id;
  const host_imitation::HostWidget* owner = service().Find(mainWindow->id);
  ASSERT_NE(owner, nullptr);
  EXPECT_EQ(owner->childWindows, std::vector<int32_t>{dialogId});
  EXPECT_EQ(service().Find(dialogId)->owner, mainWindow->id);
  EXPECT_TRUE(dialog->owned);

  dialog.reset();
  EXPECT_FALSE(service().IsLive(dialogId));
  EXPECT_TRUE(service().Find(mainWindow->id)->childWindows.empty());
}

TEST_F(WidgetLifecycleTest, ADialogWhoseCreationFailedStillAsksToBeAttachedWithIdZero) {
  service().RefuseCreations([](const std::string&) { return true; });
  const std::size_t mark = LogMark();
  auto dialog = std::make_unique<MQDialog>(*mainWindow);
  const std::vector<HostCall> calls = WidgetCallsSince(mark);
  ASSERT_EQ(calls.size(), 2u);
  EXPECT_EQ(Operation(calls[1]), "AddChildWindow");
  EXPECT_EQ(Widget(calls[1]), mainWindow->id);
  EXPECT_EQ(calls[1].Value("child"), "0");
  EXPECT_EQ(calls[1].Value("result"), "-1");

  const std::size_t end = LogMark();
  dialog.reset();
  EXPECT_TRUE(WidgetCallsSince(end).empty());
}

}  // namespace
