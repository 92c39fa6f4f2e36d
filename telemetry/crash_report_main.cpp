#include "telemetry/crash_report_main.h"

#include <exception>
#include <string>

#include "platform/known_folders.h"
#include "telemetry/crash_handler.h"
#include "telemetry/crash_symbolizer.h"

namespace telemetry {

namespace {

enum ReporterArgument { kUrl = 2, kAppId, kDumpPath, kLogPath, kUuid, kLanguageName, kArgumentCount };

bool ReportCrash(char** argv) {
  const std::string dumpPath = argv[kDumpPath];
  try {
    AppendSymbolisedFrames(dumpPath);
  } catch (const std::exception&) {
    // A dump without names still helps.
  }
  platform::GiveToDesktopUser(dumpPath);
  CrashReportSources sources = DefaultCrashReportSources();
  sources.languageName = argv[kLanguageName];
  return SendCrashReport(argv[kUrl], argv[kAppId], dumpPath, argv[kLogPath], argv[kUuid], sources);
}

}  // namespace

bool RunCrashReporterIfRequested(int argc, char** argv, int* exitCode) {
  if (argc < 2 || argv == nullptr || std::string(argv[1]) != kSendCrashReportSwitch) return false;
  int code = 2;
  if (argc == kArgumentCount) {
    try {
      code = ReportCrash(argv) ? 0 : 1;
    } catch (const std::exception&) {
      code = 1;
    }
  }
  if (exitCode != nullptr) *exitCode = code;
  return true;
}

}  // namespace telemetry
