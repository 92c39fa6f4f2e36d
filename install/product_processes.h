// The product's running programs, and starting programs as the desktop user.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "platform/known_folders.h"
#include "platform/process.h"
#include "platform/win_types.h"

namespace install {

// Terminates the first running process of each of the product's program names whose
// executable lies inside `installFolder`, in the fixed order; results are ignored.
void CloseProductProcesses(const std::string& installFolder);
// Terminates (SIGKILL) the first process whose executable file name equals `exeName`
// without regard to case and whose executable lies inside `insideFolder` (compared as
// real paths; an empty folder holds nothing). True when one was terminated. Inside a
// sandbox root only programs below that root are seen.
bool TerminateProcessByName(const std::wstring& exeName, const std::string& insideFolder);
// The id of the first process with that executable file name. False when there is none
// or the process list cannot be read; `out` is written only on a match.
bool FindProcessId(const std::wstring& exeName, DWORD& out);

// The installer runs as root.
bool IsUserAdmin();
// Every kernel the installer runs on has the facilities the elevated paths need.
bool IsVistaOrLater();

// The desktop user, or nothing when no graphical session can be reached (nobody to
// start a program for).
using ShellUserToken = std::optional<platform::DesktopUser>;
ShellUserToken GetShellUserToken();

// Starts `file`. Not running as root: a plain start with `parameters` after the
// program. As root: as the desktop user, the command line holding only `parameters`
// (so " --installmode" gives an empty argv[0] and "--installmode"); false when there
// is no desktop user. `showCmd` plays no part here. True once the program runs.
bool RunAsShellUser(const std::wstring& file, const std::wstring& parameters, const std::wstring& directory,
                    int showCmd);

// The "runas" start of the finish step and the uninstall work. The installer already
// runs as root (or in a sandbox root), so the program is started directly with
// `parameters` split into arguments after its own path; the handle waits for it,
// reads its exit code and terminates it. Null when it cannot be started.
std::unique_ptr<platform::Process> StartElevated(const std::wstring& file, const std::wstring& parameters,
                                                 const std::wstring& directory);

// Opens a web page in the desktop user's browser (xdg-open). A browser is never
// started as root: as root without a desktop user other than root, nothing opens.
bool OpenWebPage(const std::string& url);

}  // namespace install
