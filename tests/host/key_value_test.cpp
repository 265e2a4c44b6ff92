#include "host/key_value.h"

#include <gtest/gtest.h>

namespace {

TEST(FindValue, TakesTheFirstPairOfAName) {
  int32_t first = 1;
  int32_t second = 2;
  MQKeyValuePair pairs[] = {mq::Pair("index", &first), mq::Pair("index", &second), mq::kEndOfPairs};
  EXPECT_EQ(mq::FindValue(pairs, "index"), &first);
  EXPECT_EQ(mq::FindInt(pairs, "index", -1), 1);
}

TEST(FindValue, ComparesNamesExactly) {
  int32_t value = 5;
  MQKeyValuePair pairs[] = {mq::Pair("result", &value), mq::kEndOfPairs};
  EXPECT_EQ(mq::FindValue(pairs, "Result"), nullptr);
  EXPECT_EQ(mq::FindValue(pairs, "resul"), nullptr);
  EXPECT_EQ(mq::FindValue(pairs, "result_size"), nullptr);
  EXPECT_EQ(mq::FindValue(pairs, "result"), &value);
}

TEST(FindValue, AbsentNamesAndNullArraysGiveNull) {
  MQKeyValuePair empty[] = {mq::kEndOfPairs};
  EXPECT_EQ(mq::FindValue(empty, "type"), nullptr);
  EXPECT_EQ(mq::FindValue(nullptr, "type"), nullptr);
  EXPECT_EQ(mq::FindInt(nullptr, "width", 1), 1);
}

TEST(FindValue, StopsAtTheEndOfTheArray) {
  int32_t hidden = 9;
  MQKeyValuePair pairs[] = {mq::kEndOfPairs, mq::Pair("hidden", &hidden), mq::kEndOfPairs};
  EXPECT_EQ(mq::FindValue(pairs, "hidden"), nullptr);
}

TEST(FindValue, ReturnsAValueThatIsTheDatumItself) {
  int marker = 0;
  MQKeyValuePair pairs[] = {mq::Pair("document", &marker), mq::Pair("type", "modal"),
                            mq::kEndOfPairs};
  EXPECT_EQ(mq::FindValue(pairs, "document"), &marker);
  EXPECT_STREQ(static_cast<const char*>(mq::FindValue(pairs, "type")), "modal");
}

}  // namespace
