// Station and command events: each code reaches its operation with the unpacked parameters and
// their defaults, and the event's result and the values written back are the ones the host reads.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "host/event_router.h"
#include "host/key_value.h"
#include "recording_plugins.h"

namespace {

using recording::Fake;
using recording::Join;
using recording::kDestinationObject;
using recording::kDocument;
using recording::kSourceObject;
using recording::ReceivedCall;
using recording::RecordingCommand;
using recording::RecordingStation;
using recording::WordsOf;

const MQScene kScene = Fake<MQScene>(0x5CE0);
const MQXmlElement kXml = Fake<MQXmlElement>(0x3E10);
const MQDocument kSourceDocument = Fake<MQDocument>(0xD0C1);
const MQWideChar kFilename[] = u"scene.mqo";

// The data the events' values point to.
const int32_t kIndex = 3;
const int32_t kState = 5;
const int32_t kSize = 77;
const int32_t kWidth = 640;
const int32_t kHeight = 480;
const int32_t kPastState = 4;
const int32_t kReason = 9;
const int32_t kKey = 0x41;
const int32_t kMouseX = -12;
const int32_t kMouseY = 34;
const int32_t kWheel = -120;
const float kPressure = 0.75f;
const uint32_t kSenderProduct = 0xABCD0001;
const uint32_t kSenderId = 0xABCD0002;
const char kDescription[] = "Ask";
int32_t messageData = 11;
int32_t objectTable = 1;
int32_t materialTable = 2;
// Bits 0, 3 and 5: left button, ctrl and alt.
const int32_t kButtons = 0b101001;
// The record those bits give, in field order: left, middle, right, shift, ctrl, alt.
const std::vector<uint64_t> kButtonWords = WordsOf(1, 0, 0, 0, 1, 1);

struct StationRow {
  std::string name;
  int32_t event;
  std::vector<MQKeyValuePair> pairs;
  ReceivedCall expected;
  // True when the event reports the operation's result, false when it reports true regardless.
  bool reportsOperationResult;
  // The option for the events whose option is not a key/value array.
  void* rawOption = nullptr;
};

std::vector<StationRow> StationRows() {
  using mq::Pair;
  const auto document = WordsOf(kDocument);
  std::vector<StationRow> rows = {
      {"initialize", 1, {}, {7, {}}, true},
      {"exit", 2, {}, {8, {}}, false},
      {"enumerate sub-command", 3, {Pair("index", &kIndex)}, {5, WordsOf(kIndex)}, false},
      {"sub-command string", 4, {Pair("index", &kIndex)}, {6, WordsOf(kIndex)}, false},
      {"sub-command index defaults to 0", 3, {}, {5, WordsOf(0)}, false},
      {"user update", 7, {}, {31, document}, false},
      {"activate", 100, {}, {9, WordsOf(kDocument, kState)}, true, const_cast<int32_t*>(&kState)},
      {"is activated", 101, {}, {10, document}, true},
      {"minimize", 102, {}, {13, WordsOf(kDocument, kState)}, false, const_cast<int32_t*>(&kState)},
      {"plug-in message",
       103,
       {Pair("src_product", &kSenderProduct), Pair("src_id", &kSenderId),
        Pair("description", kDescription), Pair("message", &messageData)},
       {14, WordsOf(kDocument, kSenderProduct, kSenderId, kDescription, &messageData)},
       false},
      {"plug-in message without sender",
       103,
       {},
       {14, WordsOf(kDocument, 0u, 0u, nullptr, nullptr)},
       false},
      {"sub-command", 104, {Pair("index", &kIndex)}, {11, WordsOf(kDocument, kIndex)}, true},
      {"is sub-command running", 105, {}, {12, document}, true},
      {"draw",
       110,
       {Pair("scene", kScene), Pair("width", &kWidth), Pair("height", &kHeight)},
       {15, WordsOf(kDocument, kScene, kWidth, kHeight)},
       false},
      {"draw without size",
       110,
       {Pair("scene", kScene)},
       {15, WordsOf(kDocument, kScene, 1, 1)},
       false},
      {"key down",
       140,
       {Pair("scene", kScene), Pair("key", &kKey), Pair("button_state", &kButtons),
        Pair("mouse_pos_x", &kMouseX), Pair("mouse_pos_y", &kMouseY), Pair("mouse_wheel", &kWheel),
        Pair("pressure", &kPressure)},
       {48, Join(Join(WordsOf(kDocument, kScene, kKey, 0, 0, 0), kButtonWords), WordsOf(0.0f))},
       true},
      {"key up",
       141,
       {Pair("scene", kScene), Pair("key", &kKey), Pair("button_state", &kButtons)},
       {49, Join(Join(WordsOf(kDocument, kScene, kKey, 0, 0, 0), kButtonWords), WordsOf(0.0f))},
       true},
      {"key up without parameters",
       141,
       {},
       {49, WordsOf(kDocument, nullptr, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0.0f)},
       true},
      {"new document",
       200,
       {Pair("xml_elem", kXml), Pair("filename", kFilename)},
       {16, WordsOf(kDocument, kFilename, kXml)},
       false},
      {"end document", 201, {}, {18, document}, false},
      {"save document",
       202,
       {Pair("xml_elem", kXml), Pair("filename", kFilename), Pair("past_state", &kPastState)},
       {19, WordsOf(kDocument, kFilename, kXml, 0, -1)},
       false},
      {"save past document",
       203,
       {Pair("xml_elem", kXml), Pair("past_state", &kPastState), Pair("filename", kFilename)},
       {20, WordsOf(kDocument, kFilename, kXml, 0, kPastState)},
       false},
      {"save past document without past state",
       203,
       {Pair("xml_elem", kXml), Pair("filename", kFilename)},
       {20, WordsOf(kDocument, kFilename, kXml, 0, -1)},
       false},
      {"merge document",
       204,
       {Pair("xml_elem", kXml), Pair("srcdoc", kSourceDocument), Pair("object_table", &objectTable),
        Pair("material_table", &materialTable), Pair("filename", kFilename)},
       {17, WordsOf(kDocument, kFilename, kXml, kSourceDocument, &objectTable, &materialTable)},
       false},
      {"undo", 210, {Pair("state", &kState)}, {21, WordsOf(kDocument, kState)}, true},
      {"redo", 211, {Pair("state", &kState)}, {22, WordsOf(kDocument, kState)}, true},
      {"redo without state", 211, {}, {22, WordsOf(kDocument, 0)}, true},
      {"update undo",
       212,
       {Pair("size", &kSize), Pair("state", &kState)},
       {23, WordsOf(kDocument, kState, kSize)},
       false},
      {"update object list", 220, {}, {26, document}, false},
      {"object modified", 221, {}, {24, document}, false},
      {"object selected", 222, {}, {25, document}, false},
      {"update material list", 230, {}, {28, document}, false},
      {"material modified", 231, {}, {27, document}, false},
      {"update scene", 240, {Pair("scene", kScene)}, {29, WordsOf(kDocument, kScene)}, false},
      {"edit option from the screen",
       250,
       {Pair("trigger", "screen")},
       {30, WordsOf(kDocument, 1)},
       false},
      {"edit option from the world",
       250,
       {Pair("trigger", "world")},
       {30, WordsOf(kDocument, 2)},
       false},
      {"edit option from local",
       250,
       {Pair("trigger", "local")},
       {30, WordsOf(kDocument, 3)},
       false},
      {"edit option from elsewhere",
       250,
       {Pair("trigger", "Screen")},
       {30, WordsOf(kDocument, 0)},
       false},
      {"edit option without trigger", 250, {}, {30, WordsOf(kDocument, 0)}, false},
      {"copy vertex data",
       260,
       {Pair("type", "vertex"), Pair("reason", &kReason), Pair("dstobj", kDestinationObject),
        Pair("srcobj", kSourceObject)},
       {32, WordsOf(kDocument, kDestinationObject, kSourceObject, 0, kReason)},
       false},
      {"copy apex data",
       260,
       {Pair("type", "apex"), Pair("dstobj", kDestinationObject), Pair("srcobj", kSourceObject)},
       {32, WordsOf(kDocument, kDestinationObject, kSourceObject, 1, 0)},
       false},
  };
  // The pointer events, in code order, each with the full record.
  const char* const pointerEvents[] = {
      "left button down",   "left button move", "left button up",    "middle button down",
      "middle button move", "middle button up", "right button down", "right button move",
      "right button up",    "mouse move",       "mouse wheel"};
  for (int32_t offset = 0; offset <= 10; ++offset) {
    rows.push_back({pointerEvents[offset],
                    120 + offset,
                    {Pair("scene", kScene), Pair("button_state", &kButtons),
                     Pair("mouse_pos_x", &kMouseX), Pair("mouse_pos_y", &kMouseY),
                     Pair("mouse_wheel", &kWheel), Pair("pressure", &kPressure)},
                    {37 + offset,
                     Join(Join(WordsOf(kDocument, kScene, kMouseX, kMouseY, kWheel), kButtonWords),
                          WordsOf(kPressure))},
                    true});
  }
  rows.push_back({"mouse move without parameters",
                  129,
                  {},
                  {46, WordsOf(kDocument, nullptr, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0.0f)},
                  true});
  return rows;
}

// The option of `row` as the host lays it out.
struct RowOption {
  explicit RowOption(const StationRow& row) : pairs(row.pairs), raw(row.rawOption) {
    pairs.push_back(mq::kEndOfPairs);
  }
  void* get() { return raw != nullptr ? raw : pairs.data(); }

  std::vector<MQKeyValuePair> pairs;
  void* raw;
};

TEST(StationEventTest, EveryEventReachesItsOperationWithItsParameters) {
  for (const StationRow& row : StationRows()) {
    for (const bool answer : {true, false}) {
      SCOPED_TRACE(row.name + (answer ? ", operation answers true" : ", operation answers false"));
      RecordingCommand plugin;
      plugin.answer = answer;
      RowOption option(row);
      const bool result = RouteHostEvent(&plugin, kDocument, row.event, option.get());
      ASSERT_EQ(plugin.calls.size(), 1u);
      EXPECT_EQ(plugin.calls[0], row.expected);
      EXPECT_EQ(result, row.reportsOperationResult ? answer : true);
    }
  }
}

TEST(StationEventTest, APlainStationHearsTheSameEventsAsACommand) {
  for (const StationRow& row : StationRows()) {
    if (row.expected.slot >= 37) continue;
    SCOPED_TRACE(row.name);
    RecordingStation plugin;
    RowOption option(row);
    EXPECT_TRUE(RouteHostEvent(&plugin, kDocument, row.event, option.get()));
    ASSERT_EQ(plugin.calls.size(), 1u);
    EXPECT_EQ(plugin.calls[0], row.expected);
  }
}

TEST(StationEventTest, PointerAndKeyEventsNeedACommandPlugin) {
  int32_t buttons = 1;
  const MQKeyValuePair pairs[] = {mq::Pair("button_state", &buttons), mq::kEndOfPairs};
  RecordingStation plugin;
  for (int32_t event = 120; event <= 141; ++event) {
    if (event > 130 && event < 140) continue;
    SCOPED_TRACE(event);
    EXPECT_FALSE(RouteHostEvent(&plugin, kDocument, event, const_cast<MQKeyValuePair*>(pairs)));
  }
  EXPECT_TRUE(plugin.calls.empty());
}

TEST(StationEventTest, EventsStationsDoNotHearAreDeclined) {
  const MQKeyValuePair pairs[] = {mq::kEndOfPairs};
  RecordingCommand plugin;
  for (const int32_t event : {0,   5,   6,   8,   99,  106, 111, 119, 131, 139, 142,
                              205, 213, 223, 232, 241, 251, 263, 300, 301, -1}) {
    SCOPED_TRACE(event);
    EXPECT_FALSE(RouteHostEvent(&plugin, kDocument, event, const_cast<MQKeyValuePair*>(pairs)));
  }
  EXPECT_TRUE(plugin.calls.empty());
}

TEST(StationEventTest, EachButtonStateBitLandsInItsOwnField) {
  // Bit of the host's button state -> position in the record after x, y and wheel.
  const struct {
    int bit;
    size_t field;
  } bits[] = {{0, 0}, {4, 1}, {1, 2}, {2, 3}, {3, 4}, {5, 5}, {6, 99}, {31, 99}};
  for (const auto& bit : bits) {
    SCOPED_TRACE(bit.bit);
    const int32_t buttons = static_cast<int32_t>(1u << bit.bit);
    const MQKeyValuePair pairs[] = {mq::Pair("button_state", &buttons), mq::kEndOfPairs};
    RecordingCommand plugin;
    RouteHostEvent(&plugin, kDocument, 120, const_cast<MQKeyValuePair*>(pairs));
    ASSERT_EQ(plugin.calls.size(), 1u);
    std::vector<uint64_t> expected = WordsOf(kDocument, nullptr, 0, 0, 0);
    for (size_t field = 0; field < 6; ++field) expected.push_back(field == bit.field ? 1 : 0);
    expected.push_back(0);  // pressure 0.0
    EXPECT_EQ(plugin.calls[0].arguments, expected);
  }
}

TEST(StationEventTest, SubCommandAnswersAreStoredThroughResult) {
  for (const int32_t event : {3, 4}) {
    SCOPED_TRACE(event);
    RecordingStation plugin;
    plugin.wordAnswer = 0x7F00AA55;
    int32_t result = -1;
    const MQKeyValuePair withResult[] = {mq::Pair("index", &kIndex), mq::Pair("result", &result),
                                         mq::kEndOfPairs};
    EXPECT_TRUE(RouteHostEvent(&plugin, kDocument, event, const_cast<MQKeyValuePair*>(withResult)));
    EXPECT_EQ(result, 0x7F00AA55);

    // Without a place for the answer the operation still runs and nothing is written.
    const MQKeyValuePair withoutResult[] = {mq::Pair("index", &kIndex), mq::kEndOfPairs};
    EXPECT_TRUE(
        RouteHostEvent(&plugin, kDocument, event, const_cast<MQKeyValuePair*>(withoutResult)));
    EXPECT_EQ(plugin.calls.size(), 2u);
  }
}

TEST(StationEventTest, APluginMessageAnswerIsStoredOnlyWhenAsked) {
  RecordingStation plugin;
  plugin.wordAnswer = -42;
  int32_t result = 0;
  const MQKeyValuePair withResult[] = {mq::Pair("description", kDescription),
                                       mq::Pair("result", &result), mq::kEndOfPairs};
  EXPECT_TRUE(RouteHostEvent(&plugin, kDocument, 103, const_cast<MQKeyValuePair*>(withResult)));
  EXPECT_EQ(result, -42);

  const MQKeyValuePair nullResult[] = {mq::Pair("description", kDescription),
                                       mq::Pair("result", nullptr), mq::kEndOfPairs};
  EXPECT_TRUE(RouteHostEvent(&plugin, kDocument, 103, const_cast<MQKeyValuePair*>(nullResult)));
  EXPECT_TRUE(RouteHostEvent(&plugin, kDocument, 103, nullptr));
  EXPECT_EQ(plugin.calls.size(), 3u);
}

TEST(StationEventTest, SavingReportsTheUniqueIdRequestThroughSaveUid) {
  for (const int32_t event : {202, 203}) {
    for (const int32_t flag : {0, 1, 0x100}) {
      SCOPED_TRACE(std::to_string(event) + " with save flag " + std::to_string(flag));
      RecordingStation plugin;
      plugin.saveFlagToSet = flag;
      int32_t saveUid = 7;
      const MQKeyValuePair pairs[] = {mq::Pair("filename", kFilename),
                                      mq::Pair("save_uid", &saveUid), mq::kEndOfPairs};
      EXPECT_TRUE(RouteHostEvent(&plugin, kDocument, event, const_cast<MQKeyValuePair*>(pairs)));
      EXPECT_EQ(saveUid, flag != 0 ? 1 : 7);

      // A set flag with nowhere to report it is harmless.
      const MQKeyValuePair withoutSlot[] = {mq::Pair("filename", kFilename), mq::kEndOfPairs};
      EXPECT_TRUE(
          RouteHostEvent(&plugin, kDocument, event, const_cast<MQKeyValuePair*>(withoutSlot)));
      EXPECT_EQ(plugin.calls.size(), 2u);
    }
  }
}

TEST(StationEventTest, AMissingOptionGivesEveryDefault) {
  RecordingCommand plugin;
  EXPECT_TRUE(RouteHostEvent(&plugin, kDocument, 110, nullptr));
  EXPECT_TRUE(RouteHostEvent(&plugin, kDocument, 203, nullptr));
  EXPECT_TRUE(RouteHostEvent(&plugin, kDocument, 260, nullptr));  // no type: nothing to copy
  ASSERT_EQ(plugin.calls.size(), 2u);
  EXPECT_EQ(plugin.calls[0], (ReceivedCall{15, WordsOf(kDocument, nullptr, 1, 1)}));
  EXPECT_EQ(plugin.calls[1], (ReceivedCall{20, WordsOf(kDocument, nullptr, nullptr, 0, -1)}));
}

TEST(StationEventTest, EventsThatPointToOneValueNeedTheValue) {
  // Activation and minimising read a single 32-bit value; without it nothing can be passed on.
  RecordingStation plugin;
  EXPECT_FALSE(RouteHostEvent(&plugin, kDocument, 100, nullptr));
  EXPECT_FALSE(RouteHostEvent(&plugin, kDocument, 102, nullptr));
  EXPECT_TRUE(plugin.calls.empty());
}

}  // namespace
