// What a run did, found in the document after it: each change once, the rows the preview draws,
// and every object traced back to the scene object it stands for.
#include "scene_run/run_result_finding.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "host_imitation/morph_feature.h"
#include "scene/obj/obj_reader.h"
#include "support/host_fixture.h"

namespace {

TEST(RunResultFindingTest, EveryChangeOnceWithTheObjectsTracedToTheScene) {
  host_imitation::HostImitation& host = FreshHost();
  host_imitation::HostDocument& document = host.NewDocument();
  palisor_scene::Scene scene = palisor_scene::ReadObjText(
      "o face\nv 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n"
      "o elem:smile-face\nv 0 0 1\nv 1 0 1\nv 0 1 1\n"
      "o head\nv 5 0 0\nv 6 0 0\nv 5 1 0\nf 7 8 9\n"
      "o elem:smile-head\nv 9 9 9\n",
      "run.obj");
  const palisor_run::SceneDocument built({&scene}, document);
  const auto& objects = built.objects();
  host_imitation::MorphFeature& morphFeature = host_imitation::InstallMorphFeature();
  objects[0]->intValues[MQOBJECT_ATTRIBUTE_SELECTED] = 1;
  objects[2]->intValues[MQOBJECT_ATTRIBUTE_SELECTED] = 1;
  const palisor_run::DocumentState before = palisor_run::CaptureDocument(document, morphFeature);

  // What a run does: the clash moves aside, the Destination's clone follows the target, moved.
  objects[3]->name = "#elem:smile-head1";
  host_imitation::HostObject& made = host.CloneObject(*objects[2]);
  made.name = "elem:smile-head";
  made.vertices[1].z = 1.0f;
  document.InsertAfter(&made, objects[1]);
  morphFeature.Bind(objects[2]->handle(), made.handle());

  const palisor_run::RunObjects found = palisor_run::FindRunObjects(before, document, false);
  const palisor_scene::RunResult result =
      palisor_run::FindRunResult(before, document, morphFeature, found, &built);
  EXPECT_EQ(result.created, std::vector<std::string>{"elem:smile-head"});
  ASSERT_EQ(result.renamed.size(), 1u);
  EXPECT_EQ(result.renamed[0].after, "#elem:smile-head1");
  EXPECT_TRUE(result.deleted.empty());
  EXPECT_EQ(result.bindingsMade,
            (std::vector<std::pair<std::string, std::string>>{{"head", "elem:smile-head"}}));
  EXPECT_EQ(result.verticesMoved, 1);
  EXPECT_EQ(result.objectsWithMovedVertices, 1);

  EXPECT_EQ(result.source.first.name, "face");
  ASSERT_EQ(result.source.others.size(), 1u);
  EXPECT_EQ(result.source.others[0].name, "elem:smile-face");
  // A target without faces is drawn with the Source's.
  EXPECT_EQ(result.source.others[0].faces.faceCount, 1u);
  ASSERT_EQ(result.destinations.size(), 1u);
  const palisor_scene::ResultRow& row = result.destinations[0];
  EXPECT_EQ(row.first.name, "head");
  ASSERT_EQ(row.others.size(), 1u);
  EXPECT_EQ(row.others[0].name, "elem:smile-head");
  EXPECT_EQ(row.others[0].vertices[1].z, 1.0f);
  EXPECT_EQ(row.others[0].start[1].z, 0.0f);
  // The morph object stands for the Destination it was made from.
  EXPECT_EQ(row.others[0].origin.scene, 0);
  EXPECT_EQ(row.others[0].origin.object, 2u);
  EXPECT_EQ(result.source.others[0].origin.object, 1u);
  host.Reset();
}

}  // namespace
