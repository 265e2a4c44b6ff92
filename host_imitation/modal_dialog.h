// What a scripted user sees and does while a dialog runs modally.
//
// The view finds widgets the way a person does, by what they show: a button by its text, the list
// box, the edit beside a label. It sees only what is placed in the dialog's tree (a widget never
// added to a parent is not on screen). Each action is delivered as the host delivers it: the
// widget's state changes first, then every "execute" registration on it is called with "type",
// "target_id" and "sender_id" (the widget's id) and its registered "pointer".
//
//   Host().widgets().SetUser([](ModalDialog& dialog) {
//     EXPECT_EQ(dialog.Title(), u"Palisor");
//     EXPECT_EQ(dialog.ItemTexts(), (std::vector<std::u16string>{u"a", u"b"}));
//     dialog.Press(u"全て選択(&Z)");           // runs the plug-in's handler
//     dialog.TickItem(0, false);
//     dialog.UseRadioButton(u"同頂点数(&D)");
//     dialog.SetChecked(u"選択頂点のみモーフ反映する(&S)", true);
//     dialog.Press(u"OK");                    // "modalresult" 1 ends the run
//   });
//
// A request the user cannot make (no such widget, two that match, a disabled one, acting after
// the run ended) throws ScriptedUserError; the service ends the run with 0 and notes the message
// as misuse, so a HostFixture test fails with it.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include "host_imitation/host_widget.h"

namespace host_imitation {

class WidgetService;

class ScriptedUserError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class ModalDialog {
 public:
  ModalDialog(WidgetService& service, int32_t dialogId);

  // --- Reading --------------------------------------------------------------------------------
  int32_t id() const { return dialogId_; }
  const HostWidget& dialog() const;
  const std::u16string& Title() const { return dialog().title; }
  // The widgets on screen, depth first in placing order; of one kind when `kind` is given.
  std::vector<const HostWidget*> Widgets(const std::string& kind = "") const;
  // The one widget of `kind` showing `text`.
  const HostWidget& Find(const std::string& kind, const std::u16string& text) const;
  const HostWidget& Button(const std::u16string& text) const { return Find("button", text); }
  const HostWidget& CheckBox(const std::u16string& text) const { return Find("checkbox", text); }
  const HostWidget& RadioButton(const std::u16string& text) const {
    return Find("radiobutton", text);
  }
  const HostWidget& Label(const std::u16string& text) const { return Find("label", text); }
  const HostWidget& GroupBox(const std::u16string& text) const { return Find("groupbox", text); }
  // The dialog's only list box.
  const HostWidget& ListBox() const;
  // The edit placed right after the label showing `labelText` in the same parent.
  const HostWidget& EditBeside(const std::u16string& labelText) const;
  // The texts of the list box's items and the indexes of its selected items.
  std::vector<std::u16string> ItemTexts() const { return ListBox().ItemTexts(); }
  std::vector<int32_t> SelectedItems() const { return ListBox().SelectedItems(); }
  bool IsChecked(const std::string& kind, const std::u16string& text) const {
    return Find(kind, text).checked;
  }
  // The whole tree as text, for messages and for the eye.
  std::string Describe() const;

  // --- Acting ---------------------------------------------------------------------------------
  // Presses a button: its "execute" registrations run, then a non-zero "modalresult" ends the run.
  void Press(const std::u16string& buttonText) { Press(Button(buttonText)); }
  void Press(const HostWidget& button);
  // Uses a radio button: it becomes checked, then its "execute" registrations run.
  void UseRadioButton(const std::u16string& text) { UseRadioButton(RadioButton(text)); }
  void UseRadioButton(const HostWidget& radioButton);
  // Checks or unchecks a check box, then its "execute" registrations run.
  void SetChecked(const std::u16string& checkBoxText, bool checked) {
    SetChecked(CheckBox(checkBoxText), checked);
  }
  void SetChecked(const HostWidget& checkBox, bool checked);
  // Ticks (selects) or unticks item `index` of the list box. A list box without multiple
  // selection keeps only the newly ticked item selected.
  void TickItem(int32_t index, bool ticked = true) { TickItem(ListBox(), index, ticked); }
  void TickItem(const HostWidget& listBox, int32_t index, bool ticked);
  // Closes the dialog with `result`.
  void Close(int32_t result);

  bool ended() const { return ended_; }
  int32_t result() const { return result_; }

 private:
  // The live widget `widget` names, checked to be of `kind`, on screen in this dialog and
  // enabled (with every widget it is placed in), while the run goes on.
  HostWidget& Usable(const HostWidget& widget, const std::string& kind) const;
  void End(int32_t result);

  WidgetService& service_;
  int32_t dialogId_;
  bool ended_ = false;
  int32_t result_ = 0;
};

}  // namespace host_imitation
