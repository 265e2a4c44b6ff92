// Windows: wrappers that create widgets and own every wrapper they created, the host's main window
// as the plug-in wraps it, and dialogs attached to an owner window.
#pragma once

#include <cstdint>
#include <memory>
#include <set>

#include "widgets/widget_base.h"
#include "widgets/widget_classes.h"

class MQWindowBase : public MQWidgetBase {
 public:
  MQWindowBase() = default;
  // Wraps a window the host already has (registered, not owned).
  explicit MQWindowBase(int32_t existingId) : MQWidgetBase(existingId) {}
  // Deletes every created wrapper (each destroys the host widget it owns) before the window's own
  // host widget goes.
  ~MQWindowBase() override;

  // Each makes a widget, sets its alignment or text, and places it in `parent` unless that is
  // null. The window owns the result until it is destroyed; callers must not delete it.
  MQFrame* NewHorizontalFrame(MQWidgetBase* parent);
  MQFrame* NewVerticalFrame(MQWidgetBase* parent);
  MQButton* NewButton(MQFrameBase* parent, const char16_t* text);
  MQCheckBox* NewCheckBox(MQFrameBase* parent, const char16_t* text);
  MQRadioButton* NewRadioButton(MQFrameBase* parent, const char16_t* text);
  MQLabel* NewLabel(MQFrameBase* parent, const char16_t* text);
  MQEdit* NewEdit(MQFrameBase* parent, const char16_t* text);
  // The same steps for the kinds that have no operation of their own: a list box sets no property,
  // a group box sets "text".
  MQListBox* NewListBox(MQFrameBase* parent);
  MQGroupBox* NewGroupBox(MQFrameBase* parent, const char16_t* text);

  // The building blocks of the operations above, for widgets made step by step. CreateWidget makes
  // the wrapper and its host widget and records it in `createdWidgets`; nothing else.
  template <typename Widget>
  Widget* CreateWidget();
  // WidgetOp::AddChild on `parent` with "child" = the child's id ("result" preset -1, not read).
  static void AddToParent(const MQWidgetBase& parent, const MQWidgetBase& child);

  std::set<MQWidgetBase*> createdWidgets;

 private:
  template <typename Widget>
  Widget* NewTextWidget(MQFrameBase* parent, const char16_t* text);
  MQFrame* NewFrame(MQWidgetBase* parent, const char* alignment);
};

// The host's main window, wrapped from the id WidgetOp::GetSystem gives. Never destroyed by the
// plug-in.
class MQWindow : public MQWindowBase {
 public:
  explicit MQWindow(int32_t existingId) : MQWindowBase(existingId) {}
};

// A dialog the plug-in creates and owns, attached to its owner window.
class MQDialog : public MQWindowBase {
 public:
  explicit MQDialog(MQWindowBase& owner);
};

template <typename Widget>
Widget* MQWindowBase::CreateWidget() {
  // Until the set holds it, the wrapper is freed (and its host widget destroyed) if anything
  // throws.
  auto wrapper = std::make_unique<Widget>();
  createdWidgets.insert(wrapper.get());
  return wrapper.release();
}
