// Each event type's parameter record, decoded from a key/value array as the host sends it, and what
// is written back to the host after the handler ran.
#include "widgets/event_records.h"

#include "event_test_support.h"
#include "host/key_value.h"
#include "widget_test_fixture.h"
#include "widgets/canvas.h"

namespace {

using host_imitation::EventRegistration;

class EventRecordsTest : public WidgetTest {
 protected:
  void SetUp() override {
    WidgetTest::SetUp();
    dialog = std::make_unique<HandlerDialog>(*mainWindow);
    target = dialog->button->id;
  }
  void TearDown() override {
    dialog.reset();
    WidgetTest::TearDown();
  }

  // Registers a closure that runs `body` with the record, and returns its registration.
  EventRegistration Register(RecordingClosure::Body body) {
    closure = std::make_shared<RecordingClosure>(std::move(body));
    dialog->button->AddExecuteClosure(closure, false);
    return service().Registrations(target, "execute").back();
  }

  std::unique_ptr<HandlerDialog> dialog;
  std::shared_ptr<RecordingClosure> closure;
  int32_t target = 0;
};

TEST_F(EventRecordsTest, AMouseEventDecodesEveryKeyAndReportsFinished) {
  MouseEventRecord seen;
  const EventRegistration registration = Register([&](MQWidgetBase*, void* parameters) {
    auto* record = static_cast<MouseEventRecord*>(parameters);
    seen = *record;
    record->finished = true;
    return 1;
  });
  int32_t values[] = {11, 12, 13, 14, 15, 16, 17, 18, -120, 0x15};
  float pressure = 0.75f;
  bool finished = false;
  MQKeyValuePair pairs[] = {mq::Pair("type", "mousewheel"),
                            mq::Pair("target_id", &target),
                            mq::Pair("client_x", &values[0]),
                            mq::Pair("client_y", &values[1]),
                            mq::Pair("screen_x", &values[2]),
                            mq::Pair("screen_y", &values[3]),
                            mq::Pair("down_x", &values[4]),
                            mq::Pair("down_y", &values[5]),
                            mq::Pair("last_x", &values[6]),
                            mq::Pair("last_y", &values[7]),
                            mq::Pair("wheel_delta", &values[8]),
                            mq::Pair("button_state", &values[9]),
                            mq::Pair("pressure", &pressure),
                            mq::Pair("finished", &finished),
                            mq::kEndOfPairs};
  EXPECT_EQ(service().CallProcedure(registration, pairs), 1);
  EXPECT_EQ(seen.clientX, 11);
  EXPECT_EQ(seen.clientY, 12);
  EXPECT_EQ(seen.screenX, 13);
  EXPECT_EQ(seen.screenY, 14);
  EXPECT_EQ(seen.downX, 15);
  EXPECT_EQ(seen.downY, 16);
  EXPECT_EQ(seen.lastX, 17);
  EXPECT_EQ(seen.lastY, 18);
  EXPECT_EQ(seen.wheelDelta, -120);
  EXPECT_EQ(seen.pressure, 0.75f);
  EXPECT_FALSE(seen.finished);  // preset false for the handler
  EXPECT_TRUE(finished);
}

TEST_F(EventRecordsTest, ButtonState0x15SetsExactlyLeftMiddleAndShift) {
  ButtonStateFlags seen;
  const EventRegistration registration = Register([&](MQWidgetBase*, void* parameters) {
    seen = static_cast<MouseEventRecord*>(parameters)->buttons;
    return 1;
  });
  int32_t buttonState = 0x15;
  MQKeyValuePair pairs[] = {mq::Pair("type", "leftdown"), mq::Pair("target_id", &target),
                            mq::Pair("button_state", &buttonState), mq::kEndOfPairs};
  service().CallProcedure(registration, pairs);
  EXPECT_TRUE(seen.leftButton);
  EXPECT_TRUE(seen.middleButton);
  EXPECT_TRUE(seen.shiftKey);
  EXPECT_FALSE(seen.rightButton);
  EXPECT_FALSE(seen.controlKey);
  EXPECT_FALSE(seen.stateBit5);
}

TEST_F(EventRecordsTest, EachButtonStateBitSetsItsOwnFlag) {
  const struct {
    int32_t bit;
    bool ButtonStateFlags::*flag;
  } bits[] = {{0x01, &ButtonStateFlags::leftButton},   {0x02, &ButtonStateFlags::rightButton},
              {0x04, &ButtonStateFlags::shiftKey},     {0x08, &ButtonStateFlags::controlKey},
              {0x10, &ButtonStateFlags::middleButton}, {0x20, &ButtonStateFlags::stateBit5}};
  for (const auto& bit : bits) {
    const ButtonStateFlags flags = DecodeButtonState(bit.bit);
    int set = 0;
    for (const auto& other : bits) set += flags.*other.flag ? 1 : 0;
    EXPECT_TRUE(flags.*bit.flag) << bit.bit;
    EXPECT_EQ(set, 1) << bit.bit;
  }
}

TEST_F(EventRecordsTest, AKeyEventDecodesKeyRepeatAndFlags) {
  KeyEventRecord seen;
  const EventRegistration registration = Register([&](MQWidgetBase*, void* parameters) {
    seen = *static_cast<KeyEventRecord*>(parameters);
    return 1;
  });
  int32_t key = 0x41;
  int32_t autoRepeat = 3;
  int32_t buttonState = 0x0C;
  bool finished = false;
  MQKeyValuePair pairs[] = {mq::Pair("type", "keydown"),
                            mq::Pair("target_id", &target),
                            mq::Pair("key", &key),
                            mq::Pair("auto_repeat", &autoRepeat),
                            mq::Pair("button_state", &buttonState),
                            mq::Pair("finished", &finished),
                            mq::kEndOfPairs};
  service().CallProcedure(registration, pairs);
  EXPECT_EQ(seen.key, 0x41);
  EXPECT_TRUE(seen.autoRepeat);
  EXPECT_TRUE(seen.buttons.shiftKey);
  EXPECT_TRUE(seen.buttons.controlKey);
  EXPECT_FALSE(seen.buttons.leftButton);
  EXPECT_FALSE(finished);  // the handler left its flag clear
}

TEST_F(EventRecordsTest, APaintEventWrapsTheHostCanvasWithoutOwningIt) {
  PaintEventRecord seen;
  void* handle = nullptr;
  bool owned = true;
  const EventRegistration registration = Register([&](MQWidgetBase*, void* parameters) {
    seen = *static_cast<PaintEventRecord*>(parameters);
    handle = seen.canvas->handle;
    owned = seen.canvas->owned;
    return 1;
  });
  int hostCanvas = 0;
  bool interrupted = false;
  MQKeyValuePair pairs[] = {mq::Pair("type", "paint"), mq::Pair("target_id", &target),
                            mq::Pair("canvas", &hostCanvas), mq::Pair("interrupted", &interrupted),
                            mq::kEndOfPairs};
  service().CallProcedure(registration, pairs);
  EXPECT_EQ(handle, &hostCanvas);
  EXPECT_FALSE(owned);
  EXPECT_EQ(seen.interrupted, &interrupted);
  EXPECT_EQ(host.log.Count("MQCanvas_Value"), 0u);
}

TEST_F(EventRecordsTest, ItemDrawingEventsReadTheirKeysAndWriteTheRectangleBack) {
  int hostCanvas = 0;
  int32_t x = 1, y = 2, width = 30, height = 40, index = 5, id = 6, line = 7, start = 8, end = 9;
  MQKeyValuePair common[] = {mq::Pair("target_id", &target),
                             mq::Pair("canvas", &hostCanvas),
                             mq::Pair("x", &x),
                             mq::Pair("y", &y),
                             mq::Pair("width", &width),
                             mq::Pair("height", &height),
                             mq::Pair("index", &index),
                             mq::Pair("id", &id),
                             mq::Pair("line", &line),
                             mq::Pair("start", &start),
                             mq::Pair("end", &end),
                             mq::kEndOfPairs};
  auto send = [&](const char* type, const EventRegistration& registration) {
    std::vector<MQKeyValuePair> pairs = {mq::Pair("type", type)};
    pairs.insert(pairs.end(), std::begin(common), std::end(common));
    x = 1, y = 2, width = 30, height = 40;
    return service().CallProcedure(registration, pairs.data());
  };

  ListItemDrawRecord list;
  send("listdrawitem", Register([&](MQWidgetBase*, void* parameters) {
         auto* record = static_cast<ListItemDrawRecord*>(parameters);
         list = *record;
         record->x += 100;
         record->height = 4;
         return 1;
       }));
  EXPECT_EQ(list.canvas != nullptr, true);
  EXPECT_EQ(list.index, 5);
  EXPECT_EQ(list.x, 1);
  EXPECT_EQ(list.y, 2);
  EXPECT_EQ(list.width, 30);
  EXPECT_EQ(list.height, 40);
  EXPECT_EQ(x, 101);
  EXPECT_EQ(height, 4);

  TreeListItemDrawRecord tree;
  send("treelistdrawitem", Register([&](MQWidgetBase*, void* parameters) {
         tree = *static_cast<TreeListItemDrawRecord*>(parameters);
         static_cast<TreeListItemDrawRecord*>(parameters)->width = 99;
         return 1;
       }));
  EXPECT_EQ(tree.index, 5);
  EXPECT_EQ(tree.id, 6);
  EXPECT_EQ(tree.x, 1);
  EXPECT_EQ(tree.height, 40);
  EXPECT_EQ(width, 99);

  MemoLineDrawRecord memo;
  send("memodrawitem", Register([&](MQWidgetBase*, void* parameters) {
         memo = *static_cast<MemoLineDrawRecord*>(parameters);
         static_cast<MemoLineDrawRecord*>(parameters)->y = -3;
         return 1;
       }));
  EXPECT_EQ(memo.line, 7);
  EXPECT_EQ(memo.start, 8);
  EXPECT_EQ(memo.end, 9);
  EXPECT_EQ(memo.width, 30);
  EXPECT_EQ(y, -3);
  EXPECT_EQ(host.log.Count("MQCanvas_Value"), 0u);
}

TEST_F(EventRecordsTest, DragOverCopiesTheResultByteAndWritesTheAnswerBack) {
  DragOverRecord seen;
  const EventRegistration registration = Register([&](MQWidgetBase*, void* parameters) {
    auto* record = static_cast<DragOverRecord*>(parameters);
    seen = *record;
    record->result = 1;
    return 1;
  });
  int32_t clientX = 5, clientY = 6, screenX = 105, screenY = 106;
  uint8_t result[4] = {0, 0xAA, 0xBB, 0xCC};
  MQKeyValuePair pairs[] = {mq::Pair("type", "dragover"),   mq::Pair("target_id", &target),
                            mq::Pair("client_x", &clientX), mq::Pair("client_y", &clientY),
                            mq::Pair("screen_x", &screenX), mq::Pair("screen_y", &screenY),
                            mq::Pair("result", result),     mq::kEndOfPairs};
  service().CallProcedure(registration, pairs);
  EXPECT_EQ(seen.clientX, 5);
  EXPECT_EQ(seen.clientY, 6);
  EXPECT_EQ(seen.screenX, 105);
  EXPECT_EQ(seen.screenY, 106);
  EXPECT_EQ(seen.result, 0);
  EXPECT_EQ(result[0], 1);
  EXPECT_EQ(result[1], 0xAA);  // only the first byte is the answer
}

TEST_F(EventRecordsTest, DropFilesListsTheHostsNamesInOrderWithoutCopying) {
  DropFilesRecord seen;
  const EventRegistration registration = Register([&](MQWidgetBase*, void* parameters) {
    seen = *static_cast<DropFilesRecord*>(parameters);
    return 1;
  });
  const char16_t first[] = u"a.mqo";
  const char16_t second[] = u"b.mqo";
  const void* files[] = {first, second, nullptr};
  int32_t clientX = 7;
  MQKeyValuePair pairs[] = {mq::Pair("type", "dropfiles"), mq::Pair("target_id", &target),
                            mq::Pair("client_x", &clientX), mq::Pair("files", files),
                            mq::kEndOfPairs};
  service().CallProcedure(registration, pairs);
  EXPECT_EQ(seen.clientX, 7);
  EXPECT_EQ(seen.screenY, 0);
  EXPECT_EQ(seen.files, (std::vector<const void*>{first, second}));
}

TEST_F(EventRecordsTest, CloseQueryReportsASetFlagThroughFinished) {
  for (const bool handlerSets : {false, true}) {
    const EventRegistration registration = Register([&](MQWidgetBase*, void* parameters) {
      auto* flag = static_cast<CloseQueryFlag*>(parameters);
      EXPECT_FALSE(*flag);
      *flag = handlerSets;
      return 1;
    });
    bool finished = false;
    MQKeyValuePair pairs[] = {mq::Pair("type", "closequery"), mq::Pair("target_id", &target),
                              mq::Pair("finished", &finished), mq::kEndOfPairs};
    service().CallProcedure(registration, pairs);
    EXPECT_EQ(finished, handlerSets);
  }
}

// A host that leaves out a key marked required: it counts as absent, and nothing is written back
// through a pointer the host did not give.
TEST_F(EventRecordsTest, MissingRequiredKeysCountAsAbsent) {
  int seenCalls = 0;
  ListItemDrawRecord list;
  MemoLineDrawRecord memo;
  DragOverRecord drag;
  DropFilesRecord drop;
  void* canvasHandle = &seenCalls;
  const EventRegistration registration = Register([&](MQWidgetBase*, void* parameters) {
    ++seenCalls;
    if (seenCalls == 1) list = *static_cast<ListItemDrawRecord*>(parameters);
    if (seenCalls == 1) canvasHandle = list.canvas->handle;
    if (seenCalls == 2) memo = *static_cast<MemoLineDrawRecord*>(parameters);
    if (seenCalls == 3) drag = *static_cast<DragOverRecord*>(parameters);
    if (seenCalls == 4) drop = *static_cast<DropFilesRecord*>(parameters);
    if (seenCalls == 3) static_cast<DragOverRecord*>(parameters)->result = 1;
    if (seenCalls <= 2) static_cast<ListItemDrawRecord*>(parameters)->x = 50;
    return 1;
  });
  int32_t y = 9;
  for (const char* type : {"listdrawitem", "memodrawitem", "dragover", "dropfiles"}) {
    SCOPED_TRACE(type);
    // Only "y" of the rectangle is given; it alone is written back.
    MQKeyValuePair pairs[] = {mq::Pair("type", type), mq::Pair("target_id", &target),
                              mq::Pair("y", &y), mq::kEndOfPairs};
    EXPECT_EQ(service().CallProcedure(registration, pairs), 1);
  }
  ASSERT_EQ(seenCalls, 4);
  EXPECT_EQ(canvasHandle, nullptr);
  EXPECT_EQ(list.index, -1);
  EXPECT_EQ(list.x, 0);
  EXPECT_EQ(list.y, 9);
  EXPECT_EQ(list.width, 0);
  EXPECT_EQ(list.height, 0);
  EXPECT_EQ(memo.line, -1);
  EXPECT_EQ(memo.start, 0);
  EXPECT_EQ(memo.end, 0);
  EXPECT_EQ(drag.result, 0);
  EXPECT_TRUE(drop.files.empty());
  EXPECT_EQ(y, 9);
}

TEST_F(EventRecordsTest, AMouseOrKeyHandlerMayFinishWhenTheHostGaveNoFinishedFlag) {
  const EventRegistration registration = Register([&](MQWidgetBase*, void* parameters) {
    // Both records start with their own layout; set each one's flag through its type.
    if (closure->calls == 1) static_cast<MouseEventRecord*>(parameters)->finished = true;
    if (closure->calls == 2) static_cast<KeyEventRecord*>(parameters)->finished = true;
    return 1;
  });
  for (const char* type : {"leftup", "keyup"}) {
    MQKeyValuePair pairs[] = {mq::Pair("type", type), mq::Pair("target_id", &target),
                              mq::kEndOfPairs};
    EXPECT_EQ(service().CallProcedure(registration, pairs), 1);
  }
  MQKeyValuePair closeQuery[] = {mq::Pair("type", "closequery"), mq::Pair("target_id", &target),
                                 mq::kEndOfPairs};
  EXPECT_EQ(service().CallProcedure(registration, closeQuery), 1);
  EXPECT_EQ(closure->calls, 3);
}

}  // namespace
