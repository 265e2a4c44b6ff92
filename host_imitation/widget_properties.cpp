#include "host_imitation/widget_properties.h"

#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <map>
#include <vector>

#include "host_imitation/log_format.h"

namespace host_imitation {

namespace {

// The kinds that have a property; empty for every kind.
using Kinds = std::vector<std::string>;

bool KindIsOneOf(const HostWidget& widget, const Kinds& kinds) {
  return kinds.empty() || std::find(kinds.begin(), kinds.end(), widget.kind) != kinds.end();
}

std::string NotAProperty(const HostWidget& widget, const std::string& key) {
  return "\"" + key + "\" is not a property of a " + widget.kind;
}

// The members behind the plain properties, with the kinds that have them (none: every kind).
struct BoolProperty {
  bool HostWidget::*member;
  Kinds kinds;
};
struct IntProperty {
  int32_t HostWidget::*member;
  Kinds kinds;
};
struct NarrowProperty {
  std::string HostWidget::*member;
  Kinds kinds;
};
struct WideProperty {
  std::u16string HostWidget::*member;
  Kinds kinds;
};

const std::map<std::string, BoolProperty>& BoolProperties() {
  static const std::map<std::string, BoolProperty> properties = {
      {"canresize", {&HostWidget::canResize, {"dialog"}}},
      {"readonly", {&HostWidget::readOnly, {"edit"}}},
      {"default", {&HostWidget::isDefault, {"button"}}},
      {"cancel", {&HostWidget::isCancel, {"button"}}},
      {"checked", {&HostWidget::checked, {"checkbox", "radiobutton"}}},
      {"enabled", {&HostWidget::enabled, {}}},
      {"multiselect", {&HostWidget::multiSelect, {"listbox"}}},
  };
  return properties;
}

const std::map<std::string, IntProperty>& IntProperties() {
  static const std::map<std::string, IntProperty> properties = {
      {"matrixcolumn", {&HostWidget::matrixColumn, {"frame"}}},
      {"modalresult", {&HostWidget::modalResult, {"button"}}},
  };
  return properties;
}

const std::map<std::string, NarrowProperty>& NarrowProperties() {
  static const std::map<std::string, NarrowProperty> properties = {
      {"alignment", {&HostWidget::alignment, {"frame"}}},
      {"vertlayout", {&HostWidget::vertLayout, {}}},
      {"horzlayout", {&HostWidget::horzLayout, {}}},
  };
  return properties;
}

const std::map<std::string, WideProperty>& WideProperties() {
  static const std::map<std::string, WideProperty> properties = {
      {"text",
       {&HostWidget::text, {"button", "checkbox", "radiobutton", "label", "edit", "groupbox"}}},
      {"title", {&HostWidget::title, {"dialog"}}},
      {"hinttext", {&HostWidget::hintText, {"checkbox", "radiobutton"}}},
  };
  return properties;
}

template <typename Table>
const typename Table::mapped_type* Lookup(const Table& table, const std::string& key) {
  auto found = table.find(key);
  return found != table.end() ? &found->second : nullptr;
}

std::string CheckItem(const HostWidget& widget, const std::string& key, int32_t index) {
  if (widget.kind != "listbox") return NotAProperty(widget, key);
  if (index < 0 || index >= static_cast<int32_t>(widget.items.size())) {
    return "\"" + key + "\" of item " + std::to_string(index) + " out of range (" +
           std::to_string(widget.items.size()) + " items)";
  }
  return std::string();
}

}  // namespace

ValueForm FormOfKey(const std::string& key) {
  static const std::map<std::string, ValueForm> forms = {
      {"type", ValueForm::Narrow},       {"system", ValueForm::Narrow},
      {"alignment", ValueForm::Narrow},  {"vertlayout", ValueForm::Narrow},
      {"horzlayout", ValueForm::Narrow}, {"messagetype", ValueForm::Narrow},
      {"title", ValueForm::Wide},        {"text", ValueForm::Wide},
      {"hinttext", ValueForm::Wide},     {"message", ValueForm::Wide},
      {"canresize", ValueForm::Bool},    {"readonly", ValueForm::Bool},
      {"default", ValueForm::Bool},      {"cancel", ValueForm::Bool},
      {"checked", ValueForm::Bool},      {"enabled", ValueForm::Bool},
      {"multiselect", ValueForm::Bool},  {"item.selected", ValueForm::Bool},
      {"prior", ValueForm::Bool},        {"id", ValueForm::Int},
      {"child", ValueForm::Int},         {"result", ValueForm::Int},
      {"matrixcolumn", ValueForm::Int},  {"modalresult", ValueForm::Int},
      {"item.count", ValueForm::Int},    {"index", ValueForm::Int},
      {"parent", ValueForm::Int},        {"fillrate_x", ValueForm::Double},
      {"proc", ValueForm::Address},      {"pointer", ValueForm::Address},
      {"function", ValueForm::Address},
  };
  auto found = forms.find(key);
  return found != forms.end() ? found->second : ValueForm::Unknown;
}

std::string DescribeWidgetValue(const std::string& key, const void* value) {
  const ValueForm form = FormOfKey(key);
  if (value == nullptr) return "null";
  char text[64];
  switch (form) {
    case ValueForm::Narrow:
      return static_cast<const char*>(value);
    case ValueForm::Wide:
      return DescribeText(static_cast<const char16_t*>(value));
    case ValueForm::Bool:
      return *static_cast<const uint8_t*>(value) != 0 ? "true" : "false";
    case ValueForm::Int:
      return std::to_string(*static_cast<const int32_t*>(value));
    case ValueForm::Double:
      std::snprintf(text, sizeof text, "%.17g", *static_cast<const double*>(value));
      return text;
    case ValueForm::Address:
      std::snprintf(text, sizeof text, "0x%" PRIxPTR, reinterpret_cast<uintptr_t>(value));
      return text;
    case ValueForm::Unknown:
      break;
  }
  return "pointer";
}

std::string SetWidgetProperty(HostWidget& widget, const std::string& key, const void* value,
                              int32_t index) {
  if (value == nullptr) return "\"" + key + "\" set from a null value";
  if (const BoolProperty* property = Lookup(BoolProperties(), key)) {
    if (!KindIsOneOf(widget, property->kinds)) return NotAProperty(widget, key);
    widget.*property->member = *static_cast<const uint8_t*>(value) != 0;
    return std::string();
  }
  if (const IntProperty* property = Lookup(IntProperties(), key)) {
    if (!KindIsOneOf(widget, property->kinds)) return NotAProperty(widget, key);
    widget.*property->member = *static_cast<const int32_t*>(value);
    return std::string();
  }
  if (const NarrowProperty* property = Lookup(NarrowProperties(), key)) {
    if (!KindIsOneOf(widget, property->kinds)) return NotAProperty(widget, key);
    widget.*property->member = static_cast<const char*>(value);
    return std::string();
  }
  if (const WideProperty* property = Lookup(WideProperties(), key)) {
    if (!KindIsOneOf(widget, property->kinds)) return NotAProperty(widget, key);
    widget.*property->member = static_cast<const char16_t*>(value);
    return std::string();
  }
  if (key == "fillrate_x") {
    widget.fillRateX = *static_cast<const double*>(value);
    return std::string();
  }
  if (key == "item.selected") {
    std::string error = CheckItem(widget, key, index);
    if (!error.empty()) return error;
    const bool selected = *static_cast<const uint8_t*>(value) != 0;
    // A list without multiple selection keeps at most one item selected.
    if (selected && !widget.multiSelect) {
      for (ListItem& item : widget.items) item.selected = false;
    }
    widget.items[static_cast<std::size_t>(index)].selected = selected;
    return std::string();
  }
  if (key == "item.count") return "\"item.count\" cannot be set";
  return "unknown property \"" + key + "\"";
}

std::string GetWidgetProperty(const HostWidget& widget, const std::string& key, void* value,
                              int32_t index) {
  if (value == nullptr) return "\"" + key + "\" read into a null value";
  if (const BoolProperty* property = Lookup(BoolProperties(), key)) {
    if (!KindIsOneOf(widget, property->kinds)) return NotAProperty(widget, key);
    *static_cast<bool*>(value) = widget.*property->member;
    return std::string();
  }
  if (const IntProperty* property = Lookup(IntProperties(), key)) {
    if (!KindIsOneOf(widget, property->kinds)) return NotAProperty(widget, key);
    *static_cast<int32_t*>(value) = widget.*property->member;
    return std::string();
  }
  if (key == "fillrate_x") {
    *static_cast<double*>(value) = widget.fillRateX.value_or(0.0);
    return std::string();
  }
  if (key == "item.count") {
    if (widget.kind != "listbox") return NotAProperty(widget, key);
    *static_cast<int32_t*>(value) = static_cast<int32_t>(widget.items.size());
    return std::string();
  }
  if (key == "item.selected") {
    std::string error = CheckItem(widget, key, index);
    if (!error.empty()) return error;
    *static_cast<bool*>(value) = widget.items[static_cast<std::size_t>(index)].selected;
    return std::string();
  }
  if (Lookup(NarrowProperties(), key) != nullptr || Lookup(WideProperties(), key) != nullptr) {
    return "\"" + key + "\" cannot be read without a buffer";
  }
  return "unknown property \"" + key + "\"";
}

}  // namespace host_imitation
