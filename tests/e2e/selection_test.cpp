// Which objects a run works on, and the warning when the selection is not enough.
#include <gtest/gtest.h>

#include "plugin_run_fixture.h"

namespace {

using SelectionTest = PluginRunFixture;

const std::vector<MQPoint> kTriangle = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}};

TEST_F(SelectionTest, TheSourceAndDestinationsComeFromTheDocumentsSelection) {
  // Slots 0..7, selected at 2, 5 and 7, with slots 3 and 6 emptied.
  for (const char* name : {"x0", "x1", "face", "x3", "x4", "A", "x6", "B"}) {
    AddUsed(name, kTriangle);
  }
  Add("elem:smile-face", {{0, 0, 1}, {1, 0, 1}, {0, 1, 1}}, {});
  Select(*document.ObjectAt(2));
  Select(*document.ObjectAt(5));
  Select(*document.ObjectAt(7));
  document.DeleteAt(3);
  document.DeleteAt(6);

  std::u16string sourceEdit;
  std::u16string destinationEdit;
  SetUser([&](host_imitation::ModalDialog& dialog) {
    sourceEdit = dialog.EditBeside(u"Source").text;
    destinationEdit = dialog.EditBeside(u"Destination").text;
    dialog.Press(u"OK");
  });
  EXPECT_TRUE(RunTool());
  EXPECT_EQ(sourceEdit, u"face");
  EXPECT_EQ(destinationEdit, u"A,B");

  // The last Destination is cloned first; each clone lands right after the target, so the first
  // Destination's ends up nearer to it.
  std::vector<std::string> clonedFrom;
  for (const host_imitation::HostCall& call : host.log.Of("MQObj_Clone")) {
    clonedFrom.push_back(call.arguments[0]);
  }
  EXPECT_EQ(clonedFrom, (std::vector<std::string>{"obj" + std::to_string(Named("B")->serial),
                                                  "obj" + std::to_string(Named("A")->serial)}));
  EXPECT_EQ(ObjectNames(),
            (std::vector<std::string>{"x0", "x1", "face", "x4", "A", "B", "elem:smile-face",
                                      "elem:smile-A", "elem:smile-B"}));
}

class RefusedSelectionTest : public SelectionTest, public ::testing::WithParamInterface<int> {};

TEST_P(RefusedSelectionTest, WarnsAndChangesNothing) {
  const int selected = GetParam();
  for (const char* name : {"face", "body", "elem:smile-face"}) AddUsed(name, kTriangle);
  for (int i = 0; i < selected; ++i) Select(*document.ObjectAt(i));
  host.SetText("Error", u"エラー!");
  SetUser([](host_imitation::ModalDialog& dialog) { dialog.Press(u"OK"); });

  EXPECT_FALSE(RunTool());

  ASSERT_EQ(host.widgets().messageBoxes().size(), 1u);
  const host_imitation::MessageBoxRecord& box = host.widgets().messageBoxes()[0];
  EXPECT_EQ(box.messageType, "warning");
  EXPECT_EQ(box.parent, host_imitation::WidgetService::kMainWindowId);
  EXPECT_EQ(box.message, u"SourceオブジェクトとDestinationオブジェクトを選択してください。");
  EXPECT_EQ(box.message.size(), 40u);
  EXPECT_EQ(box.title, u"エラー!");
  EXPECT_TRUE(host.widgets().modalRuns().empty());
  EXPECT_EQ(ObjectNames(), (std::vector<std::string>{"face", "body", "elem:smile-face"}));
  EXPECT_EQ(host.log.Count("MQObj_Clone") + host.log.Count("MQObj_SetVertex") +
                host.log.Count("MQObj_SetName") + host.log.Count("MQDoc_DeleteObject"),
            0u);
  // The box is shown with its keys in the host's order.
  const host_imitation::HostCall show = host.log.Of("MQWidget_Value").back();
  EXPECT_EQ(show.Keys(), (std::vector<std::string>{"type", "messagetype", "parent", "message",
                                                   "title", "result"}));
}

INSTANTIATE_TEST_SUITE_P(NoneOrOne, RefusedSelectionTest, ::testing::Values(0, 1));

TEST_F(SelectionTest, AHostWithoutAnErrorTextGivesAnUntitledWarning) {
  AddUsed("face", kTriangle);
  host.RemoveText("Error");
  EXPECT_FALSE(RunTool());
  ASSERT_EQ(host.widgets().messageBoxes().size(), 1u);
  EXPECT_EQ(host.widgets().messageBoxes()[0].title, u"");
}

}  // namespace
