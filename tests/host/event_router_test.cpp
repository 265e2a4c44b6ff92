// Which plug-ins hear which host events: import plug-ins hear the import events only, the tool
// (an object-menu plug-in) hears none, and the framework classes keep their operations in the
// virtual table slots the router relies on.
#include "host/event_router.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>
#include <string>
#include <vector>

#include "host/key_value.h"
#include "host/plugin_exports.h"
#include "recording_plugins.h"
#include "support/host_fixture.h"
#include "tool/palisor.h"

namespace {

using recording::ReceivedCall;
using recording::RecordingCommand;
using recording::RecordingImport;
using recording::RecordingStation;
using recording::WordsOf;

// Every event code the router knows, and a few it does not.
std::vector<int32_t> AllEventCodes() {
  std::vector<int32_t> codes = {1,   2,   3,   4,   7,   100, 101, 102, 103, 104,
                                105, 110, 140, 141, 200, 201, 202, 203, 204, 210,
                                211, 212, 220, 221, 222, 230, 231, 240, 250, 260,
                                261, 262, 300, 301, 0,   5,   6,   99,  999, -1};
  for (int32_t code = 120; code <= 130; ++code) codes.push_back(code);
  return codes;
}

// --- Import plug-ins ------------------------------------------------------------------------

TEST(ImportEventTest, BackgroundQueryAnswersWithTheOperation) {
  for (const bool answer : {true, false}) {
    RecordingImport plugin;
    plugin.answer = answer;
    int32_t background = 1;
    const MQKeyValuePair pairs[] = {mq::Pair("background", &background), mq::kEndOfPairs};
    EXPECT_EQ(RouteHostEvent(&plugin, nullptr, 300, const_cast<MQKeyValuePair*>(pairs)), answer);
    ASSERT_EQ(plugin.calls.size(), 1u);
    EXPECT_EQ(plugin.calls[0], (ReceivedCall{7, {}}));
    EXPECT_EQ(plugin.background, 0);  // only the arguments event sets the fields
  }
}

TEST(ImportEventTest, ArgumentsEventFillsTheTwoFields) {
  RecordingImport plugin;
  int32_t background = 1;
  int32_t arguments[4] = {};
  const MQKeyValuePair pairs[] = {mq::Pair("background", &background), mq::Pair("args", arguments),
                                  mq::kEndOfPairs};
  EXPECT_TRUE(RouteHostEvent(&plugin, nullptr, 301, const_cast<MQKeyValuePair*>(pairs)));
  EXPECT_EQ(plugin.background, 1);
  EXPECT_EQ(plugin.arguments, arguments);
  EXPECT_TRUE(plugin.calls.empty());

  // Absent keys reset both fields to their defaults.
  EXPECT_TRUE(RouteHostEvent(&plugin, nullptr, 301, nullptr));
  EXPECT_EQ(plugin.background, 0);
  EXPECT_EQ(plugin.arguments, nullptr);
}

TEST(ImportEventTest, StationEventsAreDeclined) {
  RecordingImport plugin;
  int32_t result = -1;
  const MQKeyValuePair pairs[] = {mq::Pair("result", &result), mq::kEndOfPairs};
  for (const int32_t event : AllEventCodes()) {
    if (event == 300 || event == 301) continue;
    SCOPED_TRACE(event);
    EXPECT_FALSE(RouteHostEvent(&plugin, nullptr, event, const_cast<MQKeyValuePair*>(pairs)));
  }
  EXPECT_EQ(result, -1);
  EXPECT_TRUE(plugin.calls.empty());
}

TEST(ImportEventTest, StationsDoNotHearImportEvents) {
  RecordingCommand plugin;
  int32_t background = 1;
  const MQKeyValuePair pairs[] = {mq::Pair("background", &background), mq::kEndOfPairs};
  EXPECT_FALSE(RouteHostEvent(&plugin, nullptr, 300, const_cast<MQKeyValuePair*>(pairs)));
  EXPECT_FALSE(RouteHostEvent(&plugin, nullptr, 301, const_cast<MQKeyValuePair*>(pairs)));
  EXPECT_TRUE(plugin.calls.empty());
}

// --- The tool -------------------------------------------------------------------------------

// An option for `event` that a station plug-in would act on, with result places that must stay
// untouched.
class FullOption {
 public:
  explicit FullOption(int32_t event) {
    if (event == 261) {
      pointers_ = {const_cast<char*>("vertex"), block_};
    } else if (event == 262) {
      pointers_ = {const_cast<char*>("copy"),
                   &exchange_,
                   const_cast<char*>("size"),
                   &result_,
                   nullptr,
                   nullptr};
    }
  }

  void* For(int32_t event) {
    if (event == 100 || event == 102) return &value_;
    if (event == 261 || event == 262) return pointers_.data();
    return pairs_;
  }

  bool Untouched() const { return result_ == -1 && saveUid_ == -1 && exchange_ == nullptr; }

 private:
  int32_t value_ = 1;
  int32_t one_ = 1;
  int32_t result_ = -1;
  int32_t saveUid_ = -1;
  void* exchange_ = nullptr;
  uint32_t block_[8] = {1, 0, 2, 1, 3, 0, 4, 5};
  std::vector<void*> pointers_;
  MQKeyValuePair pairs_[10] = {mq::Pair("index", &one_),        mq::Pair("type", "vertex"),
                               mq::Pair("trigger", "world"),    mq::Pair("result", &result_),
                               mq::Pair("save_uid", &saveUid_), mq::Pair("filename", u"a"),
                               mq::Pair("description", "x"),    mq::Pair("button_state", &one_),
                               mq::Pair("background", &one_),   mq::kEndOfPairs};
};

using ToolEventTest = HostFixture;

TEST_F(ToolEventTest, TheToolDeclinesEveryEventAndTouchesNothing) {
  auto* tool = dynamic_cast<Palisor*>(GetPluginInstance());
  ASSERT_NE(tool, nullptr);
  tool->document = nullptr;
  const int32_t listingMode = tool->listingMode;
  for (const int32_t event : AllEventCodes()) {
    SCOPED_TRACE(event);
    FullOption routed(event);
    EXPECT_FALSE(RouteHostEvent(GetPluginInstance(), documentHandle(), event, routed.For(event)));
    EXPECT_TRUE(routed.Untouched());
    FullOption exported(event);
    EXPECT_EQ(MQOnEvent(documentHandle(), event, exported.For(event)), 0);
    EXPECT_TRUE(exported.Untouched());
    EXPECT_EQ(MQOnEvent(documentHandle(), event, nullptr), 0);
  }
  EXPECT_EQ(tool->document, nullptr);
  EXPECT_EQ(tool->listingMode, listingMode);
  EXPECT_TRUE(host.log.calls.empty());
}

TEST_F(ToolEventTest, AUserMessageToTheToolIsNotAnswered) {
  uint32_t product = 0x56A31D20;
  int32_t result = 0;
  const MQKeyValuePair pairs[] = {mq::Pair("src_product", &product),
                                  mq::Pair("description", "QueryAPIVersion"),
                                  mq::Pair("result", &result), mq::kEndOfPairs};
  EXPECT_EQ(MQOnEvent(documentHandle(), 103, const_cast<MQKeyValuePair*>(pairs)), 0);
  EXPECT_EQ(result, 0);
  EXPECT_TRUE(host.log.calls.empty());
}

TEST(EventRouterTest, NoPluginHearsNothing) {
  int32_t result = -1;
  const MQKeyValuePair pairs[] = {mq::Pair("result", &result), mq::kEndOfPairs};
  for (const int32_t event : AllEventCodes()) {
    EXPECT_FALSE(RouteHostEvent(nullptr, nullptr, event, const_cast<MQKeyValuePair*>(pairs)));
  }
  EXPECT_EQ(result, -1);
}

// --- Menu strings ---------------------------------------------------------------------------

TEST(EventRouterTest, StationMenuStringsComeFromTheStation) {
  RecordingStation station;
  const MQWideChar* text = EnumPluginString(&station, 2);
  ASSERT_NE(text, nullptr);
  EXPECT_EQ(std::u16string(text), u"Recorder");
  EXPECT_EQ(station.calls, (std::vector<ReceivedCall>{{4, WordsOf(2)}}));

  RecordingImport importer;
  EXPECT_EQ(EnumPluginString(&importer, 0), nullptr);
  EXPECT_TRUE(importer.calls.empty());
}

// --- Virtual table slots --------------------------------------------------------------------

#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
// The table slot of a virtual operation, read from its member pointer as the Itanium ABI lays
// it out (one plus the byte offset in the virtual table). That table holds two destructor
// entries where the host's numbering counts one.
template <typename Member>
int SlotOf(Member member) {
  struct Representation {
    uintptr_t pointer;
    ptrdiff_t adjustment;
  };
  static_assert(sizeof(Member) == sizeof(Representation), "Itanium member pointer");
  Representation representation{};
  std::memcpy(&representation, &member, sizeof representation);
  if ((representation.pointer & 1) == 0) return -1;  // not virtual
  return static_cast<int>((representation.pointer - 1) / sizeof(void*)) - 1;
}

TEST(EventRouterTest, OperationsSitInTheirSlots) {
  using S = MQStationPlugin;
  using C = MQCommandPlugin;
  using I = MQImportPlugin;
  const std::vector<std::pair<int, int>> slots = {
      {SlotOf(&S::GetPlugInID), 1},
      {SlotOf(&S::GetPlugInName), 2},
      {SlotOf(&S::GetPlugInType), 3},
      {SlotOf(&S::EnumString), 4},
      {SlotOf(&S::EnumSubCommand), 5},
      {SlotOf(&S::GetSubCommandString), 6},
      {SlotOf(&S::Initialize), 7},
      {SlotOf(&S::Exit), 8},
      {SlotOf(&S::OnActivate), 9},
      {SlotOf(&S::IsActivated), 10},
      {SlotOf(&S::OnSubCommand), 11},
      {SlotOf(&S::IsSubCommandRunning), 12},
      {SlotOf(&S::OnMinimize), 13},
      {SlotOf(&S::OnPluginMessage), 14},
      {SlotOf(&S::OnDraw), 15},
      {SlotOf(&S::OnNewDocument), 16},
      {SlotOf(&S::OnMergeDocument), 17},
      {SlotOf(&S::OnEndDocument), 18},
      {SlotOf(&S::OnSaveDocument), 19},
      {SlotOf(&S::OnSavePastDocument), 20},
      {SlotOf(&S::OnUndo), 21},
      {SlotOf(&S::OnRedo), 22},
      {SlotOf(&S::OnUpdateUndo), 23},
      {SlotOf(&S::OnObjectModified), 24},
      {SlotOf(&S::OnObjectSelected), 25},
      {SlotOf(&S::OnUpdateObjectList), 26},
      {SlotOf(&S::OnMaterialModified), 27},
      {SlotOf(&S::OnUpdateMaterialList), 28},
      {SlotOf(&S::OnUpdateScene), 29},
      {SlotOf(&S::OnChangeEditOption), 30},
      {SlotOf(&S::OnUserUpdateEvent), 31},
      {SlotOf(&S::OnCopyElementData), 32},
      {SlotOf(&S::OnCombineVertexData), 33},
      {SlotOf(&S::OnCombineApexData), 34},
      {SlotOf(&S::OnClipboardData), 35},
      {SlotOf(&S::ExecuteCallback), 36},
      {SlotOf(&C::OnLeftButtonDown), 37},
      {SlotOf(&C::OnLeftButtonMove), 38},
      {SlotOf(&C::OnLeftButtonUp), 39},
      {SlotOf(&C::OnMiddleButtonDown), 40},
      {SlotOf(&C::OnMiddleButtonMove), 41},
      {SlotOf(&C::OnMiddleButtonUp), 42},
      {SlotOf(&C::OnRightButtonDown), 43},
      {SlotOf(&C::OnRightButtonMove), 44},
      {SlotOf(&C::OnRightButtonUp), 45},
      {SlotOf(&C::OnMouseMove), 46},
      {SlotOf(&C::OnMouseWheel), 47},
      {SlotOf(&C::OnKeyDown), 48},
      {SlotOf(&C::OnKeyUp), 49},
      {SlotOf(&I::EnumFileType), 4},
      {SlotOf(&I::EnumFileExt), 5},
      {SlotOf(&I::ImportFile), 6},
      {SlotOf(&I::SupportsBackgroundImport), 7},
  };
  for (size_t row = 0; row < slots.size(); ++row) {
    EXPECT_EQ(slots[row].first, slots[row].second) << "row " << row;
  }
}
#endif

}  // namespace
