// The correspondence and the applied morphs through the nearest-point tree, against the search
// that reads every used Source vertex through the host for every Destination vertex.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <map>
#include <random>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "host_imitation/log_format.h"
#include "morph_fixture.h"
#include "reference/interpolated_delta.h"
#include "reference/nearest_source_vertices.h"
#include "support/float_bits.h"

namespace {

using host_imitation::HostObject;

bool SamePoint(const MQPoint& a, const MQPoint& b) {
  return Bits(a.x) == Bits(b.x) && Bits(a.y) == Bits(b.y) && Bits(a.z) == Bits(b.z);
}

std::string Describe(const NearestList& list) {
  std::string text;
  for (const NearestEntry& entry : list) {
    text += "(" + std::to_string(entry.sourceIndex) + ", " +
            std::to_string(Bits(entry.squaredDistance)) + ") ";
  }
  return text;
}

class FastCorrespondenceTest : public MorphFixture {
 protected:
  void SetUp() override {
    MorphFixture::SetUp();
    // Millions of host calls in the reference searches; nothing here reads the log unless a test
    // turns it back on.
    host.log.enabled = false;
  }

  // Vertices on a coarse grid, so that distances tie often; every `unusedEvery`-th vertex is
  // used by no face.
  HostObject& RandomMesh(const std::string& name, std::size_t count, int levels, int unusedEvery,
                         uint32_t pattern) {
    std::mt19937 engine(pattern);
    std::vector<MQPoint> vertices;
    std::set<int32_t> unused;
    const auto level = [&] {
      return static_cast<float>(static_cast<int>(engine() % static_cast<uint32_t>(levels))) * 0.25f;
    };
    for (std::size_t k = 0; k < count; ++k) {
      vertices.push_back({level(), level(), level()});
      if (unusedEvery > 0 && k % static_cast<std::size_t>(unusedEvery) == 3) {
        unused.insert(static_cast<int32_t>(k));
      }
    }
    return AddMesh(name, vertices, unused);
  }

  static void SelectEvery(HostObject& object, int every, int offset) {
    for (int32_t vertex = offset; vertex < object.VertexCount(); vertex += every) {
      object.SelectVertex(vertex);
    }
  }

  // What the host-reading search lists for every vertex that the correspondence considers.
  std::map<int32_t, NearestList> ReferenceLists(HostObject& destination) {
    std::map<int32_t, NearestList> lists;
    for (int32_t vertex = 0; vertex < destination.VertexCount(); ++vertex) {
      if (destination.RefCount(vertex) <= 0) continue;
      if (runSettings.selectedVerticesOnly && !destination.IsVertexSelected(vertex)) continue;
      lists[vertex] = NearestSourceVertices(tool.source, destination.vertices[vertex]);
    }
    return lists;
  }

  void ExpectReferenceCorrespondence(HostObject& destination) {
    const std::map<int32_t, NearestList> expected = ReferenceLists(destination);
    ASSERT_TRUE(tool.BuildCorrespondence(Handle(destination)));
    EXPECT_EQ(tool.CorrespondenceMap.size(), expected.size());
    int mismatches = 0;
    for (const auto& [vertex, list] : expected) {
      const auto found = tool.CorrespondenceMap.find(vertex);
      ASSERT_NE(found, tool.CorrespondenceMap.end()) << "vertex " << vertex;
      if (Describe(found->second) != Describe(list) && ++mismatches <= 3) {
        ADD_FAILURE() << "vertex " << vertex << ": expected " << Describe(list) << "got "
                      << Describe(found->second);
      }
    }
    EXPECT_EQ(mismatches, 0);
  }
};

TEST_F(FastCorrespondenceTest, ListsMatchWithUnreferencedVerticesOnBothSides) {
  tool.source = Handle(RandomMesh("source", 700, 9, 5, 1));
  runSettings.selectedVerticesOnly = false;
  ExpectReferenceCorrespondence(RandomMesh("destination", 900, 13, 4, 2));
}

TEST_F(FastCorrespondenceTest, ListsMatchForTheDestinationsSelectionOnly) {
  HostObject& source = RandomMesh("source", 600, 7, 6, 3);
  // The Source's own selection plays no part.
  SelectEvery(source, 2, 0);
  tool.source = Handle(source);
  HostObject& destination = RandomMesh("destination", 800, 11, 5, 4);
  SelectEvery(destination, 3, 1);
  runSettings.selectedVerticesOnly = true;
  ExpectReferenceCorrespondence(destination);

  runSettings.selectedVerticesOnly = false;
  ExpectReferenceCorrespondence(destination);
}

TEST_F(FastCorrespondenceTest, ListsMatchWhenASourcePositionIsNotFinite) {
  HostObject& source = RandomMesh("source", 300, 5, 7, 5);
  source.vertices[10].y = std::numeric_limits<float>::quiet_NaN();
  source.vertices[20].x = std::numeric_limits<float>::infinity();
  tool.source = Handle(source);
  HostObject& destination = RandomMesh("destination", 400, 9, 0, 6);
  destination.vertices[7].z = -std::numeric_limits<float>::infinity();
  runSettings.selectedVerticesOnly = false;
  ExpectReferenceCorrespondence(destination);
}

// Enough Destination vertices that the search spreads over worker threads: the fixture fails the
// test if any host function is called off the host's thread.
TEST_F(FastCorrespondenceTest, ManyDestinationVerticesCallTheHostOnItsOwnThreadOnly) {
  tool.source = Handle(RandomMesh("source", 60, 6, 9, 7));
  runSettings.selectedVerticesOnly = false;
  ExpectReferenceCorrespondence(RandomMesh("destination", 20000, 40, 11, 8));
}

TEST_F(FastCorrespondenceTest, EachUsedSourceVertexIsReadOncePerDestination) {
  HostObject& source = RandomMesh("source", 200, 6, 4, 9);
  tool.source = Handle(source);
  HostObject& destination = RandomMesh("destination", 300, 6, 0, 10);
  runSettings.selectedVerticesOnly = false;
  host.log.enabled = true;
  ASSERT_TRUE(tool.BuildCorrespondence(Handle(destination)));
  std::map<std::string, int> reads;
  for (const host_imitation::HostCall& call : host.log.Of("MQObj_GetVertex")) {
    if (call.arguments[0] == host_imitation::DescribeObject(source.handle())) {
      ++reads[call.arguments[1]];
    }
  }
  for (int32_t vertex = 0; vertex < source.VertexCount(); ++vertex) {
    EXPECT_EQ(reads[std::to_string(vertex)], source.RefCount(vertex) > 0 ? 1 : 0) << vertex;
  }
}

// A Source with three targets, one of them shorter than the Source, carried over to a
// Destination; every morph object must end exactly where the host-reading search and delta put
// it.
class FastApplyMorphsTest : public FastCorrespondenceTest {
 protected:
  void SetUp() override {
    FastCorrespondenceTest::SetUp();
    source = &RandomMesh("face", 500, 9, 6, 11);
    destination = &RandomMesh("body", 700, 15, 5, 12);
    tool.source = Handle(*source);
    tool.destinations = {Handle(*destination)};
    std::mt19937 engine(13);
    std::uniform_real_distribution<float> offset(-0.5f, 0.5f);
    for (const auto& [name, count] : std::vector<std::pair<std::string, std::size_t>>{
             {"elem:smile-face", 500}, {"elem:frown-face", 500}, {"elem:short-face", 320}}) {
      std::vector<MQPoint> moved(source->vertices.begin(),
                                 source->vertices.begin() + static_cast<std::ptrdiff_t>(count));
      for (MQPoint& point : moved) point = {point.x + offset(engine), point.y, point.z * 1.5f};
      targets.push_back(&AddMesh(name, moved));
      tool.chosenTargets.push_back(Handle(*targets.back()));
    }
  }

  // The Destination's positions moved by the host-reading search's deltas, per target.
  std::vector<std::vector<MQPoint>> ExpectedMorphs() {
    std::vector<std::vector<MQPoint>> expected(targets.size(), destination->vertices);
    for (int32_t vertex = 0; vertex < destination->VertexCount(); ++vertex) {
      if (destination->RefCount(vertex) <= 0) continue;
      if (runSettings.selectedVerticesOnly && !destination->IsVertexSelected(vertex)) continue;
      const NearestList list = NearestSourceVertices(tool.source, destination->vertices[vertex]);
      for (std::size_t k = 0; k < targets.size(); ++k) {
        const MQPoint delta = InterpolatedDelta(list, tool.source, Handle(*targets[k]));
        MQPoint& point = expected[k][static_cast<std::size_t>(vertex)];
        point = {point.x + delta.x, point.y + delta.y, point.z + delta.z};
      }
    }
    return expected;
  }

  void ExpectMorphs(const std::vector<std::vector<MQPoint>>& expected) {
    ASSERT_EQ(tool.createdMorphs.size(), expected.size());
    for (std::size_t k = 0; k < expected.size(); ++k) {
      const std::vector<MQPoint>& actual = Object(tool.createdMorphs[k]).vertices;
      ASSERT_EQ(actual.size(), expected[k].size());
      int mismatches = 0;
      for (std::size_t vertex = 0; vertex < actual.size(); ++vertex) {
        if (!SamePoint(actual[vertex], expected[k][vertex]) && ++mismatches <= 3) {
          ADD_FAILURE() << "morph " << k << " vertex " << vertex;
        }
      }
      EXPECT_EQ(mismatches, 0) << "morph " << k;
    }
  }

  HostObject* source = nullptr;
  HostObject* destination = nullptr;
  std::vector<HostObject*> targets;
};

TEST_F(FastApplyMorphsTest, MorphObjectsEndWhereTheHostReadingSearchPutsThem) {
  runSettings.selectedVerticesOnly = false;
  const std::vector<std::vector<MQPoint>> expected = ExpectedMorphs();
  ASSERT_TRUE(tool.CreateMorphObjects(Handle(*destination)));
  ASSERT_TRUE(tool.BuildCorrespondence(Handle(*destination)));
  ASSERT_TRUE(tool.ApplyMorphs(Handle(*destination)));
  ExpectMorphs(expected);
}

TEST_F(FastApplyMorphsTest, SelectedVerticesOnlyMovesTheSameVerticesTheSameWay) {
  SelectEvery(*destination, 2, 0);
  runSettings.selectedVerticesOnly = true;
  const std::vector<std::vector<MQPoint>> expected = ExpectedMorphs();
  ASSERT_TRUE(tool.CreateMorphObjects(Handle(*destination)));
  ASSERT_TRUE(tool.BuildCorrespondence(Handle(*destination)));
  ASSERT_TRUE(tool.ApplyMorphs(Handle(*destination)));
  ExpectMorphs(expected);
}

// Enough Destination vertices that the blends spread over worker threads: the fixture fails the
// test if any host function is called off the host's thread.
TEST_F(FastApplyMorphsTest, ManyDestinationVerticesCallTheHostOnItsOwnThreadOnly) {
  destination = &RandomMesh("crowd", 9000, 15, 0, 14);
  runSettings.selectedVerticesOnly = false;
  ASSERT_TRUE(tool.CreateMorphObjects(Handle(*destination)));
  ASSERT_TRUE(tool.BuildCorrespondence(Handle(*destination)));
  host.log.enabled = true;
  ASSERT_TRUE(tool.ApplyMorphs(Handle(*destination)));
  EXPECT_EQ(host.log.Count("MQObj_SetVertex"), 9000u * targets.size());
}

TEST_F(FastApplyMorphsTest, EachSourceAndTargetPositionIsReadOncePerVertexAndTarget) {
  runSettings.selectedVerticesOnly = false;
  ASSERT_TRUE(tool.CreateMorphObjects(Handle(*destination)));
  ASSERT_TRUE(tool.BuildCorrespondence(Handle(*destination)));
  host.log.enabled = true;
  host.log.Clear();
  ASSERT_TRUE(tool.ApplyMorphs(Handle(*destination)));

  std::map<std::pair<std::string, std::string>, int> reads;
  for (const host_imitation::HostCall& call : host.log.Of("MQObj_GetVertex")) {
    ++reads[{call.arguments[0], call.arguments[1]}];
  }
  std::set<std::string> watched = {host_imitation::DescribeObject(source->handle())};
  for (HostObject* target : targets)
    watched.insert(host_imitation::DescribeObject(target->handle()));
  int sourceAndTargetReads = 0;
  for (const auto& [objectAndVertex, count] : reads) {
    if (watched.count(objectAndVertex.first) == 0) continue;
    sourceAndTargetReads += count;
    EXPECT_EQ(count, 1) << objectAndVertex.first << " vertex " << objectAndVertex.second;
  }
  EXPECT_GT(sourceAndTargetReads, 0);
}

}  // namespace
