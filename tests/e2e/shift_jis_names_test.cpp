// A Japanese user on Windows: object names are Shift-JIS (code page 932), and the dialog shows
// them in UTF-16 through the runtime's own setlocale and mbstowcs_s. Runs registered with a
// Japanese user locale set PALISOR_REQUIRE_JAPANESE_LOCALE; under any other code page these tests
// skip, or fail when that is set.
#ifdef _WIN32

#include <gtest/gtest.h>
#include <windows.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "plugin_run_fixture.h"

namespace {

using host_imitation::ModalDialog;

// Shift-JIS spellings. The second byte of 表 and of ソ is 0x5C, the backslash of ASCII.
const std::string kExpression = "\x95\x5C\x8F\xEE";  // 表情
const std::string kFace = "\x8A\xE7";                // 顔
const std::string kClothes = "\x95\x9E\x83\x5C";     // 服ソ
const std::string kSmile = "\x8F\xCE\x8A\xE7";       // 笑顔

class ShiftJisNamesTest : public PluginRunFixture {
 protected:
  void SetUp() override {
    if (GetACP() != 932) {
      if (std::getenv("PALISOR_REQUIRE_JAPANESE_LOCALE") != nullptr) {
        FAIL() << "the user's code page is " << GetACP() << ", not 932";
      }
      GTEST_SKIP() << "the user's code page is " << GetACP() << ", not 932";
    }
    PluginRunFixture::SetUp();
  }
};

TEST_F(ShiftJisNamesTest, TheDialogShowsShiftJisNamesInUtf16) {
  Select(AddUsed(kExpression, {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}));
  Select(AddUsed(kFace, {{0, 0, 0}, {1, 1, 0}, {0, 1, 0}}));
  Select(AddUsed(kClothes, {{2, 0, 0}, {1, 0, 0}, {0, 2, 0}}));
  Add("elem:" + kSmile + "-" + kExpression, {{0, 0, 1}, {1, 0, 1}, {0, 1, 1}}, {});
  // A lead byte followed by "-", which no Shift-JIS character has as its second byte.
  Add("elem:\x83-" + kExpression, {{0, 0, 2}, {1, 0, 2}, {0, 1, 2}}, {});

  std::u16string source;
  std::u16string destinations;
  std::vector<std::u16string> items;
  SetUser([&](ModalDialog& dialog) {
    source = dialog.EditBeside(u"Source").text;
    destinations = dialog.EditBeside(u"Destination").text;
    items = dialog.ItemTexts();
    dialog.Press(u"Cancel");
  });
  EXPECT_TRUE(RunTool());

  EXPECT_EQ(source, u"表情");
  EXPECT_EQ(destinations, u"顔,服ソ");
  EXPECT_EQ(items, (std::vector<std::u16string>{u"elem:笑顔-表情", u"invalid"}));
}

TEST_F(ShiftJisNamesTest, MorphObjectsAreNamedInTheUsersEncoding) {
  Select(AddUsed(kExpression, {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}));
  Select(AddUsed(kFace, {{0.5f, 0.5f, 0}, {1, 1, 0}, {0.2f, 0.9f, 0}}));
  Add("elem:" + kSmile + "-" + kExpression, {{0, 0, 1}, {1, 0, 1}, {0, 1, 1}}, {});
  SetUser([](ModalDialog& dialog) {
    dialog.Press(u"全て選択(&Z)");
    dialog.Press(u"OK");
  });
  EXPECT_TRUE(RunTool());

  // The target's name up to its first "-", then "-" and the Destination's name, byte for byte.
  const host_imitation::HostObject* morph = Named("elem:" + kSmile + "-" + kFace);
  ASSERT_NE(morph, nullptr);
  ASSERT_EQ(morph->VertexCount(), 3);
  EXPECT_NEAR(morph->vertices[1].z, 1.0f, 1e-6f);
}

}  // namespace

#endif
