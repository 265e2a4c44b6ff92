#include "widgets/widget_registry.h"

#include <map>

#include "widgets/widget_base.h"

namespace {

// Made when the library is loaded, before any widget, and destroyed after the last one.
std::map<int32_t, MQWidgetBase*> registeredWidgets;

}  // namespace

void WidgetRegistry::Register(MQWidgetBase* wrapper) {
  if (wrapper == nullptr || wrapper->id == 0) return;
  registeredWidgets.emplace(wrapper->id, wrapper);
}

void WidgetRegistry::Unregister(int32_t id) {
  registeredWidgets.erase(id);
}

MQWidgetBase* WidgetRegistry::Lookup(int32_t id) {
  auto found = registeredWidgets.find(id);
  return found != registeredWidgets.end() ? found->second : nullptr;
}

std::size_t WidgetRegistry::Size() {
  return registeredWidgets.size();
}
