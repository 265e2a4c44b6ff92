// A record of the host calls a plug-in makes, for tests to read back.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace host_imitation {

struct HostCall {
  std::string function;
  std::vector<std::string> arguments;
  // For a key/value array: its keys in order, each with its value as text.
  std::vector<std::pair<std::string, std::string>> values;

  // The value logged for `key`, or empty when the call had no such key.
  std::string Value(const std::string& key) const;
  // The keys in order.
  std::vector<std::string> Keys() const;
};

class CallLog {
 public:
  bool enabled = false;
  std::vector<HostCall> calls;

  void Clear() { calls.clear(); }
  // The calls of one function, in order.
  std::vector<HostCall> Of(const std::string& function) const;
  std::size_t Count(const std::string& function) const;
};

}  // namespace host_imitation
