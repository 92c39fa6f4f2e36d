// Fatal signals on Linux stand in for the unhandled-exception filter: a process-wide
// handler for SIGSEGV, SIGBUS, SIGILL, SIGFPE and SIGABRT that runs on an alternate
// stack and calls one filter function.
#pragma once

#include "platform/win_types.h"

namespace platform {

// The crash as the handler received it.
struct CrashContext {
  int signalNumber = 0;
  const void* signalInfo = nullptr;   // the siginfo_t of the signal
  const void* userContext = nullptr;  // the ucontext_t: registers at the fault
};

// What a filter answers, with the values of the exception filter it replaces.
inline constexpr LONG kCrashContinueSearch = 0;  // default handling: the system's own death
inline constexpr LONG kCrashExecuteHandler = 1;  // handled: end the process quietly

// Runs inside the signal handler: it may use async-signal-safe calls only.
using CrashFilterFunction = LONG (*)(const CrashContext& context);

// Installs (or replaces) the filter and the five handlers, and gives the calling
// thread an alternate signal stack, so that a stack overflow still reaches the
// handler. Only the first fatal signal is handled; another thread crashing meanwhile
// waits for the process to end. When the filter answers kCrashExecuteHandler the
// process ends with _exit(128 + signal): no core file, no "core dumped" message.
bool InstallCrashSignalHandlers(CrashFilterFunction filter);

// An alternate signal stack for the calling thread, freed when the thread ends.
// Threads other than the one that installed the handlers need their own to survive
// a stack overflow.
bool EnsureCrashSignalStack();

// Async-signal-safe: starts the program argv[0] with `argv` (null-terminated) and
// the process environment, with every signal unblocked, and waits for it to end,
// at most `waitMs` milliseconds (then it is killed). True when it ran and exited 0.
bool RunProgramAndWait(const char* const* argv, unsigned waitMs);

}  // namespace platform
