#include "tool/find_object_by_name.h"

#include "host/cmq_object.h"
#include "host/host_function_table.h"

int32_t FindObjectByName(MQDocument document, const std::string& name) {
  const int32_t count = mq::hostFunctions.MQDoc_GetObjectCount(document);
  for (int32_t index = 0; index < count; ++index) {
    const cmq::CMQObject object(mq::hostFunctions.MQDoc_GetObject(document, index), document);
    if (object.IsValid() && object.GetName() == name) return index;
  }
  return -1;
}
