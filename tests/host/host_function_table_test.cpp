#include "host/host_function_table.h"

#include <gtest/gtest.h>

#include "host/plugin_exports.h"
#include "host_imitation/plugin_module.h"

namespace {

std::size_t ResolvedCount() {
  std::size_t count = 0;
  for (std::size_t i = 0; i < mq::kHostFunctionCount; ++i) count += mq::IsHostFunctionResolved(i);
  return count;
}

TEST(HostFunctionTable, ListsTheHostFunctionsInResolutionOrder) {
  ASSERT_EQ(mq::kHostFunctionCount, 191u);
  EXPECT_STREQ(mq::HostFunctionName(0), "MQ_GetWindowHandle");
  EXPECT_STREQ(mq::HostFunctionName(12), "MQ_SendMessage");
  EXPECT_STREQ(mq::HostFunctionName(13), "MQDoc_GetObjectCount");
  EXPECT_STREQ(mq::HostFunctionName(68), "MQObj_Delete");
  EXPECT_STREQ(mq::HostFunctionName(187), "MQXmlDoc_Value");
  EXPECT_STREQ(mq::HostFunctionName(190), "MQSVGDraw_Value");
  EXPECT_EQ(mq::HostFunctionName(191), nullptr);
}

TEST(HostFunctionTable, InitResolvesEveryFunctionFromTheHost) {
  EXPECT_EQ(MQInit(host_imitation::HostModulePath().c_str()), 1);
  EXPECT_EQ(ResolvedCount(), 191u);
  EXPECT_NE(mq::hostFunctions.MQ_SendMessage, nullptr);
  EXPECT_NE(mq::hostFunctions.MQSVGDraw_Value, nullptr);
}

TEST(HostFunctionTable, HostLackingTheLastFunctionFillsTheOthers) {
  EXPECT_EQ(MQInit(HOST_WITHOUT_LAST_FUNCTION_PATH), 0);
  EXPECT_EQ(ResolvedCount(), 190u);
  for (std::size_t i = 0; i < 190; ++i) EXPECT_TRUE(mq::IsHostFunctionResolved(i)) << i;
  EXPECT_FALSE(mq::IsHostFunctionResolved(190));
}

TEST(HostFunctionTable, UnloadableModuleLeavesTheTableEmpty) {
  // A fresh process, so that the table starts as the host finds it at load.
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        const bool refused = MQInit("/nonexistent/host-module") == 0;
        std::exit(refused && ResolvedCount() == 0 ? 0 : 1);
      },
      ::testing::ExitedWithCode(0), "");
}

TEST(HostFunctionTable, UnloadableModuleLeavesAnEarlierTableAlone) {
  ASSERT_EQ(MQInit(host_imitation::HostModulePath().c_str()), 1);
  EXPECT_EQ(MQInit("/nonexistent/host-module"), 0);
  EXPECT_EQ(MQInit(nullptr), 0);
  EXPECT_EQ(ResolvedCount(), 191u);
}

TEST(VersionCheck, AcceptsHostsFrom18178On) {
  EXPECT_EQ(MQCheckVersion(0), 0u);
  EXPECT_EQ(MQCheckVersion(18177), 0u);
  EXPECT_EQ(MQCheckVersion(18178), 1138u);
  EXPECT_EQ(MQCheckVersion(0xFFFFFFFFu), 1138u);
}

}  // namespace
