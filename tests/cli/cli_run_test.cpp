// Whole runs of the built palisor-cli on generated scenes: the dialog answered in the order
// asked, every morph object where an independent brute-force computation puts it, what the
// summary reports, and what is written.
#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "cli_process.h"
#include "scene/obj/obj_reader.h"
#include "scene/obj/obj_writer.h"
#include "test_scenes.h"

namespace {

using palisor_scene::ReadObjText;
using palisor_scene::Scene;
using palisor_scene::SceneObject;

class CliRunTest : public ::testing::Test {
 protected:
  void SetUp() override {
    face = Grid("face", 6, 5, {0, 0, 0}, 1.0f, 1);
    face.vertices.push_back({40, 40, 40});  // unused: never a source of motion
    smile = Displaced("elem:smile-face", face, 0.5f, 2);
    blink = Displaced("elem:blink-face", face, 0.5f, 3);
    angry = Displaced("elem:angry-face", face, 0.5f, 4);
    other = Displaced("other", face, 0.25f, 5);
    body = Grid("body", 9, 7, {-0.3f, 0.2f, 0.1f}, 0.61f, 9);
    body.vertices.push_back({0.5f, 0.5f, 0.5f});  // unused: never moved
    body.extraLines = {"vt 0.5 0.5", "usemtl skin", "s 1"};
    arm = Grid("arm", 4, 3, {2.2f, 1.1f, -0.4f}, 0.9f, 11);
    // Exactly on Source vertex 7: takes that vertex's displacement alone.
    arm.vertices[5] = face.vertices[7];
  }

  std::string WriteScene(const std::vector<TestMesh>& meshes) {
    return folder.Write("scene.obj", ObjText(meshes));
  }
  std::string DefaultScene() { return WriteScene({face, smile, blink, angry, other, body, arm}); }

  Scene Output(const std::string& name = "out.obj") const {
    return ReadObjText(folder.Read(name), name);
  }
  static std::vector<std::string> Names(const Scene& scene) {
    std::vector<std::string> names;
    for (const SceneObject& object : scene.objects) names.push_back(object.name);
    return names;
  }
  static const SceneObject& Named(const Scene& scene, const std::string& name) {
    for (const SceneObject& object : scene.objects) {
      if (object.name == name) return object;
    }
    ADD_FAILURE() << "no object " << name;
    return scene.objects.front();
  }
  // Bit for bit: a difference in the last place is a different result.
  // Positions of a scene read back and of a test mesh, compared bit for bit.
  template <typename Actual, typename Expected>
  static void ExpectSameBits(const std::vector<Actual>& actual,
                             const std::vector<Expected>& expected, const std::string& what) {
    static_assert(sizeof(Actual) == sizeof(Expected), "three floats each");
    ASSERT_EQ(actual.size(), expected.size()) << what;
    for (std::size_t i = 0; i < actual.size(); ++i) {
      EXPECT_EQ(std::memcmp(&actual[i], &expected[i], sizeof(Actual)), 0)
          << what << " vertex " << i << ": (" << actual[i].x << ", " << actual[i].y << ", "
          << actual[i].z << ") instead of (" << expected[i].x << ", " << expected[i].y << ", "
          << expected[i].z << ")";
    }
  }

  TestFolder folder;
  TestMesh face, smile, blink, angry, other, body, arm;
};

TEST_F(CliRunTest, EveryKeynoteTargetIsCarriedOverAsTheBruteForceComputationSays) {
  const std::string scene = DefaultScene();
  const CliResult run = RunCli(
      {scene, "-o", folder.Path("out.obj").string(), "--select", "face", "--select", "body"});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.err, "");

  const Scene out = Output();
  EXPECT_EQ(Names(out),
            (std::vector<std::string>{"face", "elem:smile-face", "elem:smile-body",
                                      "elem:blink-face", "elem:blink-body", "elem:angry-face",
                                      "elem:angry-body", "other", "body", "arm"}));
  ExpectSameBits(Named(out, "elem:smile-body").vertices, ExpectedMorph(face, smile, body), "smile");
  ExpectSameBits(Named(out, "elem:blink-body").vertices, ExpectedMorph(face, blink, body), "blink");
  ExpectSameBits(Named(out, "elem:angry-body").vertices, ExpectedMorph(face, angry, body), "angry");
  ExpectSameBits(Named(out, "body").vertices, body.vertices, "body");
  ExpectSameBits(Named(out, "face").vertices, face.vertices, "face");
  // The unused Destination vertex stays where it was.
  EXPECT_EQ(Named(out, "elem:smile-body").vertices.back().x, 0.5f);

  // A clone carries its Destination's faces, texture coordinates and materials.
  const SceneObject& clone = Named(out, "elem:angry-body");
  EXPECT_EQ(clone.faceCorners, Named(out, "body").faceCorners);
  ASSERT_TRUE(clone.passthrough);
  EXPECT_EQ(clone.passthrough->texcoords, (std::vector<std::string>{"vt 0.5 0.5"}));
  ASSERT_EQ(clone.passthrough->statements.size(), 2u);
  EXPECT_EQ(clone.passthrough->statements[0].text, "usemtl skin");

  EXPECT_NE(run.out.find("Source          face\n"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("Destinations    body\n"), std::string::npos);
  EXPECT_NE(run.out.find("Mode            keynote\n"), std::string::npos);
  EXPECT_NE(run.out.find("Ticked          3 of 3 candidates\n  elem:smile-face\n  "
                         "elem:blink-face\n  elem:angry-face\n"),
            std::string::npos)
      << run.out;
  EXPECT_NE(run.out.find("Created         3 objects\n  elem:smile-body\n  elem:blink-body\n  "
                         "elem:angry-body\n"),
            std::string::npos)
      << run.out;
  EXPECT_NE(run.out.find("Renamed         none\nDeleted         none\nBindings made   none\n"),
            std::string::npos);
  // The 63 used body vertices in each of three clones (one that moved by exactly nothing would
  // not count; with random displacements there is none).
  EXPECT_NE(run.out.find("Vertices moved  189 in 3 objects\n"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("Time            "), std::string::npos);
}

TEST_F(CliRunTest, TicksApplyInTheOrderGivenAfterTheModeAndTheListButtons) {
  const std::string scene = DefaultScene();
  const CliResult run =
      RunCli({scene, "-o", folder.Path("out.obj").string(), "--select", "face", "--select", "body",
              "--mode", "vertex-count", "--tick-none", "--tick", "elem:angry-face", "--tick",
              "other", "--untick", "elem:angry-face"});
  ASSERT_EQ(run.status, 0) << run.err;
  const Scene out = Output();
  // A target with no "-" gives its whole name; the clone stands right after its target.
  EXPECT_EQ(Names(out),
            (std::vector<std::string>{"face", "elem:smile-face", "elem:blink-face",
                                      "elem:angry-face", "other", "other-body", "body", "arm"}));
  ExpectSameBits(Named(out, "other-body").vertices, ExpectedMorph(face, other, body), "other");
  EXPECT_NE(run.out.find("Mode            vertex-count\n"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("Ticked          1 of 4 candidates\n  other\n"), std::string::npos)
      << run.out;
}

TEST_F(CliRunTest, SelectedVerticesOnlyMovesTheSelectedVerticesOfEachDestination) {
  const std::string scene = DefaultScene();
  const CliResult run = RunCli({scene,
                                "-o",
                                folder.Path("out.obj").string(),
                                "--select",
                                "face",
                                "--select",
                                "body",
                                "--select",
                                "arm",
                                "--tick-all",
                                "--untick",
                                "elem:blink-face",
                                "--untick",
                                "elem:angry-face",
                                "--selected-vertices-only",
                                "--select-vertices",
                                "body=0-5,20",
                                "--select-vertices",
                                "arm=5",
                                "--select-vertices",
                                "face=0-30"});
  ASSERT_EQ(run.status, 0) << run.err;
  const Scene out = Output();
  // The last Destination is processed first, so the first one's clone ends up nearer the target.
  EXPECT_EQ(Names(out), (std::vector<std::string>{"face", "elem:smile-face", "elem:smile-body",
                                                  "elem:smile-arm", "elem:blink-face",
                                                  "elem:angry-face", "other", "body", "arm"}));
  const std::set<int32_t> bodySelection = {0, 1, 2, 3, 4, 5, 20};
  const std::set<int32_t> armSelection = {5};
  ExpectSameBits(Named(out, "elem:smile-body").vertices,
                 ExpectedMorph(face, smile, body, &bodySelection), "body");
  const std::vector<MQPoint> armMorph = ExpectedMorph(face, smile, arm, &armSelection);
  ExpectSameBits(Named(out, "elem:smile-arm").vertices, armMorph, "arm");
  // The vertex lying on Source vertex 7 takes exactly that vertex's displacement.
  EXPECT_EQ(armMorph[5].x, arm.vertices[5].x + (smile.vertices[7].x - face.vertices[7].x));
  EXPECT_NE(run.out.find("Destinations    body,arm\n"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("Vertices moved  8 in 2 objects\n"), std::string::npos) << run.out;
}

// A Destination the run cannot move at all is carried over unmoved, with a warning saying why.
TEST_F(CliRunTest, ADestinationThatCannotMoveIsWarnedOf) {
  const std::string scene = DefaultScene();
  const CliResult run = RunCli({scene, "-o", folder.Path("out.obj").string(), "--select", "face",
                                "--select", "body", "--select", "arm", "--select", "other",
                                "--selected-vertices-only", "--select-vertices", "body=0"});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.err,
            "palisor-cli: warning: the Destination 'other' cannot move: it has no faces, and only "
            "the vertices of faces move\n"
            "palisor-cli: warning: the Destination 'arm' cannot move: none of its vertices is "
            "selected (--selected-vertices-only)\n");
}

TEST_F(CliRunTest, AClashingObjectIsKeptAsABackupOrDeleted) {
  TestMesh clash = Grid("elem:smile-body", 2, 2, {9, 9, 9}, 1.0f, 3);
  const std::string scene = WriteScene({face, smile, blink, clash, body});
  const std::vector<std::string> common = {scene,  "--select",    "face",   "--select",
                                           "body", "--tick-none", "--tick", "elem:smile-face"};

  std::vector<std::string> keep = common;
  keep.insert(keep.end(), {"-o", folder.Path("kept.obj").string()});
  const CliResult kept = RunCli(keep);
  ASSERT_EQ(kept.status, 0) << kept.err;
  EXPECT_EQ(Names(Output("kept.obj")),
            (std::vector<std::string>{"face", "elem:smile-face", "elem:smile-body",
                                      "elem:blink-face", "#elem:smile-body1", "body"}));
  ExpectSameBits(Named(Output("kept.obj"), "#elem:smile-body1").vertices, clash.vertices, "kept");
  EXPECT_NE(kept.out.find("Renamed         1 object\n  elem:smile-body -> #elem:smile-body1\n"),
            std::string::npos)
      << kept.out;

  std::vector<std::string> drop = common;
  drop.insert(drop.end(), {"-o", folder.Path("dropped.obj").string(), "--no-backup"});
  const CliResult dropped = RunCli(drop);
  ASSERT_EQ(dropped.status, 0) << dropped.err;
  EXPECT_EQ(Names(Output("dropped.obj")),
            (std::vector<std::string>{"face", "elem:smile-face", "elem:smile-body",
                                      "elem:blink-face", "body"}));
  ExpectSameBits(Named(Output("dropped.obj"), "elem:smile-body").vertices,
                 ExpectedMorph(face, smile, body), "new");
  EXPECT_NE(dropped.out.find("Deleted         1 object\n  elem:smile-body\n"), std::string::npos)
      << dropped.out;
}

TEST_F(CliRunTest, BindingsMadeByARunAreWrittenAndReadBackByTheNext) {
  const std::string scene = DefaultScene();
  const CliResult first =
      RunCli({scene, "-o", folder.Path("out.obj").string(), "--select", "face", "--select", "body",
              "--mode", "morph", "--bind", "face=elem:blink-face"});
  ASSERT_EQ(first.status, 0) << first.err;
  const Scene out = Output();
  EXPECT_EQ(Names(out), (std::vector<std::string>{"face", "elem:smile-face", "elem:blink-face",
                                                  "elem:blink-body", "elem:angry-face", "other",
                                                  "body", "arm"}));
  ExpectSameBits(Named(out, "elem:blink-body").vertices, ExpectedMorph(face, blink, body), "blink");
  ASSERT_EQ(out.bindings.size(), 2u);
  EXPECT_EQ(out.objects[static_cast<std::size_t>(out.bindings[1].base)].name, "body");
  EXPECT_EQ(out.objects[static_cast<std::size_t>(out.bindings[1].target)].name, "elem:blink-body");
  EXPECT_NE(first.out.find("Bindings made   1 binding\n  elem:blink-body as a target of body\n"),
            std::string::npos)
      << first.out;

  // The next run finds both bindings in the feature: the preset one and the one the run made.
  const std::string written = folder.Path("out.obj").string();
  const CliResult ofBody =
      RunCli({written, "--list", "--mode", "morph", "--select", "body", "--select", "arm"});
  ASSERT_EQ(ofBody.status, 0) << ofBody.err;
  EXPECT_EQ(ofBody.out, "Candidates of the morph listing for body: 1\n  [x] elem:blink-body\n");
  const CliResult ofFace =
      RunCli({written, "--list", "--mode", "morph", "--select", "face", "--select", "arm"});
  EXPECT_EQ(ofFace.out, "Candidates of the morph listing for face: 1\n  [x] elem:blink-face\n");
}

TEST_F(CliRunTest, ListShowsTheCandidatesWithTheirTicksAndWritesNothing) {
  const std::string scene = DefaultScene();
  const CliResult run =
      RunCli({scene, "-o", folder.Path("out.obj").string(), "--select", "face", "--select", "body",
              "--list", "--mode", "vertex-count", "--untick", "elem:blink-face"});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out,
            "Candidates of the vertex-count listing for face: 4\n"
            "  [x] elem:smile-face\n"
            "  [ ] elem:blink-face\n"
            "  [x] elem:angry-face\n"
            "  [x] other\n");
  EXPECT_EQ(folder.Files(), (std::vector<std::string>{"scene.obj"}));
}

TEST_F(CliRunTest, CancelWritesTheDocumentUnchanged) {
  const std::string scene = DefaultScene();
  const CliResult run = RunCli({scene, "-o", folder.Path("out.obj").string(), "--select", "face",
                                "--select", "body", "--tick-all", "--cancel"});
  ASSERT_EQ(run.status, 0) << run.err;
  const Scene in = ReadObjText(folder.Read("scene.obj"), "scene.obj");
  const Scene out = Output();
  EXPECT_EQ(palisor_scene::WriteObjText(out), palisor_scene::WriteObjText(in));
  EXPECT_NE(run.out.find("Ticked          3 of 3 candidates (cancelled: nothing carried over)"),
            std::string::npos)
      << run.out;
  EXPECT_NE(run.out.find("Created         none\n"), std::string::npos);
  EXPECT_NE(run.out.find("Vertices moved  0\n"), std::string::npos);

  // The written file is a fixed point: once more, byte for byte the same.
  const CliResult again =
      RunCli({folder.Path("out.obj").string(), "-o", folder.Path("again.obj").string(), "--select",
              "face", "--select", "body", "--cancel"});
  ASSERT_EQ(again.status, 0) << again.err;
  EXPECT_EQ(folder.Read("again.obj"), folder.Read("out.obj"));
}

TEST_F(CliRunTest, NumbersOfEveryKindPassThroughARunBitForBit) {
  const std::string scene = folder.Write("scene.obj",
                                         "o a\n"
                                         "v 1e-45 -1e-45 1.17549421e-38\n"
                                         "v -0 0 -0.0\n"
                                         "v 3.40282347e38 -3.40282347e38 1e38\n"
                                         "v 0.1 0.2 0.30000001\n"
                                         "v 0x1.fffffep127 1e-40 -7.0064923e-45\n"
                                         "v inf -inf nan\n"
                                         "f 1 2 3\n"
                                         "o b\n"
                                         "v 1 2 3\n");
  const CliResult run = RunCli(
      {scene, "-o", folder.Path("out.obj").string(), "--select", "a", "--select", "b", "--cancel"});
  ASSERT_EQ(run.status, 0) << run.err;
  const Scene in = ReadObjText(folder.Read("scene.obj"), "scene.obj");
  ExpectSameBits(Output().objects[0].vertices, in.objects[0].vertices, "a");
  ExpectSameBits(Output().objects[1].vertices, in.objects[1].vertices, "b");
}

TEST_F(CliRunTest, FewerThanTwoSelectedObjectsIsRefusedWithTheWarning) {
  const std::string scene = DefaultScene();
  const CliResult run = RunCli({scene, "-o", folder.Path("out.obj").string(), "--select", "face"});
  EXPECT_EQ(run.status, 1);
  // The plug-in's own warning, then one line in English.
  EXPECT_EQ(run.err,
            "SourceオブジェクトとDestinationオブジェクトを選択してください。\n"
            "palisor-cli: the plug-in needs a Source and at least one Destination: select at "
            "least two objects (--select)\n");
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(folder.Files(), (std::vector<std::string>{"scene.obj"}));
}

TEST_F(CliRunTest, ANameSelectsEveryObjectBearingIt) {
  TestMesh twin = Grid("body", 3, 3, {5, 5, 5}, 1.0f, 21);
  const std::string scene = WriteScene({face, smile, body, twin});
  const CliResult run = RunCli(
      {scene, "-o", folder.Path("out.obj").string(), "--select", "face", "--select", "body"});
  ASSERT_EQ(run.status, 0) << run.err;
  const Scene out = Output();
  // Two Destinations named body: two clones of that name, the later Destination's made first.
  EXPECT_EQ(Names(out), (std::vector<std::string>{"face", "elem:smile-face", "elem:smile-body",
                                                  "#elem:smile-body1", "body", "body"}));
  ExpectSameBits(out.objects[2].vertices, ExpectedMorph(face, smile, body), "first body");
  ExpectSameBits(out.objects[3].vertices, ExpectedMorph(face, smile, twin), "second body");
  EXPECT_NE(run.out.find("Destinations    body,body\n"), std::string::npos);
}

}  // namespace
