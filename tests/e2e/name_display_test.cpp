// Names reach the dialog from the host's multibyte encoding.
#include <gtest/gtest.h>

#include <cstdlib>

#include "plugin_run_fixture.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace {

using host_imitation::ModalDialog;

class NameDisplayTest : public PluginRunFixture {
 protected:
  void SetUp() override {
#ifdef _WIN32
    // The user's code page decides; only multibyte code pages have invalid text.
    if (GetACP() != 932 && GetACP() != 65001) GTEST_SKIP() << "single-byte user code page";
#else
    // The dialog follows the user's default locale; make it one with multibyte text.
    setenv("LC_ALL", "C.UTF-8", 1);
#endif
    PluginRunFixture::SetUp();
  }
};

TEST_F(NameDisplayTest, ANameThatIsNoMultibyteTextShowsAsInvalid) {
  Select(AddUsed("face", {{0, 0, 0}}));
  Select(AddUsed("body", {{1, 0, 0}}));
  Add("elem:ok-face", {{0, 0, 1}}, {});
  Add("elem:bad\x83-face", {{0, 0, 1}}, {});
  Add("elem:also-face", {{0, 0, 1}}, {});
  std::vector<std::u16string> items;
  SetUser([&](ModalDialog& dialog) {
    items = dialog.ItemTexts();
    dialog.Press(u"Cancel");
  });
  EXPECT_TRUE(RunTool());
  EXPECT_EQ(items, (std::vector<std::u16string>{u"elem:ok-face", u"invalid", u"elem:also-face"}));
}

TEST_F(NameDisplayTest, EmptyNamesGiveEmptyEdits) {
  Select(AddUsed("", {{0, 0, 0}}));
  Select(AddUsed("", {{1, 0, 0}}));
  std::u16string source = u"unset";
  std::u16string destinations = u"unset";
  SetUser([&](ModalDialog& dialog) {
    source = dialog.EditBeside(u"Source").text;
    destinations = dialog.EditBeside(u"Destination").text;
    dialog.Press(u"Cancel");
  });
  EXPECT_TRUE(RunTool());
  EXPECT_EQ(source, u"");
  EXPECT_EQ(destinations, u"");
}

#ifndef _WIN32
TEST_F(NameDisplayTest, MultibyteNamesReachTheDialogIntact) {
  Select(AddUsed("顔", {{0, 0, 0}}));
  Select(AddUsed("体", {{1, 0, 0}}));
  Select(AddUsed("服", {{2, 0, 0}}));
  Add("elem:笑顔-顔", {{0, 0, 1}}, {});
  std::vector<std::u16string> texts;
  SetUser([&](ModalDialog& dialog) {
    texts = {dialog.EditBeside(u"Source").text, dialog.EditBeside(u"Destination").text};
    for (const std::u16string& item : dialog.ItemTexts()) texts.push_back(item);
    dialog.Press(u"Cancel");
  });
  EXPECT_TRUE(RunTool());
  EXPECT_EQ(texts, (std::vector<std::u16string>{u"顔", u"体,服", u"elem:笑顔-顔"}));
}
#endif

}  // namespace
