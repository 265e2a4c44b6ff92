#include <gtest/gtest.h>

#include "tool/naming.h"

namespace {

TEST(KeynoteKey, TakesTheNameAfterItsNamespaceAndBeforeItsSide) {
  EXPECT_EQ(KeynoteKey("face"), "face");
  EXPECT_EQ(KeynoteKey("head:face-01"), "face");
  EXPECT_EQ(KeynoteKey("face-L"), "face");
  EXPECT_EQ(KeynoteKey("ab-c"), "ab");
  EXPECT_EQ(KeynoteKey("a:b:c-d"), "b:c");
}

TEST(KeynoteKey, KeepsADashThatStandsTooEarly) {
  EXPECT_EQ(KeynoteKey("a-b"), "a-b");
  EXPECT_EQ(KeynoteKey("-x"), "-x");
  EXPECT_EQ(KeynoteKey("x:a-b-cd"), "a-b-cd");
}

TEST(KeynoteKey, MayBeEmpty) {
  EXPECT_EQ(KeynoteKey("x:"), "");
  EXPECT_EQ(KeynoteKey(""), "");
  EXPECT_EQ(KeynoteKey(":"), "");
}

TEST(MatchesKeynote, AcceptsElementNamesOfTheKey) {
  EXPECT_TRUE(MatchesKeynote("face", "elem:smile-face"));
  EXPECT_TRUE(MatchesKeynote("face", "elem:-face"));
  EXPECT_TRUE(MatchesKeynote("", "elem:smile-"));
}

TEST(MatchesKeynote, RejectsEverythingElseByteForByte) {
  EXPECT_FALSE(MatchesKeynote("face", "elem:smile-face2"));
  EXPECT_FALSE(MatchesKeynote("face", "Elem:smile-face"));
  EXPECT_FALSE(MatchesKeynote("face", "elem:smile_face"));
  EXPECT_FALSE(MatchesKeynote("face", "elem:a-b-face"));
  EXPECT_FALSE(MatchesKeynote("face", "elem:smile-face "));
  EXPECT_FALSE(MatchesKeynote("face", "elem:smile-Face"));
  EXPECT_FALSE(MatchesKeynote("", "elem:smile"));
}

TEST(MatchesKeynote, NamesUnderFiveBytesNeverMatch) {
  for (const char* name : {"", "e", "elem", "ele-", "-"}) {
    EXPECT_FALSE(MatchesKeynote("", name)) << name;
  }
  EXPECT_FALSE(MatchesKeynote("x", "elem"));
}

}  // namespace
