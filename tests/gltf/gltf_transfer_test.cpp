// palisor-cli on glTF scenes, each case checked against the same geometry carried over as an OBJ
// scene, and every written file by the validator and three.js.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <map>
#include <stdexcept>

#include "cli_process.h"
#include "gltf_clients.h"
#include "gltf_test_scene.h"
#include "scene/gltf/gltf_accessor.h"
#include "scene/gltf/gltf_reader.h"
#include "scene/gltf/gltf_skin_weights.h"
#include "scene/obj/obj_reader.h"

namespace {

using palisor_scene::GltfScene;

struct TransferCase {
  std::string name;
  std::function<void(TestScene&)> change = [](TestScene&) {};
  std::vector<std::string> options;
  std::string output = "out.gltf";
  // The beard mesh's targets after the run, and the new ones among them (named as the face's).
  std::vector<std::string> beardTargets = {"jawOpen", "brow-up"};
  // What the summary says became of the beard's old targets; empty when none met a new one.
  std::string oldTargets;
  bool exact = true;  // positions bit for bit as the OBJ scene gives them (else within 1e-5)
  // Whether the beard's data read back stand where the OBJ run has them; not so for a beard
  // skinned at a rest pose apart from the bind pose, whose places three.js checks skinned.
  bool storedAsObj = true;
  std::function<void(const Json&)> check = [](const Json&) {};
  // The beard's morph weights three.js shows half way through the animation, by target name.
  Json influences = Json::object();
  // Options of the glTF run alone, the OBJ run having no skins: with --weights the beard takes
  // the face's skin, and is seen half way through the animation where its rest places, its
  // targets and its joints put it; Blender gives it the weights written.
  std::vector<std::string> weightOptions;
  // What the summary says of the weights, and the JOINTS_n and WEIGHTS_n sets written.
  std::string weightsSummary;
  std::size_t weightSets = 1;
};

// A face on the skeleton whose jaw moves with its targets' weights, and a beard taking its skin.
void SkinnedFace(TestScene& scene) {
  scene.nodes[0].skinned = true;
  scene.jawMoves = true;
  scene.animatedNodes = {0};
}

// A weight of node `node`'s target `target` half way between its keys, as the interpolation
// gives it (a cubic spline's tangents are scaled by the keys' interval, 1).
double HalfWay(int node, std::size_t target, bool cubic) {
  const double end = AnimatedWeight(node, target, 1);
  if (!cubic) return end / 2;
  return end / 2 + (AnimatedWeight(node, target, 0, 2) - AnimatedWeight(node, target, 1, 0)) / 8;
}

TransferCase Case(const std::string& name) {
  TransferCase test;
  test.name = name;
  return test;
}

std::vector<float> Displacements(std::size_t vertices, float dy) {
  std::vector<float> d(3 * vertices, 0.0f);
  for (std::size_t v = 0; v < vertices; v += 2) d[3 * v + 1] = dy;
  return d;
}

void GiveBeardTarget(TestScene& scene, const std::string& name) {
  TestMesh& beard = scene.meshes[1];
  beard.targets.push_back({name, Displacements(beard.positions.size() / 3, 0.25f)});
}

std::vector<TransferCase> Cases() {
  std::vector<TransferCase> cases;
  cases.push_back(Case("NamesTravelExactly"));
  TransferCase glb = Case("BinaryOutput");
  glb.output = "out.glb";
  cases.push_back(glb);
  TransferCase sparse = Case("SparseSourceTargets");
  sparse.change = [](TestScene& scene) { scene.sparseTargets = true; };
  cases.push_back(sparse);
  TransferCase placed = Case("PlacedDestination");
  placed.change = [](TestScene& scene) {
    scene.nodes[1].placement = {{"translation", {0.125, -0.25, 0.5}}, {"scale", {2.0, 0.5, 1.0}}};
  };
  placed.exact = false;
  cases.push_back(placed);
  TransferCase skinned = Case("SkinnedDestinationKeepsItsBindPose");
  skinned.change = [](TestScene& scene) {
    scene.nodes[1].skinned = true;
    scene.nodes[1].placement = {{"translation", {3.0, 0.0, 0.0}}};
  };
  cases.push_back(skinned);
  TransferCase animated = Case("WeightsAnimationWidened");
  animated.change = [](TestScene& scene) {
    GiveBeardTarget(scene, "old");
    scene.animatedNodes = {1};
  };
  animated.beardTargets = {"old", "jawOpen", "brow-up"};
  animated.check = [](const Json& json) {
    const Json& output =
        json["accessors"][json["animations"][0]["samplers"][0]["output"].get<int>()];
    EXPECT_EQ(output["count"], 6);
    EXPECT_EQ(json["meshes"][1]["weights"].size(), 3u);
  };
  cases.push_back(animated);
  // The face's animation drives its targets; the beard's new targets follow it in a channel of
  // their own, or, where the beard has one with the same keys, in that channel beside its own
  // target's curve.
  TransferCase follows = Case("NewTargetsFollowTheSourcesAnimation");
  follows.change = [](TestScene& scene) { scene.animatedNodes = {0}; };
  follows.influences = {{"jawOpen", HalfWay(0, 0, false)}, {"brow-up", HalfWay(0, 1, false)}};
  cases.push_back(follows);
  TransferCase cubic = Case("NewTargetsFollowACubicSplineBesideTheirOwn");
  cubic.change = [](TestScene& scene) {
    GiveBeardTarget(scene, "old");
    scene.animatedNodes = {0, 1};
    scene.interpolation = "CUBICSPLINE";
  };
  cubic.beardTargets = {"old", "jawOpen", "brow-up"};
  cubic.influences = {{"old", HalfWay(1, 0, true)},
                      {"jawOpen", HalfWay(0, 0, true)},
                      {"brow-up", HalfWay(0, 1, true)}};
  cases.push_back(cubic);
  TransferCase still = Case("NoFollowLeavesTheNewTargetsStill");
  still.change = follows.change;
  still.options = {"--no-follow-animation"};
  still.influences = {{"jawOpen", 0.0}, {"brow-up", 0.0}};
  still.check = [](const Json& json) { EXPECT_EQ(json["animations"][0]["channels"].size(), 1u); };
  cases.push_back(still);
  TransferCase backup = Case("BackupKeepsTheOldTarget");
  backup.change = [](TestScene& scene) { GiveBeardTarget(scene, "jawOpen"); };
  backup.beardTargets = {"#jawOpen1", "jawOpen", "brow-up"};
  backup.oldTargets = "Targets kept    1 target\n  beard: jawOpen -> #jawOpen1\n";
  cases.push_back(backup);
  TransferCase replace = Case("NoBackupReplacesTheOldTarget");
  replace.change = backup.change;
  replace.options = {"--no-backup"};
  replace.oldTargets = "Targets replaced 1 target\n  beard: jawOpen\n";
  cases.push_back(replace);
  TransferCase vrm0 = Case("Vrm0BlendShapeGroupsBindTheNewTarget");
  vrm0.change = [](TestScene& scene) {
    scene.extensions["VRM"] = Json::parse(
        R"({"blendShapeMaster": {"blendShapeGroups": [
              {"name": "A", "binds": [{"mesh": 0, "index": 0, "weight": 80}]}]}})");
  };
  vrm0.check = [](const Json& json) {
    const Json& binds =
        json["extensions"]["VRM"]["blendShapeMaster"]["blendShapeGroups"][0]["binds"];
    EXPECT_EQ(binds, Json::parse(
                         R"([{"mesh":0,"index":0,"weight":80},{"mesh":1,"index":0,"weight":80}])"));
  };
  cases.push_back(vrm0);
  TransferCase vrm1 = Case("Vrm1ExpressionsBindTheNewTarget");
  vrm1.change = [](TestScene& scene) {
    scene.extensions["VRMC_vrm"] = Json::parse(
        R"({"expressions": {"preset": {"aa": {
              "morphTargetBinds": [{"node": 0, "index": 1, "weight": 0.5}]}}}})");
  };
  vrm1.check = [](const Json& json) {
    const Json& binds =
        json["extensions"]["VRMC_vrm"]["expressions"]["preset"]["aa"]["morphTargetBinds"];
    EXPECT_EQ(
        binds,
        Json::parse(R"([{"node":0,"index":1,"weight":0.5},{"node":1,"index":1,"weight":0.5}])"));
  };
  cases.push_back(vrm1);
  TransferCase carried = Case("CarriedOffsetWithLimits");
  carried.options = {"--method", "carry", "--max-distance", "5%", "--max-angle", "80"};
  cases.push_back(carried);
  TransferCase skin = Case("WeightsGiveTheBeardTheFacesSkin");
  skin.change = SkinnedFace;
  skin.weightOptions = {"--weights"};
  skin.influences = follows.influences;
  skin.weightsSummary =
      "Weights         45 vertices of 1 Destination, 4 influences, robust\n"
      "  beard: given skins[0]; 45 matched, 0 filled\n";
  cases.push_back(skin);
  // Under a placed group and scaled itself: the placement passes into the beard's data.
  TransferCase baked = Case("WeightsMoveTheBeardsPlacementIntoItsData");
  baked.change = [](TestScene& scene) {
    SkinnedFace(scene);
    scene.nodes[1].placement = {{"scale", {2.0, 0.5, 1.0}}};
    scene.nodes[1].groupPlacement = {{"translation", {0.125, -0.25, 0.5}}};
  };
  baked.exact = false;
  baked.output = "out.glb";
  baked.weightOptions = {"--weights", "--weights-method", "surface"};
  baked.influences = follows.influences;
  baked.weightsSummary = "4 influences, surface\n  beard: given skins[0]\n";
  cases.push_back(baked);
  // Each beard vertex is taken through the inverse of its skin matrix at rest as well.
  TransferCase turned = Case("WeightsKeepTheBeardInPlaceAtARestPoseApartFromTheBindPose");
  turned.change = [](TestScene& scene) {
    SkinnedFace(scene);
    scene.jawTurnedAtRest = true;
    scene.nodes[1].placement = {{"translation", {0.125, -0.25, 0.5}}};
  };
  turned.storedAsObj = false;
  turned.weightOptions = {"--weights"};
  turned.influences = follows.influences;
  cases.push_back(turned);
  TransferCase replaced = Case("WeightsReplaceTheBeardsOwn");
  replaced.change = [](TestScene& scene) {
    SkinnedFace(scene);
    scene.nodes[1].skinned = true;
  };
  replaced.weightOptions = {"--weights", "--weights-method", "nearest"};
  replaced.influences = follows.influences;
  replaced.weightsSummary = "  beard: weights of skins[0] replaced\n";
  cases.push_back(replaced);
  TransferCase sets = Case("WeightsInTwoSetsSmoothedWithinLimits");
  sets.change = [](TestScene& scene) { scene.nodes[0].skinned = true; };
  sets.weightOptions = {"--weights", "--max-influences", "6",   "--smooth-weights",
                        "2",         "--max-distance",   "20%", "--max-angle",
                        "60"};
  sets.weightsSummary = "6 influences, robust\n";
  sets.weightSets = 2;
  cases.push_back(sets);
  // Enough vertices and indices to be read, exported and bounded in parts on several threads.
  TransferCase many = Case("ManyVerticesInParts");
  many.change = [](TestScene& scene) { scene = FaceAndBeard(50); };
  many.output = "out.glb";
  cases.push_back(many);
  return cases;
}

// The target objects that follow the object named `base` in a scene read back, by name.
std::map<std::string, const palisor_scene::SceneObject*> TargetsAfter(
    const palisor_scene::Scene& scene, const std::string& base) {
  std::map<std::string, const palisor_scene::SceneObject*> targets;
  for (const palisor_scene::SceneBinding& binding : scene.bindings) {
    if (scene.objects[static_cast<std::size_t>(binding.base)].name == base) {
      const auto& target = scene.objects[static_cast<std::size_t>(binding.target)];
      targets[target.name] = &target;
    }
  }
  return targets;
}

// The beard's node and mesh as a skinned mesh's must be, with `sets` sets of weights.
void ExpectSkinnedBeard(const Json& json, std::size_t sets) {
  const Json& node = json["nodes"][1];
  EXPECT_EQ(node["skin"], 0);
  for (const char* placement : {"matrix", "translation", "rotation", "scale"}) {
    EXPECT_FALSE(node.contains(placement)) << placement;
  }
  const Json& roots = json["scenes"][0]["nodes"];
  EXPECT_NE(std::find(roots.begin(), roots.end(), Json(1)), roots.end());
  const Json& attributes = json["meshes"][1]["primitives"][0]["attributes"];
  for (std::size_t set = 0; set <= sets; ++set) {
    EXPECT_EQ(attributes.contains("JOINTS_" + std::to_string(set)), set < sets);
    EXPECT_EQ(attributes.contains("WEIGHTS_" + std::to_string(set)), set < sets);
  }
}

// The beard's weights as written, per vertex by joint name.
std::vector<std::map<std::string, float>> BeardWeights(const GltfScene& written) {
  const palisor_scene::GltfFile& file = *written.file;
  const palisor_scene::NodeSkinWeights skin =
      palisor_scene::ReadSkinWeights(file, file.meshNodes[1]);
  std::vector<std::map<std::string, float>> weights(skin.joints.size() / skin.influences);
  for (std::size_t slot = 0; slot < skin.joints.size(); ++slot) {
    if (skin.weights[slot] == 0.0f) continue;
    const int joint = file.model.skins[0].joints[skin.joints[slot]];
    weights[slot / skin.influences][file.model.nodes[static_cast<std::size_t>(joint)].name] +=
        skin.weights[slot];
  }
  return weights;
}

// The object of the scene bearing the name.
const palisor_scene::SceneObject& Named(const palisor_scene::Scene& scene,
                                        const std::string& name) {
  for (const auto& object : scene.objects) {
    if (object.name == name) return object;
  }
  throw std::runtime_error("no object " + name);
}

// Where three.js must show the beard's vertices at `time`: where the OBJ run (`reference`) has
// them, moved by the targets made there at the influences given and by the jaw by its weight.
Json PosedBeard(const GltfScene& written, const palisor_scene::Scene& reference,
                const Json& influences, float time) {
  const auto weights = BeardWeights(written);
  const auto& beard = Named(reference, "beard").vertices;
  // Without an animation three.js shows the rest pose.
  const std::vector<float> drop = JawDrop(written.file->json.contains("animations") ? time : 0.0f);
  Json positions = Json::array();
  for (std::size_t v = 0; v < beard.size(); ++v) {
    double place[3] = {beard[v].x, beard[v].y, beard[v].z};
    for (const auto& influence : influences.items()) {
      const std::string& name = influence.key();
      const auto moved = Named(reference, name.substr(0, name.find('-')) + "-beard").vertices[v];
      const double weight = influence.value().get<double>();
      place[0] += weight * (moved.x - beard[v].x);
      place[1] += weight * (moved.y - beard[v].y);
      place[2] += weight * (moved.z - beard[v].z);
    }
    const auto jaw = weights[v].find("jaw");
    for (std::size_t c = 0; c < 3; ++c) {
      positions.push_back(place[c] + (jaw == weights[v].end() ? 0.0 : jaw->second * drop[c]));
    }
  }
  return positions;
}

// What the clients must find of the skin of a beard given one.
void CheckBeardSkin(const TransferCase& test, const GltfScene& written,
                    const palisor_scene::Scene& reference, ClientCheck& check) {
  ExpectSkinnedBeard(written.file->json, test.weightSets);
  check.skin = {{"node", "beard"},
                {"time", 0.5},
                {"positions", PosedBeard(written, reference, test.influences, 0.5f)}};
  check.blender = {{"object", "beard"}, {"mesh", "beardMesh"}, {"groups", BeardWeights(written)}};
}

TEST(GltfTransferTest, EveryCaseMatchesTheObjSceneAndSatisfiesTheClients) {
  TestFolder folder;
  std::vector<ClientCheck> checks;
  for (const TransferCase& test : Cases()) {
    SCOPED_TRACE(test.name);
    TestScene scene = FaceAndBeard();
    test.change(scene);
    std::string bin;
    const Json json = scene.ToGltf(test.name + ".bin", bin);
    folder.Write(test.name + ".bin", bin);
    const std::string input = folder.Write(test.name + ".gltf", json.dump(1));
    const std::string objInput = folder.Write(test.name + ".obj", scene.ToObj());
    const std::string output = folder.Path(test.name + "-" + test.output).string();
    const std::string objOutput = folder.Path(test.name + "-out.obj").string();

    std::vector<std::string> arguments = {input,  "-o",       output,  "--select",
                                          "face", "--select", "beard", "--tick-all"};
    arguments.insert(arguments.end(), test.options.begin(), test.options.end());
    std::vector<std::string> gltfArguments = arguments;
    gltfArguments.insert(gltfArguments.end(), test.weightOptions.begin(), test.weightOptions.end());
    const CliResult run = RunCli(gltfArguments);
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find(test.weightsSummary), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("beard: jawOpen, brow-up\n"), std::string::npos) << run.out;
    if (test.oldTargets.empty()) {
      EXPECT_EQ(run.out.find("Targets kept"), std::string::npos) << run.out;
      EXPECT_EQ(run.out.find("Targets replaced"), std::string::npos) << run.out;
    } else {
      EXPECT_NE(run.out.find("  beard: jawOpen, brow-up\n" + test.oldTargets + "Vertices moved"),
                std::string::npos)
          << run.out;
    }
    arguments[0] = objInput;
    arguments[2] = objOutput;
    arguments.push_back("--mode");
    arguments.push_back("morph");
    ASSERT_EQ(RunCli(arguments).status, 0);

    const GltfScene written = palisor_scene::ReadGltfFile(output);
    const Json& beardMesh = written.file->json["meshes"][1];
    EXPECT_EQ(beardMesh["extras"]["targetNames"].get<std::vector<std::string>>(),
              test.beardTargets);
    test.check(written.file->json);

    const palisor_scene::Scene reference = palisor_scene::ReadObjFile(objOutput);
    const auto targets = TargetsAfter(written.scene, "beard");
    ClientCheck check{output, input};
    if (!test.influences.empty()) {
      check.animation = {{"node", "beard"}, {"time", 0.5}, {"influences", test.influences}};
    }
    if (!test.weightOptions.empty()) CheckBeardSkin(test, written, reference, check);
    for (const char* name : {"jawOpen", "brow-up"}) {
      const std::string objName =
          std::string(name).substr(0, std::string(name).find('-')) + "-beard";
      const palisor_scene::SceneObject* expected = nullptr;
      for (const auto& object : reference.objects) {
        if (object.name == objName) expected = &object;
      }
      ASSERT_TRUE(expected != nullptr && targets.count(name) != 0) << name;
      const auto& got = targets.at(name)->vertices;
      ASSERT_EQ(got.size(), expected->vertices.size());
      for (std::size_t v = 0; v < got.size() && test.storedAsObj; ++v) {
        const auto a = got[v];
        const auto b = expected->vertices[v];
        if (test.exact) {
          ASSERT_TRUE(a.x == b.x && a.y == b.y && a.z == b.z) << name << " vertex " << v;
        } else {
          ASSERT_NEAR(a.x, b.x, 1e-5f);
          ASSERT_NEAR(a.y, b.y, 1e-5f);
          ASSERT_NEAR(a.z, b.z, 1e-5f);
        }
      }
      const std::size_t index = static_cast<std::size_t>(
          std::find(test.beardTargets.begin(), test.beardTargets.end(), name) -
          test.beardTargets.begin());
      const int accessor =
          written.file->model.meshes[1].primitives[0].targets[index].at("POSITION");
      check.targets.push_back(
          {{"mesh", 1},
           {"primitive", 0},
           {"name", name},
           {"position", palisor_scene::ReadFloatAccessor(written.file->model, accessor, 3,
                                                         {output, "target"})}});
    }
    checks.push_back(check);
  }
  ExpectClientsAccept(checks, folder.Path("").string());
}

struct BadCase {
  std::string name;
  std::function<void(Json&)> change;
  std::string place;  // what the message names besides the file
  std::string text;   // the file's text instead of the changed scene, when not empty
  // Options after the selection; with --weights the scene's face is skinned unless
  // `unskinned`.
  std::vector<std::string> options = {};
  bool unskinned = false;
};

TEST(GltfBadInputTest, EveryFaultNamesFileAndPlaceAndWritesNothing) {
  const std::vector<BadCase> cases = {
      {"MalformedJson", nullptr, "malformed JSON", R"({"asset": {"version": "2.0"}, "nodes": [)"},
      {"NumberBeyondDouble", nullptr, "malformed JSON",
       R"({"asset": {"version": "2.0"}, "nodes": [{"translation": [1e999, 0, 0]}]})"},
      {"MissingBuffer", [](Json& j) { j["buffers"][0]["uri"] = "absent.bin"; },
       "buffers[0]: the file", ""},
      {"ShortBuffer",
       [](Json& j) {
         j["buffers"][0]["byteLength"] = j["buffers"][0]["byteLength"].get<int>() + 64;
       },
       "buffers[0]: byteLength is", ""},
      {"AccessorOutOfRange", [](Json& j) { j["accessors"][0]["byteOffset"] = 4096; },
       "meshes[0].primitives[0].attributes.POSITION: accessors[0] reaches past the end of "
       "bufferViews[0]",
       ""},
      {"BadIndices",
       [](Json& j) {
         Json& indices = j["accessors"][j["meshes"][1]["primitives"][0]["indices"].get<int>()];
         indices["bufferView"] =
             j["accessors"][j["meshes"][1]["primitives"][0]["attributes"]["POSITION"].get<int>()]
              ["bufferView"];
         indices["count"] = 3;
       },
       "meshes[1].primitives[0].indices: accessors[6] holds index 3207803699", ""},
      {"LinesInASelectedMesh", [](Json& j) { j["meshes"][1]["primitives"][0]["mode"] = 1; },
       "meshes[1].primitives[0] draws lines", ""},
      {"UnknownRequiredExtension",
       [](Json& j) { j["extensionsUsed"] = j["extensionsRequired"] = {"EXT_unknown_geometry"}; },
       "extensionsRequired[0]: EXT_unknown_geometry is required", ""},
      {"DracoCompression",
       [](Json& j) {
         j["extensionsUsed"] = j["extensionsRequired"] = {"KHR_draco_mesh_compression"};
       },
       "extensionsRequired[0]: KHR_draco_mesh_compression compresses the geometry", ""},
      {"WeightsFromASourceWithoutSkin",
       nullptr,
       "nodes[0] ('face'): the Source has no skin: weights are carried from a skinned mesh",
       "",
       {"--weights"},
       true},
      {"WeightsWithinOneSkin",
       [](Json& j) {
         j["skins"].push_back(j["skins"][0]);
         j["nodes"][1]["skin"] = 1;
       },
       "nodes[1] ('beard'): a Destination skinned to skins[1], not to the Source's skins[0]",
       "",
       {"--weights"}},
      {"WeightsIntoAMeshOfItsOwn",
       [](Json& j) {
         j["nodes"].push_back({{"name", "copy"}, {"mesh", 1}});
         j["scenes"][0]["nodes"].push_back(j["nodes"].size() - 1);
       },
       "nodes[1] ('beard'): the Destination shows meshes[1], which nodes[4] ('copy') shows as "
       "well",
       "",
       {"--weights"}},
      {"WeightsForAnAnimatedPlacement",
       [](Json& j) {
         j["animations"][0]["channels"][0]["target"] = {{"node", 1}, {"path", "translation"}};
         j["animations"][0]["samplers"][0]["output"] = j["animations"][0]["samplers"][1]["output"];
       },
       "nodes[1] ('beard'): the Destination is moved by animations[0]",
       "",
       {"--weights"}},
      {"WeightsWhereTheSourceWeighsNothing",
       [](Json& j) {
         Json& attributes = j["meshes"][0]["primitives"][0]["attributes"];
         // An accessor without a buffer view holds zeros.
         j["accessors"].push_back(
             {{"componentType", 5126},
              {"count", j["accessors"][attributes["WEIGHTS_0"].get<int>()]["count"]},
              {"type", "VEC4"}});
         attributes["WEIGHTS_0"] = j["accessors"].size() - 1;
       },
       "the Destination 'beard' has 45 vertices (the first is vertex 0) that find no weights on "
       "the Source",
       "",
       {"--weights"}},
      {"WeightsOfJointsOutOfTheSkin",
       [](Json& j) { j["skins"][0]["joints"].erase(1); },
       "meshes[0].primitives[0].attributes.JOINTS_0: names joint 1 at vertex 0, but skins[0] has "
       "1 joint",
       "",
       {"--weights"}},
  };
  TestFolder folder;
  std::string bin;
  const Json good = FaceAndBeard().ToGltf("scene.bin", bin);
  folder.Write("scene.bin", bin);
  TestScene skinned = FaceAndBeard();
  SkinnedFace(skinned);
  std::string skinnedBin;
  const Json goodSkinned = skinned.ToGltf("skinned.bin", skinnedBin);
  folder.Write("skinned.bin", skinnedBin);
  for (const BadCase& bad : cases) {
    SCOPED_TRACE(bad.name);
    const bool weights = !bad.options.empty() && !bad.unskinned;
    Json json = weights ? goodSkinned : good;
    if (bad.change) bad.change(json);
    const std::string scene =
        folder.Write(bad.name + ".gltf", bad.text.empty() ? json.dump() : bad.text);
    const auto before = folder.Files();
    std::vector<std::string> arguments = {scene,      "-o",        folder.Path("out.glb").string(),
                                          "--select", "face",      "--select",
                                          "beard",    "--tick-all"};
    arguments.insert(arguments.end(), bad.options.begin(), bad.options.end());
    const CliResult run = RunCli(arguments);
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.err.rfind("palisor-cli: " + scene + ": ", 0), 0u) << run.err;
    EXPECT_NE(run.err.find(bad.place), std::string::npos) << run.err;
    EXPECT_EQ(folder.Files(), before);
  }
}

}  // namespace
