// Starting programs: as this process (the "runas" starts of an installer that already
// runs as root) with a handle to wait on, or detached, optionally as another user (the
// desktop user, never root, for the product and the browser).
#pragma once

#include <sys/types.h>

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/known_folders.h"
#include "platform/process_launch.h"

namespace platform {

// Splits a Windows command line into arguments the way the C runtime does: blanks
// separate, double quotes group, 2n backslashes before a quote give n backslashes,
// 2n+1 give n backslashes and a literal quote.
std::vector<std::string> SplitCommandLine(std::string_view commandLine);
// The whole argv of a process started with this command line: argv[0] is the program
// name part (up to the first blank, or quoted), so a line that starts with a blank
// gives an empty argv[0]; the rest is split as above.
std::vector<std::string> CommandLineToArgv(std::string_view commandLine);

// `name` itself when it holds a '/', else the first executable file of that name on
// PATH; empty when there is none.
std::string FindProgram(const std::string& name);

enum class WaitResult { Exited, TimedOut, Failed };

// A started child. Owned and used by one thread. A child that is still running when
// its handle goes away is left running and reaped in the background.
class Process {
 public:
  explicit Process(pid_t pid) : pid_(pid) {}
  ~Process();
  Process(const Process&) = delete;
  Process& operator=(const Process&) = delete;

  pid_t Id() const { return pid_; }
  // timeoutMs < 0 waits without a limit.
  WaitResult Wait(int timeoutMs);
  // The exit status once the child has ended (128 + signal number after a signal;
  // the code given to Terminate when Terminate ended it). Empty while it runs.
  std::optional<int> ExitCode();
  // SIGKILL. True when the child had ended or the signal was delivered.
  bool Terminate(int exitCode = 0);

 private:
  bool Reap(int options);

  pid_t pid_;
  std::optional<int> exitCode_;
  std::optional<int> terminateCode_;
};

// Starts the program and hands back its handle; null when it could not be executed
// (errno of the failed step in `error` when given).
std::unique_ptr<Process> StartProcess(const ProcessStart& start, int* error = nullptr);
// Starts the program without a handle (nothing to reap later). True once it runs.
bool StartDetachedProcess(const ProcessStart& start, int* error = nullptr);

// Runs the program and waits up to `timeoutMs` for it; a child still running then is
// terminated. The exit code, or empty when it did not start or was terminated.
std::optional<int> RunAndWait(const ProcessStart& start, int timeoutMs);

}  // namespace platform
