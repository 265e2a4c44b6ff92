#include "tool/find_object_by_name.h"

#include "host/cmq_object.h"
#include "host/host_function_table.h"

int32_t FindObjectByName(MQDocument document, const std::string& name) {
  // The host hands names over cut to a fixed length: an object whose name reads as `name` at that
  // length may bear a longer one, so no object is known to bear such a name.
  if (cmq::NameMayBeCut(name)) return -1;
  const int32_t count = mq::hostFunctions.MQDoc_GetObjectCount(document);
  for (int32_t index = 0; index < count; ++index) {
    const cmq::CMQObject object(mq::hostFunctions.MQDoc_GetObject(document, index), document);
    if (object.IsValid() && object.GetName() == name) return index;
  }
  return -1;
}
