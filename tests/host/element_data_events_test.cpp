// Per-element data events: copying between objects, combining vertex and apex entries from the
// host's blocks, and the clipboard operations with the places they write back to.
#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

#include "host/event_router.h"
#include "host/key_value.h"
#include "recording_plugins.h"

namespace {

using recording::Fake;
using recording::kDestinationObject;
using recording::kDocument;
using recording::kSourceObject;
using recording::ReceivedCall;
using recording::RecordingStation;
using recording::Words;
using recording::WordsOf;

void* Text(const char* text) {
  return const_cast<char*>(text);
}

// --- Copy between objects -------------------------------------------------------------------

TEST(ElementDataEventTest, CopyResultTellsTheElementTypeWhenTheOperationCopied) {
  const struct {
    const char* type;
    bool answer;
    int32_t result;
  } cases[] = {{"vertex", true, 1}, {"vertex", false, 0}, {"apex", true, 2}, {"apex", false, 0}};
  for (const auto& row : cases) {
    SCOPED_TRACE(std::string(row.type) + (row.answer ? " copied" : " not copied"));
    RecordingStation plugin;
    plugin.answer = row.answer;
    int32_t result = -5;
    const MQKeyValuePair pairs[] = {
        mq::Pair("type", row.type), mq::Pair("dstobj", kDestinationObject),
        mq::Pair("srcobj", kSourceObject), mq::Pair("result", &result), mq::kEndOfPairs};
    EXPECT_TRUE(RouteHostEvent(&plugin, kDocument, 260, const_cast<MQKeyValuePair*>(pairs)));
    EXPECT_EQ(result, row.result);
    EXPECT_EQ(plugin.calls.size(), 1u);
  }
}

TEST(ElementDataEventTest, CopyOfAnotherElementTypeCallsNothing) {
  for (const char* type : {"face", "Vertex", "", static_cast<const char*>(nullptr)}) {
    SCOPED_TRACE(type != nullptr ? type : "no type");
    RecordingStation plugin;
    int32_t result = -5;
    const MQKeyValuePair pairs[] = {mq::Pair("type", type), mq::Pair("result", &result),
                                    mq::kEndOfPairs};
    EXPECT_TRUE(RouteHostEvent(&plugin, kDocument, 260, const_cast<MQKeyValuePair*>(pairs)));
    EXPECT_EQ(result, -5);
    EXPECT_TRUE(plugin.calls.empty());
  }
}

TEST(ElementDataEventTest, CopyWithoutResultStillCopies) {
  RecordingStation plugin;
  const MQKeyValuePair pairs[] = {mq::Pair("type", "apex"), mq::Pair("result", nullptr),
                                  mq::kEndOfPairs};
  EXPECT_TRUE(RouteHostEvent(&plugin, kDocument, 260, const_cast<MQKeyValuePair*>(pairs)));
  EXPECT_EQ(plugin.calls.size(), 1u);
}

// --- Combining entries ----------------------------------------------------------------------

constexpr uint32_t kFirst = 0xA1A1A1A1;
constexpr uint32_t kUnread = 0xDEADBEEF;
constexpr uint32_t kSecond = 0xB2B2B2B2;
constexpr uint32_t kThird = 0xC3C3C3C3;

// Entry `entry`'s word `word`, distinct for every position in a block.
uint32_t EntryWord(int32_t entry, int word) {
  return 0xE0000000u + static_cast<uint32_t>(entry) * 0x100u + static_cast<uint32_t>(word);
}

// A block as the host lays it out: `header` words, then `count` entries of `entryWords` words.
std::vector<uint32_t> Block(std::vector<uint32_t> header, int32_t count, int entryWords) {
  for (int32_t entry = 0; entry < count; ++entry) {
    for (int word = 0; word < entryWords; ++word) header.push_back(EntryWord(entry, word));
  }
  return header;
}

std::vector<uint32_t> VertexBlock(int32_t count, int32_t entriesPresent) {
  return Block({kFirst, kUnread, kSecond, static_cast<uint32_t>(count)}, entriesPresent, 4);
}

std::vector<uint32_t> ApexBlock(int32_t count, int32_t entriesPresent) {
  return Block({kFirst, kUnread, kSecond, kThird, static_cast<uint32_t>(count)}, entriesPresent, 5);
}

bool Combine(RecordingStation& plugin, const char* type, std::vector<uint32_t>& block) {
  void* option[] = {Text(type), block.data()};
  return RouteHostEvent(&plugin, kDocument, 261, option);
}

TEST(ElementDataEventTest, VertexEntriesHandOnTheirFirstThirdAndFourthWords) {
  for (const int32_t count : {0, 1, 4, 5, 9}) {
    SCOPED_TRACE(count);
    std::vector<uint32_t> block = VertexBlock(count, count);
    Words expected = WordsOf(kDocument, kFirst, kSecond, count);
    for (int32_t entry = 0; entry < count; ++entry) {
      for (int word : {0, 2, 3}) expected.push_back(EntryWord(entry, word));
    }
    RecordingStation plugin;
    plugin.answer = false;  // the event reports true whatever the operation says
    EXPECT_TRUE(Combine(plugin, "vertex", block));
    ASSERT_EQ(plugin.calls.size(), 1u);
    EXPECT_EQ(plugin.calls[0], (ReceivedCall{33, expected}));
  }
}

TEST(ElementDataEventTest, ApexEntriesHandOnAllButTheirSecondWord) {
  for (const int32_t count : {0, 1, 4, 5, 9}) {
    SCOPED_TRACE(count);
    std::vector<uint32_t> block = ApexBlock(count, count);
    Words expected = WordsOf(kDocument, kFirst, kSecond, kThird, count);
    for (int32_t entry = 0; entry < count; ++entry) {
      for (int word : {0, 2, 3, 4}) expected.push_back(EntryWord(entry, word));
    }
    RecordingStation plugin;
    plugin.answer = false;
    EXPECT_TRUE(Combine(plugin, "apex", block));
    ASSERT_EQ(plugin.calls.size(), 1u);
    EXPECT_EQ(plugin.calls[0], (ReceivedCall{34, expected}));
  }
}

TEST(ElementDataEventTest, ACountNoArrayCanHoldCallsNothing) {
  // The blocks hold no entries at all: reading any would be caught by the sanitizers.
  const struct {
    const char* type;
    int32_t count;
  } cases[] = {
      {"vertex", INT32_MAX}, {"vertex", 0x40000000}, {"vertex", INT32_MAX / 12 + 1}, {"vertex", -1},
      {"vertex", INT32_MIN}, {"apex", INT32_MAX},    {"apex", INT32_MAX / 16 + 1},   {"apex", -4}};
  for (const auto& row : cases) {
    SCOPED_TRACE(std::string(row.type) + " " + std::to_string(row.count));
    std::vector<uint32_t> block =
        std::string(row.type) == "vertex" ? VertexBlock(row.count, 0) : ApexBlock(row.count, 0);
    RecordingStation plugin;
    EXPECT_FALSE(Combine(plugin, row.type, block));
    EXPECT_TRUE(plugin.calls.empty());
  }
}

TEST(ElementDataEventTest, CombiningWithoutABlockCallsNothing) {
  RecordingStation plugin;
  for (const char* type : {"vertex", "apex"}) {
    void* option[] = {Text(type), nullptr};
    EXPECT_FALSE(RouteHostEvent(&plugin, kDocument, 261, option));
  }
  EXPECT_FALSE(RouteHostEvent(&plugin, kDocument, 261, nullptr));
  EXPECT_TRUE(plugin.calls.empty());
}

TEST(ElementDataEventTest, CombiningAnotherElementTypeCallsNothing) {
  RecordingStation plugin;
  std::vector<uint32_t> block = VertexBlock(1, 1);
  for (const char* type : {"face", "VERTEX", static_cast<const char*>(nullptr)}) {
    void* option[] = {Text(type), block.data()};
    EXPECT_TRUE(RouteHostEvent(&plugin, kDocument, 261, option));
  }
  EXPECT_TRUE(plugin.calls.empty());
}

// --- Clipboard ------------------------------------------------------------------------------

TEST(ElementDataEventTest, QueryWritesTheAnswerAsOneByte) {
  int32_t numVert = 10;
  int32_t numLine = 20;
  int32_t numFace = 30;
  for (const bool answer : {true, false}) {
    SCOPED_TRACE(answer);
    RecordingStation plugin;
    plugin.answer = answer;
    unsigned char bytes[3] = {0xAB, 0xAB, 0xAB};
    void* option[] = {Text("query"), &bytes[1],       Text("numvert"), &numVert, Text("numline"),
                      &numLine,      Text("numface"), &numFace,        nullptr,  nullptr};
    EXPECT_TRUE(RouteHostEvent(&plugin, kDocument, 262, option));
    EXPECT_EQ(bytes[0], 0xAB);
    EXPECT_EQ(bytes[1], answer ? 1 : 0);
    EXPECT_EQ(bytes[2], 0xAB);
    ASSERT_EQ(plugin.calls.size(), 1u);
    EXPECT_EQ(plugin.calls[0], (ReceivedCall{35, WordsOf(kDocument, nullptr, 0, numVert, numLine,
                                                         numFace, nullptr, 0, nullptr, nullptr)}));
  }
}

TEST(ElementDataEventTest, QueryWithoutAnswerSlotStillAsks) {
  RecordingStation plugin;
  void* option[] = {Text("query"), nullptr, nullptr, nullptr};
  EXPECT_TRUE(RouteHostEvent(&plugin, kDocument, 262, option));
  ASSERT_EQ(plugin.calls.size(), 1u);
  EXPECT_EQ(
      plugin.calls[0],
      (ReceivedCall{35, WordsOf(kDocument, nullptr, 0, 0, 0, 0, nullptr, 0, nullptr, nullptr)}));
}

TEST(ElementDataEventTest, CopyAndCutHandBackDataAndSizeOnlyWhenDone) {
  int32_t vertexIds[2] = {4, 5};
  int32_t faceIds[1] = {6};
  int32_t payload = 99;
  for (const char* operation : {"copy", "cut"}) {
    for (const bool answer : {true, false}) {
      SCOPED_TRACE(std::string(operation) + (answer ? " done" : " refused"));
      RecordingStation plugin;
      plugin.answer = answer;
      plugin.clipboardDataToSet = &payload;
      plugin.clipboardSizeToSet = 24;
      void* data = Text("untouched");
      int32_t size = -1;
      void* option[] = {
          Text(operation), &data,     Text("size"),   &size,   Text("object"), kDestinationObject,
          Text("vertid"),  vertexIds, Text("faceid"), faceIds, nullptr,        nullptr};
      EXPECT_TRUE(RouteHostEvent(&plugin, kDocument, 262, option));
      ASSERT_EQ(plugin.calls.size(), 1u);
      EXPECT_EQ(plugin.calls[0], (ReceivedCall{35, WordsOf(kDocument, kDestinationObject, 1, 0, 0,
                                                           0, nullptr, 0, vertexIds, faceIds)}));
      if (answer) {
        EXPECT_EQ(data, &payload);
        EXPECT_EQ(size, 24);
      } else {
        EXPECT_STREQ(static_cast<const char*>(data), "untouched");
        EXPECT_EQ(size, -1);
      }
    }
  }
}

TEST(ElementDataEventTest, CopyWithNowhereToHandBackIsHarmless) {
  RecordingStation plugin;
  int32_t payload = 99;
  plugin.clipboardDataToSet = &payload;
  plugin.clipboardSizeToSet = 24;
  void* withoutSize[] = {Text("copy"), nullptr, nullptr, nullptr};
  EXPECT_TRUE(RouteHostEvent(&plugin, kDocument, 262, withoutSize));
  void* nullSize[] = {Text("cut"), nullptr, Text("size"), nullptr, nullptr, nullptr};
  EXPECT_TRUE(RouteHostEvent(&plugin, kDocument, 262, nullSize));
  EXPECT_EQ(plugin.calls.size(), 2u);
}

TEST(ElementDataEventTest, PasteHandsTheDataAndItsSizeToTheOperation) {
  int32_t payload = 99;
  const int32_t size = 24;
  for (const bool answer : {true, false}) {
    RecordingStation plugin;
    plugin.answer = answer;
    void* option[] = {Text("paste"),  &payload,      Text("size"), const_cast<int32_t*>(&size),
                      Text("object"), kSourceObject, nullptr,      nullptr};
    EXPECT_TRUE(RouteHostEvent(&plugin, kDocument, 262, option));
    ASSERT_EQ(plugin.calls.size(), 1u);
    EXPECT_EQ(plugin.calls[0], (ReceivedCall{35, WordsOf(kDocument, kSourceObject, 2, 0, 0, 0,
                                                         &payload, size, nullptr, nullptr)}));
  }
}

TEST(ElementDataEventTest, AnotherClipboardOperationIsDeclined) {
  RecordingStation plugin;
  unsigned char answer = 0xAB;
  for (const char* operation : {"move", "Copy", "query ", "", static_cast<const char*>(nullptr)}) {
    SCOPED_TRACE(operation != nullptr ? operation : "no operation");
    void* option[] = {Text(operation), &answer, nullptr, nullptr};
    EXPECT_FALSE(RouteHostEvent(&plugin, kDocument, 262, option));
  }
  EXPECT_FALSE(RouteHostEvent(&plugin, kDocument, 262, nullptr));
  EXPECT_EQ(answer, 0xAB);
  EXPECT_TRUE(plugin.calls.empty());
}

}  // namespace
