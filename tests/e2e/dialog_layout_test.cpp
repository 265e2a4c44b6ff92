// The dialog as the host receives it: the widget tree, its values, and the order of the requests.
#include <gtest/gtest.h>

#include <algorithm>

#include "plugin_run_fixture.h"

namespace {

using namespace dialog_text;
using host_imitation::HostCall;
using host_imitation::ModalDialog;

class DialogLayoutTest : public PluginRunFixture {
 protected:
  void SetUp() override {
    PluginRunFixture::SetUp();
    Select(AddUsed("face", {{0, 0, 0}}));
    Select(AddUsed("body", {{0, 0, 0}}));
    Add("elem:smile-face", {{0, 0, 1}}, {});
    Add("elem:blink-face", {{0, 0, 1}}, {}).intValues[MQOBJECT_ATTRIBUTE_259] = 1;
  }
  // Runs the tool once, cancelling, and returns the dialog's tree as the user saw it.
  std::string TreeOnScreen() {
    std::string tree;
    SetUser([&](ModalDialog& dialog) {
      tree = host.widgets().DescribeTree(dialog.id());
      dialog.Press(u"Cancel");
    });
    EXPECT_TRUE(RunTool());
    return tree;
  }
  // The widget-service requests, each as "operation key=value ...".
  std::vector<std::string> WidgetRequests() const {
    std::vector<std::string> requests;
    for (const HostCall& call : host.log.Of("MQWidget_Value")) {
      std::string text = call.arguments.at(1) + " #" + call.arguments.at(0);
      for (const auto& [key, value] : call.values) text += " " + key + "=" + value;
      requests.push_back(text);
    }
    return requests;
  }
};

TEST_F(DialogLayoutTest, BuildsTheWidgetTreeItShows) {
  const std::string expected =
      "dialog title=\"Palisor\"\n"
      "  frame vert vertlayout=fill\n"
      "    frame horz\n"
      "      frame horz matrixcolumn=2 horzlayout=fill\n"
      "        label \"Source\" fillrate_x=30\n"
      "        edit \"face\" readonly horzlayout=fill fillrate_x=70\n"
      "        label \"Destination\" fillrate_x=30\n"
      "        edit \"body\" readonly horzlayout=fill fillrate_x=70\n"
      "      frame vert fillrate_x=30\n"
      "      frame vert fillrate_x=10\n"
      "        button \"OK\" default modalresult=1\n"
      "        button \"Cancel\" cancel modalresult=2\n"
      "    frame horz vertlayout=fill horzlayout=fill\n"
      "      frame vert horzlayout=fill\n"
      "        frame horz\n"
      "          button \"全て選択(&Z)\"\n"
      "          button \"選択反転(&C)\"\n"
      "        listbox multiselect vertlayout=fill\n"
      "          [x] elem:smile-face\n"
      "          [ ] elem:blink-face\n"
      "      frame vert\n"
      "        groupbox \"動作モード\"\n"
      "          radiobutton \"keynote準拠(&K)\" [x] hint=\"対象モーフとして、keynote準拠のエレメン"
      "ト命名規則に合致するオブジェクトをリストアップします。\"\n"
      "          radiobutton \"同頂点数(&D)\" [ ] "
      "hint=\"対象モーフとして、baseオブジェクトと同頂点数"
      "のオブジェクトをリストアップします。\"\n"
      "          radiobutton \"モーフ設定(&A)\" [ ] "
      "hint=\"対象モーフとして、baseオブジェクトにモーフ"
      "機能でターゲットと設定されているオブジェクトをリストアップします。\"\n"
      "        checkbox \"選択頂点のみモーフ反映する(&S)\" [ ]\n"
      "        checkbox \"バックアップエレメントを作成する(&X)\" [x] "
      "hint=\"モーフオブジェクトを生成"
      "するときに、同名の既存オブジェクトが存在したら、既存は先頭に#"
      "を付け、末尾に連番を付けて使われていな"
      "い名前に変更する。\"\n";
  EXPECT_EQ(TreeOnScreen(), expected);
}

TEST_F(DialogLayoutTest, SendsEveryWidgetsValuesBeforePlacingIt) {
  TreeOnScreen();
  const std::vector<std::string> requests = WidgetRequests();
  auto position = [&](const std::string& prefix) {
    auto found = std::find_if(requests.begin(), requests.end(), [&](const std::string& request) {
      return request.rfind(prefix, 0) == 0;
    });
    EXPECT_NE(found, requests.end()) << prefix;
    return found - requests.begin();
  };
  // The dialog is created and attached to the main window before anything else is made in it.
  EXPECT_LT(position("Create #0 type=dialog"), position("AddChildWindow #1"));
  EXPECT_LT(position("AddChildWindow #1"), position("Create #0 type=frame"));
  const std::string attach = requests[static_cast<std::size_t>(position("AddChildWindow #1"))];
  const std::size_t idStart = attach.find("child=") + 6;
  const std::string dialogId = attach.substr(idStart, attach.find(' ', idStart) - idStart);
  EXPECT_LT(position("Set #" + dialogId + " title=Palisor"),
            position("Set #" + dialogId + " canresize=true"));
  // The group box shows an empty text until it is placed, then its title.
  const auto groupCreated = position("Create #0 type=groupbox");
  EXPECT_EQ(requests[static_cast<std::size_t>(groupCreated) + 1].find("Set #"), 0u);
  EXPECT_NE(requests[static_cast<std::size_t>(groupCreated) + 1].find(" text="), std::string::npos);
  EXPECT_NE(requests[static_cast<std::size_t>(groupCreated) + 2].find("AddChild #"),
            std::string::npos);
  EXPECT_NE(requests[static_cast<std::size_t>(groupCreated) + 3].find("text=動作モード"),
            std::string::npos);
  // List items: "index" comes before "item.selected" in the same request, and the first item is
  // made visible last.
  bool sawItem = false;
  for (const std::string& request : requests) {
    if (request.find("item.selected") != std::string::npos && request.rfind("Set", 0) == 0) {
      EXPECT_NE(request.find(" index="), std::string::npos);
      EXPECT_LT(request.find(" index="), request.find(" item.selected="));
      sawItem = true;
    }
  }
  EXPECT_TRUE(sawItem);
  EXPECT_LT(position("Call #"), position("Show #"));
}

TEST_F(DialogLayoutTest, RegistersTheListButtonsAndTheModeRadios) {
  std::vector<std::pair<std::u16string, std::size_t>> registrations;
  SetUser([&](ModalDialog& dialog) {
    for (const char16_t* text : {kSelectAll, kInvert}) {
      registrations.emplace_back(
          text, host.widgets().Registrations(dialog.Button(text).id, "execute").size());
    }
    for (const char16_t* text : {kKeynoteMode, kVertexCountMode, kMorphFeatureMode}) {
      const auto found = host.widgets().Registrations(dialog.RadioButton(text).id, "execute");
      registrations.emplace_back(text, found.size());
      for (const auto& registration : found) EXPECT_FALSE(registration.prior);
    }
    EXPECT_TRUE(host.widgets().Registrations(dialog.Button(u"OK").id).empty());
    dialog.Press(u"Cancel");
  });
  EXPECT_TRUE(RunTool());
  for (const auto& [text, count] : registrations) EXPECT_EQ(count, 1u);
  EXPECT_EQ(registrations.size(), 5u);
}

TEST_F(DialogLayoutTest, AnEmptyListStillMakesItsFirstItemVisible) {
  document.ObjectAt(2)->name = "unrelated";
  document.ObjectAt(3)->name = "unrelated too";
  SetUser([](ModalDialog& dialog) {
    EXPECT_TRUE(dialog.ItemTexts().empty());
    dialog.Press(u"Cancel");
  });
  EXPECT_TRUE(RunTool());
  const std::vector<std::string> requests = WidgetRequests();
  EXPECT_TRUE(std::any_of(requests.begin(), requests.end(), [](const std::string& request) {
    return request.rfind("Call", 0) == 0 && request.find("makeitemvisible=") != std::string::npos &&
           request.find("index=0") != std::string::npos;
  }));
}

TEST_F(DialogLayoutTest, DestroysEveryWidgetItMadeAndLeavesTheMainWindow) {
  TreeOnScreen();
  std::vector<const host_imitation::HostWidget*> live = host.widgets().LiveWidgets();
  ASSERT_EQ(live.size(), 1u);
  EXPECT_EQ(live[0]->id, host_imitation::WidgetService::kMainWindowId);
}

}  // namespace
