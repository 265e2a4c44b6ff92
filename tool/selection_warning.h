// The warning a run shows when fewer than two objects are selected.
#pragma once

// Shows the warning box over the host's main window, titled with the host's "Error" text, and
// returns when the user has closed it.
void ShowSelectionWarning();
