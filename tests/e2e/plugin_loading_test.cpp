// The built plug-in library, loaded the way the host loads it.
#include <gtest/gtest.h>

#include <string>

#include "host_imitation/host_imitation.h"
#include "host_imitation/plugin_module.h"
#include "support/host_fixture.h"

namespace {

class PluginLoadingTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(plugin.Load(PALISOR_PLUGIN_PATH)) << plugin.error; }
  void TearDown() override { host.Reset(); }

  host_imitation::HostImitation& host = FreshHost();
  host_imitation::PluginModule plugin;
};

TEST_F(PluginLoadingTest, InitialisesAgainstTheHost) {
  EXPECT_TRUE(plugin.Initialise()) << plugin.error;
  EXPECT_EQ(plugin.MQCheckVersion(18177), 0u);
  EXPECT_EQ(plugin.MQCheckVersion(18178), 1138u);
}

TEST_F(PluginLoadingTest, IdentifiesItselfThroughItsExports) {
  ASSERT_TRUE(plugin.Initialise()) << plugin.error;
  uint32_t product = 0;
  uint32_t id = 0;
  plugin.MQGetPlugInID(&product, &id);
  EXPECT_EQ(product, 0x5A3C91E4u);
  EXPECT_EQ(id, 0x2B7D6F18u);
  EXPECT_STREQ(plugin.MQGetPlugInName(), "Palisor v.1.2");
  EXPECT_EQ(plugin.MQGetPlugInType(), 4);
  EXPECT_EQ(std::u16string(plugin.MQEnumStringW(0)), u"Palisor");
  EXPECT_EQ(plugin.MQEnumStringW(1), nullptr);
  EXPECT_EQ(plugin.MQEnumFileType(0), nullptr);
  EXPECT_EQ(plugin.MQEnumFileExt(0), nullptr);
}

TEST_F(PluginLoadingTest, AnotherMenuIndexRunsNothing) {
  ASSERT_TRUE(plugin.Initialise()) << plugin.error;
  host_imitation::HostDocument& document = host.NewDocument();
  host.AddObject(document, "a").intValues[MQOBJECT_ATTRIBUTE_SELECTED] = 1;
  host.AddObject(document, "b").intValues[MQOBJECT_ATTRIBUTE_SELECTED] = 1;
  host.log.enabled = true;
  EXPECT_EQ(plugin.MQModifyObject(1, document.handle()), 0);
  EXPECT_TRUE(host.log.calls.empty());
  EXPECT_EQ(document.SlotCount(), 2);
}

TEST_F(PluginLoadingTest, RefusesAHostItCannotLoad) {
  EXPECT_EQ(plugin.MQInit("/nonexistent/host-module"), 0);
}

TEST_F(PluginLoadingTest, DeclinesEveryHostEvent) {
  ASSERT_TRUE(plugin.Initialise()) << plugin.error;
  host_imitation::HostDocument& document = host.NewDocument();
  host.log.enabled = true;
  for (int32_t code : {1, 2, 3, 4, 7, 100, 101, 102, 103, 110, 120, 200, 260, 261, 262, 300, 301}) {
    EXPECT_EQ(plugin.MQOnEvent(document.handle(), code, nullptr), 0) << code;
  }
  EXPECT_TRUE(host.log.calls.empty());
}

}  // namespace
