// The crash handler: a fatal signal leaves a dump beside the install log, and a
// reporter process posts both to the vendor's crash endpoint before the crashed
// process ends quietly.
#pragma once

#include <ctime>
#include <functional>
#include <string>
#include <vector>

#include "platform/crash_signals.h"
#include "telemetry/form_post.h"
#include "telemetry/report_paths.h"

namespace telemetry {

// The crash host followed by the crash path. CORVEX_CRASH_HOST, when set, replaces
// the compiled-in host (tests point it at their own endpoint).
std::string CrashEndpointUrl();

// Arms the handler. The first call computes everything a crash will need (paths,
// process GUID, the reporter's command line), later calls only renew it when the
// UI language has changed since, so that it is cheap to call on every message.
bool InstallCrashFilter();

// The filter the fatal-signal handler calls: writes the dump, runs the reporter,
// and answers that the process is to end. Async-signal-safe.
LONG CrashFilter(const platform::CrashContext& context);
// Async-signal-safe.
bool WriteMiniDump(const platform::CrashContext& context, const char* path);

// What the report takes from its surroundings.
struct CrashReportSources {
  std::string languageName;
  std::function<std::tm()> localTime;
  std::function<std::vector<std::string>()> macList;
  TransferLimits limits{3000, 15000};
};
// The UI language of this process, the local time, the adapters.
CrashReportSources DefaultCrashReportSources();

std::string BuildCrashReportJson(const std::string& userId, const std::string& languageName, const std::string& uuid,
                                 const std::string& appId);

// One post, no retry: "json_data", "app_id", "app_version" (today as "20200616"),
// then "crash_dump" (named uuid + ".dmp") and "crash_log" (uuid + ".log") for the
// files that exist. False when url, appId or dumpPath is empty, or the transfer failed.
bool SendCrashReport(const std::string& url, const std::string& appId, const std::string& dumpPath,
                     const std::string& logPath, const std::string& uuid);
bool SendCrashReport(const std::string& url, const std::string& appId, const std::string& dumpPath,
                     const std::string& logPath, const std::string& uuid, const CrashReportSources& sources);

}  // namespace telemetry
