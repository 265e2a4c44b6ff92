#include "widgets/window.h"

#include "host/key_value.h"
#include "widgets/widget_value.h"

MQWindowBase::~MQWindowBase() {
  for (MQWidgetBase* widget : createdWidgets) delete widget;
  createdWidgets.clear();
}

void MQWindowBase::AddToParent(const MQWidgetBase& parent, const MQWidgetBase& child) {
  int32_t childId = child.id;
  int32_t result = -1;
  MQKeyValuePair values[] = {mq::Pair("child", &childId), mq::Pair("result", &result),
                             mq::kEndOfPairs};
  SendWidgetRequest(parent.id, WidgetOp::AddChild, values);
}

MQFrame* MQWindowBase::NewFrame(MQWidgetBase* parent, const char* alignment) {
  MQFrame* frame = CreateWidget<MQFrame>();
  SetWidgetValue(*frame, widget_key::kAlignment, alignment);
  if (parent != nullptr) AddToParent(*parent, *frame);
  return frame;
}

template <typename Widget>
Widget* MQWindowBase::NewTextWidget(MQFrameBase* parent, const char16_t* text) {
  Widget* widget = CreateWidget<Widget>();
  SetWidgetValue(*widget, widget_key::kText, text != nullptr ? text : u"");
  if (parent != nullptr) AddToParent(*parent, *widget);
  return widget;
}

MQFrame* MQWindowBase::NewHorizontalFrame(MQWidgetBase* parent) {
  return NewFrame(parent, "horz");
}

MQFrame* MQWindowBase::NewVerticalFrame(MQWidgetBase* parent) {
  return NewFrame(parent, "vert");
}

MQButton* MQWindowBase::NewButton(MQFrameBase* parent, const char16_t* text) {
  return NewTextWidget<MQButton>(parent, text);
}

MQCheckBox* MQWindowBase::NewCheckBox(MQFrameBase* parent, const char16_t* text) {
  return NewTextWidget<MQCheckBox>(parent, text);
}

MQRadioButton* MQWindowBase::NewRadioButton(MQFrameBase* parent, const char16_t* text) {
  return NewTextWidget<MQRadioButton>(parent, text);
}

MQLabel* MQWindowBase::NewLabel(MQFrameBase* parent, const char16_t* text) {
  return NewTextWidget<MQLabel>(parent, text);
}

MQEdit* MQWindowBase::NewEdit(MQFrameBase* parent, const char16_t* text) {
  return NewTextWidget<MQEdit>(parent, text);
}

MQListBox* MQWindowBase::NewListBox(MQFrameBase* parent) {
  MQListBox* list = CreateWidget<MQListBox>();
  if (parent != nullptr) AddToParent(*parent, *list);
  return list;
}

MQGroupBox* MQWindowBase::NewGroupBox(MQFrameBase* parent, const char16_t* text) {
  return NewTextWidget<MQGroupBox>(parent, text);
}

MQDialog::MQDialog(MQWindowBase& owner) {
  CreateHostWidget("dialog");
  int32_t childId = id;
  int32_t result = -1;
  MQKeyValuePair values[] = {mq::Pair("child", &childId), mq::Pair("result", &result),
                             mq::kEndOfPairs};
  SendWidgetRequest(owner.id, WidgetOp::AddChildWindow, values);
}
