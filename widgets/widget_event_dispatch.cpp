#include "widgets/widget_event_dispatch.h"

#include <algorithm>
#include <cstring>
#include <initializer_list>
#include <memory>

#include "host/guarded_call.h"
#include "host/key_value.h"
#include "widgets/canvas.h"
#include "widgets/event_records.h"
#include "widgets/widget_base.h"
#include "widgets/widget_registry.h"
#include "widgets/widget_value.h"

namespace {

using ClosureReference = std::shared_ptr<MQWidgetEventClosureBase>;

bool IsOneOf(const char* type, std::initializer_list<const char*> names) {
  return std::any_of(names.begin(), names.end(),
                     [type](const char* name) { return std::strcmp(type, name) == 0; });
}

// Everything one event needs besides its type-specific keys.
struct EventCall {
  const MQKeyValuePair* values;
  MQWidgetBase* sender;
  void* context;
  MQWidgetEventClosureBase* closure;

  int32_t Int(const char* key, int32_t absent) const { return mq::FindInt(values, key, absent); }
  void* Value(const char* key) const { return mq::FindValue(values, key); }
  int32_t Invoke(void* parameters) const { return closure->Invoke(sender, context, parameters); }
};

// A rectangle the host gives by pointers and expects back after drawing.
struct HostRectangle {
  int32_t* x;
  int32_t* y;
  int32_t* width;
  int32_t* height;

  explicit HostRectangle(const EventCall& call)
      : x(static_cast<int32_t*>(call.Value("x"))),
        y(static_cast<int32_t*>(call.Value("y"))),
        width(static_cast<int32_t*>(call.Value("width"))),
        height(static_cast<int32_t*>(call.Value("height"))) {}

  template <typename Record>
  void ReadInto(Record& record) const {
    record.x = Read(x);
    record.y = Read(y);
    record.width = Read(width);
    record.height = Read(height);
  }

  template <typename Record>
  void WriteBack(const Record& record) const {
    Write(x, record.x);
    Write(y, record.y);
    Write(width, record.width);
    Write(height, record.height);
  }

  static int32_t Read(const int32_t* value) { return value != nullptr ? *value : 0; }
  static void Write(int32_t* value, int32_t datum) {
    if (value != nullptr) *value = datum;
  }
};

// The host's "finished" flag is one byte of the host's; only ever set, to 1.
void ReportFinished(const EventCall& call, bool finished) {
  auto* hostFlag = static_cast<HostBool*>(call.Value("finished"));
  if (finished && hostFlag != nullptr) *hostFlag = 1;
}

int32_t DispatchMouse(const EventCall& call) {
  MouseEventRecord record;
  record.clientX = call.Int("client_x", 0);
  record.clientY = call.Int("client_y", 0);
  record.screenX = call.Int("screen_x", 0);
  record.screenY = call.Int("screen_y", 0);
  record.downX = call.Int("down_x", 0);
  record.downY = call.Int("down_y", 0);
  record.lastX = call.Int("last_x", 0);
  record.lastY = call.Int("last_y", 0);
  record.wheelDelta = call.Int("wheel_delta", 0);
  const auto* pressure = static_cast<const float*>(call.Value("pressure"));
  record.pressure = pressure != nullptr ? *pressure : 0.0f;
  record.buttons = DecodeButtonState(call.Int("button_state", 0));
  const int32_t result = call.Invoke(&record);
  ReportFinished(call, record.finished);
  return result;
}

int32_t DispatchKey(const EventCall& call) {
  KeyEventRecord record;
  record.key = call.Int("key", 0);
  record.autoRepeat = call.Int("auto_repeat", 0) != 0;
  record.buttons = DecodeButtonState(call.Int("button_state", 0));
  const int32_t result = call.Invoke(&record);
  ReportFinished(call, record.finished);
  return result;
}

int32_t DispatchPaint(const EventCall& call) {
  MQCanvas canvas(call.Value("canvas"));
  PaintEventRecord record;
  record.canvas = &canvas;
  record.interrupted = call.Value("interrupted");
  return call.Invoke(&record);
}

// The three item-drawing events share their rectangle and canvas handling.
template <typename Record, typename ReadKeys>
int32_t DispatchItemDrawing(const EventCall& call, ReadKeys readKeys) {
  MQCanvas canvas(call.Value("canvas"));
  const HostRectangle rectangle(call);
  Record record;
  record.canvas = &canvas;
  rectangle.ReadInto(record);
  readKeys(record);
  const int32_t result = call.Invoke(&record);
  rectangle.WriteBack(record);
  return result;
}

// The pointer's place in the widget and on the screen, 0 where the host gives none.
template <typename Record>
void ReadPointerPositions(const EventCall& call, Record& record) {
  record.clientX = call.Int("client_x", 0);
  record.clientY = call.Int("client_y", 0);
  record.screenX = call.Int("screen_x", 0);
  record.screenY = call.Int("screen_y", 0);
}

int32_t DispatchCloseQuery(const EventCall& call) {
  CloseQueryFlag flag = false;
  const int32_t result = call.Invoke(&flag);
  ReportFinished(call, flag);
  return result;
}

int32_t DispatchDragOver(const EventCall& call) {
  DragOverRecord record;
  ReadPointerPositions(call, record);
  auto* hostResult = static_cast<uint8_t*>(call.Value("result"));
  if (hostResult != nullptr) record.result = *hostResult;
  const int32_t result = call.Invoke(&record);
  if (hostResult != nullptr) *hostResult = record.result;
  return result;
}

int32_t DispatchDropFiles(const EventCall& call) {
  DropFilesRecord record;
  ReadPointerPositions(call, record);
  const auto* const* files = static_cast<const void* const*>(call.Value("files"));
  for (; files != nullptr && *files != nullptr; ++files) record.files.push_back(*files);
  return call.Invoke(&record);
}

int32_t DispatchByType(const char* type, const EventCall& call) {
  if (IsOneOf(type, {"leftdown", "leftup", "leftdoubleclick", "middledown", "middleup",
                     "middledoubleclick", "rightdown", "rightup", "rightdoubleclick", "mousemove",
                     "mousewheel"})) {
    return DispatchMouse(call);
  }
  if (IsOneOf(type, {"keydown", "keyup"})) return DispatchKey(call);
  if (std::strcmp(type, "paint") == 0) return DispatchPaint(call);
  if (std::strcmp(type, "listdrawitem") == 0) {
    return DispatchItemDrawing<ListItemDrawRecord>(
        call, [&](ListItemDrawRecord& record) { record.index = call.Int("index", -1); });
  }
  if (std::strcmp(type, "treelistdrawitem") == 0) {
    return DispatchItemDrawing<TreeListItemDrawRecord>(call, [&](TreeListItemDrawRecord& record) {
      record.index = call.Int("index", -1);
      record.id = call.Int("id", -1);
    });
  }
  if (std::strcmp(type, "memodrawitem") == 0) {
    return DispatchItemDrawing<MemoLineDrawRecord>(call, [&](MemoLineDrawRecord& record) {
      record.line = call.Int("line", -1);
      record.start = call.Int("start", 0);
      record.end = call.Int("end", 0);
    });
  }
  if (std::strcmp(type, "closequery") == 0) return DispatchCloseQuery(call);
  if (std::strcmp(type, "dragover") == 0) return DispatchDragOver(call);
  if (std::strcmp(type, "dropfiles") == 0) return DispatchDropFiles(call);
  // "execute" and every type not named above take no record.
  return call.Invoke(nullptr);
}

int32_t Dispatch(void* context, const MQKeyValuePair* values, void* pointer) {
  const int32_t targetId = mq::FindInt(values, "target_id", 0);
  const int32_t senderId = mq::FindInt(values, "sender_id", 0);
  const auto* type = static_cast<const char*>(mq::FindValue(values, "type"));
  if (type == nullptr) return 0;

  MQWidgetBase* target = WidgetRegistry::Lookup(targetId);
  if (target == nullptr) return 0;
  auto& closures = target->closures;
  auto match = std::find_if(closures.begin(), closures.end(), [pointer](const ClosureReference& c) {
    return static_cast<void*>(c.get()) == pointer;
  });
  if (match == closures.end()) return 0;

  // A second reference keeps the closure alive through its handler, even if the handler destroys
  // the target wrapper and with it the wrapper's own references.
  const ClosureReference held = *match;
  if (std::strcmp(type, "timer") == 0) {
    // A timer fires once: its registration is gone before its handler runs.
    closures.erase(match);
  }
  const EventCall call{values, WidgetRegistry::Lookup(senderId), context, held.get()};
  if (std::strcmp(type, "timer") == 0) return call.Invoke(nullptr);
  return DispatchByType(type, call);
}

}  // namespace

int32_t MQ_CALL DispatchWidgetEvent(void* context, MQKeyValuePair* values, void* pointer) {
  return mq::GuardedCall<int32_t>(0, [&] { return Dispatch(context, values, pointer); });
}
