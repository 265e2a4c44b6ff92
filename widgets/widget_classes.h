// The widget kinds a window creates. None adds data to MQWidgetBase; each default constructor asks
// the host for a widget of its kind (the wrapper owns it when the host made one).
#pragma once

#include "widgets/widget_base.h"

// A widget that holds and lays out others: a frame or a group box.
class MQFrameBase : public MQWidgetBase {
 protected:
  MQFrameBase() = default;
};

class MQFrame : public MQFrameBase {
 public:
  static constexpr const char* kKind = "frame";
  MQFrame();
};

class MQGroupBox : public MQFrameBase {
 public:
  static constexpr const char* kKind = "groupbox";
  MQGroupBox();
};

class MQButton : public MQWidgetBase {
 public:
  static constexpr const char* kKind = "button";
  MQButton();
};

class MQCheckBox : public MQWidgetBase {
 public:
  static constexpr const char* kKind = "checkbox";
  MQCheckBox();
};

class MQRadioButton : public MQWidgetBase {
 public:
  static constexpr const char* kKind = "radiobutton";
  MQRadioButton();
};

class MQListBox : public MQWidgetBase {
 public:
  static constexpr const char* kKind = "listbox";
  MQListBox();
};

class MQLabel : public MQWidgetBase {
 public:
  static constexpr const char* kKind = "label";
  MQLabel();
};

class MQEdit : public MQWidgetBase {
 public:
  static constexpr const char* kKind = "edit";
  MQEdit();
};
