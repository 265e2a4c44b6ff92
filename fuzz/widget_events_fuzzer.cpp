// The plug-in's widget event procedure with any events, while its dialog runs and after it has
// closed: every procedure and closure the plug-in registered is called with fuzzed key/value
// arrays (any event type, any target and sender ids, keys in their forms), and now and then the
// user works the dialog in between. The plug-in must never crash, never make a request the host
// rejects, and must call nothing for closures whose widgets are gone.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <string>
#include <vector>

#include "fuzz/fuzzed_pairs.h"
#include "fuzz/loaded_plugin.h"
#include "fuzz/scene_equality.h"
#include "host_imitation/host_imitation.h"
#include "host_imitation/modal_dialog.h"
#include "host_imitation/morph_feature.h"
#include "scene/obj/obj_reader.h"
#include "scene_run/scene_document.h"

namespace {

constexpr const char* kScene =
    "o face\nv 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n"
    "o elem:smile-face\nv 0 0 1\nv 1 0 1\nv 0 1 1\nf 4 5 6\n"
    "o elem:blink-face\nv 0 1 0\nv 1 1 0\nv 0 2 0\nf 7 8 9\n"
    "o head\nv 0.25 0.25 0\nv 2 0 0\nv 0 2 0\nf 10 11 12\n";

const std::vector<KeyForm>& EventKeys() {
  static const std::vector<KeyForm> keys = {
      {"type",
       ValueForm::kText,
       {"execute", "leftdown", "leftup", "mousemove", "mousewheel", "keydown", "keyup", "paint",
        "listdrawitem", "treelistdrawitem", "memodrawitem", "closequery", "dragover", "dropfiles",
        "timer", "hide", "show"}},
      {"finished", ValueForm::kByte, {}},
      {"client_x", ValueForm::kInt, {}},
      {"client_y", ValueForm::kInt, {}},
      {"screen_x", ValueForm::kInt, {}},
      {"screen_y", ValueForm::kInt, {}},
      {"down_x", ValueForm::kInt, {}},
      {"down_y", ValueForm::kInt, {}},
      {"last_x", ValueForm::kInt, {}},
      {"last_y", ValueForm::kInt, {}},
      {"wheel_delta", ValueForm::kInt, {}},
      {"pressure", ValueForm::kFloat, {}},
      {"button_state", ValueForm::kInt, {}},
      {"key", ValueForm::kInt, {}},
      {"auto_repeat", ValueForm::kInt, {}},
      {"canvas", ValueForm::kHandle, {}},
      {"interrupted", ValueForm::kBuffer, {}},
      {"index", ValueForm::kInt, {}},
      {"id", ValueForm::kInt, {}},
      {"line", ValueForm::kInt, {}},
      {"start", ValueForm::kInt, {}},
      {"end", ValueForm::kInt, {}},
      {"x", ValueForm::kInt, {}},
      {"y", ValueForm::kInt, {}},
      {"width", ValueForm::kInt, {}},
      {"height", ValueForm::kInt, {}},
      {"result", ValueForm::kByte, {}},
      {"files", ValueForm::kPointers, {}},
      {"target_id", ValueForm::kInt, {}},
      {"sender_id", ValueForm::kInt, {}},
  };
  return keys;
}

// Every registration on the dialog and the widgets under it, live or not.
std::vector<host_imitation::EventRegistration> RegistrationsUnder(
    const host_imitation::WidgetService& service, int32_t dialog) {
  std::vector<host_imitation::EventRegistration> all = service.Registrations(dialog);
  for (const host_imitation::HostWidget* widget : service.Descendants(dialog)) {
    for (const auto& registration : service.Registrations(widget->id)) {
      all.push_back(registration);
    }
  }
  return all;
}

// One fuzzed event through one registration: its target and sender picked among the widgets the
// plug-in made (or any id), then fuzzed keys.
void SendFuzzedEvent(FuzzedDataProvider& input, host_imitation::WidgetService& service,
                     const std::vector<host_imitation::EventRegistration>& registrations,
                     const std::vector<int32_t>& ids) {
  if (registrations.empty()) return;
  const auto& registration =
      registrations[input.ConsumeIntegralInRange<std::size_t>(0, registrations.size() - 1)];
  auto pickId = [&] {
    const std::size_t choice = input.ConsumeIntegralInRange<std::size_t>(0, ids.size());
    return choice < ids.size() ? ids[choice] : input.ConsumeIntegral<int32_t>();
  };
  int32_t target = input.ConsumeIntegralInRange<int>(0, 3) == 0 ? pickId() : registration.widget;
  int32_t sender = pickId();
  std::vector<MQKeyValuePair> leading;
  if (input.ConsumeIntegralInRange<int>(0, 7) != 0) leading.push_back({"target_id", &target});
  if (input.ConsumeBool()) leading.push_back({"sender_id", &sender});
  FuzzedPairs pairs(input, EventKeys(), 6, std::move(leading));
  service.CallProcedure(registration, pairs.data());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  LoadedPlugin& plugin = Plugin();
  FuzzedDataProvider input(data, size);

  host_imitation::HostImitation& host = host_imitation::Host();
  host.Reset();
  host_imitation::HostDocument& document = host.NewDocument();
  palisor_scene::Scene scene = palisor_scene::ReadObjText(kScene, "scene.obj");
  const palisor_run::SceneDocument built({&scene}, document);
  const auto& objects = built.objects();
  host_imitation::InstallMorphFeature();
  objects.front()->intValues[MQOBJECT_ATTRIBUTE_SELECTED] = 1;
  objects.back()->intValues[MQOBJECT_ATTRIBUTE_SELECTED] = 1;

  host_imitation::WidgetService& service = host.widgets();
  std::vector<host_imitation::EventRegistration> registrations;
  std::vector<int32_t> ids;
  service.SetUser([&](host_imitation::ModalDialog& dialog) {
    registrations = RegistrationsUnder(service, dialog.id());
    ids.push_back(dialog.id());
    for (const host_imitation::HostWidget* widget : service.Descendants(dialog.id())) {
      ids.push_back(widget->id);
    }
    while (input.remaining_bytes() > 0 && !dialog.ended()) {
      switch (input.ConsumeIntegralInRange<int>(0, 15)) {
        case 0:
          dialog.Press(input.ConsumeBool() ? u"OK" : u"Cancel");
          break;
        case 1: {
          const std::size_t count = dialog.ItemTexts().size();
          if (count == 0) break;
          const auto item = input.ConsumeIntegralInRange<std::size_t>(0, count - 1);
          dialog.TickItem(static_cast<int32_t>(item), input.ConsumeBool());
          break;
        }
        default:
          SendFuzzedEvent(input, service, registrations, ids);
      }
      if (!host.misuse().empty())
        FuzzFailure("the host rejected a request:", host.misuse().front());
    }
  });
  plugin.module.MQModifyObject(plugin.menuEntry, document.handle());

  // The dialog is gone: its procedures may still be called, and must find nothing to call.
  while (input.remaining_bytes() > 0) SendFuzzedEvent(input, service, registrations, ids);
  if (!host.misuse().empty()) FuzzFailure("the host rejected a request:", host.misuse().front());
  host.Reset();
  return 0;
}
