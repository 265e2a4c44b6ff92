#include "host_imitation/morph_feature.h"

#include <gtest/gtest.h>

#include "morph_fixture.h"

namespace {

using host_imitation::InstallMorphFeature;
using host_imitation::MorphFeature;
using host_imitation::RemoveMorphFeature;

using MorphFeatureTest = MorphFixture;

TEST_F(MorphFeatureTest, AsksForTheVersionItSpeaks) {
  MorphFeature& feature = InstallMorphFeature();
  EXPECT_TRUE(tool.QueryMorphFeature());

  ASSERT_EQ(feature.Requests().size(), 1u);
  EXPECT_EQ(feature.Requests()[0].description, "QueryAPIVersion");
  EXPECT_EQ(feature.Requests()[0].keys, std::vector<std::string>{"version"});
  EXPECT_EQ(feature.Requests()[0].version, 0x4700);

  const host_imitation::HostCall call = host.log.Of("MQ_SendMessage").at(0);
  EXPECT_EQ(call.arguments[0], "101");
  EXPECT_EQ(call.Value("target_product"), "0x56A31D20");
  EXPECT_EQ(call.Value("target_id"), "0xC452C6DB");
  EXPECT_EQ(call.Value("description"), "QueryAPIVersion");
}

TEST_F(MorphFeatureTest, OnlyTheAnswerOneCountsAsAMorphFeature) {
  EXPECT_FALSE(tool.QueryMorphFeature()) << "nobody answers";
  MorphFeature& feature = InstallMorphFeature();
  for (int32_t answer : {0, 2, -1, 0x4700}) {
    feature.versionAnswer = answer;
    EXPECT_FALSE(tool.QueryMorphFeature()) << answer;
  }
  feature.versionAnswer.reset();
  EXPECT_FALSE(tool.QueryMorphFeature()) << "an answer left unstored";
  feature.versionAnswer = 1;
  EXPECT_TRUE(tool.QueryMorphFeature());
}

TEST_F(MorphFeatureTest, ListsTheTargetsInTheOrderTheFeatureWritesThem) {
  host_imitation::HostObject& base = host.AddObject(document, "base");
  host_imitation::HostObject& first = host.AddObject(document, "first");
  host_imitation::HostObject& second = host.AddObject(document, "second");
  MorphFeature& feature = InstallMorphFeature();
  feature.Bind(base.handle(), second.handle());
  feature.Bind(base.handle(), first.handle());
  feature.Bind(first.handle(), second.handle());  // another base's

  EXPECT_EQ(tool.GetMorphTargets(base.handle()),
            (std::vector<MQObject>{second.handle(), first.handle()}));

  ASSERT_EQ(feature.Requests().size(), 2u);
  for (const host_imitation::MorphFeatureRequest& request : feature.Requests()) {
    EXPECT_EQ(request.description, "GetTargetObject");
    EXPECT_EQ(request.keys, (std::vector<std::string>{"base", "target"}));
    EXPECT_EQ(request.base, static_cast<void*>(base.handle()));
  }
  EXPECT_EQ(feature.Requests()[0].target, nullptr) << "the first request only counts";
  EXPECT_NE(feature.Requests()[1].target, nullptr) << "the second hands over the array";
}

TEST_F(MorphFeatureTest, ACountBelowOneSendsNoSecondRequest) {
  host_imitation::HostObject& base = host.AddObject(document, "base");
  MorphFeature& feature = InstallMorphFeature();
  for (int32_t count : {0, -1, -2147483647 - 1}) {
    feature.reportedCount = count;
    EXPECT_TRUE(tool.GetMorphTargets(base.handle()).empty()) << count;
  }
  EXPECT_EQ(feature.Requests().size(), 3u);

  RemoveMorphFeature();
  EXPECT_TRUE(tool.GetMorphTargets(base.handle()).empty());
  EXPECT_EQ(host.log.Count("MQ_SendMessage"), 4u);
}

TEST_F(MorphFeatureTest, EntriesTheFeatureLeavesUnfilledStayNull) {
  host_imitation::HostObject& base = host.AddObject(document, "base");
  host_imitation::HostObject& target = host.AddObject(document, "target");
  MorphFeature& feature = InstallMorphFeature();
  feature.Bind(base.handle(), target.handle());
  feature.reportedCount = 3;
  EXPECT_EQ(tool.GetMorphTargets(base.handle()),
            (std::vector<MQObject>{target.handle(), nullptr, nullptr}));
}

TEST_F(MorphFeatureTest, HandsBackWhatWasBoundNullAndForeignHandlesIncluded) {
  host_imitation::HostObject& base = host.AddObject(document, "base");
  host_imitation::HostObject& loose = host.NewObject("in no document");
  MorphFeature& feature = InstallMorphFeature();
  feature.Bind(base.handle(), nullptr);
  feature.Bind(base.handle(), loose.handle());
  EXPECT_EQ(tool.GetMorphTargets(base.handle()), (std::vector<MQObject>{nullptr, loose.handle()}));
}

TEST_F(MorphFeatureTest, BindsATargetToItsBase) {
  host_imitation::HostObject& base = host.AddObject(document, "base");
  host_imitation::HostObject& target = host.AddObject(document, "target");
  MorphFeature& feature = InstallMorphFeature();
  tool.BindMorphTarget(base.handle(), target.handle());

  ASSERT_EQ(feature.Requests().size(), 1u);
  EXPECT_EQ(feature.Requests()[0].description, "BindTargetObject");
  EXPECT_EQ(feature.Requests()[0].keys, (std::vector<std::string>{"base", "target"}));
  EXPECT_EQ(feature.RequestedBindings(),
            (std::vector<std::pair<MQObject, MQObject>>{{base.handle(), target.handle()}}));
  EXPECT_EQ(feature.Targets(base.handle()), std::vector<MQObject>{target.handle()});
}

TEST_F(MorphFeatureTest, PresetBindingsAreNotReportedAsRequested) {
  host_imitation::HostObject& base = host.AddObject(document, "base");
  host_imitation::HostObject& preset = host.AddObject(document, "preset");
  host_imitation::HostObject& bound = host.AddObject(document, "bound");
  MorphFeature& feature = InstallMorphFeature();
  feature.Bind(base.handle(), preset.handle());
  tool.BindMorphTarget(base.handle(), bound.handle());
  EXPECT_EQ(feature.Bindings().size(), 2u);
  EXPECT_EQ(feature.RequestedBindings(),
            (std::vector<std::pair<MQObject, MQObject>>{{base.handle(), bound.handle()}}));
}

}  // namespace
