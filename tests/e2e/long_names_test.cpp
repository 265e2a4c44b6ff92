// Names longer than the host hands over whole: a run acts on no name clash it cannot confirm, so
// no object whose full name differs from a new object's is renamed or deleted.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "host/cmq_object.h"
#include "plugin_run_fixture.h"

namespace {

using namespace dialog_text;
using host_imitation::ModalDialog;

struct LongNameCase {
  const char* what;
  // The Destination's name is this many "d"s; its morph object is "elem:smile-" and that name.
  std::size_t destinationLength;
  // The user's object in the way: the morph object's name followed by this.
  const char* clashingSuffix;
  bool backup;
  // What becomes of the user's object.
  enum { kKept, kRenamed, kDeleted } expected;
};

class LongNamesTest : public PluginRunFixture,
                      public ::testing::WithParamInterface<LongNameCase> {};

TEST_P(LongNamesTest, OnlyAnObjectOfTheFullNewNameMakesWay) {
  const LongNameCase& c = GetParam();
  const std::vector<MQPoint> triangle = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}};
  const std::string destinationName(c.destinationLength, 'd');
  const std::string morphName = "elem:smile-" + destinationName;
  const std::string usersName = morphName + c.clashingSuffix;

  Select(AddUsed("face", triangle));
  Add("elem:smile-face", {{0, 0, 1}, {1, 0, 1}, {0, 1, 1}}, {});
  Select(AddUsed(destinationName, triangle));
  AddUsed(usersName, {{5, 5, 5}});
  SetUser([&](ModalDialog& dialog) {
    dialog.SetChecked(kBackup, c.backup);
    dialog.Press(u"OK");
  });
  ASSERT_TRUE(RunTool());

  std::vector<std::string> expected = {"face", "elem:smile-face", morphName, destinationName};
  if (c.expected == LongNameCase::kKept) expected.push_back(usersName);
  // The imitated host fits its fresh name into the 249 bytes it may hand over: "#", the name
  // cut short, and the serial number 1.
  if (c.expected == LongNameCase::kRenamed) {
    expected.push_back(("#" + usersName).substr(0, cmq::kLongestWholeName - 1) + "1");
  }
  EXPECT_EQ(ObjectNames(), expected);
  EXPECT_EQ(host.log.Count("MQObj_SetName"), c.expected == LongNameCase::kRenamed ? 2u : 1u);
}

// "elem:smile-" is 11 bytes: a Destination of 237 bytes gives a 248-byte name, which the host
// hands over whole; 238 bytes give 249, as long as the host cuts names to.
INSTANTIATE_TEST_SUITE_P(
    Clashes, LongNamesTest,
    ::testing::Values(
        LongNameCase{"CutNameWithBackup", 238, "-users-own-object", true, LongNameCase::kKept},
        LongNameCase{"CutNameWithoutBackup", 238, "-users-own-object", false, LongNameCase::kKept},
        LongNameCase{"SameLongNameWithBackup", 238, "", true, LongNameCase::kKept},
        LongNameCase{"SameLongNameWithoutBackup", 238, "", false, LongNameCase::kKept},
        LongNameCase{"WholeNameWithBackup", 237, "", true, LongNameCase::kRenamed},
        LongNameCase{"WholeNameWithoutBackup", 237, "", false, LongNameCase::kDeleted},
        LongNameCase{"LongerWholeNameIsNoClash", 237, "x", false, LongNameCase::kKept}),
    [](const ::testing::TestParamInfo<LongNameCase>& info) { return info.param.what; });

}  // namespace
