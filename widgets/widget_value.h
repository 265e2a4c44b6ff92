// Requests of the widget value protocol: every call of MQWidget_Value goes through
// SendWidgetRequest, and the helpers below build the one-pair (or, for an item property, two-pair)
// arrays of single property reads and writes.
#pragma once

#include <cstdint>

#include "host/host_api.h"
#include "widgets/widget_op.h"

class MQWidgetBase;

// Bools cross the protocol as one byte. The plug-in writes C++ bools (0 or 1); a byte the host
// writes may hold any value, nonzero meaning true, so it is read as a HostBool and never straight
// into a bool.
static_assert(sizeof(bool) == 1, "the widget protocol's booleans are one byte");
using HostBool = uint8_t;

// MQWidget_Value(widget, operation, values); 0 when the host function is not resolved.
int32_t SendWidgetRequest(int32_t widget, WidgetOp operation, MQKeyValuePair* values);

// WidgetOp::Set of one property, its value in the form the key takes.
void SetWidgetValue(const MQWidgetBase& widget, const char* key, bool value);
void SetWidgetValue(const MQWidgetBase& widget, const char* key, int32_t value);
void SetWidgetValue(const MQWidgetBase& widget, const char* key, double value);
// A narrow string ("fill", "horz", ...).
void SetWidgetValue(const MQWidgetBase& widget, const char* key, const char* value);
// A UTF-16 string ("text", "title", "hinttext").
void SetWidgetValue(const MQWidgetBase& widget, const char* key, const char16_t* value);

// WidgetOp::Get of one property, the value preset to false or 0.
bool GetWidgetBool(const MQWidgetBase& widget, const char* key);
int32_t GetWidgetInt(const MQWidgetBase& widget, const char* key);

// The selection of list item `index`: "index" followed by "item.selected" in one array.
void SetItemSelected(const MQWidgetBase& list, int32_t index, bool selected);
bool GetItemSelected(const MQWidgetBase& list, int32_t index);

// WidgetOp::GetSystem "main_window": the id of the host's main window ("result" preset -1).
int32_t QueryMainWindowId();
// WidgetOp::Show "modal": runs the dialog and returns its modal result ("result" preset 0).
int32_t ShowModal(const MQWidgetBase& dialog);
