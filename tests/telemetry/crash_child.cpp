// A program that arms the crash handler and then dereferences a null pointer. It is
// its own reporter, as the installer is.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "base/install_log.h"
#include "base/texts/ui_texts.h"
#include "external/vendor_config.h"
#include "platform/text.h"
#include "telemetry/crash_handler.h"
#include "telemetry/crash_report_main.h"

using namespace base;
using namespace telemetry;

// Not instrumented: the sanitizer builds would report the store instead of faulting.
__attribute__((noinline, no_sanitize("undefined"))) void CrashByNullDereference(volatile int* target) { *target = 42; }

// Deeper than any stack; volatile, so that the compiler cannot see the end either way.
volatile int recursionLimit = 1 << 30;

// Not instrumented at all with clang: its thread sanitizer records every call in
// progress in a bounded table, which this recursion would overrun before the stack.
#if defined(__clang__)
#define CORVEX_UNINSTRUMENTED_RECURSION disable_sanitizer_instrumentation
#else
#define CORVEX_UNINSTRUMENTED_RECURSION no_sanitize("undefined", "address")
#endif
__attribute__((noinline, CORVEX_UNINSTRUMENTED_RECURSION)) int RecurseWithoutEnd(int depth) {
  if (depth >= recursionLimit) return 0;
  volatile char frame[256];
  frame[0] = static_cast<char>(depth);
  return RecurseWithoutEnd(depth + 1) + frame[0];
}

int main(int argc, char** argv) {
  int exitCode = 0;
  if (RunCrashReporterIfRequested(argc, argv, &exitCode)) return exitCode;
  GetLog()->Init(platform::NarrowToWide(InstallLogPath(true)));
  // As in the installer: armed by the first dialog message, before the language is
  // known, and armed again by every later message.
  if (!InstallCrashFilter()) {
    std::fprintf(stderr, "crash child: cannot install the crash filter\n");
    return 3;
  }
  SetLanguage(L"Corvex", 0, HostNameOf(GetVendorConfig().webSite));
  InstallCrashFilter();
  InstallCrashFilter();
  WriteLog("crash child: about to crash\n");
  // "exit": no crash at all; "abort": a failed assertion; "thread": a fault on a worker thread; "overflow": the
  // main thread's stack runs out; else the main thread faults.
  const char* mode = argc > 1 ? argv[1] : "";
  if (std::strcmp(mode, "exit") == 0) return 0;
  if (std::strcmp(mode, "abort") == 0) std::abort();
  if (std::strcmp(mode, "overflow") == 0) return RecurseWithoutEnd(0);
  volatile int* nowhere = nullptr;
  if (std::strcmp(mode, "thread") == 0) {
    std::thread([nowhere] { CrashByNullDereference(nowhere); }).join();
  } else {
    CrashByNullDereference(nowhere);
  }
  return 0;
}
