// Host events with any option, as MQOnEvent receives them: through the plug-in library's export,
// and through the same router to a station, a command and an import plug-in that record what
// they are called with. Options take the forms the host hands over: key/value arrays with keys
// in their forms, the element-type and block array of the combine event (a block of the count it
// states), the operation array of the clipboard event. Nothing may crash.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "fuzz/fuzzed_pairs.h"
#include "fuzz/loaded_plugin.h"
#include "host/event_router.h"
#include "host/recording_plugins.h"
#include "host_imitation/host_imitation.h"

namespace {

constexpr int32_t kActivate = 100;
constexpr int32_t kMinimize = 102;
constexpr int32_t kCombineElementData = 261;
constexpr int32_t kClipboardData = 262;

// The event codes the router knows, with a few it does not.
constexpr int32_t kEvents[] = {1,   2,   3,   4,   7,   100, 101, 102, 103, 104, 105, 110,
                               120, 121, 122, 123, 124, 125, 126, 127, 128, 129, 130, 140,
                               141, 200, 201, 202, 203, 204, 210, 211, 212, 220, 221, 222,
                               230, 231, 240, 250, 260, 261, 262, 300, 301, 0,   -1,  999};

const std::vector<KeyForm>& EventKeys() {
  static const std::vector<KeyForm> keys = {
      {"type", ValueForm::kText, {"vertex", "apex", "face"}},
      {"trigger", ValueForm::kText, {"screen", "world", "local"}},
      {"description", ValueForm::kText, {"QueryAPIVersion", "GetTargetObject"}},
      {"filename", ValueForm::kWideText, {}},
      {"args", ValueForm::kText, {}},
      {"xml_elem", ValueForm::kHandle, {}},
      {"scene", ValueForm::kHandle, {}},
      {"object", ValueForm::kHandle, {}},
      {"dstobj", ValueForm::kHandle, {}},
      {"srcobj", ValueForm::kHandle, {}},
      {"srcdoc", ValueForm::kHandle, {}},
      {"object_table", ValueForm::kBuffer, {}},
      {"material_table", ValueForm::kBuffer, {}},
      {"message", ValueForm::kBuffer, {}},
      {"vertid", ValueForm::kBuffer, {}},
      {"faceid", ValueForm::kBuffer, {}},
      {"result", ValueForm::kBuffer, {}},
      {"save_uid", ValueForm::kBuffer, {}},
      {"size", ValueForm::kInt, {}},
      {"src_product", ValueForm::kInt, {}},
      {"src_id", ValueForm::kInt, {}},
      {"index", ValueForm::kInt, {}},
      {"state", ValueForm::kInt, {}},
      {"past_state", ValueForm::kInt, {}},
      {"reason", ValueForm::kInt, {}},
      {"background", ValueForm::kInt, {}},
      {"numvert", ValueForm::kInt, {}},
      {"numline", ValueForm::kInt, {}},
      {"numface", ValueForm::kInt, {}},
      {"width", ValueForm::kInt, {}},
      {"height", ValueForm::kInt, {}},
      {"button_state", ValueForm::kInt, {}},
      {"mouse_pos_x", ValueForm::kInt, {}},
      {"mouse_pos_y", ValueForm::kInt, {}},
      {"mouse_wheel", ValueForm::kInt, {}},
      {"key", ValueForm::kInt, {}},
      {"pressure", ValueForm::kFloat, {}},
  };
  return keys;
}

// The option of one event, owning everything it points to.
struct Option {
  FuzzedPairs pairs;
  std::vector<void*> entries;
  std::vector<uint8_t> block;
  void* pointer = nullptr;

  Option(FuzzedDataProvider& input, int32_t event) : pairs(input, EventKeys(), 8) {
    const int form = input.ConsumeIntegralInRange<int>(0, 15);
    if (form == 0) return;  // no option at all
    if (event == kCombineElementData && form > 2) {
      // The element type, then a block whose count says how many entries follow it.
      const bool apex = input.ConsumeBool();
      const std::size_t header = apex ? 20 : 16;
      const std::size_t entry = apex ? 20 : 16;
      const int32_t count = input.ConsumeIntegralInRange<int32_t>(0, 40);
      block = input.ConsumeBytes<uint8_t>(header + entry * static_cast<std::size_t>(count));
      block.resize(header + entry * static_cast<std::size_t>(count));
      std::memcpy(block.data() + header - 4, &count, sizeof count);
      entries = {
          const_cast<char*>(pairs.Keep(input.ConsumeBool() ? (apex ? "apex" : "vertex") : "other")),
          input.ConsumeIntegralInRange<int>(0, 7) == 0 ? nullptr : block.data()};
      pointer = entries.data();
    } else if (event == kClipboardData && form > 2) {
      // The operation, a slot whose role it decides, then key/value pairs.
      static const char* const kOperations[] = {"query", "copy", "cut", "paste", "other"};
      entries.push_back(const_cast<char*>(kOperations[input.ConsumeIntegralInRange<int>(0, 4)]));
      entries.push_back(input.ConsumeIntegralInRange<int>(0, 7) == 0 ? nullptr : pairs.Slot(input));
      for (MQKeyValuePair* pair = pairs.data();; ++pair) {
        entries.push_back(const_cast<char*>(pair->name));
        entries.push_back(pair->value);
        if (pair->name == nullptr) break;
      }
      pointer = entries.data();
    } else if (event == kActivate || event == kMinimize) {
      pointer = pairs.Slot(input);  // a single datum
    } else {
      pointer = pairs.data();
    }
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  FuzzedDataProvider input(data, size);
  host_imitation::HostImitation& host = host_imitation::Host();
  host.Reset();
  const MQDocument document = host.NewDocument().handle();

  recording::RecordingStation station;
  recording::RecordingCommand command;
  recording::RecordingImport importer;
  while (input.remaining_bytes() > 0) {
    const int32_t event = input.ConsumeBool() ? kEvents[input.ConsumeIntegralInRange<std::size_t>(
                                                    0, sizeof kEvents / sizeof kEvents[0] - 1)]
                                              : input.ConsumeIntegral<int32_t>();
    station.answer = command.answer = importer.answer = input.ConsumeBool();
    Option option(input, event);
    switch (input.ConsumeIntegralInRange<int>(0, 3)) {
      case 0:
        Plugin().module.MQOnEvent(document, event, option.pointer);
        break;
      case 1:
        RouteHostEvent(&station, document, event, option.pointer);
        break;
      case 2:
        RouteHostEvent(&command, document, event, option.pointer);
        break;
      default:
        RouteHostEvent(&importer, document, event, option.pointer);
    }
  }
  host.Reset();
  return 0;
}
