#include "host/key_value.h"

#include <cstring>

namespace mq {

void* FindValue(const MQKeyValuePair* pairs, const char* name) {
  if (pairs == nullptr || name == nullptr) return nullptr;
  for (const MQKeyValuePair* pair = pairs; pair->name != nullptr; ++pair) {
    if (std::strcmp(pair->name, name) == 0) return pair->value;
  }
  return nullptr;
}

int32_t FindInt(const MQKeyValuePair* pairs, const char* name, int32_t fallback) {
  const void* value = FindValue(pairs, name);
  return value != nullptr ? *static_cast<const int32_t*>(value) : fallback;
}

}  // namespace mq
