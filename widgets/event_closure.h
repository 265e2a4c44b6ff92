// Event closures: a handler of a window class bound to the window object, registered with the
// host for a widget event and found again by the event procedure.
#pragma once

#include <cstdint>
#include <cstring>
#include <type_traits>

#include "widgets/widget_registry.h"

class MQWidgetBase;

// Every closure is created inside a std::shared_ptr, which destroys it through its concrete type;
// the destructor is therefore neither virtual nor public here.
class MQWidgetEventClosureBase {
 public:
  // Calls the handler for an event from `sender` (null when the sender is not a registered
  // wrapper). `context` is the host's opaque value; `parameters` the event's record or null.
  virtual int32_t Invoke(MQWidgetBase* sender, void* context, void* parameters) = 0;
  virtual bool SameAs(const MQWidgetEventClosureBase& other) const = 0;
  virtual void* Target() const = 0;
  // The handler's identity, as registered in the "function" value slot.
  virtual void* FunctionId() const = 0;

 protected:
  MQWidgetEventClosureBase() = default;
  ~MQWidgetEventClosureBase() = default;
  MQWidgetEventClosureBase(const MQWidgetEventClosureBase&) = default;
  MQWidgetEventClosureBase& operator=(const MQWidgetEventClosureBase&) = default;
};

// A closure over a member function of the window class T that takes no event record.
template <typename T>
class MQWidgetEventClosure final : public MQWidgetEventClosureBase {
 public:
  using Handler = int32_t (T::*)(MQWidgetBase* sender, void* context);

  MQWidgetEventClosure(T* target, int32_t targetId, Handler handler)
      : target(target), targetId(targetId), handler(handler) {}

  // Calls the handler only while the target window is still registered under the id it had when
  // the closure was made; otherwise 0.
  int32_t Invoke(MQWidgetBase* sender, void* context, void* /*parameters*/) override {
    if (WidgetRegistry::Lookup(targetId) == nullptr) return 0;
    return (target->*handler)(sender, context);
  }

  bool SameAs(const MQWidgetEventClosureBase& other) const override {
    const auto* same = dynamic_cast<const MQWidgetEventClosure*>(&other);
    return same != nullptr && same->target == target && same->handler == handler;
  }

  void* Target() const override { return target; }

  // A pointer to a member function is wider than a data pointer with GCC and Clang (a code
  // address or virtual-table offset followed by a this-adjustment), so the identity is its first
  // pointer-sized word: the handler's code address for a non-virtual member function, its
  // virtual-table slot for a virtual one. Closures over the same handler give the same identity.
  void* FunctionId() const override {
    static_assert(sizeof(Handler) >= sizeof(void*), "a member function pointer holds an address");
    void* identity = nullptr;
    std::memcpy(&identity, &handler, sizeof identity);
    return identity;
  }

  T* target;
  int32_t targetId;
  Handler handler;
};
