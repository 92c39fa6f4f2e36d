// The install helper: the part of the installer that runs as root and does only the
// steps that need it, on requests from the dialog (helper_protocol.h). It works from
// its own copy of the package, checked against the program's manifest, and keeps
// every step it did until the dialog commits it; when the dialog goes away first,
// the steps are rolled back.
#pragma once

#include "platform/framed_channel.h"

namespace setup {

// Serves the dialog until it ends the conversation or goes away; the exit status.
int RunInstallHelper(platform::FramedChannel& channel);
// The helper started on its own (pkexec, or a child of the dialog side): it stops only
// when the dialog side says so or goes away, never half-way through a step on a signal
// meant for the terminal's job.
int RunInstallHelperProcess();

}  // namespace setup
