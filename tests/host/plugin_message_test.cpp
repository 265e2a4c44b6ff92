#include "host/plugin_message.h"

#include <gtest/gtest.h>

#include <stdexcept>

#include "host/guarded_call.h"
#include "support/host_fixture.h"

namespace {

using PluginMessageTest = HostFixture;

TEST_F(PluginMessageTest, AMessageNobodyAnswersGivesZero) {
  int32_t data = 3;
  EXPECT_EQ(mq::SendPluginMessage(documentHandle(), 0x11, 0x22, "Anything", &data), 0);
  host.RegisterPeer(0x11, 0x22, [](const host_imitation::UserMessage&) {
    return std::optional<int32_t>();  // receives, stores nothing
  });
  EXPECT_EQ(mq::SendPluginMessage(documentHandle(), 0x11, 0x22, "Anything", &data), 0);
}

TEST_F(PluginMessageTest, CarriesTheSendersIdentityAndTheRequest) {
  int32_t data = 3;
  host_imitation::UserMessage received;
  host.RegisterPeer(0x11, 0x22, [&](const host_imitation::UserMessage& message) {
    received = message;
    return std::optional<int32_t>(42);
  });
  EXPECT_EQ(mq::SendPluginMessage(documentHandle(), 0x11, 0x22, "Ask", &data), 42);
  EXPECT_EQ(received.senderProduct, 0x5A3C91E4u);
  EXPECT_EQ(received.senderId, 0x2B7D6F18u);
  EXPECT_EQ(received.description, "Ask");
  EXPECT_EQ(received.message, &data);
  EXPECT_EQ(received.document, documentHandle());

  ASSERT_EQ(host.log.Count("MQ_SendMessage"), 1u);
  const host_imitation::HostCall call = host.log.Of("MQ_SendMessage")[0];
  EXPECT_EQ(call.arguments[0], "101");
  EXPECT_EQ(call.Keys(), (std::vector<std::string>{"document", "target_product", "target_id",
                                                   "description", "message", "result"}));
  EXPECT_EQ(call.Value("target_product"), "0x00000011");
  EXPECT_EQ(call.Value("result"), "0");
}

TEST_F(PluginMessageTest, AsksTheHostForItsTexts) {
  EXPECT_EQ(mq::RequestHostText("Error"), u"エラー");
  host.SetText("Error", u"Fehler");
  EXPECT_EQ(mq::RequestHostText("Error"), u"Fehler");
  const host_imitation::HostCall call = host.log.Of("MQ_SendMessage").back();
  EXPECT_EQ(call.arguments[0], "506");
  EXPECT_EQ(call.Keys(), (std::vector<std::string>{"id", "result", "result_size"}));
  EXPECT_EQ(call.Value("id"), "Error");
  EXPECT_EQ(call.Value("result_size"), "4096");
}

TEST_F(PluginMessageTest, AMissingTextIsEmpty) {
  host.RemoveText("Error");
  EXPECT_EQ(mq::RequestHostText("Error"), u"");
}

TEST(GuardedCall, TurnsExceptionsIntoTheFailureValue) {
  EXPECT_EQ(mq::GuardedCall<int32_t>(0, []() -> int32_t { throw std::bad_alloc(); }), 0);
  EXPECT_EQ(mq::GuardedCall<int32_t>(0, []() -> int32_t { throw std::length_error("vector"); }), 0);
  EXPECT_EQ(mq::GuardedCall<const char*>(nullptr, []() -> const char* { throw 7; }), nullptr);
  EXPECT_EQ(mq::GuardedCall<int32_t>(0, [] { return 1; }), 1);
}

}  // namespace
