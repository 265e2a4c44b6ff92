// The interface shared with the host as a C translation unit sees it: the same record layouts and
// host functions as the plug-in's C++, and a host function written in C that the plug-in calls.
#include <gtest/gtest.h>

#include <cstddef>
#include <string>

#include "c_interface_probe.h"
#include "host/host_function_table.h"
#include "host/key_value.h"
#include "widgets/widget_value.h"

namespace {

TEST(CInterface, CLaysOutTheSharedRecordsAsCppDoes) {
  const CInterfaceLayout c = ReadCInterfaceLayout();
  EXPECT_EQ(c.boolSize, sizeof(MQBool));
  EXPECT_EQ(c.wideCharSize, sizeof(MQWideChar));
  EXPECT_EQ(c.pointSize, sizeof(MQPoint));
  EXPECT_EQ(c.pointY, offsetof(MQPoint, y));
  EXPECT_EQ(c.pointZ, offsetof(MQPoint, z));
  EXPECT_EQ(c.pairSize, sizeof(MQKeyValuePair));
  EXPECT_EQ(c.pairValue, offsetof(MQKeyValuePair, value));
  EXPECT_EQ(c.messageInfoSize, sizeof(MQSendMessageInfo));
  EXPECT_EQ(c.messageInfoReserved, offsetof(MQSendMessageInfo, reserved));
  EXPECT_EQ(c.messageInfoOption, offsetof(MQSendMessageInfo, option));
  EXPECT_EQ(c.hostFunctionCount, mq::kHostFunctionCount);
  EXPECT_EQ(std::string(c.firstHostFunction), mq::HostFunctionName(0));
  EXPECT_EQ(std::string(c.lastHostFunction), mq::HostFunctionName(mq::kHostFunctionCount - 1));
}

TEST(CInterface, ThePluginCallsAWidgetServiceWrittenInCWithTheProtocolsCodes) {
  const MQWidget_Value_Function saved = mq::hostFunctions.MQWidget_Value;
  mq::hostFunctions.MQWidget_Value = CWidgetValueFunction();
  const struct {
    WidgetOp operation;
    int32_t code;
  } operations[] = {{WidgetOp::Show, 1},         {WidgetOp::GetSystem, 0x100},
                    {WidgetOp::Create, 0x101},   {WidgetOp::Delete, 0x102},
                    {WidgetOp::AddChild, 0x201}, {WidgetOp::AddChildWindow, 0x203},
                    {WidgetOp::Get, 0x301},      {WidgetOp::Set, 0x302},
                    {WidgetOp::Call, 0x303},     {WidgetOp::AddEvent, 0x304}};
  for (const auto& entry : operations) {
    int32_t result = -1;
    MQKeyValuePair values[] = {mq::Pair("type", "modal"), mq::Pair("result", &result),
                               mq::kEndOfPairs};
    SendWidgetRequest(7, entry.operation, values);
    EXPECT_EQ(CLastWidget(), 7);
    EXPECT_EQ(CLastOperation(), entry.code);
    EXPECT_STREQ(CLastFirstKey(), "type");
    EXPECT_EQ(result, 42);
  }
  EXPECT_EQ(QueryMainWindowId(), 42);
  EXPECT_EQ(CLastOperation(), 0x100);
  mq::hostFunctions.MQWidget_Value = saved;
}

}  // namespace
