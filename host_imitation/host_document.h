// A document of the imitated host: object slots in order. Deleting an object empties its slot;
// walks must step over empty slots.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "host/host_api.h"

namespace host_imitation {

class HostObject;

class HostDocument {
 public:
  static constexpr uint32_t kMagic = 0x444F4331;

  explicit HostDocument(int32_t serial) : serial(serial) {}

  int32_t SlotCount() const { return static_cast<int32_t>(slots.size()); }
  // The object in slot `index`, null for an empty slot or an index out of range.
  HostObject* ObjectAt(int32_t index) const;
  // The object's slot, or -1 when it is not in this document.
  int32_t IndexOf(const HostObject* object) const;
  // The first object bearing `name`, or null.
  HostObject* FindByName(const std::string& name) const;
  // Appends an object to the end of the slot list; returns its index.
  int32_t Append(HostObject* object);
  // Places the object directly after `reference`, or at the end when the reference is not here.
  int32_t InsertAfter(HostObject* object, const HostObject* reference);
  // Empties the slot and destroys its object.
  void DeleteAt(int32_t index);
  // A name from `base` and a serial number that no object of the document bears, cut to fit
  // `bufferSize` bytes with its terminator.
  std::string UnusedName(const std::string& base, int32_t bufferSize) const;

  MQDocument handle() { return reinterpret_cast<MQDocument>(this); }

  uint32_t magic = kMagic;
  int32_t serial;
  std::vector<HostObject*> slots;
};

}  // namespace host_imitation
