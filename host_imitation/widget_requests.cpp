// The imitated widget service's answers to MQWidget_Value (and MQCanvas_Value): each operation
// checked as a real host would accept it, carried out on the widgets, and logged.
#include <algorithm>
#include <cstdio>
#include <cstring>

#include "host/host_api.h"
#include "host_imitation/host_imitation.h"
#include "host_imitation/key_lookup.h"
#include "host_imitation/log_format.h"
#include "host_imitation/modal_dialog.h"
#include "host_imitation/widget_properties.h"
#include "host_imitation/widget_service.h"

namespace host_imitation {

namespace {

// Ids of created widgets start well away from the main window's.
constexpr int32_t kFirstCreatedId = 100;

const char* const kCreatableKinds[] = {"dialog",      "frame", "groupbox", "button", "checkbox",
                                       "radiobutton", "label", "edit",     "listbox"};

bool IsContainer(const HostWidget& widget) {
  return widget.kind == "dialog" || widget.kind == "frame" || widget.kind == "groupbox";
}

bool IsWindow(const HostWidget& widget) {
  return widget.kind == "main_window" || widget.kind == "dialog";
}

}  // namespace

std::string WidgetOperationName(int32_t operation) {
  switch (operation) {
    case MQWIDGETOP_SHOW:
      return "Show";
    case MQWIDGETOP_GET_SYSTEM:
      return "GetSystem";
    case MQWIDGETOP_CREATE:
      return "Create";
    case MQWIDGETOP_DELETE:
      return "Delete";
    case MQWIDGETOP_ADD_CHILD:
      return "AddChild";
    case MQWIDGETOP_ADD_CHILD_WINDOW:
      return "AddChildWindow";
    case MQWIDGETOP_GET:
      return "Get";
    case MQWIDGETOP_SET:
      return "Set";
    case MQWIDGETOP_CALL:
      return "Call";
    case MQWIDGETOP_ADD_EVENT:
      return "AddEvent";
  }
  return std::to_string(operation);
}

WidgetService::WidgetService() {
  Reset();
}

WidgetService::~WidgetService() = default;

void WidgetService::Reset() {
  widgets_.clear();
  nextId_ = kFirstCreatedId;
  auto mainWindow = std::make_unique<HostWidget>();
  mainWindow->id = kMainWindowId;
  mainWindow->kind = "main_window";
  widgets_[kMainWindowId] = std::move(mainWindow);
  user_ = nullptr;
  modalStack_.clear();
  modalRuns_.clear();
  messageBoxes_.clear();
  messageBoxAnswer_ = 1;
  refuseCreation_ = nullptr;
}

int32_t WidgetService::Value(int32_t widget, int32_t operation, void* values) {
  const auto* pairs = static_cast<const MQKeyValuePair*>(values);
  const bool isDelete = operation == MQWIDGETOP_DELETE;
  LogRequest(widget, operation, isDelete ? nullptr : pairs);
  if (values == nullptr) {
    Misuse("MQWidget_Value: " + WidgetOperationName(operation) + " without an argument");
    return 0;
  }
  switch (operation) {
    case MQWIDGETOP_SHOW:
      return Show(widget, pairs);
    case MQWIDGETOP_GET_SYSTEM:
      return GetSystem(pairs);
    case MQWIDGETOP_CREATE:
      return Create(widget, pairs);
    case MQWIDGETOP_DELETE:
      return Delete(widget);
    case MQWIDGETOP_ADD_CHILD:
      return AddChild(widget, pairs);
    case MQWIDGETOP_ADD_CHILD_WINDOW:
      return AddChildWindow(widget, pairs);
    case MQWIDGETOP_GET:
      return GetOrSet(widget, false, pairs);
    case MQWIDGETOP_SET:
      return GetOrSet(widget, true, pairs);
    case MQWIDGETOP_CALL:
      return Call(widget, pairs);
    case MQWIDGETOP_ADD_EVENT:
      return AddEvent(widget, pairs);
  }
  Misuse("MQWidget_Value: unknown operation " + std::to_string(operation));
  return 0;
}

int32_t WidgetService::CanvasValue(void* canvas, int32_t operation, void* /*values*/) {
  Host().CheckThread("MQCanvas_Value");
  if (Host().log.enabled) {
    char handle[32];
    std::snprintf(handle, sizeof handle, "%p", canvas);
    Host().log.calls.push_back(HostCall{"MQCanvas_Value", {handle, std::to_string(operation)}, {}});
  }
  return 0;
}

void WidgetService::LogRequest(int32_t widget, int32_t operation, const MQKeyValuePair* values) {
  Host().CheckThread("MQWidget_Value");
  if (!Host().log.enabled) return;
  HostCall call{"MQWidget_Value", {std::to_string(widget), WidgetOperationName(operation)}, {}};
  for (; values != nullptr && values->name != nullptr; ++values) {
    call.values.emplace_back(values->name, DescribeWidgetValue(values->name, values->value));
  }
  Host().log.calls.push_back(std::move(call));
}

void WidgetService::Misuse(const std::string& what) {
  Host().NoteMisuse(what);
}

HostWidget& WidgetService::Add(const std::string& kind) {
  auto widget = std::make_unique<HostWidget>();
  widget->id = nextId_++;
  widget->kind = kind;
  HostWidget& added = *widget;
  widgets_[added.id] = std::move(widget);
  return added;
}

HostWidget* WidgetService::Resolve(int32_t id, const char* operation) {
  if (id == 0) return nullptr;
  HostWidget* widget = Find(id);
  if (widget == nullptr) {
    const HostWidget* gone = FindEvenDeleted(id);
    Misuse(std::string("MQWidget_Value: ") + operation + " on " +
           (gone != nullptr ? "deleted" : "unknown") + " widget " + std::to_string(id));
  }
  return widget;
}

int32_t WidgetService::Show(int32_t widget, const MQKeyValuePair* values) {
  const char* type = FindValue<const char>(values, "type");
  if (type != nullptr && std::strcmp(type, "messagebox") == 0) return ShowMessageBox(values);
  if (type == nullptr || std::strcmp(type, "modal") != 0) {
    Misuse(std::string("MQWidget_Value: Show of unknown type ") + (type ? type : "(none)"));
    return 0;
  }
  HostWidget* dialog = Resolve(widget, "Show");
  if (dialog == nullptr) return 0;
  if (dialog->kind != "dialog") {
    Misuse("MQWidget_Value: modal run of a " + dialog->kind);
    return 0;
  }
  if (std::find(modalStack_.begin(), modalStack_.end(), widget) != modalStack_.end()) {
    Misuse("MQWidget_Value: dialog " + std::to_string(widget) + " is already running");
    return 0;
  }
  return RunModal(*dialog, values);
}

int32_t WidgetService::RunModal(HostWidget& dialog, const MQKeyValuePair* values) {
  auto* result = FindValue<int32_t>(values, "result");
  if (result == nullptr) Misuse("MQWidget_Value: modal run without \"result\"");
  const int32_t dialogId = dialog.id;
  modalStack_.push_back(dialogId);
  ModalDialog view(*this, dialogId);
  // The user may replace itself while it runs; this run keeps the one it started with.
  const ScriptedUser user = user_;
  if (user) {
    try {
      user(view);
    } catch (const std::exception& error) {
      Misuse(std::string("scripted user: ") + error.what());
    } catch (...) {
      Misuse("scripted user: failed");
    }
  }
  modalStack_.pop_back();
  const int32_t modalResult = view.ended() ? view.result() : 0;
  modalRuns_.push_back(ModalRunRecord{dialogId, modalResult});
  if (result != nullptr) *result = modalResult;
  return 1;
}

int32_t WidgetService::ShowMessageBox(const MQKeyValuePair* values) {
  MessageBoxRecord record;
  const char* messageType = FindValue<const char>(values, "messagetype");
  record.messageType = messageType != nullptr ? messageType : "";
  const auto* parent = FindValue<const int32_t>(values, "parent");
  record.parent = parent != nullptr ? *parent : 0;
  const auto* message = FindValue<const char16_t>(values, "message");
  record.message = message != nullptr ? message : u"";
  const auto* title = FindValue<const char16_t>(values, "title");
  record.title = title != nullptr ? title : u"";
  if (record.parent != 0 && !IsLive(record.parent)) {
    Misuse("MQWidget_Value: message box for unknown parent " + std::to_string(record.parent));
  }
  messageBoxes_.push_back(record);
  auto* result = FindValue<int32_t>(values, "result");
  if (result == nullptr) {
    Misuse("MQWidget_Value: message box without \"result\"");
    return 0;
  }
  *result = messageBoxAnswer_;
  return 1;
}

int32_t WidgetService::GetSystem(const MQKeyValuePair* values) {
  const char* system = FindValue<const char>(values, "system");
  auto* result = FindValue<int32_t>(values, "result");
  if (system == nullptr || std::strcmp(system, "main_window") != 0 || result == nullptr) {
    Misuse(std::string("MQWidget_Value: GetSystem of ") + (system ? system : "(none)") +
           (result ? "" : " without \"result\""));
    return 0;
  }
  *result = kMainWindowId;
  return 1;
}

int32_t WidgetService::Create(int32_t widget, const MQKeyValuePair* values) {
  const char* kind = FindValue<const char>(values, "type");
  auto* id = FindValue<int32_t>(values, "id");
  if (widget != 0) Misuse("MQWidget_Value: Create on widget " + std::to_string(widget));
  if (id == nullptr) {
    Misuse("MQWidget_Value: Create without \"id\"");
    return 0;
  }
  const bool known =
      kind != nullptr && std::any_of(std::begin(kCreatableKinds), std::end(kCreatableKinds),
                                     [&](const char* k) { return std::strcmp(k, kind) == 0; });
  if (!known) {
    Misuse(std::string("MQWidget_Value: Create of unknown kind ") + (kind ? kind : "(none)"));
    *id = 0;
    return 0;
  }
  if (refuseCreation_ && refuseCreation_(kind)) {
    *id = 0;
    return 0;
  }
  *id = Add(kind).id;
  return 1;
}

int32_t WidgetService::Delete(int32_t widget) {
  HostWidget* target = Resolve(widget, "Delete");
  if (target == nullptr) return 0;
  if (target->kind == "main_window") {
    Misuse("MQWidget_Value: Delete of the host's main window");
    return 0;
  }
  target->deleted = true;
  if (HostWidget* parent = Find(target->parent)) {
    auto& siblings = parent->children;
    siblings.erase(std::remove(siblings.begin(), siblings.end(), widget), siblings.end());
  }
  if (HostWidget* owner = Find(target->owner)) {
    auto& windows = owner->childWindows;
    windows.erase(std::remove(windows.begin(), windows.end(), widget), windows.end());
  }
  // What was placed in it stays until deleted itself, outside any tree.
  for (int32_t child : target->children) {
    if (HostWidget* orphan = Find(child)) orphan->parent = 0;
  }
  for (int32_t window : target->childWindows) {
    if (HostWidget* orphan = Find(window)) orphan->owner = 0;
  }
  return 1;
}

int32_t WidgetService::AddChild(int32_t widget, const MQKeyValuePair* values) {
  const auto* childId = FindValue<const int32_t>(values, "child");
  if (childId == nullptr) {
    Misuse("MQWidget_Value: AddChild without \"child\"");
    return 0;
  }
  HostWidget* parent = Resolve(widget, "AddChild");
  HostWidget* child = Resolve(*childId, "AddChild of a child");
  if (parent == nullptr || child == nullptr) return 0;
  if (!IsContainer(*parent)) {
    Misuse("MQWidget_Value: AddChild to a " + parent->kind);
    return 0;
  }
  if (IsWindow(*child)) {
    Misuse("MQWidget_Value: AddChild of a " + child->kind);
    return 0;
  }
  if (child->parent != 0 || child == parent) {
    Misuse("MQWidget_Value: widget " + std::to_string(child->id) + " placed twice");
    return 0;
  }
  child->parent = parent->id;
  parent->children.push_back(child->id);
  return 1;
}

int32_t WidgetService::AddChildWindow(int32_t widget, const MQKeyValuePair* values) {
  const auto* childId = FindValue<const int32_t>(values, "child");
  if (childId == nullptr) {
    Misuse("MQWidget_Value: AddChildWindow without \"child\"");
    return 0;
  }
  HostWidget* owner = Resolve(widget, "AddChildWindow");
  HostWidget* child = Resolve(*childId, "AddChildWindow of a child");
  if (owner == nullptr || child == nullptr) return 0;
  if (!IsWindow(*owner) || child->kind != "dialog" || child->owner != 0 || child == owner) {
    Misuse("MQWidget_Value: AddChildWindow of a " + child->kind + " to a " + owner->kind);
    return 0;
  }
  child->owner = owner->id;
  owner->childWindows.push_back(child->id);
  return 1;
}

int32_t WidgetService::GetOrSet(int32_t widget, bool set, const MQKeyValuePair* values) {
  HostWidget* target = Resolve(widget, set ? "Set" : "Get");
  if (target == nullptr) return 0;
  int32_t index = -1;
  for (const MQKeyValuePair* pair = values; pair->name != nullptr; ++pair) {
    const std::string key = pair->name;
    if (key == "index") {
      if (pair->value == nullptr) {
        Misuse("MQWidget_Value: \"index\" without a value");
        return 0;
      }
      index = *static_cast<const int32_t*>(pair->value);
      continue;
    }
    const std::string error = set ? SetWidgetProperty(*target, key, pair->value, index)
                                  : GetWidgetProperty(*target, key, pair->value, index);
    if (!error.empty()) {
      Misuse(std::string("MQWidget_Value: ") + (set ? "Set " : "Get ") + error + " (widget " +
             std::to_string(widget) + ")");
      return 0;
    }
  }
  return 1;
}

int32_t WidgetService::Call(int32_t widget, const MQKeyValuePair* values) {
  HostWidget* target = Resolve(widget, "Call");
  if (target == nullptr) return 0;
  const std::string method = values->name != nullptr ? values->name : "";
  if (target->kind != "listbox" ||
      (method != "clearitems" && method != "additem" && method != "makeitemvisible")) {
    Misuse("MQWidget_Value: Call of \"" + method + "\" on a " + target->kind);
    return 0;
  }
  const MQKeyValuePair* arguments = values + 1;
  if (method == "clearitems") {
    target->items.clear();
    target->visibleItem = -1;
    return 1;
  }
  if (method == "additem") {
    const auto* text = FindValue<const char16_t>(arguments, "text");
    auto* result = FindValue<int32_t>(arguments, "result");
    if (text == nullptr) {
      Misuse("MQWidget_Value: \"additem\" without \"text\"");
      return 0;
    }
    target->items.push_back(ListItem{text, false});
    if (result != nullptr) *result = static_cast<int32_t>(target->items.size()) - 1;
    return 1;
  }
  const auto* index = FindValue<const int32_t>(arguments, "index");
  if (index == nullptr) {
    Misuse("MQWidget_Value: \"makeitemvisible\" without \"index\"");
    return 0;
  }
  // Making an item of an empty list visible shows nothing and is no error.
  if (*index < 0 || (*index >= static_cast<int32_t>(target->items.size()) && *index != 0)) {
    Misuse("MQWidget_Value: \"makeitemvisible\" of item " + std::to_string(*index) + " out of " +
           std::to_string(target->items.size()));
    return 0;
  }
  target->visibleItem = *index < static_cast<int32_t>(target->items.size()) ? *index : -1;
  return 1;
}

int32_t WidgetService::AddEvent(int32_t widget, const MQKeyValuePair* values) {
  HostWidget* target = Resolve(widget, "AddEvent");
  if (target == nullptr) return 0;
  const char* type = FindValue<const char>(values, "type");
  const MQKeyValuePair* proc = FindPair(values, "proc");
  if (type == nullptr || proc == nullptr || proc->value == nullptr) {
    Misuse("MQWidget_Value: AddEvent without \"type\" or \"proc\"");
    return 0;
  }
  EventRegistration registration;
  registration.widget = widget;
  registration.type = type;
  registration.proc = reinterpret_cast<MQWidgetEventProc>(proc->value);
  const MQKeyValuePair* pointer = FindPair(values, "pointer");
  registration.pointer = pointer != nullptr ? pointer->value : nullptr;
  const MQKeyValuePair* function = FindPair(values, "function");
  registration.function = function != nullptr ? function->value : nullptr;
  const auto* prior = FindValue<const uint8_t>(values, "prior");
  registration.prior = prior != nullptr && *prior != 0;
  auto& events = target->events;
  if (registration.prior) {
    // Ahead of every registration made without "prior", after the earlier prior ones.
    auto firstOrdinary = std::find_if(events.begin(), events.end(),
                                      [](const EventRegistration& e) { return !e.prior; });
    events.insert(firstOrdinary, registration);
  } else {
    events.push_back(registration);
  }
  return 1;
}

}  // namespace host_imitation
