// The framework's router of host events. The plug-in object's class decides which events it
// hears: station plug-ins (and command plug-ins among them) hear the events of the session and
// the document, import plug-ins hear the two events of an import, and every other plug-in hears
// nothing. Each event becomes one call of one operation, with its parameters unpacked from the
// event's option; nothing else is touched.
#include "host/event_router.h"

#include <cstdint>
#include <cstring>
#include <memory>
#include <new>
#include <optional>

#include "host/command_plugin.h"
#include "host/import_plugin.h"
#include "host/key_value.h"
#include "host/plugin_base.h"
#include "host/station_plugin.h"

namespace {

// Host event codes.
enum HostEvent : int32_t {
  kInitialize = 1,
  kExit = 2,
  kEnumSubCommand = 3,
  kGetSubCommandString = 4,
  kUserUpdate = 7,
  kActivate = 100,
  kIsActivated = 101,
  kMinimize = 102,
  kUserMessage = 103,
  kSubCommand = 104,
  kIsSubCommandRunning = 105,
  kDraw = 110,
  kFirstPointerEvent = 120,  // left button down; the pointer events run on to the wheel
  kLastPointerEvent = 130,
  kKeyDown = 140,
  kKeyUp = 141,
  kNewDocument = 200,
  kEndDocument = 201,
  kSaveDocument = 202,
  kSavePastDocument = 203,
  kMergeDocument = 204,
  kUndo = 210,
  kRedo = 211,
  kUpdateUndo = 212,
  kUpdateObjectList = 220,
  kObjectModified = 221,
  kObjectSelected = 222,
  kUpdateMaterialList = 230,
  kMaterialModified = 231,
  kUpdateScene = 240,
  kChangeEditOption = 250,
  kCopyElementData = 260,
  kCombineElementData = 261,
  kClipboardData = 262,
  kQueryBackgroundImport = 300,
  kSetImportArguments = 301,
};

bool Is(const char* text, const char* expected) {
  return text != nullptr && std::strcmp(text, expected) == 0;
}

template <typename T>
T* FindPointer(const MQKeyValuePair* pairs, const char* name) {
  return static_cast<T*>(mq::FindValue(pairs, name));
}

template <typename Handle>
Handle FindHandle(const MQKeyValuePair* pairs, const char* name) {
  return static_cast<Handle>(mq::FindValue(pairs, name));
}

float FindFloat(const MQKeyValuePair* pairs, const char* name, float fallback) {
  const float* value = FindPointer<const float>(pairs, name);
  return value != nullptr ? *value : fallback;
}

// Writes a result for the host into `slot` when the host gave one.
template <typename T>
void StoreIfGiven(T* slot, T value) {
  if (slot != nullptr) *slot = value;
}

// --- Pointer and key events -----------------------------------------------------------------

int32_t Bit(int32_t buttons, int32_t bit) {
  return (buttons >> bit) & 1;
}

MQButtonState UnpackButtonState(int32_t buttons, int32_t x, int32_t y, int32_t wheel,
                                float pressure) {
  MQButtonState state{};
  state.mouseX = x;
  state.mouseY = y;
  state.wheel = wheel;
  state.leftButton = Bit(buttons, MQBUTTON_BIT_LEFT);
  state.middleButton = Bit(buttons, MQBUTTON_BIT_MIDDLE);
  state.rightButton = Bit(buttons, MQBUTTON_BIT_RIGHT);
  state.shift = Bit(buttons, MQBUTTON_BIT_SHIFT);
  state.ctrl = Bit(buttons, MQBUTTON_BIT_CTRL);
  state.alt = Bit(buttons, MQBUTTON_BIT_ALT);
  state.pressure = pressure;
  return state;
}

using PointerOperation = bool (MQCommandPlugin::*)(MQDocument, MQScene, const MQButtonState&);

// The operations of the pointer events, in event code order.
constexpr PointerOperation kPointerOperations[] = {
    &MQCommandPlugin::OnLeftButtonDown,   &MQCommandPlugin::OnLeftButtonMove,
    &MQCommandPlugin::OnLeftButtonUp,     &MQCommandPlugin::OnMiddleButtonDown,
    &MQCommandPlugin::OnMiddleButtonMove, &MQCommandPlugin::OnMiddleButtonUp,
    &MQCommandPlugin::OnRightButtonDown,  &MQCommandPlugin::OnRightButtonMove,
    &MQCommandPlugin::OnRightButtonUp,    &MQCommandPlugin::OnMouseMove,
    &MQCommandPlugin::OnMouseWheel,
};
static_assert(sizeof(kPointerOperations) / sizeof(kPointerOperations[0]) ==
                  kLastPointerEvent - kFirstPointerEvent + 1,
              "one operation per pointer event");

bool RoutePointerEvent(MQCommandPlugin& command, MQDocument document, int32_t event,
                       const MQKeyValuePair* pairs) {
  const MQButtonState state =
      UnpackButtonState(mq::FindInt(pairs, "button_state", 0), mq::FindInt(pairs, "mouse_pos_x", 0),
                        mq::FindInt(pairs, "mouse_pos_y", 0), mq::FindInt(pairs, "mouse_wheel", 0),
                        FindFloat(pairs, "pressure", 0.0f));
  const PointerOperation operation = kPointerOperations[event - kFirstPointerEvent];
  return (command.*operation)(document, FindHandle<MQScene>(pairs, "scene"), state);
}

bool RouteKeyEvent(MQCommandPlugin& command, MQDocument document, int32_t event,
                   const MQKeyValuePair* pairs) {
  const MQButtonState state =
      UnpackButtonState(mq::FindInt(pairs, "button_state", 0), 0, 0, 0, 0.0f);
  const auto scene = FindHandle<MQScene>(pairs, "scene");
  const int32_t key = mq::FindInt(pairs, "key", 0);
  return event == kKeyDown ? command.OnKeyDown(document, scene, key, state)
                           : command.OnKeyUp(document, scene, key, state);
}

// --- Document events ------------------------------------------------------------------------

bool RouteSaveEvent(MQStationPlugin& station, MQDocument document, int32_t event,
                    const MQKeyValuePair* pairs) {
  MQSaveDocumentParam param{};
  param.xmlElement = FindHandle<MQXmlElement>(pairs, "xml_elem");
  param.saveUniqueID = 0;
  param.pastState = event == kSavePastDocument ? mq::FindInt(pairs, "past_state", -1) : -1;
  const auto* filename = FindPointer<const MQWideChar>(pairs, "filename");
  if (event == kSavePastDocument) {
    station.OnSavePastDocument(document, filename, &param);
  } else {
    station.OnSaveDocument(document, filename, &param);
  }
  if (param.saveUniqueID != 0) StoreIfGiven(FindPointer<int32_t>(pairs, "save_uid"), 1);
  return true;
}

// The number an edit option event passes for its "trigger".
int32_t EditOptionTrigger(const char* trigger) {
  if (Is(trigger, "screen")) return 1;
  if (Is(trigger, "world")) return 2;
  if (Is(trigger, "local")) return 3;
  return 0;
}

// --- Per-element data events ----------------------------------------------------------------

bool RouteCopyElementData(MQStationPlugin& station, MQDocument document,
                          const MQKeyValuePair* pairs) {
  const auto* type = FindPointer<const char>(pairs, "type");
  int32_t elementType = 0;
  int32_t copiedAnswer = 0;  // what "result" receives when the operation copied
  if (Is(type, "vertex")) {
    elementType = MQELEMENT_VERTEX;
    copiedAnswer = 1;
  } else if (Is(type, "apex")) {
    elementType = MQELEMENT_APEX;
    copiedAnswer = 2;
  } else {
    return true;
  }
  const bool copied = station.OnCopyElementData(document, FindHandle<MQObject>(pairs, "dstobj"),
                                                FindHandle<MQObject>(pairs, "srcobj"), elementType,
                                                mq::FindInt(pairs, "reason", 0));
  StoreIfGiven(FindPointer<int32_t>(pairs, "result"), copied ? copiedAnswer : 0);
  return true;
}

constexpr size_t kWord = sizeof(uint32_t);

uint32_t WordAt(const unsigned char* bytes, size_t offset) {
  uint32_t word = 0;
  std::memcpy(&word, bytes + offset, sizeof word);
  return word;
}

int32_t SignedWordAt(const unsigned char* bytes, size_t offset) {
  int32_t word = 0;
  std::memcpy(&word, bytes + offset, sizeof word);
  return word;
}

// The host is a 32-bit process: no array it describes can span more bytes than a signed 32-bit
// size holds. A count beyond that is not the host's and would only exhaust memory here.
constexpr uint64_t kLargestEntryArrayBytes = INT32_MAX;

// The copied entries of one event: up to four in place, more in a zero-filled heap array that
// lives as long as the event is being handled.
template <typename Entry>
class EntryArray {
 public:
  EntryArray() = default;
  EntryArray(const EntryArray&) = delete;
  EntryArray& operator=(const EntryArray&) = delete;

  // Makes room for `count` entries; false for a negative count, a count no host array can have,
  // or when memory runs out.
  bool Allocate(int32_t count) {
    if (count < 0) return false;
    if (static_cast<uint64_t>(count) > kLargestEntryArrayBytes / sizeof(Entry)) return false;
    if (count <= kInPlace) return true;
    heap_.reset(new (std::nothrow) Entry[static_cast<size_t>(count)]());
    entries_ = heap_.get();
    return entries_ != nullptr;
  }

  Entry& operator[](int32_t index) { return entries_[index]; }
  const Entry* data() const { return entries_; }

 private:
  static constexpr int32_t kInPlace = 4;
  Entry inPlace_[kInPlace] = {};
  std::unique_ptr<Entry[]> heap_;
  Entry* entries_ = inPlace_;
};

// A "vertex" block: the first word, a word nobody reads, the second word, the count, then the
// entries of 16 bytes whose words at 0, 8 and 12 are handed on.
bool CombineVertexData(MQStationPlugin& station, MQDocument document, const unsigned char* block) {
  constexpr size_t kHeaderBytes = 4 * kWord;
  constexpr size_t kEntryBytes = 4 * kWord;
  const int32_t count = SignedWordAt(block, 3 * kWord);
  EntryArray<MQVertexDataEntry> entries;
  if (!entries.Allocate(count)) return false;
  const unsigned char* source = block + kHeaderBytes;
  for (int32_t index = 0; index < count; ++index, source += kEntryBytes) {
    entries[index] = MQVertexDataEntry{{WordAt(source, 0), WordAt(source, 8), WordAt(source, 12)}};
  }
  station.OnCombineVertexData(document, WordAt(block, 0), WordAt(block, 2 * kWord), entries.data(),
                              count);
  return true;
}

// An "apex" block: the first word, a word nobody reads, the second and third words, the count,
// then the entries of 20 bytes whose words at 0, 8, 12 and 16 are handed on.
bool CombineApexData(MQStationPlugin& station, MQDocument document, const unsigned char* block) {
  constexpr size_t kHeaderBytes = 5 * kWord;
  constexpr size_t kEntryBytes = 5 * kWord;
  const int32_t count = SignedWordAt(block, 4 * kWord);
  EntryArray<MQApexDataEntry> entries;
  if (!entries.Allocate(count)) return false;
  const unsigned char* source = block + kHeaderBytes;
  for (int32_t index = 0; index < count; ++index, source += kEntryBytes) {
    entries[index] = MQApexDataEntry{
        {WordAt(source, 0), WordAt(source, 8), WordAt(source, 12), WordAt(source, 16)}};
  }
  station.OnCombineApexData(document, WordAt(block, 0), WordAt(block, 2 * kWord),
                            WordAt(block, 3 * kWord), entries.data(), count);
  return true;
}

// The option is an array of pointers: the element type, then the block.
bool RouteCombineElementData(MQStationPlugin& station, MQDocument document, void* option) {
  if (option == nullptr) return false;
  void* const* entries = static_cast<void* const*>(option);
  const auto* type = static_cast<const char*>(entries[0]);
  const auto* block = static_cast<const unsigned char*>(entries[1]);
  if (Is(type, "vertex")) return block != nullptr && CombineVertexData(station, document, block);
  if (Is(type, "apex")) return block != nullptr && CombineApexData(station, document, block);
  return true;
}

// The option is an array of pointers: the operation, a pointer whose role the operation decides,
// then key/value pairs.
bool RouteClipboardData(MQStationPlugin& station, MQDocument document, void* option) {
  if (option == nullptr) return false;
  void** entries = static_cast<void**>(option);
  const auto* operation = static_cast<const char*>(entries[0]);
  void* const exchange = entries[1];
  const auto* pairs = reinterpret_cast<const MQKeyValuePair*>(entries + 2);

  MQClipboardRecord record{};
  if (Is(operation, "query")) {
    record.numVert = mq::FindInt(pairs, "numvert", 0);
    record.numLine = mq::FindInt(pairs, "numline", 0);
    record.numFace = mq::FindInt(pairs, "numface", 0);
    const bool answer = station.OnClipboardData(document, nullptr, MQCLIPBOARD_QUERY, &record);
    // The host reads this answer as a single byte.
    StoreIfGiven(static_cast<unsigned char*>(exchange), static_cast<unsigned char>(answer));
    return true;
  }
  if (Is(operation, "copy") || Is(operation, "cut")) {
    record.vertexIds = mq::FindValue(pairs, "vertid");
    record.faceIds = mq::FindValue(pairs, "faceid");
    const bool copied = station.OnClipboardData(document, FindHandle<MQObject>(pairs, "object"),
                                                MQCLIPBOARD_COPY, &record);
    if (copied) {
      StoreIfGiven(static_cast<void**>(exchange), record.data);
      StoreIfGiven(FindPointer<int32_t>(pairs, "size"), record.size);
    }
    return true;
  }
  if (Is(operation, "paste")) {
    record.data = exchange;
    record.size = mq::FindInt(pairs, "size", 0);
    station.OnClipboardData(document, FindHandle<MQObject>(pairs, "object"), MQCLIPBOARD_PASTE,
                            &record);
    return true;
  }
  return false;
}

// --- Station plug-ins -----------------------------------------------------------------------

// Reads the single 32-bit value some events point to; false when the host gave none.
bool ReadOptionValue(void* option, int32_t* value) {
  if (option == nullptr) return false;
  std::memcpy(value, option, sizeof *value);
  return true;
}

// The station's answer to an event of its life and its sub-commands; empty for any other event.
std::optional<bool> RouteStationCommandEvent(MQStationPlugin& station, MQDocument document,
                                             int32_t event, void* option) {
  const auto* pairs = static_cast<const MQKeyValuePair*>(option);
  switch (event) {
    case kInitialize:
      return station.Initialize();
    case kExit:
      station.Exit();
      return true;
    case kEnumSubCommand:
      StoreIfGiven(FindPointer<int32_t>(pairs, "result"),
                   station.EnumSubCommand(mq::FindInt(pairs, "index", 0)));
      return true;
    case kGetSubCommandString:
      StoreIfGiven(FindPointer<int32_t>(pairs, "result"),
                   station.GetSubCommandString(mq::FindInt(pairs, "index", 0)));
      return true;
    case kUserUpdate:
      station.OnUserUpdateEvent(document);
      return true;
    case kActivate: {
      int32_t active = 0;
      if (!ReadOptionValue(option, &active)) return false;
      return station.OnActivate(document, active);
    }
    case kIsActivated:
      return station.IsActivated(document);
    case kMinimize: {
      int32_t minimized = 0;
      if (!ReadOptionValue(option, &minimized)) return false;
      station.OnMinimize(document, minimized);
      return true;
    }
    case kUserMessage: {
      const int32_t answer = station.OnPluginMessage(
          document, static_cast<uint32_t>(mq::FindInt(pairs, "src_product", 0)),
          static_cast<uint32_t>(mq::FindInt(pairs, "src_id", 0)),
          FindPointer<const char>(pairs, "description"), mq::FindValue(pairs, "message"));
      StoreIfGiven(FindPointer<int32_t>(pairs, "result"), answer);
      return true;
    }
    case kSubCommand:
      return station.OnSubCommand(document, mq::FindInt(pairs, "index", 0));
    case kIsSubCommandRunning:
      return station.IsSubCommandRunning(document);
    default:
      return std::nullopt;
  }
}

// The station's answer to an event of drawing and of the document's life; empty for any other
// event.
std::optional<bool> RouteStationDocumentEvent(MQStationPlugin& station, MQDocument document,
                                              int32_t event, void* option) {
  const auto* pairs = static_cast<const MQKeyValuePair*>(option);
  switch (event) {
    case kDraw:
      station.OnDraw(document, FindHandle<MQScene>(pairs, "scene"), mq::FindInt(pairs, "width", 1),
                     mq::FindInt(pairs, "height", 1));
      return true;
    case kNewDocument: {
      MQOpenDocumentParam param{FindHandle<MQXmlElement>(pairs, "xml_elem")};
      station.OnNewDocument(document, FindPointer<const MQWideChar>(pairs, "filename"), &param);
      return true;
    }
    case kEndDocument:
      station.OnEndDocument(document);
      return true;
    case kSaveDocument:
    case kSavePastDocument:
      return RouteSaveEvent(station, document, event, pairs);
    case kMergeDocument: {
      MQMergeDocumentParam param{
          FindHandle<MQXmlElement>(pairs, "xml_elem"), FindHandle<MQDocument>(pairs, "srcdoc"),
          mq::FindValue(pairs, "object_table"), mq::FindValue(pairs, "material_table")};
      station.OnMergeDocument(document, FindPointer<const MQWideChar>(pairs, "filename"), &param);
      return true;
    }
    default:
      return std::nullopt;
  }
}

// The station's answer to an event of undoing, of changes to the document and of element data;
// empty for any other event.
std::optional<bool> RouteStationEditEvent(MQStationPlugin& station, MQDocument document,
                                          int32_t event, void* option) {
  const auto* pairs = static_cast<const MQKeyValuePair*>(option);
  switch (event) {
    case kUndo:
      return station.OnUndo(document, mq::FindInt(pairs, "state", 0));
    case kRedo:
      return station.OnRedo(document, mq::FindInt(pairs, "state", 0));
    case kUpdateUndo:
      station.OnUpdateUndo(document, mq::FindInt(pairs, "state", 0), mq::FindInt(pairs, "size", 0));
      return true;
    case kUpdateObjectList:
      station.OnUpdateObjectList(document);
      return true;
    case kObjectModified:
      station.OnObjectModified(document);
      return true;
    case kObjectSelected:
      station.OnObjectSelected(document);
      return true;
    case kUpdateMaterialList:
      station.OnUpdateMaterialList(document);
      return true;
    case kMaterialModified:
      station.OnMaterialModified(document);
      return true;
    case kUpdateScene:
      station.OnUpdateScene(document, FindHandle<MQScene>(pairs, "scene"));
      return true;
    case kChangeEditOption:
      station.OnChangeEditOption(document,
                                 EditOptionTrigger(FindPointer<const char>(pairs, "trigger")));
      return true;
    case kCopyElementData:
      return RouteCopyElementData(station, document, pairs);
    case kCombineElementData:
      return RouteCombineElementData(station, document, option);
    case kClipboardData:
      return RouteClipboardData(station, document, option);
    default:
      return std::nullopt;
  }
}

// The station's answer to `event`; empty when stations do not hear the event.
std::optional<bool> RouteStationEvent(MQStationPlugin& station, MQDocument document, int32_t event,
                                      void* option) {
  if ((event >= kFirstPointerEvent && event <= kLastPointerEvent) || event == kKeyDown ||
      event == kKeyUp) {
    const auto* pairs = static_cast<const MQKeyValuePair*>(option);
    auto* command = dynamic_cast<MQCommandPlugin*>(&station);
    if (command == nullptr) return false;
    return event == kKeyDown || event == kKeyUp
               ? RouteKeyEvent(*command, document, event, pairs)
               : RoutePointerEvent(*command, document, event, pairs);
  }
  if (const auto answer = RouteStationCommandEvent(station, document, event, option)) {
    return answer;
  }
  if (const auto answer = RouteStationDocumentEvent(station, document, event, option)) {
    return answer;
  }
  return RouteStationEditEvent(station, document, event, option);
}

// --- Import plug-ins ------------------------------------------------------------------------

bool RouteImportEvent(MQImportPlugin& importer, int32_t event, void* option) {
  const auto* pairs = static_cast<const MQKeyValuePair*>(option);
  switch (event) {
    case kQueryBackgroundImport:
      return importer.SupportsBackgroundImport();
    case kSetImportArguments:
      importer.background = mq::FindInt(pairs, "background", 0);
      importer.arguments = mq::FindValue(pairs, "args");
      return true;
    default:
      return false;
  }
}

}  // namespace

bool RouteHostEvent(MQBasePlugin* plugin, MQDocument document, int32_t event, void* option) {
  if (auto* station = dynamic_cast<MQStationPlugin*>(plugin)) {
    if (const std::optional<bool> handled = RouteStationEvent(*station, document, event, option)) {
      return *handled;
    }
  }
  if (auto* importer = dynamic_cast<MQImportPlugin*>(plugin)) {
    return RouteImportEvent(*importer, event, option);
  }
  return false;
}
