// Starting the product's programs after the installation: the repair program and the
// main program in installation mode (both waited for, about 10.2 s at most), and the
// main program for the user from the finish button.
#pragma once

#include <string>

#include "platform/process.h"

namespace setup {

enum class ProgramRun {
  kMissing,      // the program file is not in the install folder
  kStartFailed,  // it could not be started
  kEnded,        // it ended within the wait; exitCode is its own
  kTerminated,   // still running when the wait was used up; it was terminated
};

struct ProgramRunResult {
  ProgramRun run = ProgramRun::kMissing;
  int exitCode = 0;   // 0 unless the program ended by itself
  int waitCount = 0;  // the poll count left: −2 when the time was used up
};

// Polls the started program every 100 ms, 102 times at most, and terminates it when
// it is still running then. Waits on this very process, never on a name.
ProgramRunResult WaitForStartedProgram(platform::Process& process);

// "VexRepair.exe" of the install folder, started elevated without parameters and
// waited for; a missing one is skipped without a log line. Install worker.
ProgramRunResult RunRepairProgram(const std::wstring& installFolder);

// The main program ("Corvex64.exe" for a 64-bit package, else "Corvex.exe") of the
// install folder with `params` (BuildInstallParams), started elevated and waited for.
// Logs "Run Install Params: ..." and "Run main exe install : ExitCode(..),
// nWaitCount(..)"; a missing program logs "Run exe failed. main exe con't found".
// Install worker.
ProgramRunResult RunMainProgramInstallMode(const std::wstring& installFolder, bool is64BitPackage,
                                           const std::wstring& params);

// The finish button's start of the main program of `installFolder` (GetInstallFolder())
// as the desktop user with " --installmode"; logs "Run Vex!!! <path>". True once it
// runs (callers ignore it). UI thread.
bool LaunchProductForUser(const std::wstring& installFolder, bool is64BitPackage);

}  // namespace setup
