// The process-wide map from a host widget id to the wrapper that stands for it, through which the
// event procedure finds the wrapper an event names.
#pragma once

#include <cstddef>
#include <cstdint>

class MQWidgetBase;

class WidgetRegistry {
 public:
  // Adds the wrapper under its id unless the id is 0 or already present; a present id keeps the
  // wrapper it was first registered with.
  static void Register(MQWidgetBase* wrapper);
  // Removes the entry for `id`, whichever wrapper it holds.
  static void Unregister(int32_t id);
  // The wrapper registered for `id`, or null.
  static MQWidgetBase* Lookup(int32_t id);
  // How many ids are registered.
  static std::size_t Size();
};
