// The one lookup of the imitated host in the key/value arrays a plug-in passes: requests of the
// widget service, user messages and the morph feature's parameters.
#pragma once

#include <cstring>

#include "host/host_api.h"

namespace host_imitation {

// The first pair named exactly `name`, or null (also for a null array).
inline const MQKeyValuePair* FindPair(const MQKeyValuePair* pairs, const char* name) {
  for (; pairs != nullptr && pairs->name != nullptr; ++pairs) {
    if (std::strcmp(pairs->name, name) == 0) return pairs;
  }
  return nullptr;
}

// The value of that pair as a pointer to T, or null when the key is absent.
template <typename T = void>
T* FindValue(const MQKeyValuePair* pairs, const char* name) {
  const MQKeyValuePair* pair = FindPair(pairs, name);
  return pair != nullptr ? static_cast<T*>(pair->value) : nullptr;
}

}  // namespace host_imitation
