#include <gtest/gtest.h>

#include <algorithm>

#include "host_imitation/morph_feature.h"
#include "morph_fixture.h"

namespace {

using host_imitation::HostObject;
using host_imitation::InstallMorphFeature;
using host_imitation::MorphFeature;

class CreateMorphObjectsTest : public MorphFixture {
 protected:
  // A Source named `sourceName` and Destinations, in this order in the document.
  HostObject& AddSource(const std::string& sourceName) {
    HostObject& added = AddMesh(sourceName, {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}});
    tool.source = Handle(added);
    return added;
  }
  HostObject& AddDestination(const std::string& name) {
    HostObject& added = AddMesh(name, {{0, 0, 1}, {1, 0, 1}, {0, 1, 1}, {1, 1, 1}});
    tool.destinations.push_back(Handle(added));
    return added;
  }
  HostObject& AddTarget(const std::string& name) {
    HostObject& added = AddMesh(name, {{0, 0, 0.5f}, {1, 0, 0.5f}, {0, 1, 0.5f}});
    tool.chosenTargets.push_back(Handle(added));
    return added;
  }
  // Creates the morph objects of every Destination, from the last to the first, as a run does.
  // The creation step of one run: a run starts with no morph objects of its own.
  void CreateForAllDestinations() {
    tool.runMorphs.clear();
    const std::vector<cmq::CMQObject> destinations = tool.destinations;
    for (auto destination = destinations.rbegin(); destination != destinations.rend();
         ++destination) {
      ASSERT_TRUE(tool.CreateMorphObjects(*destination));
    }
  }
  std::vector<std::string> CreatedNames() const {
    std::vector<std::string> names;
    for (const cmq::CMQObject& morph : tool.createdMorphs) names.push_back(morph.GetName());
    return names;
  }
};

TEST_F(CreateMorphObjectsTest, ClonesTheDestinationOncePerTargetBesideTheTarget) {
  AddSource("face");
  HostObject& smile = AddTarget("elem:smile-face");
  host.AddObject(document, "unrelated");
  HostObject& angry = AddTarget("elem:angry-face");
  HostObject& body = AddDestination("body");
  smile.intValues[257] = 5;
  smile.visible = 0;
  angry.intValues[257] = 0;
  angry.visible = 1;
  body.intValues[257] = 9;
  body.visible = 1;

  ASSERT_TRUE(tool.CreateMorphObjects(Handle(body)));

  ASSERT_EQ(tool.createdMorphs.size(), 2u);
  EXPECT_EQ(CreatedNames(), (std::vector<std::string>{"elem:smile-body", "elem:angry-body"}));
  EXPECT_EQ(ObjectNames(),
            (std::vector<std::string>{"face", "elem:smile-face", "elem:smile-body", "unrelated",
                                      "elem:angry-face", "elem:angry-body", "body"}));
  const HostObject& smileMorph = Object(tool.createdMorphs[0]);
  const HostObject& angryMorph = Object(tool.createdMorphs[1]);
  EXPECT_EQ(tool.createdMorphs[0].document, documentHandle());
  EXPECT_EQ(smileMorph.IntValue(257), 5);
  EXPECT_EQ(smileMorph.visible, 0u);
  EXPECT_EQ(angryMorph.IntValue(257), 0);
  EXPECT_EQ(angryMorph.visible, 1u);
  // Shaped like the Destination until its vertices are moved.
  EXPECT_EQ(smileMorph.vertices.size(), body.vertices.size());
  EXPECT_EQ(smileMorph.vertices[3].z, body.vertices[3].z);
  EXPECT_EQ(*smileMorph.faces, *body.faces);

  // No clash: nothing else renamed, nothing deleted.
  EXPECT_EQ(host.log.Count("MQObj_SetName"), 2u);
  EXPECT_EQ(host.log.Count("MQDoc_DeleteObject"), 0u);
  EXPECT_EQ(host.log.Count("MQObj_Delete"), 0u);
  EXPECT_EQ(host.log.Count("MQDoc_GetUnusedObjectName"), 0u);
}

TEST_F(CreateMorphObjectsTest, AnEmptyChoiceLeavesTheDocumentAlone) {
  AddSource("face");
  HostObject& body = AddDestination("body");
  tool.createdMorphs.push_back(Handle(body));  // left from an earlier Destination
  host.log.Clear();

  ASSERT_TRUE(tool.CreateMorphObjects(Handle(body)));
  EXPECT_TRUE(tool.createdMorphs.empty());
  EXPECT_EQ(ObjectNames(), (std::vector<std::string>{"face", "body"}));
  EXPECT_EQ(host.log.Count("MQObj_PointerArray"), 1u) << "the Destination's name, once";
  EXPECT_EQ(host.log.Count("MQObj_Clone"), 0u);
  EXPECT_EQ(host.log.Count("MQDoc_InsertObject"), 0u);
  EXPECT_EQ(host.log.Count("MQObj_SetName"), 0u);
}

TEST_F(CreateMorphObjectsTest, ABackupTakesAFreshHashNameFromTheHost) {
  AddSource("face");
  AddTarget("elem:smile-face");
  HostObject& older = host.AddObject(document, "elem:smile-body");
  HostObject& body = AddDestination("body");
  runSettings.createBackup = true;

  ASSERT_TRUE(tool.CreateMorphObjects(Handle(body)));
  EXPECT_EQ(older.name, "#elem:smile-body1");
  EXPECT_FALSE(older.destroyed);
  EXPECT_EQ(Object(tool.createdMorphs[0]).name, "elem:smile-body");
  const host_imitation::HostCall ask = host.log.Of("MQDoc_GetUnusedObjectName").at(0);
  EXPECT_EQ(ask.arguments[1], "250");
  EXPECT_EQ(ask.arguments[2], "#elem:smile-body");
}

TEST_F(CreateMorphObjectsTest, WithoutBackupTheOlderObjectIsDeleted) {
  AddSource("face");
  AddTarget("elem:smile-face");
  HostObject& older = host.AddObject(document, "elem:smile-body");
  HostObject& body = AddDestination("body");

  ASSERT_TRUE(tool.CreateMorphObjects(Handle(body)));
  EXPECT_TRUE(older.destroyed);
  EXPECT_EQ(document.IndexOf(&older), -1);
  EXPECT_EQ(ObjectNames(), (std::vector<std::string>{"face", "elem:smile-face", "elem:smile-body",
                                                     "<empty>", "body"}));
}

TEST_F(CreateMorphObjectsTest, OnlyTheFirstOfTwoOlderObjectsMakesWay) {
  AddSource("face");
  AddTarget("elem:smile-face");
  HostObject& first = host.AddObject(document, "elem:smile-body");
  HostObject& second = host.AddObject(document, "elem:smile-body");
  HostObject& body = AddDestination("body");

  runSettings.createBackup = true;
  ASSERT_TRUE(tool.CreateMorphObjects(Handle(body)));
  EXPECT_EQ(first.name, "#elem:smile-body1");
  EXPECT_EQ(second.name, "elem:smile-body");

  // A later run: the first run's morph object is an older object like any other.
  runSettings.createBackup = false;
  tool.runMorphs.clear();
  ASSERT_TRUE(tool.CreateMorphObjects(Handle(body)));
  // The morph object of the first pass stands before `second` and is the first of the name.
  EXPECT_FALSE(second.destroyed);
  EXPECT_EQ(second.name, "elem:smile-body");
  EXPECT_EQ(host.log.Count("MQDoc_DeleteObject"), 1u);
}

TEST_F(CreateMorphObjectsTest, TargetsSharingAPrefixBackUpTheEarlierMorphObject) {
  AddSource("face");
  AddTarget("smile-a");
  AddTarget("smile-b");
  HostObject& body = AddDestination("body");
  runSettings.createBackup = true;

  ASSERT_TRUE(tool.CreateMorphObjects(Handle(body)));
  ASSERT_EQ(tool.createdMorphs.size(), 2u);
  EXPECT_EQ(CreatedNames(), (std::vector<std::string>{"#smile-body1", "smile-body"}));
  EXPECT_EQ(ObjectNames(), (std::vector<std::string>{"face", "smile-a", "#smile-body1", "smile-b",
                                                     "smile-body", "body"}));
}

// Without backups, an object the run still uses is never deleted: it keeps its name and place,
// and the new object joins the document all the same.
TEST_F(CreateMorphObjectsTest, WithoutBackupAnEarlierMorphObjectOfTheRunStays) {
  AddSource("face");
  AddTarget("smile-a");
  AddTarget("smile-b");
  HostObject& body = AddDestination("body");

  ASSERT_TRUE(tool.CreateMorphObjects(Handle(body)));
  EXPECT_EQ(CreatedNames(), (std::vector<std::string>{"smile-body", "smile-body"}));
  EXPECT_EQ(ObjectNames(), (std::vector<std::string>{"face", "smile-a", "smile-body", "smile-b",
                                                     "smile-body", "body"}));
  EXPECT_EQ(host.log.Count("MQDoc_DeleteObject"), 0u);
}

TEST_F(CreateMorphObjectsTest, WithoutBackupAChosenTargetOfTheNewNameStays) {
  // Source and Destination share the name, so the target's own name comes back.
  AddSource("face");
  HostObject& smile = AddTarget("elem:smile-face");
  HostObject& face = AddDestination("face");

  ASSERT_TRUE(tool.CreateMorphObjects(Handle(face)));
  EXPECT_FALSE(smile.destroyed);
  EXPECT_EQ(ObjectNames(),
            (std::vector<std::string>{"face", "elem:smile-face", "elem:smile-face", "face"}));
  EXPECT_EQ(document.IndexOf(&smile), 1) << "the target keeps its place";
  EXPECT_EQ(Object(tool.createdMorphs[0]).document, &document);
}

TEST_F(CreateMorphObjectsTest, WithoutBackupTheSourceAndTheDestinationsStay) {
  HostObject& source = AddSource("smile-body");
  HostObject& otherDestination = AddDestination("smile-upper");
  HostObject& body = AddDestination("body");
  HostObject& upper = AddDestination("upper");
  AddTarget("smile-1");
  HostObject& unused = host.AddObject(document, "smile-lower");
  HostObject& lower = AddDestination("lower");

  CreateForAllDestinations();
  EXPECT_FALSE(source.destroyed);
  EXPECT_EQ(source.name, "smile-body");
  EXPECT_FALSE(otherDestination.destroyed);
  EXPECT_EQ(otherDestination.name, "smile-upper");
  // An object the run does not use is deleted as ever.
  EXPECT_TRUE(unused.destroyed);
  EXPECT_FALSE(body.destroyed);
  EXPECT_FALSE(upper.destroyed);
  EXPECT_FALSE(lower.destroyed);
  EXPECT_EQ(host.log.Count("MQDoc_DeleteObject"), 1u);
}

// Two Destinations of one name give two morph objects of one name. Without backups, running the
// transfer again replaces both: every run leaves what one run leaves, and deletes nothing it made.
TEST_F(CreateMorphObjectsTest,
       WithoutBackupARepeatedRunWithTwinDestinationsLeavesWhatOneRunLeaves) {
  AddSource("face");
  AddTarget("elem:smile-face");
  AddDestination("body");
  AddDestination("body");
  const std::vector<std::string> afterOneRun = {
      "face", "elem:smile-face", "elem:smile-body", "elem:smile-body", "body", "body"};

  std::vector<HostObject*> earlierMorphs;
  for (int run = 1; run <= 3; ++run) {
    CreateForAllDestinations();
    std::vector<std::string> names = ObjectNames();
    names.erase(std::remove(names.begin(), names.end(), "<empty>"), names.end());
    EXPECT_EQ(names, afterOneRun) << "run " << run;
    for (const cmq::CMQObject& morph : tool.runMorphs) {
      EXPECT_FALSE(Object(morph).destroyed) << "run " << run;
    }
    for (const HostObject* earlier : earlierMorphs)
      EXPECT_TRUE(earlier->destroyed) << "run " << run;
    earlierMorphs.clear();
    for (const cmq::CMQObject& morph : tool.runMorphs) earlierMorphs.push_back(&Object(morph));
  }
}

TEST_F(CreateMorphObjectsTest, SendsNoMessageOutsideTheMorphFeaturesListing) {
  AddSource("face");
  AddTarget("elem:smile-face");
  AddTarget("elem:angry-face");
  HostObject& body = AddDestination("body");
  MorphFeature& feature = InstallMorphFeature();
  for (int32_t mode : {0, 1}) {
    tool.listingMode = mode;
    ASSERT_TRUE(tool.CreateMorphObjects(Handle(body)));
  }
  EXPECT_EQ(host.log.Count("MQ_SendMessage"), 0u);
  EXPECT_TRUE(feature.Bindings().empty());
}

TEST_F(CreateMorphObjectsTest, BindsEachNewObjectAfterItIsInsertedAndDressed) {
  AddSource("face");
  AddTarget("elem:smile-face");
  AddTarget("elem:angry-face");
  HostObject& body = AddDestination("body");
  MorphFeature& feature = InstallMorphFeature();
  tool.listingMode = 2;
  host.log.Clear();

  ASSERT_TRUE(tool.CreateMorphObjects(Handle(body)));
  ASSERT_EQ(tool.createdMorphs.size(), 2u);
  EXPECT_EQ(feature.RequestedBindings(), (std::vector<std::pair<MQObject, MQObject>>{
                                             {body.handle(), tool.createdMorphs[0].object},
                                             {body.handle(), tool.createdMorphs[1].object}}));

  std::vector<std::string> steps;
  for (const host_imitation::HostCall& call : host.log.calls) {
    if (call.function == "MQ_SendMessage") {
      steps.push_back(call.Value("description"));
    } else if (call.function == "MQObj_Clone" || call.function == "MQDoc_InsertObject" ||
               call.function == "MQObj_SetVisible") {
      steps.push_back(call.function);
    }
  }
  const std::vector<std::string> perObject = {"MQObj_Clone", "MQDoc_InsertObject",
                                              "MQObj_SetVisible", "QueryAPIVersion",
                                              "BindTargetObject"};
  std::vector<std::string> expected = perObject;
  expected.insert(expected.end(), perObject.begin(), perObject.end());
  EXPECT_EQ(steps, expected);
}

TEST_F(CreateMorphObjectsTest, WithoutACompatibleFeatureObjectsAreMadeButNotBound) {
  AddSource("face");
  AddTarget("elem:smile-face");
  AddTarget("elem:angry-face");
  HostObject& body = AddDestination("body");
  tool.listingMode = 2;

  ASSERT_TRUE(tool.CreateMorphObjects(Handle(body)));  // no morph feature at all
  MorphFeature& feature = InstallMorphFeature();
  feature.versionAnswer = 2;
  ASSERT_TRUE(tool.CreateMorphObjects(Handle(body)));

  EXPECT_EQ(host.log.Count("MQ_SendMessage"), 4u);
  for (const host_imitation::HostCall& call : host.log.Of("MQ_SendMessage")) {
    EXPECT_EQ(call.Value("description"), "QueryAPIVersion");
  }
  EXPECT_TRUE(feature.Bindings().empty());
  EXPECT_EQ(CreatedNames(), (std::vector<std::string>{"elem:smile-body", "elem:angry-body"}));
}

}  // namespace
