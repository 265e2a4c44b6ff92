// The records that the event router builds from host events and hands to the operations of
// station and command plug-ins.
#pragma once

#include <cstdint>

#include "host/host_api.h"

// Host handles that events carry through to the plug-in; the plug-in never looks inside them.
typedef struct MQSceneHandle* MQScene;
typedef struct MQXmlElementHandle* MQXmlElement;

// A document the host has just opened or created.
struct MQOpenDocumentParam {
  MQXmlElement xmlElement;
};

// A document the host is about to save. The operation sets `saveUniqueID` nonzero when the host
// should save unique ids with it.
struct MQSaveDocumentParam {
  MQXmlElement xmlElement;
  int32_t saveUniqueID;
  // The host's past state for this save; -1 when the host names none.
  int32_t pastState;
};

// A document merged into the current one.
struct MQMergeDocumentParam {
  MQXmlElement xmlElement;
  MQDocument sourceDocument;
  void* objectTable;
  void* materialTable;
};

// The pointer device at the moment of a button, wheel or key event. Every button field is 0 or
// 1, taken from the host's button state bits (left 0, right 1, shift 2, ctrl 3, middle 4, alt 5).
struct MQButtonState {
  int32_t mouseX;
  int32_t mouseY;
  int32_t wheel;
  int32_t leftButton;
  int32_t middleButton;
  int32_t rightButton;
  int32_t shift;
  int32_t ctrl;
  int32_t alt;
  float pressure;
};

// Button state bits as the host packs them.
enum : int32_t {
  MQBUTTON_BIT_LEFT = 0,
  MQBUTTON_BIT_RIGHT = 1,
  MQBUTTON_BIT_SHIFT = 2,
  MQBUTTON_BIT_CTRL = 3,
  MQBUTTON_BIT_MIDDLE = 4,
  MQBUTTON_BIT_ALT = 5,
};

// The element kind of a per-element data event.
enum MQElementType : int32_t {
  MQELEMENT_VERTEX = 0,
  MQELEMENT_APEX = 1,
};

// One vertex entry of a data combining event: the three words the host describes it with.
struct MQVertexDataEntry {
  uint32_t words[3];
};

// One apex (face corner) entry of a data combining event.
struct MQApexDataEntry {
  uint32_t words[4];
};

// What a clipboard data event asks of the operation.
enum MQClipboardMode : int32_t {
  MQCLIPBOARD_QUERY = 0,
  MQCLIPBOARD_COPY = 1,
  MQCLIPBOARD_PASTE = 2,
};

// The edit record of a clipboard data event. In the 32-bit host every field is one 32-bit word;
// `data`, `vertexIds` and `faceIds` are addresses, so they keep the width of a pointer here.
struct MQClipboardRecord {
  int32_t numVert;
  int32_t numLine;
  int32_t numFace;
  void* data;
  int32_t size;
  void* vertexIds;
  void* faceIds;
};

static_assert(sizeof(void*) != 4 || sizeof(MQClipboardRecord) == 7 * 4,
              "the 32-bit host reads the edit record as seven 32-bit words");
static_assert(sizeof(MQButtonState) == 10 * 4, "ten 32-bit fields");
static_assert(sizeof(MQVertexDataEntry) == 12 && sizeof(MQApexDataEntry) == 16,
              "entries are handed over as packed words");
