#include "host_imitation/call_log.h"

namespace host_imitation {

std::string HostCall::Value(const std::string& key) const {
  for (const auto& [name, value] : values) {
    if (name == key) return value;
  }
  return std::string();
}

std::vector<std::string> HostCall::Keys() const {
  std::vector<std::string> keys;
  for (const auto& pair : values) keys.push_back(pair.first);
  return keys;
}

std::vector<HostCall> CallLog::Of(const std::string& function) const {
  std::vector<HostCall> found;
  for (const HostCall& call : calls) {
    if (call.function == function) found.push_back(call);
  }
  return found;
}

std::size_t CallLog::Count(const std::string& function) const {
  std::size_t count = 0;
  for (const HostCall& call : calls) count += call.function == function ? 1 : 0;
  return count;
}

}  // namespace host_imitation
