// A scene moved into a document of the imitated host and back: reference counts from the faces,
// clones that carry their original's passthrough, empty slots and stale bindings left out.
#include "scene_run/scene_document.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "scene/obj/obj_reader.h"
#include "scene/obj/obj_writer.h"
#include "support/host_fixture.h"

namespace {

using palisor_scene::ReadObjText;
using palisor_scene::Scene;

// The text WriteObj writes for a view of the document.
std::string WrittenView(const palisor_scene::ObjSceneView& view) {
  std::FILE* file = std::tmpfile();
  EXPECT_NE(file, nullptr);
  if (file == nullptr) return "";
  EXPECT_EQ(palisor_scene::WriteObj(view, file, 2), 0);
  std::string text(static_cast<std::size_t>(std::ftell(file)), '\0');
  std::rewind(file);
  EXPECT_EQ(std::fread(&text[0], 1, text.size(), file), text.size());
  std::fclose(file);
  return text;
}

class SceneDocumentTest : public ::testing::Test {
 protected:
  void TearDown() override { host.Reset(); }

  host_imitation::HostImitation& host = FreshHost();
  host_imitation::HostDocument& document = host.NewDocument();
};

const char* const kTwoObjects =
    "mtllib m.mtl\n"
    "o base\n"
    "v 0 0 0\nv 1 0 0\nv 0 1 0\nv 5 5 5\n"
    "vt 0 0\n"
    "usemtl a\n"
    "f 1/1 2/1 3/1\n"
    "f 3 2 1\n"
    "o dest\n"
    "v 2 0 0\nv 3 0 0\nv 2 1 0\n"
    "s 1\n"
    "f -3 -2 -1\n";

TEST_F(SceneDocumentTest, ObjectsArriveInFileOrderWithReferenceCountsFromTheirFaces) {
  Scene scene = ReadObjText(kTwoObjects, "s.obj");
  const palisor_run::SceneDocument built({&scene}, document);
  const auto& objects = built.objects();
  ASSERT_EQ(objects.size(), 2u);
  EXPECT_EQ(document.IndexOf(objects[0]), 0);
  EXPECT_EQ(document.IndexOf(objects[1]), 1);
  EXPECT_EQ(objects[0]->name, "base");
  EXPECT_EQ(objects[0]->refCounts, (std::vector<int32_t>{2, 2, 2, 0}));
  EXPECT_EQ(objects[1]->refCounts, (std::vector<int32_t>{1, 1, 1}));
  EXPECT_EQ(objects[0]->Face(1), (std::vector<int32_t>{2, 1, 0}));
  EXPECT_EQ(objects[0]->vertices[3].y, 5.0f);
  EXPECT_EQ(objects[1]->selectedVertices.size(), 3u);
}

TEST_F(SceneDocumentTest, AnUnchangedDocumentWritesTheSceneItWasBuiltFrom) {
  const Scene scene = ReadObjText(kTwoObjects, "s.obj");
  Scene moved = scene;
  const palisor_run::SceneDocument built({&moved}, document);
  const Scene back = built.ToScene(scene.header, {});
  EXPECT_EQ(palisor_scene::WriteObjText(back), palisor_scene::WriteObjText(scene));
  EXPECT_EQ(WrittenView(built.View(scene.header, {})), palisor_scene::WriteObjText(scene));
}

TEST_F(SceneDocumentTest, ACloneCarriesItsOriginalsPassthroughUnderItsOwnName) {
  Scene scene = ReadObjText(kTwoObjects, "s.obj");
  const palisor_run::SceneDocument built({&scene}, document);
  const auto& objects = built.objects();
  host_imitation::HostObject& clone = host.CloneObject(*objects[0]);
  clone.name = "elem:copy-base";
  clone.vertices[0] = MQPoint{0.5f, 0.25f, 0.0f};
  document.InsertAfter(&clone, objects[1]);

  const std::string written = palisor_scene::WriteObjText(built.ToScene(scene.header, {}));
  EXPECT_EQ(WrittenView(built.View(scene.header, {})), written);
  EXPECT_NE(written.find("o elem:copy-base\n"
                         "v 0.5 0.25 0\nv 1 0 0\nv 0 1 0\nv 5 5 5\n"
                         "vt 0 0\n"
                         "usemtl a\n"
                         "f 8/2 9/2 10/2\n"
                         "f 10 9 8\n"),
            std::string::npos)
      << written;
}

TEST_F(SceneDocumentTest, EmptySlotsAndBindingsOfObjectsNoLongerThereAreLeftOut) {
  Scene scene = ReadObjText(std::string(kTwoObjects) + "o third\no fourth\n", "s.obj");
  const palisor_run::SceneDocument built({&scene}, document);
  const auto& objects = built.objects();
  document.DeleteAt(1);
  const Scene back = built.ToScene({}, {{objects[0]->handle(), objects[1]->handle()},
                                        {objects[0]->handle(), objects[3]->handle()},
                                        {objects[0]->handle(), objects[3]->handle()},
                                        {objects[3]->handle(), objects[2]->handle()}});
  ASSERT_EQ(back.objects.size(), 3u);
  EXPECT_EQ(back.objects[1].name, "third");
  ASSERT_EQ(back.bindings.size(), 2u);
  EXPECT_EQ(back.bindings[0].base, 0);
  EXPECT_EQ(back.bindings[0].target, 2);
  EXPECT_EQ(back.bindings[1].base, 2);
  EXPECT_EQ(back.bindings[1].target, 1);
  const std::string written = palisor_scene::WriteObjText(back);
  EXPECT_NE(written.find("o third\no fourth\n# palisor-bind 1 3\n# palisor-bind 3 2\n"),
            std::string::npos)
      << written;
  EXPECT_EQ(written.find("dest"), std::string::npos);
}

}  // namespace
