// A widget of the imitated host as the user meets it: its kind, its place in the widget tree, the
// properties a plug-in set on it, its list items and the event procedures registered on it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "host/host_api.h"

namespace host_imitation {

struct ListItem {
  std::u16string text;
  bool selected = false;
};

// One MQWIDGETOP_ADD_EVENT: the host calls `proc(context, values, pointer)` for each event of
// `type` on `widget`.
struct EventRegistration {
  int32_t widget = 0;
  std::string type;
  MQWidgetEventProc proc = nullptr;
  void* pointer = nullptr;
  void* function = nullptr;
  bool prior = false;
};

struct HostWidget {
  int32_t id = 0;
  // "main_window", "dialog", "frame", "groupbox", "button", "checkbox", "radiobutton", "label",
  // "edit" or "listbox".
  std::string kind;
  bool deleted = false;

  // The tree: the widget this one was placed in (0 for none), and what was placed in it, in order.
  int32_t parent = 0;
  std::vector<int32_t> children;
  // For a dialog, the window it was attached to; for a window, the dialogs attached to it.
  int32_t owner = 0;
  std::vector<int32_t> childWindows;

  std::u16string text;
  std::u16string title;
  std::u16string hintText;
  bool checked = false;
  bool readOnly = false;
  bool isDefault = false;
  bool isCancel = false;
  bool enabled = true;
  bool multiSelect = false;
  bool canResize = false;
  int32_t modalResult = 0;
  int32_t matrixColumn = 0;
  std::string alignment;
  std::string vertLayout;
  std::string horzLayout;
  std::optional<double> fillRateX;

  std::vector<ListItem> items;
  // The item last asked to be made visible, -1 for none.
  int32_t visibleItem = -1;

  // In the order the host calls them: registrations with "prior" ahead of the others.
  std::vector<EventRegistration> events;

  std::vector<std::u16string> ItemTexts() const;
  std::vector<int32_t> SelectedItems() const;
};

}  // namespace host_imitation
