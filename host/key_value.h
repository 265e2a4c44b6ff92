// Key/value arrays: the (name, value) pairs that carry event parameters, plug-in messages and
// widget requests, ended by a pair with a null name.
#pragma once

#include <cstdint>

#include "host/host_api.h"

namespace mq {

// The value of the first pair named exactly `name`; null when the array is null or holds none.
void* FindValue(const MQKeyValuePair* pairs, const char* name);

// Reads an integer through the value of `name`, or `fallback` when the key is absent.
int32_t FindInt(const MQKeyValuePair* pairs, const char* name, int32_t fallback);

// A pair whose value points to a datum (or, for strings, is the string itself).
inline MQKeyValuePair Pair(const char* name, const void* value) {
  return MQKeyValuePair{name, const_cast<void*>(value)};
}

// The pair that ends an array.
constexpr MQKeyValuePair kEndOfPairs{nullptr, nullptr};

}  // namespace mq
