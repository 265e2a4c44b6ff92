#include <gtest/gtest.h>

#include "support/tool_fixture.h"

namespace {

class ListCandidatesTest : public ToolFixture {
 protected:
  // A Source, one Destination, and whatever else the test adds.
  void MakeRun(const std::string& sourceName, int32_t sourceVertices = 3) {
    auto& source = AddWithVertices(sourceName, sourceVertices);
    auto& destination = AddWithVertices("body", 5);
    tool.source = Handle(source);
    tool.destinations = {Handle(destination)};
  }
  host_imitation::HostObject& AddWithVertices(const std::string& name, int32_t count) {
    host_imitation::HostObject& object = host.AddObject(document, name);
    for (int32_t i = 0; i < count; ++i) object.AddVertex(MQPoint{float(i), 0, 0});
    return object;
  }
  std::vector<bool> Ticks() {
    std::vector<bool> ticks;
    for (const MorphCandidate& candidate : runSettings.candidates)
      ticks.push_back(candidate.ticked);
    return ticks;
  }
};

TEST_F(ListCandidatesTest, KeynoteModeListsElementsOfTheSourcesKeyInDocumentOrder) {
  MakeRun("head:face-01");
  host.AddObject(document, "elem:smile-face");
  host.AddObject(document, "elem:smile-face2");
  host.AddObject(document, "elem:blink-face");
  host.AddObject(document, "Elem:angry-face");
  EXPECT_TRUE(tool.ListCandidates());
  EXPECT_EQ(CandidateNames(), (std::vector<std::string>{"elem:smile-face", "elem:blink-face"}));
}

TEST_F(ListCandidatesTest, AnEmptyKeyListsElementsEndingInADash) {
  MakeRun("x:");
  host.AddObject(document, "elem:smile-");
  host.AddObject(document, "elem:smile-face");
  host.AddObject(document, "elem");
  tool.ListCandidates();
  EXPECT_EQ(CandidateNames(), (std::vector<std::string>{"elem:smile-"}));
}

TEST_F(ListCandidatesTest, NeverListsTheSourceOrADestination) {
  // Every run object would pass each mode's own test: the Source's key is "x", all names are
  // element names of that key, and all have five vertices.
  MakeRun("elem:a-x", 5);
  document.ObjectAt(1)->name = "elem:b-x";
  tool.destinations.push_back(Handle(AddWithVertices("elem:c-x", 5)));
  for (int32_t mode : {0, 1}) {
    tool.listingMode = mode;
    EXPECT_FALSE(tool.ListCandidates()) << mode;
    EXPECT_TRUE(runSettings.candidates.empty()) << mode;
  }
}

TEST_F(ListCandidatesTest, VertexCountModeListsEveryObjectOfTheSourcesSlotCount) {
  MakeRun("base", 4);
  host_imitation::HostObject& unrelated = AddWithVertices("anything", 4);
  AddWithVertices("three", 3);
  host_imitation::HostObject& withUnreferenced = AddWithVertices("four", 2);
  withUnreferenced.AddVertex(MQPoint{9, 9, 9});
  withUnreferenced.AddVertex(MQPoint{8, 8, 8});
  unrelated.AddFace({0, 1, 2});
  tool.listingMode = 1;
  tool.ListCandidates();
  EXPECT_EQ(CandidateNames(), (std::vector<std::string>{"anything", "four"}));
}

TEST_F(ListCandidatesTest, TicksFollowAttribute259) {
  MakeRun("face");
  host.AddObject(document, "elem:a-face").intValues[MQOBJECT_ATTRIBUTE_259] = 0;
  host.AddObject(document, "elem:b-face").intValues[MQOBJECT_ATTRIBUTE_259] = 1;
  host.AddObject(document, "elem:c-face").intValues[MQOBJECT_ATTRIBUTE_259] = -3;
  host.AddObject(document, "elem:d-face");
  tool.ListCandidates();
  EXPECT_EQ(Ticks(), (std::vector<bool>{true, false, false, true}));
}

TEST_F(ListCandidatesTest, EveryListingStartsAfreshWithPresetTicks) {
  MakeRun("face", 3);
  host.AddObject(document, "elem:a-face");
  AddWithVertices("same-count", 3);
  tool.ListCandidates();
  runSettings.candidates[0].ticked = false;
  tool.listingMode = 1;
  tool.ListCandidates();
  EXPECT_EQ(CandidateNames(), (std::vector<std::string>{"same-count"}));
  tool.listingMode = 0;
  tool.ListCandidates();
  EXPECT_EQ(Ticks(), (std::vector<bool>{true}));
}

TEST_F(ListCandidatesTest, EmptySlotsAreSteppedOver) {
  MakeRun("face");
  host.AddObject(document, "doomed");
  host.AddObject(document, "elem:a-face");
  document.DeleteAt(2);
  tool.ListCandidates();
  EXPECT_EQ(CandidateNames(), (std::vector<std::string>{"elem:a-face"}));
}

TEST_F(ListCandidatesTest, AnUnknownModeListsNothing) {
  MakeRun("face");
  host.AddObject(document, "elem:a-face");
  tool.listingMode = 3;
  EXPECT_FALSE(tool.ListCandidates());
  EXPECT_TRUE(runSettings.candidates.empty());
}

TEST_F(ListCandidatesTest, ADocumentOfOnlyTheRunObjectsListsNothingInAnyMode) {
  MakeRun("face");
  for (int32_t mode : {0, 1, 2}) {
    tool.listingMode = mode;
    EXPECT_FALSE(tool.ListCandidates()) << mode;
  }
}

}  // namespace
