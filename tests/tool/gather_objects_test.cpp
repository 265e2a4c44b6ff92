#include <gtest/gtest.h>

#include "support/tool_fixture.h"

namespace {

using GatherObjectsTest = ToolFixture;

TEST_F(GatherObjectsTest, TheFirstSelectedObjectInDocumentOrderIsTheSource) {
  host.AddObject(document, "unselected");
  host_imitation::HostObject& later = host.AddObject(document, "later");
  host_imitation::HostObject& earlier = host.AddObject(document, "earlier");
  // The user selected the later object first; only the document order counts.
  Select(later);
  Select(earlier);
  ASSERT_TRUE(tool.GatherObjects());
  EXPECT_EQ(tool.source.object, later.handle());
  ASSERT_EQ(tool.destinations.size(), 1u);
  EXPECT_EQ(tool.destinations[0].object, earlier.handle());
  EXPECT_EQ(runSettings.sourceName, "later");
  EXPECT_EQ(runSettings.destinationNames, "earlier");
}

TEST_F(GatherObjectsTest, WalksPastEmptySlots) {
  for (int32_t i = 0; i < 8; ++i) host.AddObject(document, std::string(1, char('A' + i)));
  Select(*document.ObjectAt(2));
  Select(*document.ObjectAt(5));
  Select(*document.ObjectAt(7));
  document.DeleteAt(1);
  document.DeleteAt(3);
  document.DeleteAt(6);
  ASSERT_TRUE(tool.GatherObjects());
  EXPECT_EQ(tool.source.object, document.ObjectAt(2)->handle());
  ASSERT_EQ(tool.destinations.size(), 2u);
  EXPECT_EQ(tool.destinations[0].object, document.ObjectAt(5)->handle());
  EXPECT_EQ(tool.destinations[1].object, document.ObjectAt(7)->handle());
  EXPECT_EQ(runSettings.sourceName, "C");
  EXPECT_EQ(runSettings.destinationNames, "F,H");
}

TEST_F(GatherObjectsTest, EmptyNamesGiveEmptyPieces) {
  for (const char* name : {"S", "A", "", "C"}) Select(host.AddObject(document, name));
  ASSERT_TRUE(tool.GatherObjects());
  EXPECT_EQ(runSettings.destinationNames, "A,,C");
}

TEST_F(GatherObjectsTest, RefusesFewerThanTwoSelectedObjectsAndKeepsTheEarlierNames) {
  runSettings.sourceName = "earlier source";
  runSettings.destinationNames = "earlier destinations";
  host.AddObject(document, "a");
  EXPECT_FALSE(tool.GatherObjects());
  Select(host.AddObject(document, "b"));
  tool.destinations.clear();
  EXPECT_FALSE(tool.GatherObjects());
  EXPECT_TRUE(tool.destinations.empty());
  EXPECT_EQ(runSettings.sourceName, "earlier source");
  EXPECT_EQ(runSettings.destinationNames, "earlier destinations");
  EXPECT_EQ(document.SlotCount(), 2);
}

}  // namespace
