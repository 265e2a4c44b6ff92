// Plug-ins of each framework kind that record every operation the event router calls on them:
// the operation's slot in the virtual table and its arguments, each widened to a 64-bit word.
#pragma once

#include <cstdint>
#include <cstring>
#include <ostream>
#include <utility>
#include <vector>

#include "host/command_plugin.h"
#include "host/import_plugin.h"
#include "host/station_plugin.h"

namespace recording {

// A handle that names nothing real: the router only passes handles along.
template <typename Handle>
Handle Fake(uintptr_t value) {
  return reinterpret_cast<Handle>(value);
}

inline const MQDocument kDocument = Fake<MQDocument>(0xD0C0);
inline const MQObject kDestinationObject = Fake<MQObject>(0x0B10);
inline const MQObject kSourceObject = Fake<MQObject>(0x0B20);

using Words = std::vector<uint64_t>;

inline uint64_t Word(const void* pointer) {
  return reinterpret_cast<uintptr_t>(pointer);
}
inline uint64_t Word(std::nullptr_t) {
  return 0;
}
inline uint64_t Word(int32_t value) {
  return static_cast<uint32_t>(value);
}
inline uint64_t Word(uint32_t value) {
  return value;
}
inline uint64_t Word(float value) {
  uint32_t bits = 0;
  std::memcpy(&bits, &value, sizeof bits);
  return bits;
}

template <typename... Values>
Words WordsOf(Values... values) {
  return Words{Word(values)...};
}

inline Words Join(Words head, const Words& tail) {
  head.insert(head.end(), tail.begin(), tail.end());
  return head;
}

// The button record in its field order.
inline Words WordsOf(const MQButtonState& state) {
  return WordsOf(state.mouseX, state.mouseY, state.wheel, state.leftButton, state.middleButton,
                 state.rightButton, state.shift, state.ctrl, state.alt, state.pressure);
}

inline Words WordsOf(const MQClipboardRecord& record) {
  return WordsOf(record.numVert, record.numLine, record.numFace, record.data, record.size,
                 record.vertexIds, record.faceIds);
}

struct ReceivedCall {
  int slot = -1;
  Words arguments;

  bool operator==(const ReceivedCall& other) const {
    return slot == other.slot && arguments == other.arguments;
  }
};

inline void PrintTo(const ReceivedCall& call, std::ostream* out) {
  *out << "slot " << call.slot << " (";
  for (size_t index = 0; index < call.arguments.size(); ++index) {
    *out << (index == 0 ? "" : ", ") << std::hex << "0x" << call.arguments[index] << std::dec;
  }
  *out << ")";
}

// Station operations, recorded; `Base` is the station class or one below it.
template <typename Base>
class RecordingStationOf : public Base {
 public:
  std::vector<ReceivedCall> calls;
  // What every operation with a boolean result answers.
  bool answer = true;
  // What the operations with a 32-bit result answer.
  int32_t wordAnswer = 0x5EED;
  // Written into the save record by the save operations.
  int32_t saveFlagToSet = 0;
  // Written into the clipboard record by the clipboard operation.
  void* clipboardDataToSet = nullptr;
  int32_t clipboardSizeToSet = 0;

  void GetPlugInID(uint32_t* product, uint32_t* id) override {
    *product = 0x11111111;
    *id = 0x22222222;
  }
  const char* GetPlugInName() override { return "Recorder"; }

  const MQWideChar* EnumString(int32_t index) override {
    Record(4, WordsOf(index));
    return u"Recorder";
  }
  int32_t EnumSubCommand(int32_t index) override { return RecordWord(5, WordsOf(index)); }
  int32_t GetSubCommandString(int32_t index) override { return RecordWord(6, WordsOf(index)); }
  bool Initialize() override { return Record(7, {}); }
  bool Exit() override { return Record(8, {}); }
  bool OnActivate(MQDocument document, int32_t active) override {
    return Record(9, WordsOf(document, active));
  }
  bool IsActivated(MQDocument document) override { return Record(10, WordsOf(document)); }
  bool OnSubCommand(MQDocument document, int32_t index) override {
    return Record(11, WordsOf(document, index));
  }
  bool IsSubCommandRunning(MQDocument document) override { return Record(12, WordsOf(document)); }
  bool OnMinimize(MQDocument document, int32_t minimized) override {
    return Record(13, WordsOf(document, minimized));
  }
  int32_t OnPluginMessage(MQDocument document, uint32_t product, uint32_t id,
                          const char* description, void* message) override {
    return RecordWord(14, WordsOf(document, product, id, description, message));
  }
  bool OnDraw(MQDocument document, MQScene scene, int32_t width, int32_t height) override {
    return Record(15, WordsOf(document, scene, width, height));
  }
  bool OnNewDocument(MQDocument document, const MQWideChar* filename,
                     MQOpenDocumentParam* param) override {
    return Record(16, WordsOf(document, filename, param->xmlElement));
  }
  bool OnMergeDocument(MQDocument document, const MQWideChar* filename,
                       MQMergeDocumentParam* param) override {
    return Record(17, WordsOf(document, filename, param->xmlElement, param->sourceDocument,
                              param->objectTable, param->materialTable));
  }
  bool OnEndDocument(MQDocument document) override { return Record(18, WordsOf(document)); }
  bool OnSaveDocument(MQDocument document, const MQWideChar* filename,
                      MQSaveDocumentParam* param) override {
    return RecordSave(19, document, filename, param);
  }
  bool OnSavePastDocument(MQDocument document, const MQWideChar* filename,
                          MQSaveDocumentParam* param) override {
    return RecordSave(20, document, filename, param);
  }
  bool OnUndo(MQDocument document, int32_t state) override {
    return Record(21, WordsOf(document, state));
  }
  bool OnRedo(MQDocument document, int32_t state) override {
    return Record(22, WordsOf(document, state));
  }
  bool OnUpdateUndo(MQDocument document, int32_t state, int32_t size) override {
    return Record(23, WordsOf(document, state, size));
  }
  bool OnObjectModified(MQDocument document) override { return Record(24, WordsOf(document)); }
  bool OnObjectSelected(MQDocument document) override { return Record(25, WordsOf(document)); }
  bool OnUpdateObjectList(MQDocument document) override { return Record(26, WordsOf(document)); }
  bool OnMaterialModified(MQDocument document) override { return Record(27, WordsOf(document)); }
  bool OnUpdateMaterialList(MQDocument document) override { return Record(28, WordsOf(document)); }
  bool OnUpdateScene(MQDocument document, MQScene scene) override {
    return Record(29, WordsOf(document, scene));
  }
  bool OnChangeEditOption(MQDocument document, int32_t trigger) override {
    return Record(30, WordsOf(document, trigger));
  }
  bool OnUserUpdateEvent(MQDocument document) override { return Record(31, WordsOf(document)); }
  bool OnCopyElementData(MQDocument document, MQObject destination, MQObject source,
                         int32_t elementType, int32_t reason) override {
    return Record(32, WordsOf(document, destination, source, elementType, reason));
  }
  bool OnCombineVertexData(MQDocument document, uint32_t first, uint32_t second,
                           const MQVertexDataEntry* entries, int32_t count) override {
    Words words = WordsOf(document, first, second, count);
    for (int32_t index = 0; index < count; ++index) {
      for (uint32_t word : entries[index].words) words.push_back(word);
    }
    return Record(33, words);
  }
  bool OnCombineApexData(MQDocument document, uint32_t first, uint32_t second, uint32_t third,
                         const MQApexDataEntry* entries, int32_t count) override {
    Words words = WordsOf(document, first, second, third, count);
    for (int32_t index = 0; index < count; ++index) {
      for (uint32_t word : entries[index].words) words.push_back(word);
    }
    return Record(34, words);
  }
  bool OnClipboardData(MQDocument document, MQObject object, int32_t mode,
                       MQClipboardRecord* record) override {
    const bool result = Record(35, Join(WordsOf(document, object, mode), WordsOf(*record)));
    record->data = clipboardDataToSet;
    record->size = clipboardSizeToSet;
    return result;
  }
  bool ExecuteCallback(MQDocument document, void* option) override {
    return Record(36, WordsOf(document, option));
  }

 protected:
  bool Record(int slot, Words arguments) {
    calls.push_back(ReceivedCall{slot, std::move(arguments)});
    return answer;
  }
  int32_t RecordWord(int slot, Words arguments) {
    Record(slot, std::move(arguments));
    return wordAnswer;
  }
  bool RecordSave(int slot, MQDocument document, const MQWideChar* filename,
                  MQSaveDocumentParam* param) {
    const bool result = Record(slot, WordsOf(document, filename, param->xmlElement,
                                             param->saveUniqueID, param->pastState));
    param->saveUniqueID = saveFlagToSet;
    return result;
  }
};

using RecordingStation = RecordingStationOf<MQStationPlugin>;

// Station and command operations, recorded.
class RecordingCommand : public RecordingStationOf<MQCommandPlugin> {
 public:
  bool OnLeftButtonDown(MQDocument document, MQScene scene, const MQButtonState& state) override {
    return RecordButton(37, document, scene, state);
  }
  bool OnLeftButtonMove(MQDocument document, MQScene scene, const MQButtonState& state) override {
    return RecordButton(38, document, scene, state);
  }
  bool OnLeftButtonUp(MQDocument document, MQScene scene, const MQButtonState& state) override {
    return RecordButton(39, document, scene, state);
  }
  bool OnMiddleButtonDown(MQDocument document, MQScene scene, const MQButtonState& state) override {
    return RecordButton(40, document, scene, state);
  }
  bool OnMiddleButtonMove(MQDocument document, MQScene scene, const MQButtonState& state) override {
    return RecordButton(41, document, scene, state);
  }
  bool OnMiddleButtonUp(MQDocument document, MQScene scene, const MQButtonState& state) override {
    return RecordButton(42, document, scene, state);
  }
  bool OnRightButtonDown(MQDocument document, MQScene scene, const MQButtonState& state) override {
    return RecordButton(43, document, scene, state);
  }
  bool OnRightButtonMove(MQDocument document, MQScene scene, const MQButtonState& state) override {
    return RecordButton(44, document, scene, state);
  }
  bool OnRightButtonUp(MQDocument document, MQScene scene, const MQButtonState& state) override {
    return RecordButton(45, document, scene, state);
  }
  bool OnMouseMove(MQDocument document, MQScene scene, const MQButtonState& state) override {
    return RecordButton(46, document, scene, state);
  }
  bool OnMouseWheel(MQDocument document, MQScene scene, const MQButtonState& state) override {
    return RecordButton(47, document, scene, state);
  }
  bool OnKeyDown(MQDocument document, MQScene scene, int32_t key,
                 const MQButtonState& state) override {
    return Record(48, Join(WordsOf(document, scene, key), WordsOf(state)));
  }
  bool OnKeyUp(MQDocument document, MQScene scene, int32_t key,
               const MQButtonState& state) override {
    return Record(49, Join(WordsOf(document, scene, key), WordsOf(state)));
  }

 private:
  bool RecordButton(int slot, MQDocument document, MQScene scene, const MQButtonState& state) {
    return Record(slot, Join(WordsOf(document, scene), WordsOf(state)));
  }
};

// Import operations, recorded.
class RecordingImport : public MQImportPlugin {
 public:
  std::vector<ReceivedCall> calls;
  bool answer = true;

  void GetPlugInID(uint32_t* product, uint32_t* id) override {
    *product = 0x33333333;
    *id = 0x44444444;
  }
  const char* GetPlugInName() override { return "Import recorder"; }
  const char* EnumFileType(int32_t index) override {
    Record(4, WordsOf(index));
    return nullptr;
  }
  const char* EnumFileExt(int32_t index) override {
    Record(5, WordsOf(index));
    return nullptr;
  }
  bool ImportFile(int32_t index, const MQWideChar* filename, MQDocument document) override {
    Record(6, WordsOf(index, filename, document));
    return answer;
  }
  bool SupportsBackgroundImport() override {
    Record(7, {});
    return answer;
  }

 private:
  void Record(int slot, Words arguments) {
    calls.push_back(ReceivedCall{slot, std::move(arguments)});
  }
};

}  // namespace recording
