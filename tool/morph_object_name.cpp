#include "tool/morph_object_name.h"

std::string MorphObjectName(const std::string& targetName, const std::string& destinationName) {
  const std::string prefix = targetName.substr(0, targetName.find('-'));
  return prefix + "-" + destinationName;
}
