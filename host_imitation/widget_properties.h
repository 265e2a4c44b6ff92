// The keys of the widget value protocol as the imitated host reads them: the form each key's value
// takes, and the widget properties that MQWIDGETOP_SET and MQWIDGETOP_GET reach.
#pragma once

#include <cstdint>
#include <string>

#include "host_imitation/host_widget.h"

namespace host_imitation {

enum class ValueForm {
  Narrow,   // points to a null-terminated narrow string
  Wide,     // points to a null-terminated UTF-16 string
  Bool,     // points to one byte
  Int,      // points to a signed 32-bit integer
  Double,   // points to a 64-bit float
  Address,  // the value slot holds the address itself ("proc", "pointer", "function")
  Unknown,  // a key the protocol does not know, or a method name (null value)
};

ValueForm FormOfKey(const std::string& key);

// The key's value as text for the call log: UTF-16 as UTF-8, bools "true"/"false", numbers in
// decimal, addresses in hexadecimal, "null" for a null value.
std::string DescribeWidgetValue(const std::string& key, const void* value);

// Writes property `key` of `widget` from `value`. `index` is the "index" given before it (-1 when
// none). Returns an empty string, or why a real host would reject the request.
std::string SetWidgetProperty(HostWidget& widget, const std::string& key, const void* value,
                              int32_t index);
// Reads property `key` of `widget` into `value`, likewise.
std::string GetWidgetProperty(const HostWidget& widget, const std::string& key, void* value,
                              int32_t index);

}  // namespace host_imitation
