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

// A list of text items, each of which may be selected (ticked).
class MQListBox : public MQWidgetBase {
 public:
  static constexpr const char* kKind = "listbox";
  MQListBox();

  // Removes every item ("clearitems").
  void ClearItems();
  // Appends an item ("additem" with "text"); returns its index as the host reports it in
  // "result" (preset -1).
  int32_t AddItem(const char16_t* text);
  // Scrolls item `index` into view ("makeitemvisible" with "index").
  void MakeItemVisible(int32_t index);
  // "item.count" (preset 0).
  int32_t GetItemCount() const;
  // The selection of item `index`: "index" followed by "item.selected" in one array.
  bool GetItemSelected(int32_t index) const;
  void SetItemSelected(int32_t index, bool selected);
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
