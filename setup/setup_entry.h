// What the entry point needs of the setup dialog: the one-time preparation of the
// dialog support (the shadow's window class) and the modal run of the dialog.
// Both on the main (UI) thread.
#pragma once

void InitializeDialogSupport();
// Returns when the setup dialog has ended; at once when no dialog can be shown.
void RunSetupDialog();
