#include "widgets/widget_value.h"

#include "host/host_function_table.h"
#include "host/key_value.h"
#include "widgets/widget_base.h"

namespace {

void SetValue(const MQWidgetBase& widget, const char* key, const void* value) {
  MQKeyValuePair values[] = {mq::Pair(key, value), mq::kEndOfPairs};
  SendWidgetRequest(widget.id, WidgetOp::Set, values);
}

void GetValue(const MQWidgetBase& widget, const char* key, void* value) {
  MQKeyValuePair values[] = {mq::Pair(key, value), mq::kEndOfPairs};
  SendWidgetRequest(widget.id, WidgetOp::Get, values);
}

}  // namespace

int32_t SendWidgetRequest(int32_t widget, WidgetOp operation, MQKeyValuePair* values) {
  if (mq::hostFunctions.MQWidget_Value == nullptr) return 0;
  return mq::hostFunctions.MQWidget_Value(widget, OperationCode(operation), values);
}

void SetWidgetValue(const MQWidgetBase& widget, const char* key, bool value) {
  SetValue(widget, key, &value);
}

void SetWidgetValue(const MQWidgetBase& widget, const char* key, int32_t value) {
  SetValue(widget, key, &value);
}

void SetWidgetValue(const MQWidgetBase& widget, const char* key, double value) {
  SetValue(widget, key, &value);
}

void SetWidgetValue(const MQWidgetBase& widget, const char* key, const char* value) {
  SetValue(widget, key, value);
}

void SetWidgetValue(const MQWidgetBase& widget, const char* key, const char16_t* value) {
  SetValue(widget, key, value);
}

bool GetWidgetBool(const MQWidgetBase& widget, const char* key) {
  HostBool value = 0;
  GetValue(widget, key, &value);
  return value != 0;
}

int32_t GetWidgetInt(const MQWidgetBase& widget, const char* key) {
  int32_t value = 0;
  GetValue(widget, key, &value);
  return value;
}

void SetItemSelected(const MQWidgetBase& list, int32_t index, bool selected) {
  MQKeyValuePair values[] = {mq::Pair("index", &index), mq::Pair("item.selected", &selected),
                             mq::kEndOfPairs};
  SendWidgetRequest(list.id, WidgetOp::Set, values);
}

bool GetItemSelected(const MQWidgetBase& list, int32_t index) {
  HostBool selected = 0;
  MQKeyValuePair values[] = {mq::Pair("index", &index), mq::Pair("item.selected", &selected),
                             mq::kEndOfPairs};
  SendWidgetRequest(list.id, WidgetOp::Get, values);
  return selected != 0;
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
