#include "widgets/widget_classes.h"

MQFrame::MQFrame() {
  CreateHostWidget(kKind);
}

MQGroupBox::MQGroupBox() {
  CreateHostWidget(kKind);
}

MQButton::MQButton() {
  CreateHostWidget(kKind);
}

MQCheckBox::MQCheckBox() {
  CreateHostWidget(kKind);
}

MQRadioButton::MQRadioButton() {
  CreateHostWidget(kKind);
}

MQListBox::MQListBox() {
  CreateHostWidget(kKind);
}

MQLabel::MQLabel() {
  CreateHostWidget(kKind);
}

MQEdit::MQEdit() {
  CreateHostWidget(kKind);
}
