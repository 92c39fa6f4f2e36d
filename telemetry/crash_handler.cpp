#include "telemetry/crash_handler.h"

#include <atomic>
#include <cstdlib>
#include <exception>
#include <mutex>

#include "base/texts/ui_texts.h"
#include "external/vendor_config.h"
#include "external/vendor_services.h"
#include "platform/clock.h"
#include "platform/crash_dump.h"
#include "platform/path.h"
#include "telemetry/crash_report_main.h"
#include "telemetry/json_object.h"
#include "telemetry/machine_identity.h"
#include "telemetry/report_text.h"
#include "telemetry/report_values.h"

namespace telemetry {

namespace {

constexpr int kReportVersion = 1004;
// The reporter's post is bounded by its own limits; this bounds everything else.
constexpr unsigned kReporterWaitMs = 30000;

// Everything the signal handler reads, made before any crash and never changed:
// a newer one replaces it as a whole, the old one stays valid for a handler that
// may still be reading it.
struct PreparedCrash {
  std::string languageName;
  std::string dumpPath;
  std::vector<std::string> arguments;
  std::vector<const char*> argv;  // into `arguments`, null-terminated
};

std::atomic<const PreparedCrash*> preparedCrash{nullptr};
std::mutex installMutex;

const PreparedCrash* Prepare(const std::string& languageName) {
  auto* prepared = new PreparedCrash;
  prepared->languageName = languageName;
  prepared->dumpPath = CrashDumpPath(true);
  prepared->arguments = {
      platform::GetModuleFileName(), kSendCrashReportSwitch, CrashEndpointUrl(), kReportAppId, prepared->dumpPath,
      InstallLogPath(true),          EnsureProcessGuid(),    languageName};
  for (const std::string& argument : prepared->arguments) prepared->argv.push_back(argument.c_str());
  prepared->argv.push_back(nullptr);
  return prepared;
}

bool ArmCrashFilter() {
  std::lock_guard<std::mutex> lock(installMutex);
  const std::string languageName = base::GetLanguageName();
  const PreparedCrash* current = preparedCrash.load();
  if (current != nullptr && current->languageName == languageName) return true;
  preparedCrash.store(Prepare(languageName));
  if (current != nullptr) {
    // Never freed (see PreparedCrash), and kept reachable for leak checkers.
    static auto* const retired = new std::vector<const PreparedCrash*>;
    retired->push_back(current);
    return true;
  }
  platform::PrepareCrashDump();
  return platform::InstallCrashSignalHandlers(CrashFilter);
}

}  // namespace

std::string CrashEndpointUrl() {
  const char* overrideHost = std::getenv("CORVEX_CRASH_HOST");
  const std::string host =
      overrideHost != nullptr && overrideHost[0] != '\0' ? overrideHost : GetVendorConfig().crashHost;
  return host + vendor::kCrashPath;
}

bool InstallCrashFilter() {
  try {
    return ArmCrashFilter();
  } catch (const std::exception&) {
    return false;  // out of memory: the handler stays as it was
  }
}

LONG CrashFilter(const platform::CrashContext& context) {
  const PreparedCrash* prepared = preparedCrash.load();
  if (prepared == nullptr) return platform::kCrashContinueSearch;
  WriteMiniDump(context, prepared->dumpPath.c_str());
  platform::RunProgramAndWait(prepared->argv.data(), kReporterWaitMs);
  return platform::kCrashExecuteHandler;
}

bool WriteMiniDump(const platform::CrashContext& context, const char* path) {
  return platform::WriteCrashDump(context, path);
}

CrashReportSources DefaultCrashReportSources() {
  CrashReportSources sources;
  sources.languageName = base::GetLanguageName();
  sources.localTime = [] { return platform::GetLocalTime(); };
  sources.macList = [] { return GetMacList(); };
  return sources;
}

std::string BuildCrashReportJson(const std::string& userId, const std::string& languageName, const std::string& uuid,
                                 const std::string& appId) {
  CJsonObject json;
  json.Add("version", kReportVersion);
  json.Add("user_id", userId);
  json.Add("language", languageName);
  json.Add("uuid", uuid);
  json.Add("app_id", appId);
  json.Add("install_status", install_status::kCrash);
  return json.ToString();
}

bool SendCrashReport(const std::string& url, const std::string& appId, const std::string& dumpPath,
                     const std::string& logPath, const std::string& uuid) {
  return SendCrashReport(url, appId, dumpPath, logPath, uuid, DefaultCrashReportSources());
}

bool SendCrashReport(const std::string& url, const std::string& appId, const std::string& dumpPath,
                     const std::string& logPath, const std::string& uuid, const CrashReportSources& sources) {
  if (url.empty() || appId.empty() || dumpPath.empty()) return false;
  const std::string runId = uuid.empty() ? "0000" : uuid;
  const std::vector<std::string> macs = sources.macList();
  const std::string userId = macs.empty() ? std::string() : macs.front();
  std::vector<FormPart> parts{
      FormPart::Text(vendor::kFormJsonData, BuildCrashReportJson(userId, sources.languageName, runId, appId)),
      FormPart::Text(vendor::kFormAppId, appId),
      FormPart::Text(vendor::kFormAppVersion, FormatDateStamp(sources.localTime())),
  };
  // PostForm leaves out the files that do not exist.
  parts.push_back(FormPart::File(vendor::kFormCrashDump, dumpPath, runId + ".dmp"));
  if (!logPath.empty()) parts.push_back(FormPart::File(vendor::kFormCrashLog, logPath, runId + ".log"));
  return PostForm(url, parts, sources.limits);
}

}  // namespace telemetry
