#include "host/plugin_message.h"

#include <memory>
#include <new>

#include "host/host_function_table.h"
#include "host/key_value.h"
#include "host/plugin_base.h"

namespace mq {

namespace {

MQSendMessageInfo MessageFromThisPlugin(MQKeyValuePair* pairs) {
  MQSendMessageInfo info{};
  GetPluginInstance()->GetPlugInID(&info.product, &info.id);
  info.reserved = 0;
  info.option = pairs;
  return info;
}

}  // namespace

int32_t SendPluginMessage(MQDocument document, uint32_t targetProduct, uint32_t targetId,
                          const char* description, void* message) {
  int32_t result = 0;
  MQKeyValuePair pairs[] = {Pair("document", document),
                            Pair("target_product", &targetProduct),
                            Pair("target_id", &targetId),
                            Pair("description", description),
                            Pair("message", message),
                            Pair("result", &result),
                            kEndOfPairs};
  MQSendMessageInfo info = MessageFromThisPlugin(pairs);
  hostFunctions.MQ_SendMessage(MQMESSAGE_USER_MESSAGE, &info);
  return result;
}

std::u16string RequestHostText(const char* id) {
  constexpr int32_t kBufferSize = 4096;
  std::unique_ptr<char16_t[]> buffer(new (std::nothrow) char16_t[kBufferSize]);
  if (!buffer) return std::u16string();
  buffer[0] = u'\0';
  int32_t bufferSize = kBufferSize;
  MQKeyValuePair pairs[] = {Pair("id", id), Pair("result", buffer.get()),
                            Pair("result_size", &bufferSize), kEndOfPairs};
  MQSendMessageInfo info = MessageFromThisPlugin(pairs);
  hostFunctions.MQ_SendMessage(MQMESSAGE_GET_RESOURCE_STRING, &info);
  // A host that fills the whole buffer without a terminator still ends the text at its end.
  std::size_t length = 0;
  while (length < static_cast<std::size_t>(kBufferSize) && buffer[length] != u'\0') ++length;
  return std::u16string(buffer.get(), length);
}

}  // namespace mq
