#include "widgets/widget_base.h"

#include "host/key_value.h"
#include "widgets/widget_event_dispatch.h"
#include "widgets/widget_registry.h"
#include "widgets/widget_value.h"

MQWidgetBase::MQWidgetBase(int32_t existingId) : id(existingId) {
  WidgetRegistry::Register(this);
}

MQWidgetBase::~MQWidgetBase() {
  if (id != 0) {
    WidgetRegistry::Unregister(id);
    if (owned) {
      MQKeyValuePair none[] = {mq::kEndOfPairs};
      SendWidgetRequest(id, WidgetOp::Delete, none);
    }
    id = 0;
    owned = false;
  }
}

void MQWidgetBase::CreateHostWidget(const char* kind) {
  MQKeyValuePair values[] = {mq::Pair("type", kind), mq::Pair("id", &id), mq::kEndOfPairs};
  SendWidgetRequest(0, WidgetOp::Create, values);
  if (id != 0) {
    owned = true;
    WidgetRegistry::Register(this);
  }
}

void MQWidgetBase::AddExecuteClosure(const std::shared_ptr<MQWidgetEventClosureBase>& closure,
                                     bool prior) {
  if (closure == nullptr) return;
  // "proc", "pointer" and "function" carry the procedure, the closure and the handler identity in
  // the value slot itself; only "prior" points to its datum.
  MQWidgetEventProc procedure = &DispatchWidgetEvent;
  void* procedureSlot = reinterpret_cast<void*>(procedure);
  MQKeyValuePair values[] = {mq::Pair("type", "execute"),
                             mq::Pair("proc", procedureSlot),
                             mq::Pair("pointer", static_cast<void*>(closure.get())),
                             mq::Pair("function", closure->FunctionId()),
                             mq::Pair("prior", &prior),
                             mq::kEndOfPairs};
  SendWidgetRequest(id, WidgetOp::AddEvent, values);
  closures.push_back(closure);
}
