// A run started as root on behalf of a desktop user (sudo, pkexec): the program runs
// again as that user, and this root process serves it as its install helper, so that
// root does only the privileged steps here too.
#pragma once

namespace setup {

// True when this run was split: `*exitCode` is then the user's run's exit status.
// False when there is no desktop user other than root, or this process is already
// the user's side.
bool RunAsDesktopUserWithHelper(int argc, char** argv, int* exitCode);

}  // namespace setup
