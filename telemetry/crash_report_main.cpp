#include "telemetry/crash_report_main.h"

#include <string>

#include "platform/known_folders.h"
#include "telemetry/crash_handler.h"
#include "telemetry/crash_symbolizer.h"

namespace {

enum ReporterArgument { kUrl = 2, kAppId, kDumpPath, kLogPath, kUuid, kLanguageName, kArgumentCount };

}  // namespace

bool RunCrashReporterIfRequested(int argc, char** argv, int* exitCode) {
  if (argc < 2 || argv == nullptr || std::string(argv[1]) != kSendCrashReportSwitch) return false;
  int code = 2;
  if (argc == kArgumentCount) {
    const std::string dumpPath = argv[kDumpPath];
    // Best effort: a dump without names still helps.
    AppendSymbolisedFrames(dumpPath);
    platform::GiveToDesktopUser(dumpPath);
    CrashReportSources sources = DefaultCrashReportSources();
    sources.languageName = argv[kLanguageName];
    code = SendCrashReport(argv[kUrl], argv[kAppId], dumpPath, argv[kLogPath], argv[kUuid], sources) ? 0 : 1;
  }
  if (exitCode != nullptr) *exitCode = code;
  return true;
}
