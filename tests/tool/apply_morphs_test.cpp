#include <gtest/gtest.h>

#include "host_imitation/log_format.h"
#include "morph_fixture.h"

namespace {

using host_imitation::HostObject;

// A Source of four vertices, each Destination vertex lying exactly on one of them, so that every
// morph object's vertex moves by exactly that Source vertex's displacement.
class ApplyMorphsTest : public MorphFixture {
 protected:
  void SetUp() override {
    MorphFixture::SetUp();
    tool.source = Handle(source);
    tool.destinations = {Handle(destination)};
  }
  HostObject& AddTarget(const std::string& name, const std::vector<MQPoint>& vertices) {
    HostObject& target = AddMesh(name, vertices);
    tool.chosenTargets.push_back(Handle(target));
    return target;
  }
  void Process() {
    ASSERT_TRUE(tool.CreateMorphObjects(Handle(destination)));
    ASSERT_TRUE(tool.BuildCorrespondence(Handle(destination)));
    ASSERT_TRUE(tool.ApplyMorphs(Handle(destination)));
  }
  const std::vector<MQPoint>& MorphVertices(std::size_t k) const {
    return Object(tool.createdMorphs.at(k)).vertices;
  }

  HostObject& source = AddMesh("face", {{0, 0, 0}, {4, 0, 0}, {0, 4, 0}, {0, 0, 4}});
  // Vertex 2 is used by no face.
  HostObject& destination = AddMesh("body", {{4, 0, 0}, {0, 0, 0}, {0, 4, 0}, {0, 0, 4}}, {2});
};

TEST_F(ApplyMorphsTest, EachMorphObjectMovesByItsOwnTarget) {
  AddTarget("elem:up-face", {{0, 1, 0}, {4, 1, 0}, {0, 5, 0}, {0, 1, 4}});
  AddTarget("elem:wide-face", {{0, 0, 0}, {6, 0, 0}, {0, 4, 0}, {0, 0, 5}});
  Process();

  ASSERT_EQ(tool.createdMorphs.size(), 2u);
  ExpectPoint(MorphVertices(0)[0], MQPoint{4, 1, 0});
  ExpectPoint(MorphVertices(0)[1], MQPoint{0, 1, 0});
  ExpectPoint(MorphVertices(0)[3], MQPoint{0, 1, 4});
  ExpectPoint(MorphVertices(1)[0], MQPoint{6, 0, 0});
  ExpectPoint(MorphVertices(1)[1], MQPoint{0, 0, 0});
  ExpectPoint(MorphVertices(1)[3], MQPoint{0, 0, 5});
  // The unreferenced vertex stays where the Destination has it.
  ExpectPoint(MorphVertices(0)[2], MQPoint{0, 4, 0});
  ExpectPoint(MorphVertices(1)[2], MQPoint{0, 4, 0});
  EXPECT_EQ(host.log.Count("MQObj_SetVertex"), 6u);
  // The Source, the targets and the Destination are never written.
  for (const host_imitation::HostCall& call : host.log.Of("MQObj_SetVertex")) {
    EXPECT_NE(call.arguments[0], host_imitation::DescribeObject(destination.handle()));
  }
}

TEST_F(ApplyMorphsTest, AnEmptyChoiceWritesNothing) {
  Process();
  EXPECT_TRUE(tool.createdMorphs.empty());
  EXPECT_EQ(host.log.Count("MQObj_SetVertex"), 0u);
}

TEST_F(ApplyMorphsTest, SelectedVerticesOnlyMovesTheDestinationsSelectedVertices) {
  AddTarget("elem:up-face", {{0, 1, 0}, {4, 1, 0}, {0, 5, 0}, {0, 1, 4}});
  destination.SelectVertex(0);
  destination.SelectVertex(2);  // unreferenced: stays all the same
  source.SelectVertex(1);
  source.SelectVertex(3);
  runSettings.selectedVerticesOnly = true;
  Process();

  ExpectPoint(MorphVertices(0)[0], MQPoint{4, 1, 0});
  ExpectPoint(MorphVertices(0)[1], MQPoint{0, 0, 0});
  ExpectPoint(MorphVertices(0)[2], MQPoint{0, 4, 0});
  ExpectPoint(MorphVertices(0)[3], MQPoint{0, 0, 4});
  EXPECT_EQ(host.log.Count("MQObj_SetVertex"), 1u);
}

TEST_F(ApplyMorphsTest, WithoutASelectedVertexEveryMorphObjectKeepsTheDestinationsShape) {
  AddTarget("elem:up-face", {{0, 1, 0}, {4, 1, 0}, {0, 5, 0}, {0, 1, 4}});
  runSettings.selectedVerticesOnly = true;
  Process();
  // A selection on the morph object itself does not count either.
  Object(tool.createdMorphs[0]).SelectVertex(0);
  ASSERT_TRUE(tool.ApplyMorphs(Handle(destination)));
  EXPECT_EQ(MorphVertices(0).size(), destination.vertices.size());
  for (std::size_t i = 0; i < destination.vertices.size(); ++i) {
    ExpectPoint(MorphVertices(0)[i], destination.vertices[i]);
  }
  EXPECT_EQ(host.log.Count("MQObj_SetVertex"), 0u);
}

TEST_F(ApplyMorphsTest, AVertexWithAnEmptyListIsWrittenBackUnchanged) {
  AddTarget("elem:up-face", {{0, 1, 0}, {4, 1, 0}, {0, 5, 0}, {0, 1, 4}});
  source.faces = nullptr;
  source.refCounts.assign(source.refCounts.size(), 0);
  Process();
  EXPECT_EQ(host.log.Count("MQObj_SetVertex"), 3u);
  for (std::size_t i = 0; i < destination.vertices.size(); ++i) {
    ExpectPoint(MorphVertices(0)[i], destination.vertices[i]);
  }
}

TEST_F(ApplyMorphsTest, ATargetShorterThanTheSourceMovesOnlyWhatItHas) {
  // Vertices 2 and 3 of the Source have no counterpart in this target.
  AddTarget("elem:short-face", {{0, 1, 0}, {4, 2, 0}});
  Process();
  ExpectPoint(MorphVertices(0)[0], MQPoint{4, 2, 0});
  ExpectPoint(MorphVertices(0)[1], MQPoint{0, 1, 0});
  ExpectPoint(MorphVertices(0)[3], MQPoint{0, 0, 4});
  // The fixture fails the test if any vertex past the target's end was read.
}

}  // namespace
