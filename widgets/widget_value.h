// Requests of the widget value protocol: every call of MQWidget_Value goes through
// SendWidgetRequest; the functions below build the one-pair arrays of single property reads and
// writes from typed keys, and the requests of the host's own windows.
#pragma once

#include <cstdint>
#include <type_traits>

#include "host/host_api.h"
#include "widgets/widget_keys.h"
#include "widgets/widget_op.h"

class MQWidgetBase;

// Bools cross the protocol as one byte. The plug-in writes C++ bools (0 or 1); a byte the host
// writes may hold any value, nonzero meaning true, so it is read as a HostBool and never straight
// into a bool.
static_assert(sizeof(bool) == 1, "the widget protocol's booleans are one byte");
using HostBool = uint8_t;

// MQWidget_Value(widget, operation, values); 0 when the host function is not resolved.
int32_t SendWidgetRequest(int32_t widget, WidgetOp operation, MQKeyValuePair* values);

// WidgetOp::Set of one property; `value` takes the key's wire type at the call.
template <typename Value>
void SetWidgetValue(const MQWidgetBase& widget, WidgetKey<Value> key,
                    typename std::common_type<Value>::type value);

// WidgetOp::Get of one property, preset to false or 0.
bool GetWidgetValue(const MQWidgetBase& widget, WidgetKey<bool> key);
int32_t GetWidgetValue(const MQWidgetBase& widget, WidgetKey<int32_t> key);

// WidgetOp::GetSystem "main_window": the id of the host's main window ("result" preset -1).
int32_t QueryMainWindowId();
// WidgetOp::Show "modal": runs the dialog and returns its modal result ("result" preset 0).
int32_t ShowModal(const MQWidgetBase& dialog);
// WidgetOp::Show "messagebox" on widget 0: a message box of `messageType` ("warning") belonging
// to the window `parent`; returns when it is closed, with its result ("result" preset 0).
int32_t ShowMessageBox(const MQWidgetBase& parent, const char* messageType, const char16_t* message,
                       const char16_t* title);

namespace widget_value_detail {

// WidgetOp::Set with the one pair {key, value}.
void SetProperty(const MQWidgetBase& widget, const char* key, const void* value);

// The value of a key's pair: the string itself, or the address of the datum.
template <typename Value>
const void* WireSlot(const Value& value) {
  if constexpr (std::is_pointer<Value>::value) {
    return value;
  } else {
    return &value;
  }
}

}  // namespace widget_value_detail

template <typename Value>
void SetWidgetValue(const MQWidgetBase& widget, WidgetKey<Value> key,
                    typename std::common_type<Value>::type value) {
  widget_value_detail::SetProperty(widget, key.name, widget_value_detail::WireSlot(value));
}
