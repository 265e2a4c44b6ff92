// What tests and palisor-cli read of the imitated widgets: lookups by id, the live widgets, the
// widgets under a window, and the tree as text.
#include <cstdio>
#include <string>

#include "host_imitation/log_format.h"
#include "host_imitation/widget_service.h"

namespace host_imitation {

namespace {

std::string Text(const char16_t* text) {
  return text != nullptr ? ToUtf8(text) : std::string();
}

}  // namespace

std::vector<std::u16string> HostWidget::ItemTexts() const {
  std::vector<std::u16string> texts;
  for (const ListItem& item : items) texts.push_back(item.text);
  return texts;
}

std::vector<int32_t> HostWidget::SelectedItems() const {
  std::vector<int32_t> selected;
  for (std::size_t i = 0; i < items.size(); ++i) {
    if (items[i].selected) selected.push_back(static_cast<int32_t>(i));
  }
  return selected;
}

const HostWidget* WidgetService::Find(int32_t id) const {
  const HostWidget* widget = FindEvenDeleted(id);
  return widget != nullptr && !widget->deleted ? widget : nullptr;
}

HostWidget* WidgetService::Find(int32_t id) {
  return const_cast<HostWidget*>(static_cast<const WidgetService*>(this)->Find(id));
}

const HostWidget* WidgetService::FindEvenDeleted(int32_t id) const {
  auto found = widgets_.find(id);
  return found != widgets_.end() ? found->second.get() : nullptr;
}

std::vector<const HostWidget*> WidgetService::LiveWidgets() const {
  std::vector<const HostWidget*> live;
  for (const auto& [id, widget] : widgets_) {
    if (!widget->deleted) live.push_back(widget.get());
  }
  return live;
}

std::vector<const HostWidget*> WidgetService::Descendants(int32_t root) const {
  std::vector<const HostWidget*> found;
  const HostWidget* widget = Find(root);
  if (widget == nullptr) return found;
  for (int32_t childId : widget->children) {
    const HostWidget* child = Find(childId);
    if (child == nullptr) continue;
    found.push_back(child);
    std::vector<const HostWidget*> below = Descendants(childId);
    found.insert(found.end(), below.begin(), below.end());
  }
  return found;
}

std::string WidgetService::DescribeTree(int32_t root) const {
  std::string text;
  if (const HostWidget* widget = Find(root)) DescribeInto(text, *widget, 0);
  return text;
}

void WidgetService::DescribeInto(std::string& text, const HostWidget& widget, int depth) const {
  text += std::string(static_cast<std::size_t>(depth) * 2, ' ') + widget.kind;
  if (!widget.title.empty()) text += " title=\"" + Text(widget.title.c_str()) + "\"";
  if (widget.kind != "frame" && widget.kind != "dialog" && widget.kind != "listbox" &&
      widget.kind != "main_window") {
    text += " \"" + Text(widget.text.c_str()) + "\"";
  }
  if (!widget.alignment.empty()) text += " " + widget.alignment;
  if (widget.kind == "checkbox" || widget.kind == "radiobutton") {
    text += widget.checked ? " [x]" : " [ ]";
  }
  if (widget.readOnly) text += " readonly";
  if (widget.isDefault) text += " default";
  if (widget.isCancel) text += " cancel";
  if (widget.modalResult != 0) text += " modalresult=" + std::to_string(widget.modalResult);
  if (!widget.enabled) text += " disabled";
  if (widget.multiSelect) text += " multiselect";
  if (widget.matrixColumn != 0) text += " matrixcolumn=" + std::to_string(widget.matrixColumn);
  if (!widget.vertLayout.empty()) text += " vertlayout=" + widget.vertLayout;
  if (!widget.horzLayout.empty()) text += " horzlayout=" + widget.horzLayout;
  if (widget.fillRateX) {
    char rate[32];
    std::snprintf(rate, sizeof rate, "%g", *widget.fillRateX);
    text += std::string(" fillrate_x=") + rate;
  }
  if (!widget.hintText.empty()) text += " hint=\"" + Text(widget.hintText.c_str()) + "\"";
  text += "\n";
  for (const ListItem& item : widget.items) {
    text += std::string(static_cast<std::size_t>(depth + 1) * 2, ' ') +
            (item.selected ? "[x] " : "[ ] ") + Text(item.text.c_str()) + "\n";
  }
  for (int32_t childId : widget.children) {
    if (const HostWidget* child = Find(childId)) DescribeInto(text, *child, depth + 1);
  }
}

}  // namespace host_imitation
