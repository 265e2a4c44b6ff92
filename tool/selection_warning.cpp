#include "tool/selection_warning.h"

// Placeholder until the widget layer exists.
void ShowSelectionWarning() {}
