// The property keys of the widget value protocol, each with the wire type of its value: the value
// slot of a bool key points to one byte, of an int32_t key to a 32-bit integer, of a double key to
// a 64-bit float, of a string key to the null-terminated text itself. Setting a value through a
// key converts it to that type, so the host always reads the form it expects.
#pragma once

#include <cstdint>

template <typename Value>
struct WidgetKey {
  const char* name;
};

namespace widget_key {

// Dialogs.
constexpr WidgetKey<const char16_t*> kTitle{"title"};
constexpr WidgetKey<bool> kCanResize{"canresize"};
// Frames ("horz" or "vert") and the layout of any widget ("fill").
constexpr WidgetKey<const char*> kAlignment{"alignment"};
constexpr WidgetKey<const char*> kVertLayout{"vertlayout"};
constexpr WidgetKey<const char*> kHorzLayout{"horzlayout"};
constexpr WidgetKey<double> kFillRateX{"fillrate_x"};
constexpr WidgetKey<int32_t> kMatrixColumn{"matrixcolumn"};
// Texts and states.
constexpr WidgetKey<const char16_t*> kText{"text"};
constexpr WidgetKey<const char16_t*> kHintText{"hinttext"};
constexpr WidgetKey<bool> kReadOnly{"readonly"};
constexpr WidgetKey<bool> kDefault{"default"};
constexpr WidgetKey<bool> kCancel{"cancel"};
constexpr WidgetKey<int32_t> kModalResult{"modalresult"};
constexpr WidgetKey<bool> kChecked{"checked"};
constexpr WidgetKey<bool> kEnabled{"enabled"};
// List boxes; the item properties follow an "index".
constexpr WidgetKey<bool> kMultiSelect{"multiselect"};
constexpr WidgetKey<int32_t> kItemCount{"item.count"};
constexpr WidgetKey<int32_t> kIndex{"index"};
constexpr WidgetKey<bool> kItemSelected{"item.selected"};

}  // namespace widget_key
