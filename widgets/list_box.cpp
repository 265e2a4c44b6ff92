// The list box's items: the methods and item properties of the widget value protocol.
#include "host/key_value.h"
#include "widgets/widget_classes.h"
#include "widgets/widget_value.h"

namespace {

// WidgetOp::Call: the method's name with a null value, then its arguments.
void CallMethod(const MQListBox& list, const char* method, MQKeyValuePair argument,
                MQKeyValuePair result = mq::kEndOfPairs) {
  MQKeyValuePair values[] = {mq::Pair(method, nullptr), argument, result, mq::kEndOfPairs};
  SendWidgetRequest(list.id, WidgetOp::Call, values);
}

}  // namespace

void MQListBox::ClearItems() {
  CallMethod(*this, "clearitems", mq::kEndOfPairs);
}

int32_t MQListBox::AddItem(const char16_t* text) {
  int32_t index = -1;
  CallMethod(*this, "additem", mq::Pair(widget_key::kText.name, text), mq::Pair("result", &index));
  return index;
}

void MQListBox::MakeItemVisible(int32_t index) {
  CallMethod(*this, "makeitemvisible", mq::Pair(widget_key::kIndex.name, &index));
}

int32_t MQListBox::GetItemCount() const {
  return GetWidgetValue(*this, widget_key::kItemCount);
}

bool MQListBox::GetItemSelected(int32_t index) const {
  HostBool selected = 0;
  MQKeyValuePair values[] = {mq::Pair(widget_key::kIndex.name, &index),
                             mq::Pair(widget_key::kItemSelected.name, &selected), mq::kEndOfPairs};
  SendWidgetRequest(id, WidgetOp::Get, values);
  return selected != 0;
}

void MQListBox::SetItemSelected(int32_t index, bool selected) {
  MQKeyValuePair values[] = {mq::Pair(widget_key::kIndex.name, &index),
                             mq::Pair(widget_key::kItemSelected.name, &selected), mq::kEndOfPairs};
  SendWidgetRequest(id, WidgetOp::Set, values);
}
