// What the entry point needs of the setup dialog: the one-time preparation of the
// dialog support (the shadow's window class), the modal run of the dialog and what
// it ended with. All on the main (UI) thread.
#pragma once

namespace setup {

void InitializeDialogSupport();
// The message that another installer is running, in a box of its own. Main thread.
void ShowAnotherInstallerMessage();
// Returns when the setup dialog has ended; at once when no dialog can be shown.
void RunSetupDialog();

enum class SetupResult { kInstalled, kNotInstalled };

struct SetupOutcome {
  SetupResult result = SetupResult::kNotInstalled;
  bool workerStopped = true;  // false: the install worker still runs
};

// After RunSetupDialog: asks a still running install worker to stop, waits a little
// for it, lets the report threads end, and tells whether the product was installed.
SetupOutcome EndSetupDialog();

}  // namespace setup
