// The parameter records the event procedure makes for one handler call, decoded from the event's
// key/value array. Each lives only for that call.
#pragma once

#include <cstdint>
#include <vector>

class MQCanvas;

// The modifier and button flags of a "button_state" value.
struct ButtonStateFlags {
  bool leftButton = false;    // bit 0 (0x01)
  bool middleButton = false;  // bit 4 (0x10)
  bool rightButton = false;   // bit 1 (0x02)
  bool shiftKey = false;      // bit 2 (0x04)
  bool controlKey = false;    // bit 3 (0x08)
  bool stateBit5 = false;     // bit 5 (0x20), whose meaning is the host's
};

ButtonStateFlags DecodeButtonState(int32_t buttonState);

// "leftdown", "mousemove", "mousewheel" and the other mouse events.
struct MouseEventRecord {
  int32_t clientX = 0;
  int32_t clientY = 0;
  int32_t screenX = 0;
  int32_t screenY = 0;
  int32_t downX = 0;
  int32_t downY = 0;
  int32_t lastX = 0;
  int32_t lastY = 0;
  int32_t wheelDelta = 0;
  ButtonStateFlags buttons;
  float pressure = 0.0f;
  // Set by a handler that has dealt with the event; reported back through "finished".
  bool finished = false;
};

// "keydown", "keyup".
struct KeyEventRecord {
  int32_t key = 0;
  bool autoRepeat = false;
  ButtonStateFlags buttons;
  bool finished = false;
};

// "paint".
struct PaintEventRecord {
  MQCanvas* canvas = nullptr;
  // The host's "interrupted" value as given, or null.
  void* interrupted = nullptr;
};

// "listdrawitem". The handler may change the rectangle; it is written back to the host.
struct ListItemDrawRecord {
  MQCanvas* canvas = nullptr;
  int32_t index = -1;
  int32_t x = 0;
  int32_t y = 0;
  int32_t width = 0;
  int32_t height = 0;
};

// "treelistdrawitem".
struct TreeListItemDrawRecord {
  MQCanvas* canvas = nullptr;
  int32_t index = -1;
  int32_t id = -1;
  int32_t x = 0;
  int32_t y = 0;
  int32_t width = 0;
  int32_t height = 0;
};

// "memodrawitem".
struct MemoLineDrawRecord {
  MQCanvas* canvas = nullptr;
  int32_t line = -1;
  int32_t start = 0;
  int32_t end = 0;
  int32_t x = 0;
  int32_t y = 0;
  int32_t width = 0;
  int32_t height = 0;
};

// "dragover". The handler's answer in `result` is written back to the host.
struct DragOverRecord {
  int32_t clientX = 0;
  int32_t clientY = 0;
  int32_t screenX = 0;
  int32_t screenY = 0;
  uint8_t result = 0;
};

// "dropfiles". The file names are the host's own pointers, in its order, not copied; their
// character type is the host's.
struct DropFilesRecord {
  int32_t clientX = 0;
  int32_t clientY = 0;
  int32_t screenX = 0;
  int32_t screenY = 0;
  std::vector<const void*> files;
};

// "closequery": a flag the handler may set; a set flag is reported back through "finished".
using CloseQueryFlag = bool;
