#include "tool/keynote_naming.h"

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
