// The wrapper of one host widget: its id, whether this wrapper created the widget and must
// destroy it, and the event closures registered on it.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "widgets/event_closure.h"

class MQWidgetBase {
 public:
  // No widget yet: id 0, not owned, no closures.
  MQWidgetBase() = default;
  // Wraps a widget the host already has; the wrapper registers it and never destroys it.
  explicit MQWidgetBase(int32_t existingId);
  // Unregisters the id, destroys the host widget when this wrapper created it, and drops the
  // closures. A wrapper with id 0 sends nothing to the host.
  virtual ~MQWidgetBase();

  MQWidgetBase(const MQWidgetBase&) = delete;
  MQWidgetBase& operator=(const MQWidgetBase&) = delete;

  // Registers `closure` for this widget's "execute" events (a button's press, a radio button's
  // use) and keeps a shared reference to it.
  void AddExecuteClosure(const std::shared_ptr<MQWidgetEventClosureBase>& closure, bool prior);
  // Registers `handler` of `target` for this widget's "execute" events.
  template <typename T>
  void AddExecuteHandler(T* target, typename MQWidgetEventClosure<T>::Handler handler);

  int32_t id = 0;
  bool owned = false;
  std::vector<std::shared_ptr<MQWidgetEventClosureBase>> closures;

 protected:
  // Asks the host for a new widget of `kind`, writing its id straight into `id`. On a non-zero id
  // the wrapper owns the widget and registers it; with 0 it stays unowned and unregistered.
  void CreateHostWidget(const char* kind);
};

template <typename T>
void MQWidgetBase::AddExecuteHandler(T* target, typename MQWidgetEventClosure<T>::Handler handler) {
  AddExecuteClosure(std::make_shared<MQWidgetEventClosure<T>>(target, target->id, handler), false);
}
