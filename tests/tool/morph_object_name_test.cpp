#include <gtest/gtest.h>

#include "morph_fixture.h"
#include "tool/naming.h"

namespace {

TEST(MorphObjectName, KeepsTheTargetsNameUpToItsFirstDash) {
  EXPECT_EQ(MorphObjectName("elem:smile-face", "body"), "elem:smile-body");
  EXPECT_EQ(MorphObjectName("smile", "body"), "smile-body");
  EXPECT_EQ(MorphObjectName("a-b-c", "body"), "a-body");
  EXPECT_EQ(MorphObjectName("-x", "body"), "-body");
  EXPECT_EQ(MorphObjectName("", "body"), "-body");
}

TEST(MorphObjectName, TakesTheDestinationsNameWhole) {
  EXPECT_EQ(MorphObjectName("elem:smile-face", "upper-body"), "elem:smile-upper-body");
  EXPECT_EQ(MorphObjectName("smile", ""), "smile-");
  // Multibyte names are cut at the byte 0x2D only.
  EXPECT_EQ(MorphObjectName("\x95\x5C-L", "\x8A\xE7"), "\x95\x5C-\x8A\xE7");
}

using FindObjectByNameTest = MorphFixture;

TEST_F(FindObjectByNameTest, FindsTheFirstObjectOfExactlyThatName) {
  host.AddObject(document, "face");
  host.AddObject(document, "body-");
  host.AddObject(document, "body");
  host.AddObject(document, "body");
  EXPECT_EQ(FindObjectByName(documentHandle(), "body"), 2);
  EXPECT_EQ(FindObjectByName(documentHandle(), "Body"), -1);
  EXPECT_EQ(FindObjectByName(documentHandle(), "bod"), -1);
  EXPECT_EQ(FindObjectByName(documentHandle(), ""), -1);
}

TEST_F(FindObjectByNameTest, StepsOverEmptySlotsAndAsksTheCountOnce) {
  host.AddObject(document, "body");
  host.AddObject(document, "body");
  document.DeleteAt(0);
  host.log.Clear();
  EXPECT_EQ(FindObjectByName(documentHandle(), "body"), 1);
  EXPECT_EQ(host.log.Count("MQDoc_GetObjectCount"), 1u);
}

TEST_F(FindObjectByNameTest, AnEmptyDocumentHasNoObjectOfAnyName) {
  EXPECT_EQ(FindObjectByName(documentHandle(), ""), -1);
  EXPECT_EQ(host.log.Count("MQDoc_GetObject"), 0u);
}

}  // namespace
