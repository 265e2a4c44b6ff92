#include "widgets/widget_value.h"

#include "host/host_function_table.h"
#include "host/key_value.h"
#include "widgets/widget_base.h"

namespace {

void GetProperty(const MQWidgetBase& widget, const char* key, void* value) {
  MQKeyValuePair values[] = {mq::Pair(key, value), mq::kEndOfPairs};
  SendWidgetRequest(widget.id, WidgetOp::Get, values);
}

}  // namespace

int32_t SendWidgetRequest(int32_t widget, WidgetOp operation, MQKeyValuePair* values) {
  if (mq::hostFunctions.MQWidget_Value == nullptr) return 0;
  return mq::hostFunctions.MQWidget_Value(widget, OperationCode(operation), values);
}

void widget_value_detail::SetProperty(const MQWidgetBase& widget, const char* key,
                                      const void* value) {
  MQKeyValuePair values[] = {mq::Pair(key, value), mq::kEndOfPairs};
  SendWidgetRequest(widget.id, WidgetOp::Set, values);
}

bool GetWidgetValue(const MQWidgetBase& widget, WidgetKey<bool> key) {
  HostBool value = 0;
  GetProperty(widget, key.name, &value);
  return value != 0;
}

int32_t GetWidgetValue(const MQWidgetBase& widget, WidgetKey<int32_t> key) {
  int32_t value = 0;
  GetProperty(widget, key.name, &value);
  return value;
}

int32_t QueryMainWindowId() {
  int32_t result = -1;
  MQKeyValuePair values[] = {mq::Pair("system", "main_window"), mq::Pair("result", &result),
                             mq::kEndOfPairs};
  SendWidgetRequest(0, WidgetOp::GetSystem, values);
  return result;
}

int32_t ShowModal(const MQWidgetBase& dialog) {
  int32_t result = 0;
  MQKeyValuePair values[] = {mq::Pair("type", "modal"), mq::Pair("result", &result),
                             mq::kEndOfPairs};
  SendWidgetRequest(dialog.id, WidgetOp::Show, values);
  return result;
}

int32_t ShowMessageBox(const MQWidgetBase& parent, const char* messageType, const char16_t* message,
                       const char16_t* title) {
  int32_t parentId = parent.id;
  int32_t result = 0;
  MQKeyValuePair values[] = {mq::Pair("type", "messagebox"),
                             mq::Pair("messagetype", messageType),
                             mq::Pair("parent", &parentId),
                             mq::Pair("message", message),
                             mq::Pair("title", title),
                             mq::Pair("result", &result),
                             mq::kEndOfPairs};
  SendWidgetRequest(0, WidgetOp::Show, values);
  return result;
}
