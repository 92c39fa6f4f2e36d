// Runs one child program to its end: argument vector in, output lines and exit
// status out. The caller's thread does all the work; nothing outlives the call.
#pragma once

#include <atomic>
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace platform {

enum class ChildStream { Out, Err };

struct ChildProcessRequest {
  std::string program;                                        // file to execute (an absolute path)
  std::vector<std::string> argv;                              // argv[0] included; passed as given
  std::vector<std::pair<std::string, std::string>> extraEnv;  // set on top of ours
  std::string workingDirectory;                               // empty: ours
  std::string stdinText;                                      // written to the child's stdin, then closed
  // Bytes that end a line. Programs that redraw a status line with '\b' or '\r'
  // can be read piece by piece by listing those too.
  std::string lineBreaks = "\n";
  // Called for every non-empty piece of output, without its terminator.
  std::function<void(ChildStream, std::string_view line)> onLine;
  // Instead of lines: the whole standard output as raw bytes in the result.
  bool captureStdout = false;
  // Set by another thread to end the run: the child is killed and reaped.
  const std::atomic<bool>* cancel = nullptr;
  // A FileConfinement descriptor (platform/landlock.h) for the child; -1: none.
  int confinement = -1;
};

enum class ChildOutcome {
  Exited,      // `exitCode` holds the status
  Signalled,   // ended by signal `signal`
  NotStarted,  // the program could not be started
};

struct ChildProcessResult {
  ChildOutcome outcome = ChildOutcome::NotStarted;
  int exitCode = -1;
  int signal = 0;
  std::string stdoutBytes;  // only with captureStdout
  bool cancelled = false;   // the request's cancel flag ended it (outcome Signalled)
};

ChildProcessResult RunChildProcess(const ChildProcessRequest& request);

}  // namespace platform
