// The installer needs root rights to write below /opt and the machine registry.
#pragma once

#include <string>

namespace platform {

// True when this process runs as root.
bool IsRunningAsRoot();

// Called first thing from main. Answers true when this process may go on: it runs as
// root, or inside a sandbox root (CORVEX_SYSROOT). Otherwise it relaunches itself
// through pkexec with the display kept and answers false with `*exitCode` set to the
// code to exit with: the elevated run's, or 1 (with a message on stderr and, when a
// display is reachable, in a window) when pkexec is missing or the rights are refused.
// `programTitle` names the program in that message and titles its window.
bool EnsureElevatedOrRelaunch(int argc, char** argv, const std::string& programTitle, int* exitCode);

}  // namespace platform
