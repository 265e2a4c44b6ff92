// A host object as the plug-in holds it: the object's handle paired with its document's.
#pragma once

#include <string>

#include "host/host_api.h"

namespace cmq {

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
  // The object's name in the host's multibyte encoding.
  std::string GetName() const;

  MQObject object = nullptr;
  MQDocument document = nullptr;
};

}  // namespace cmq
