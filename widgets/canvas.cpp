#include "widgets/canvas.h"

#include "host/host_api.h"
#include "host/host_function_table.h"
#include "host/key_value.h"

MQCanvas::~MQCanvas() {
  if (!owned || mq::hostFunctions.MQCanvas_Value == nullptr) return;
  MQKeyValuePair none[] = {mq::kEndOfPairs};
  mq::hostFunctions.MQCanvas_Value(handle, MQCANVASOP_DELETE, none);
}
