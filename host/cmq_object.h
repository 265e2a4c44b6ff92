// A host object as the plug-in holds it: the object's handle paired with its document's.
#pragma once

#include <cstddef>
#include <string>

#include "host/host_api.h"

namespace cmq {

// GetName hands a name over in a 256-byte buffer with a limit of MQOBJECT_NAME_LIMIT (250) bytes,
// terminator included: the host cuts a longer name to its first 249 bytes. A name read at this
// length may therefore be the start of a longer one, and is not known to be the object's full name.
inline constexpr std::size_t kLongestWholeName = MQOBJECT_NAME_LIMIT - 1;

// True when `nameRead` (a GetName result) may be cut short of the object's full name.
inline bool NameMayBeCut(const std::string& nameRead) {
  return nameRead.size() >= kLongestWholeName;
}

// Never owns the host object it names: destroying or copying a handle leaves the document as it
// is. Objects are created and destroyed only through host operations.
class CMQObject {
 public:
  CMQObject() = default;
  CMQObject(MQObject object, MQDocument document) : object(object), document(document) {}
  CMQObject(const CMQObject&) = default;
  CMQObject& operator=(const CMQObject&) = default;
  virtual ~CMQObject();

  // Both handles set and the object still in its document.
  bool IsValid() const;
  // The object's name in the host's multibyte encoding, cut by the host to kLongestWholeName
  // bytes when it is longer.
  std::string GetName() const;

  MQObject object = nullptr;
  MQDocument document = nullptr;
};

}  // namespace cmq
