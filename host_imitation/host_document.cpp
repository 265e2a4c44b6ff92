#include "host_imitation/host_document.h"

#include <algorithm>

#include "host_imitation/host_object.h"

namespace host_imitation {

HostObject* HostDocument::ObjectAt(int32_t index) const {
  return index >= 0 && index < SlotCount() ? slots[static_cast<std::size_t>(index)] : nullptr;
}

int32_t HostDocument::IndexOf(const HostObject* object) const {
  if (object == nullptr) return -1;
  auto found = std::find(slots.begin(), slots.end(), object);
  return found != slots.end() ? static_cast<int32_t>(found - slots.begin()) : -1;
}

HostObject* HostDocument::FindByName(const std::string& name) const {
  for (HostObject* object : slots) {
    if (object != nullptr && object->name == name) return object;
  }
  return nullptr;
}

int32_t HostDocument::Append(HostObject* object) {
  object->document = this;
  slots.push_back(object);
  return SlotCount() - 1;
}

int32_t HostDocument::InsertAfter(HostObject* object, const HostObject* reference) {
  const int32_t referenceIndex = IndexOf(reference);
  if (referenceIndex < 0) return Append(object);
  object->document = this;
  slots.insert(slots.begin() + referenceIndex + 1, object);
  return referenceIndex + 1;
}

void HostDocument::DeleteAt(int32_t index) {
  HostObject* object = ObjectAt(index);
  if (object == nullptr) return;
  slots[static_cast<std::size_t>(index)] = nullptr;
  object->document = nullptr;
  object->destroyed = true;
  // The handle stays recognisable as dead; its geometry is released.
  object->ReleaseGeometry();
}

std::string HostDocument::UnusedName(const std::string& base, int32_t bufferSize) const {
  if (bufferSize <= 0) return std::string();
  const std::size_t limit = static_cast<std::size_t>(bufferSize) - 1;
  for (int64_t serialNumber = 1;; ++serialNumber) {
    const std::string suffix = std::to_string(serialNumber);
    if (suffix.size() > limit) return std::string();
    const std::string candidate = base.substr(0, limit - suffix.size()) + suffix;
    if (FindByName(candidate) == nullptr) return candidate;
  }
}

}  // namespace host_imitation
