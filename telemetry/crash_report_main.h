// The reporter side of the crash handler: a crashed process starts its own program
// again with
//   --send-crash-report <url> <appId> <dumpPath> <logPath> <uuid> <languageName>
// which names the dump's frames, posts the report and ends.
#pragma once

namespace telemetry {

inline constexpr char kSendCrashReportSwitch[] = "--send-crash-report";

// Called first thing in main. True when this process is a reporter: the report has
// been handled and the process is to end with *exitCode (0 when it was delivered).
bool RunCrashReporterIfRequested(int argc, char** argv, int* exitCode);

}  // namespace telemetry
