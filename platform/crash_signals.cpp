#include "platform/crash_signals.h"

#include <signal.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>

extern char** environ;

namespace platform {

namespace {

constexpr int kFatalSignals[] = {SIGSEGV, SIGBUS, SIGILL, SIGFPE, SIGABRT};
// Room for the dump writer's buffers and the reporter start-up.
constexpr size_t kAlternateStackSize = 256 * 1024;

// A thread's alternate stack, given back when the thread ends.
struct AlternateStack {
  void* memory = nullptr;
  ~AlternateStack() {
    if (memory == nullptr) return;
    stack_t off{};
    off.ss_flags = SS_DISABLE;
    sigaltstack(&off, nullptr);
    std::free(memory);
  }
};
thread_local AlternateStack alternateStack;

std::atomic<CrashFilterFunction> installedFilter{nullptr};
std::atomic<bool> crashInProgress{false};

void SleepSafely(long ms) {
  timespec pause{ms / 1000, (ms % 1000) * 1000000L};
  while (nanosleep(&pause, &pause) != 0 && errno == EINTR) {
  }
}

void HandleFatalSignal(int signalNumber, siginfo_t* info, void* userContext) {
  if (crashInProgress.exchange(true)) {
    // Another thread is reporting its crash and will end the process.
    for (;;) SleepSafely(1000);
  }
  const int savedErrno = errno;
  const CrashFilterFunction filter = installedFilter.load();
  LONG answer = kCrashContinueSearch;
  if (filter != nullptr) {
    CrashContext context;
    context.signalNumber = signalNumber;
    context.signalInfo = info;
    context.userContext = userContext;
    answer = filter(context);
  }
  signal(signalNumber, SIG_DFL);
  if (answer == kCrashExecuteHandler) _exit(128 + signalNumber);
  // Default handling: the signal is blocked while we run, so it arrives on return.
  errno = savedErrno;
  raise(signalNumber);
}

}  // namespace

bool EnsureCrashSignalStack() {
  stack_t current{};
  if (sigaltstack(nullptr, &current) == 0 && (current.ss_flags & SS_DISABLE) == 0 &&
      current.ss_size >= kAlternateStackSize) {
    return true;
  }
  if (alternateStack.memory != nullptr) return false;  // ours, but replaced by someone else
  void* memory = std::malloc(kAlternateStackSize);
  if (memory == nullptr) return false;
  stack_t stack{};
  stack.ss_sp = memory;
  stack.ss_size = kAlternateStackSize;
  if (sigaltstack(&stack, nullptr) != 0) {
    std::free(memory);
    return false;
  }
  alternateStack.memory = memory;
  return true;
}

bool InstallCrashSignalHandlers(CrashFilterFunction filter) {
  installedFilter = filter;
  const bool haveStack = EnsureCrashSignalStack();
  struct sigaction action {};
  action.sa_sigaction = HandleFatalSignal;
  action.sa_flags = SA_SIGINFO | SA_ONSTACK;
  sigemptyset(&action.sa_mask);
  for (int signalNumber : kFatalSignals) sigaddset(&action.sa_mask, signalNumber);
  bool installed = true;
  for (int signalNumber : kFatalSignals) {
    if (sigaction(signalNumber, &action, nullptr) != 0) installed = false;
  }
  return installed && haveStack;
}

bool RunProgramAndWait(const char* const* argv, unsigned waitMs) {
  if (argv == nullptr || argv[0] == nullptr) return false;
  const pid_t child = _Fork();
  if (child < 0) return false;
  if (child == 0) {
    sigset_t none;
    sigemptyset(&none);
    sigprocmask(SIG_SETMASK, &none, nullptr);
    execve(argv[0], const_cast<char* const*>(argv), environ);
    _exit(127);
  }
  constexpr long kPollMs = 20;
  for (long waited = 0;; waited += kPollMs) {
    int status = 0;
    const pid_t done = waitpid(child, &status, WNOHANG);
    if (done == child) return WIFEXITED(status) && WEXITSTATUS(status) == 0;
    if (done < 0 && errno != EINTR) return false;
    if (waited >= static_cast<long>(waitMs)) break;
    SleepSafely(kPollMs);
  }
  kill(child, SIGKILL);
  int status = 0;
  while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  return false;
}

}  // namespace platform
