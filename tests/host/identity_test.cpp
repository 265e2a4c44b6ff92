#include <gtest/gtest.h>

#include <string>

#include "host/plugin_exports.h"
#include "host_imitation/plugin_module.h"
#include "support/host_fixture.h"
#include "tool/palisor.h"

namespace {

using IdentityTest = HostFixture;

TEST_F(IdentityTest, NamesItselfToTheHost) {
  uint32_t product = 0;
  uint32_t id = 0;
  MQGetPlugInID(&product, &id);
  EXPECT_EQ(product, 0x5A3C91E4u);
  EXPECT_EQ(id, 0x2B7D6F18u);
  EXPECT_STREQ(MQGetPlugInName(), "Palisor v.1.2");
  EXPECT_EQ(MQGetPlugInType(), 4);
}

TEST_F(IdentityTest, OffersOneObjectMenuEntry) {
  ASSERT_NE(MQEnumStringW(0), nullptr);
  EXPECT_EQ(std::u16string(MQEnumStringW(0)), u"Palisor");
  EXPECT_EQ(MQEnumStringW(1), nullptr);
  EXPECT_EQ(MQEnumStringW(-1), nullptr);
}

TEST_F(IdentityTest, IsNoFilePlugin) {
  for (int32_t index : {0, 1, 2, -1}) {
    EXPECT_EQ(MQEnumFileType(index), nullptr);
    EXPECT_EQ(MQEnumFileExt(index), nullptr);
    EXPECT_EQ(MQImportFileW(index, u"scene.mqo", documentHandle()), 0);
    EXPECT_EQ(MQExportFileW(index, u"scene.mqo", documentHandle()), 0);
  }
  EXPECT_TRUE(host.log.calls.empty());
}

TEST_F(IdentityTest, EveryExportReachesTheOneInstance) {
  MQBasePlugin* first = GetPluginInstance();
  EXPECT_EQ(GetPluginInstance(), first);
  auto* tool = dynamic_cast<Palisor*>(first);
  ASSERT_NE(tool, nullptr);
  // An export's effect shows on the very instance.
  tool->document = nullptr;
  host.AddObject(document, "lonely");
  MQCreate(0, documentHandle());
  EXPECT_EQ(tool->document, documentHandle());
}

TEST_F(IdentityTest, ExecuteOfAnotherEntryChangesNothing) {
  auto* tool = dynamic_cast<Palisor*>(GetPluginInstance());
  auto* before = reinterpret_cast<MQDocument>(&host);
  tool->document = before;
  EXPECT_EQ(MQModifyObject(1, documentHandle()), 0);
  EXPECT_EQ(MQCreate(-1, documentHandle()), 0);
  EXPECT_EQ(MQModifySelect(7, documentHandle()), 0);
  EXPECT_EQ(tool->document, before);
  EXPECT_TRUE(host.log.calls.empty());
  tool->document = nullptr;
}

TEST_F(IdentityTest, ReturnsBooleansAsZeroOrOne) {
  // The host reads a 32-bit integer; anything but 0 and 1 would be a fault.
  const MQBool refused = MQModifyObject(1, documentHandle());
  EXPECT_EQ(refused, 0);
  const MQBool initialised = MQInit(host_imitation::HostModulePath().c_str());
  EXPECT_EQ(initialised, 1);
}

}  // namespace
