// Event delivery of the imitated widget service: the registrations a plug-in made with
// MQWIDGETOP_ADD_EVENT, and the calls of their procedures as the host reports events.
#include "host_imitation/widget_service.h"

namespace host_imitation {

std::vector<EventRegistration> WidgetService::Registrations(int32_t widget,
                                                            const std::string& type) const {
  std::vector<EventRegistration> found;
  const HostWidget* target = FindEvenDeleted(widget);
  if (target == nullptr) return found;
  for (const EventRegistration& registration : target->events) {
    if (type.empty() || registration.type == type) found.push_back(registration);
  }
  return found;
}

int32_t WidgetService::CallProcedure(const EventRegistration& registration,
                                     const MQKeyValuePair* values) {
  if (registration.proc == nullptr) return 0;
  return registration.proc(eventContext(), const_cast<MQKeyValuePair*>(values),
                           registration.pointer);
}

int32_t WidgetService::SendEvent(const EventRegistration& registration, const std::string& type) {
  int32_t target = registration.widget;
  int32_t sender = registration.widget;
  MQKeyValuePair values[] = {{"type", const_cast<char*>(type.c_str())},
                             {"target_id", &target},
                             {"sender_id", &sender},
                             {nullptr, nullptr}};
  return CallProcedure(registration, values);
}

int32_t WidgetService::DeliverEvent(int32_t widget, const std::string& type) {
  int32_t result = 0;
  // A copy: a procedure may delete the widget, or register more events, while this runs.
  for (const EventRegistration& registration : Registrations(widget, type)) {
    if (!IsLive(widget)) break;
    result = SendEvent(registration, type);
  }
  return result;
}

}  // namespace host_imitation
