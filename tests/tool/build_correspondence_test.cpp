#include <gtest/gtest.h>

#include "morph_fixture.h"

namespace {

using host_imitation::HostObject;

// (sourceIndex, squaredDistance) pairs, for readable expectations.
std::vector<std::pair<int32_t, float>> Entries(const NearestList& list) {
  std::vector<std::pair<int32_t, float>> entries;
  for (const NearestEntry& entry : list)
    entries.emplace_back(entry.sourceIndex, entry.squaredDistance);
  return entries;
}

using Pairs = std::vector<std::pair<int32_t, float>>;

class BuildCorrespondenceTest : public MorphFixture {
 protected:
  void UseSource(const std::vector<MQPoint>& vertices, const std::set<int32_t>& unused = {}) {
    tool.source = Handle(AddMesh("source", vertices, unused));
  }
  // Builds the correspondence of a Destination with these vertices.
  HostObject& Correspond(const std::vector<MQPoint>& vertices,
                         const std::set<int32_t>& unused = {}) {
    HostObject& destination = AddMesh("destination", vertices, unused);
    EXPECT_TRUE(tool.BuildCorrespondence(Handle(destination)));
    return destination;
  }
  Pairs ListOf(int32_t vertex) const { return Entries(tool.CorrespondenceMap.at(vertex)); }
};

TEST_F(BuildCorrespondenceTest, ListsTheThreeNearestNearestFirst) {
  UseSource({{5, 0, 0}, {1, 0, 0}, {0, 3, 0}, {0, 0, 2}, {9, 9, 9}});
  Correspond({{0, 0, 0}});
  EXPECT_EQ(ListOf(0), (Pairs{{1, 1.0f}, {3, 4.0f}, {2, 9.0f}}));
}

TEST_F(BuildCorrespondenceTest, EqualDistancesRankTheHigherIndexFirst) {
  UseSource({{0, 2, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}, {0, 0, -1}, {-1, 0, 0}});
  Correspond({{0, 0, 0}, {0, 1.5f, 0}});
  // Five Source vertices at distance 1: the three highest indexes, highest first.
  EXPECT_EQ(ListOf(0), (Pairs{{5, 1.0f}, {4, 1.0f}, {3, 1.0f}}));
  // Two at 0.25, then a tie for the third place that the later index wins.
  EXPECT_EQ(ListOf(1), (Pairs{{2, 0.25f}, {0, 0.25f}, {5, 3.25f}}));
}

TEST_F(BuildCorrespondenceTest, ALaterVertexAtTheThirdDistanceTakesTheThirdPlace) {
  UseSource({{1, 0, 0}, {2, 0, 0}, {3, 0, 0}, {0, 3, 0}, {0, 0, 4}});
  Correspond({{0, 0, 0}});
  EXPECT_EQ(ListOf(0), (Pairs{{0, 1.0f}, {1, 4.0f}, {3, 9.0f}}));
}

TEST_F(BuildCorrespondenceTest, AnExactHitStandsFirstAtDistanceZero) {
  UseSource({{1, 0, 0}, {0.25f, 0.5f, -2}, {0, 1, 0}, {0.25f, 0.5f, -2}});
  Correspond({{0.25f, 0.5f, -2}});
  const Pairs list = ListOf(0);
  ASSERT_EQ(list.size(), 3u);
  EXPECT_EQ(list[0], (std::pair<int32_t, float>{3, 0.0f}));
  EXPECT_EQ(list[1], (std::pair<int32_t, float>{1, 0.0f}));
}

TEST_F(BuildCorrespondenceTest, AddsTheSquaresOfXAndYBeforeZ) {
  // In 32-bit floats, 1 + (2^-24 + 2^-24) differs from (1 + 2^-24) + 2^-24.
  const float tiny = 0.000244140625f;  // 2^-12, whose square is 2^-24
  UseSource({{1, tiny, tiny}});
  Correspond({{0, 0, 0}});
  const float expected = (1.0f + tiny * tiny) + tiny * tiny;
  ASSERT_NE(expected, 1.0f + (tiny * tiny + tiny * tiny));
  EXPECT_EQ(ListOf(0), (Pairs{{0, expected}}));
}

TEST_F(BuildCorrespondenceTest, FewerThanThreeUsedSourceVerticesGiveShorterLists) {
  UseSource({{1, 0, 0}, {2, 0, 0}, {3, 0, 0}}, {1});
  Correspond({{0, 0, 0}});
  EXPECT_EQ(ListOf(0), (Pairs{{0, 1.0f}, {2, 9.0f}}));
}

TEST_F(BuildCorrespondenceTest, ASourceWithNoUsedVertexGivesEmptyLists) {
  UseSource({{1, 0, 0}, {2, 0, 0}}, {0, 1});
  Correspond({{0, 0, 0}, {1, 1, 1}});
  ASSERT_EQ(tool.CorrespondenceMap.size(), 2u);
  EXPECT_TRUE(ListOf(0).empty());
  EXPECT_TRUE(ListOf(1).empty());
}

TEST_F(BuildCorrespondenceTest, UnreferencedVerticesTakePartInNothing) {
  // Source vertex 0 would be the nearest of everything.
  UseSource({{0, 0, 0}, {1, 0, 0}, {2, 0, 0}, {3, 0, 0}, {4, 0, 0}}, {0, 3});
  Correspond({{0, 0, 0}, {0.5f, 0, 0}, {9, 0, 0}}, {1});
  ASSERT_EQ(tool.CorrespondenceMap.size(), 2u);
  EXPECT_EQ(tool.CorrespondenceMap.count(1), 0u);
  EXPECT_EQ(ListOf(0), (Pairs{{1, 1.0f}, {2, 4.0f}, {4, 16.0f}}));
  EXPECT_EQ(ListOf(2), (Pairs{{4, 25.0f}, {2, 49.0f}, {1, 64.0f}}));
}

TEST_F(BuildCorrespondenceTest, AFarAwayVertexStillTakesItsThreeNearest) {
  UseSource({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}});
  Correspond({{1000, 0, 0}});
  EXPECT_EQ(ListOf(0), (Pairs{{1, 998001.0f}, {0, 1000000.0f}, {3, 1000001.0f}}));
}

TEST_F(BuildCorrespondenceTest, StartsAfreshForEveryDestination) {
  UseSource({{0, 0, 0}});
  Correspond({{1, 0, 0}, {2, 0, 0}, {3, 0, 0}});
  Correspond({{4, 0, 0}});
  ASSERT_EQ(tool.CorrespondenceMap.size(), 1u);
  EXPECT_EQ(ListOf(0), (Pairs{{0, 16.0f}}));
}

TEST_F(BuildCorrespondenceTest, SelectedVerticesOnlyKeepsTheDestinationsSelection) {
  HostObject& source = AddMesh("source", {{0, 0, 0}, {1, 0, 0}});
  tool.source = Handle(source);
  source.SelectVertex(0);
  HostObject& destination = AddMesh("destination", {{0, 0, 0}, {1, 0, 0}, {2, 0, 0}, {3, 0, 0}});
  destination.SelectVertex(1);
  destination.SelectVertex(3);
  runSettings.selectedVerticesOnly = true;

  ASSERT_TRUE(tool.BuildCorrespondence(Handle(destination)));
  EXPECT_EQ(tool.CorrespondenceMap.size(), 2u);
  EXPECT_EQ(ListOf(1), (Pairs{{1, 0.0f}, {0, 1.0f}}));
  EXPECT_EQ(ListOf(3), (Pairs{{1, 4.0f}, {0, 9.0f}}));
  // The selection is asked of the Destination, never of the Source.
  const std::string destinationIndex = std::to_string(document.IndexOf(&destination));
  for (const host_imitation::HostCall& call : host.log.Of("MQDoc_IsSelectVertex")) {
    EXPECT_EQ(call.arguments[1], destinationIndex);
  }
}

TEST_F(BuildCorrespondenceTest, SelectedVerticesOnlyWithoutASelectionListsNothing) {
  HostObject& source = AddMesh("source", {{0, 0, 0}, {1, 0, 0}});
  source.SelectVertex(0);
  source.SelectVertex(1);
  tool.source = Handle(source);
  runSettings.selectedVerticesOnly = true;
  Correspond({{0, 0, 0}, {1, 0, 0}});
  EXPECT_TRUE(tool.CorrespondenceMap.empty());

  runSettings.selectedVerticesOnly = false;
  Correspond({{0, 0, 0}, {1, 0, 0}});
  EXPECT_EQ(tool.CorrespondenceMap.size(), 2u);
}

}  // namespace
