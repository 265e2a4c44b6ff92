#include "host/cmq_object.h"

#include <cstring>

#include "host/host_function_table.h"

namespace cmq {

CMQObject::~CMQObject() {
  object = nullptr;
  document = nullptr;
}

bool CMQObject::IsValid() const {
  return object != nullptr && document != nullptr &&
         mq::hostFunctions.MQDoc_GetObjectIndex(document, object) >= 0;
}

std::string CMQObject::GetName() const {
  constexpr std::size_t kBufferSize = 256;
  char buffer[kBufferSize] = {};
  int32_t nameLimit = static_cast<int32_t>(kLongestWholeName + 1);
  int32_t reserved = 0;
  void* pointers[] = {buffer, &nameLimit, &reserved};
  mq::hostFunctions.MQObj_PointerArray(object, MQOBJECT_POINTER_NAME, pointers);
  // The host promises a terminated name; the buffer's end bounds it all the same.
  std::size_t length = 0;
  while (length < kBufferSize && buffer[length] != '\0') ++length;
  return std::string(buffer, length);
}

}  // namespace cmq
