#include "tool/naming.h"

#include <algorithm>

#include "host/cmq_object.h"
#include "host/host_function_table.h"

std::string KeynoteKey(const std::string& name) {
  std::string key = name;
  const std::size_t colon = key.find(':');
  if (colon != std::string::npos) key.erase(0, colon + 1);
  const std::size_t dash = key.find('-');
  if (dash != std::string::npos && dash >= 2) key.erase(dash);
  return key;
}

bool MatchesKeynote(const std::string& key, const std::string& name) {
  static const std::string kElementPrefix = "elem:";
  if (name.compare(0, kElementPrefix.size(), kElementPrefix) != 0) return false;
  const std::size_t dash = name.find('-');
  if (dash == std::string::npos) return false;
  return name.compare(dash + 1, std::string::npos, key) == 0;
}

std::string MorphObjectName(const std::string& targetName, const std::string& destinationName) {
  const std::string prefix = targetName.substr(0, targetName.find('-'));
  return prefix + "-" + destinationName;
}

int32_t FindObjectByName(MQDocument document, const std::string& name, int32_t from) {
  // The host hands names over cut to a fixed length: an object whose name reads as `name` at that
  // length may bear a longer one, so no object is known to bear such a name.
  if (cmq::NameMayBeCut(name)) return -1;
  const int32_t count = mq::hostFunctions.MQDoc_GetObjectCount(document);
  for (int32_t index = std::max(from, 0); index < count; ++index) {
    const cmq::CMQObject object(mq::hostFunctions.MQDoc_GetObject(document, index), document);
    if (object.IsValid() && object.GetName() == name) return index;
  }
  return -1;
}
