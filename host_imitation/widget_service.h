// The imitated host's widget service: what MQWidget_Value does, the widgets it keeps, the modal
// runs it hands to a scripted user, the message boxes it shows, and the events it delivers. Its
// three parts live apart: request handling (widget_requests.cpp), queries about the widgets
// (widget_queries.cpp) and event delivery (widget_events.cpp).
//
// Tests reach it as Host().widgets():
//
//   Host().widgets().SetUser([](ModalDialog& dialog) {   // who answers the next modal runs
//     dialog.TickItem(1);
//     dialog.SetChecked(u"Backup", false);
//     dialog.Press(u"OK");                              // its "modalresult" ends the run
//   });
//   ... the plug-in shows its dialog ...
//   Host().widgets().modalRuns().back().result;         // 1
//   Host().widgets().messageBoxes();                    // every message box, in order
//
// Ids: the main window is always kMainWindowId; created widgets get fresh ids that are never
// reused. A request on a deleted or unknown id is noted as misuse, except id 0, which the host
// ignores as a real host does. Requests that a real host would refuse (a property the kind has
// not, an item index out of range, a missing out value) are noted as misuse too.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "host/host_api.h"
#include "host_imitation/host_widget.h"

namespace host_imitation {

class ModalDialog;

// Plays the user while a dialog runs modally: it reads the dialog and acts on it through the
// ModalDialog view. Returning without ending the run closes the dialog as its close box does
// (modal result 0).
using ScriptedUser = std::function<void(ModalDialog&)>;

struct MessageBoxRecord {
  std::string messageType;  // "messagetype"
  int32_t parent = 0;       // "parent"
  std::u16string message;
  std::u16string title;
};

struct ModalRunRecord {
  int32_t dialog = 0;
  int32_t result = 0;
};

class WidgetService {
 public:
  static constexpr int32_t kMainWindowId = 1;

  WidgetService();
  WidgetService(const WidgetService&) = delete;
  WidgetService& operator=(const WidgetService&) = delete;
  ~WidgetService();

  // Only the main window remains; no user, no records, no refusals, message boxes answered 1.
  void Reset();

  // The bodies of the exported MQWidget_Value and MQCanvas_Value.
  int32_t Value(int32_t widget, int32_t operation, void* values);
  int32_t CanvasValue(void* canvas, int32_t operation, void* values);

  // --- The user -------------------------------------------------------------------------------
  // Answers every later modal run; an empty function (the default) ends each run at once with 0.
  void SetUser(ScriptedUser user) { user_ = std::move(user); }
  const std::vector<ModalRunRecord>& modalRuns() const { return modalRuns_; }
  // The dialog in its modal run, innermost first; empty outside a run.
  int32_t RunningDialog() const { return modalStack_.empty() ? 0 : modalStack_.back(); }

  // --- Message boxes --------------------------------------------------------------------------
  const std::vector<MessageBoxRecord>& messageBoxes() const { return messageBoxes_; }
  // What every later message box writes to its "result".
  void SetMessageBoxAnswer(int32_t answer) { messageBoxAnswer_ = answer; }

  // --- Creation -------------------------------------------------------------------------------
  // Makes MQWIDGETOP_CREATE write id 0 for every request `refuse` returns true for (given the
  // kind); an empty function accepts all.
  void RefuseCreations(std::function<bool(const std::string& kind)> refuse) {
    refuseCreation_ = std::move(refuse);
  }

  // --- Inspection -----------------------------------------------------------------------------
  // A live widget, or null.
  const HostWidget* Find(int32_t id) const;
  HostWidget* Find(int32_t id);
  // Any widget ever made, deleted ones included (they keep their last state), or null.
  const HostWidget* FindEvenDeleted(int32_t id) const;
  bool IsLive(int32_t id) const { return Find(id) != nullptr; }
  // Every live widget in id order, the main window first.
  std::vector<const HostWidget*> LiveWidgets() const;
  // The widgets placed under `root`, depth first in placing order, `root` not included.
  std::vector<const HostWidget*> Descendants(int32_t root) const;
  // The tree under `root` as indented text, one widget a line with its properties.
  std::string DescribeTree(int32_t root) const;

  // --- Event delivery -------------------------------------------------------------------------
  // The registrations on a widget (live or deleted), optionally of one type, in calling order.
  std::vector<EventRegistration> Registrations(int32_t widget, const std::string& type = "") const;
  // The opaque context the host passes to every event procedure.
  void* eventContext() { return this; }
  // Calls the registration's procedure with exactly `values` (ended by a null name) and its
  // registered "pointer", whatever the widget's state; for events with any keys, or none.
  int32_t CallProcedure(const EventRegistration& registration, const MQKeyValuePair* values);
  // Calls it as the host reports an event of `type` from the registration's widget: "type",
  // "target_id" and "sender_id" (both the widget's id).
  int32_t SendEvent(const EventRegistration& registration, const std::string& type);
  // Delivers an event of `type` on a live widget to each of its registrations of that type, in
  // order, stopping if the widget is deleted meanwhile. Returns the last procedure's result, 0 for
  // none.
  int32_t DeliverEvent(int32_t widget, const std::string& type);

 private:
  // Request handling.
  HostWidget& Add(const std::string& kind);
  // The live widget for a request, or null: silently for id 0, noted as misuse otherwise.
  HostWidget* Resolve(int32_t id, const char* operation);
  void Misuse(const std::string& what);

  int32_t Show(int32_t widget, const MQKeyValuePair* values);
  int32_t RunModal(HostWidget& dialog, const MQKeyValuePair* values);
  int32_t ShowMessageBox(const MQKeyValuePair* values);
  int32_t GetSystem(const MQKeyValuePair* values);
  int32_t Create(int32_t widget, const MQKeyValuePair* values);
  int32_t Delete(int32_t widget);
  int32_t AddChild(int32_t widget, const MQKeyValuePair* values);
  int32_t AddChildWindow(int32_t widget, const MQKeyValuePair* values);
  int32_t GetOrSet(int32_t widget, bool set, const MQKeyValuePair* values);
  int32_t Call(int32_t widget, const MQKeyValuePair* values);
  int32_t AddEvent(int32_t widget, const MQKeyValuePair* values);
  void LogRequest(int32_t widget, int32_t operation, const MQKeyValuePair* values);
  // Inspection.
  void DescribeInto(std::string& text, const HostWidget& widget, int depth) const;

  std::map<int32_t, std::unique_ptr<HostWidget>> widgets_;
  int32_t nextId_ = 0;
  ScriptedUser user_;
  std::vector<int32_t> modalStack_;
  std::vector<ModalRunRecord> modalRuns_;
  std::vector<MessageBoxRecord> messageBoxes_;
  int32_t messageBoxAnswer_ = 1;
  std::function<bool(const std::string&)> refuseCreation_;
};

// The name of an operation code as the call log shows it ("Set", "Create", ...), or its number.
std::string WidgetOperationName(int32_t operation);

}  // namespace host_imitation
