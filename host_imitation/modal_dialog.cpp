#include "host_imitation/modal_dialog.h"

#include <algorithm>

#include "host_imitation/log_format.h"
#include "host_imitation/widget_service.h"

namespace host_imitation {

namespace {

std::string Quoted(const std::u16string& text) {
  return "\"" + ToUtf8(text) + "\"";
}

}  // namespace

ModalDialog::ModalDialog(WidgetService& service, int32_t dialogId)
    : service_(service), dialogId_(dialogId) {}

const HostWidget& ModalDialog::dialog() const {
  const HostWidget* widget = service_.FindEvenDeleted(dialogId_);
  if (widget == nullptr) throw ScriptedUserError("no dialog " + std::to_string(dialogId_));
  return *widget;
}

std::vector<const HostWidget*> ModalDialog::Widgets(const std::string& kind) const {
  std::vector<const HostWidget*> found = service_.Descendants(dialogId_);
  if (!kind.empty()) {
    found.erase(std::remove_if(found.begin(), found.end(),
                               [&](const HostWidget* widget) { return widget->kind != kind; }),
                found.end());
  }
  return found;
}

const HostWidget& ModalDialog::Find(const std::string& kind, const std::u16string& text) const {
  std::vector<const HostWidget*> matches = Widgets(kind);
  matches.erase(std::remove_if(matches.begin(), matches.end(),
                               [&](const HostWidget* widget) { return widget->text != text; }),
                matches.end());
  if (matches.size() != 1) {
    throw ScriptedUserError(std::to_string(matches.size()) + " " + kind + " widgets show " +
                            Quoted(text) + " in\n" + Describe());
  }
  return *matches.front();
}

const HostWidget& ModalDialog::ListBox() const {
  std::vector<const HostWidget*> lists = Widgets("listbox");
  if (lists.size() != 1) {
    throw ScriptedUserError(std::to_string(lists.size()) + " list boxes in\n" + Describe());
  }
  return *lists.front();
}

const HostWidget& ModalDialog::EditBeside(const std::u16string& labelText) const {
  const HostWidget& label = Label(labelText);
  const HostWidget* parent = service_.Find(label.parent);
  if (parent != nullptr) {
    const auto& siblings = parent->children;
    auto at = std::find(siblings.begin(), siblings.end(), label.id);
    if (at != siblings.end() && at + 1 != siblings.end()) {
      const HostWidget* next = service_.Find(*(at + 1));
      if (next != nullptr && next->kind == "edit") return *next;
    }
  }
  throw ScriptedUserError("no edit beside the label " + Quoted(labelText));
}

std::string ModalDialog::Describe() const {
  return service_.DescribeTree(dialogId_);
}

HostWidget& ModalDialog::Usable(const HostWidget& widget, const std::string& kind) const {
  if (ended_) throw ScriptedUserError("the dialog is closed");
  HostWidget* live = service_.Find(widget.id);
  if (live == nullptr) throw ScriptedUserError("widget " + std::to_string(widget.id) + " is gone");
  if (live->kind != kind) {
    throw ScriptedUserError("widget " + std::to_string(widget.id) + " is a " + live->kind +
                            ", not a " + kind);
  }
  // On screen in this dialog, and neither it nor anything it is placed in disabled.
  for (const HostWidget* at = live; at != nullptr; at = service_.Find(at->parent)) {
    if (!at->enabled) {
      throw ScriptedUserError(kind + " " + Quoted(live->text) + " is disabled");
    }
    if (at->id == dialogId_) return *live;
  }
  throw ScriptedUserError(kind + " " + Quoted(live->text) + " is not in the dialog");
}

void ModalDialog::Press(const HostWidget& button) {
  const int32_t id = Usable(button, "button").id;
  service_.DeliverEvent(id, "execute");
  const HostWidget* pressed = service_.Find(id);
  if (pressed != nullptr && pressed->modalResult != 0 && !ended_) End(pressed->modalResult);
}

void ModalDialog::UseRadioButton(const HostWidget& radioButton) {
  HostWidget& used = Usable(radioButton, "radiobutton");
  used.checked = true;
  service_.DeliverEvent(used.id, "execute");
}

void ModalDialog::SetChecked(const HostWidget& checkBox, bool checked) {
  HostWidget& box = Usable(checkBox, "checkbox");
  box.checked = checked;
  service_.DeliverEvent(box.id, "execute");
}

void ModalDialog::TickItem(const HostWidget& listBox, int32_t index, bool ticked) {
  HostWidget& list = Usable(listBox, "listbox");
  if (index < 0 || index >= static_cast<int32_t>(list.items.size())) {
    throw ScriptedUserError("no item " + std::to_string(index) + " among " +
                            std::to_string(list.items.size()));
  }
  if (ticked && !list.multiSelect) {
    for (ListItem& item : list.items) item.selected = false;
  }
  list.items[static_cast<std::size_t>(index)].selected = ticked;
}

void ModalDialog::Close(int32_t result) {
  if (ended_) throw ScriptedUserError("the dialog is closed");
  End(result);
}

void ModalDialog::End(int32_t result) {
  ended_ = true;
  result_ = result;
}

}  // namespace host_imitation
