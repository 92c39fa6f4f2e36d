#include "telemetry/online_statistics.h"

#include "base/texts/ui_texts.h"
#include "external/vendor_config.h"
#include "external/vendor_services.h"
#include "platform/clock.h"
#include "platform/path.h"
#include "platform/system_info.h"
#include "telemetry/json_object.h"
#include "telemetry/machine_identity.h"
#include "telemetry/report_paths.h"
#include "telemetry/report_text.h"
#include "telemetry/report_values.h"
#include "telemetry/system_language.h"

namespace telemetry {

namespace {

constexpr int kReportVersion = 1004;
constexpr std::size_t kMaxSystemLanguageLength = 31;

const char* TrueFalse(bool value) { return value ? "true" : "false"; }
const char* EditionText(bool is64) { return is64 ? "win64" : "win32"; }

// Differences of 32-bit moments, as signed seconds; a negative one prints as "".
int Seconds(std::uint32_t from, std::uint32_t to) { return static_cast<std::int32_t>(to - from); }

}  // namespace

StatisticsSources DefaultStatisticsSources() {
  StatisticsSources sources;
  sources.nowSeconds = [] { return platform::GetTickCount() / 1000; };
  sources.localTime = [] { return platform::GetLocalTime(); };
  sources.languageName = [] { return base::GetLanguageName(); };
  sources.systemLanguage = [] { return SystemLanguageName(); };
  sources.macList = [] { return GetMacList(); };
  return sources;
}

std::string StatisticsEndpointUrl() { return GetVendorConfig().statisticsHost + vendor::kStatisticsPath; }

OnlineStatistics::OnlineStatistics(std::string url, std::string uuid, std::string appId, std::string subtitle,
                                   bool appIs64, bool systemIs64, std::string logPath, StatisticsSources sources)
    : sources(std::move(sources)),
      url(std::move(url)),
      uuid(std::move(uuid)),
      appId(std::move(appId)),
      subtitle(std::move(subtitle)),
      logPath(std::move(logPath)),
      appIs64(appIs64),
      systemIs64(systemIs64) {
  const std::vector<std::string> macs = this->sources.macList();
  userId = macs.empty() ? this->uuid : macs.front();
  systemLanguage = this->sources.systemLanguage().substr(0, kMaxSystemLanguageLength);
}

void OnlineStatistics::MarkStarted() { started = true; }

void OnlineStatistics::DownloadBegin() { downloadStart = Now(); }

void OnlineStatistics::DownloadEnd(bool ok, const std::string& lastError) {
  downloadEnd = Now();
  {
    std::lock_guard<std::mutex> lock(textMutex);
    downloadLastError = lastError;
  }
  downloadDone = ok;
}

void OnlineStatistics::InstallBegin() { installStart = Now(); }

void OnlineStatistics::InstallEnd(bool ok, const std::string& lastError, bool showThankyouPage) {
  installEnd = Now();
  {
    std::lock_guard<std::mutex> lock(textMutex);
    installLastError = lastError;
  }
  installSucceeded = ok;
  showThankyou = showThankyouPage;
}

void OnlineStatistics::SetProgress(int rate, int currentSpeed, int average, bool cdn) {
  progressRate = rate;
  speed = currentSpeed;
  averageSpeed = average;
  usedCdn = cdn;
}

void OnlineStatistics::AddExtraString(const std::string& key, const std::string& value) {
  std::lock_guard<std::mutex> lock(textMutex);
  extraStrings.emplace(key, value);
}

void OnlineStatistics::AddRunHeader(CJsonObject& json) const {
  json.Add("version", kReportVersion);
  json.Add("user_id", userId);
  json.Add("system_language", systemLanguage);
  json.Add("language", sources.languageName());
  json.Add("uuid", uuid);
  json.Add("app_id", appId);
  json.Add("subtitle", subtitle);
  json.Add("app_type", EditionText(appIs64));
  json.Add("system_type", EditionText(systemIs64));
  json.Add("localtime", FormatLocalTime(sources.localTime()));
}

std::string OnlineStatistics::PrepareStartReport() {
  appStart = Now();
  CJsonObject json;
  AddRunHeader(json);
  json.Add("install_status", install_status::kStart);
  return json.ToString();
}

std::string OnlineStatistics::BuildStepReport(const std::string& step) const {
  CJsonObject json;
  json.Add("version", kReportVersion);
  json.Add("user_id", userId);
  json.Add("uuid", uuid);
  json.Add("app_id", appId);
  json.Add("subtitle", subtitle);
  json.Add("app_type", EditionText(appIs64));
  json.Add("system_type", EditionText(systemIs64));
  json.Add("install_step", step);
  return json.ToString();
}

PreparedReport OnlineStatistics::PrepareFinalReport(const FinalReportFlags& flags) {
  const FinalOutcome outcome = DecideFinalOutcome(started, flags.downloadEnded, installSucceeded, downloadDone);
  if (outcome == FinalOutcome::InstallCancel) installEnd = Now();
  if (outcome == FinalOutcome::DownloadCancel) downloadEnd = Now();
  appEnd = Now();
  const int downloadSeconds = Seconds(downloadStart, downloadEnd);
  const int installSeconds = Seconds(installStart, installEnd);
  const int appRunSeconds = Seconds(appStart, appEnd);
  const int currentSpeed = speed;
  const int average = averageSpeed;

  CJsonObject json;
  AddRunHeader(json);
  json.Add("install_status", FinalStatusText(outcome));
  json.Add("amazon_download", TrueFalse(usedCdn));
  json.Add("show_thankyou", TrueFalse(showThankyou));
  {
    std::lock_guard<std::mutex> lock(textMutex);
    json.Add("download_last_error", downloadLastError);
    json.Add("install_last_error", installLastError);
  }
  json.Add("download_second", downloadSeconds);
  json.Add("download_time_string", FormatDuration(downloadSeconds));
  json.Add("install_second", installSeconds);
  json.Add("install_time_string", FormatDuration(installSeconds));
  json.Add("app_run_second", appRunSeconds);
  json.Add("app_run_time_string", FormatDuration(appRunSeconds));
  json.Add("progress_rate", progressRate);
  json.Add("speed_string", FormatSizeText(currentSpeed));
  json.Add("average_speed_string", FormatSizeText(average));
  json.Add("speed", currentSpeed);
  json.Add("average_speed", average);
  json.Add("auto_install", TrueFalse(flags.autoInstall));
  json.Add("run_app", TrueFalse(flags.runApp));
  json.Add("change_install_path", TrueFalse(flags.changedInstallPath));
  json.Add("add_plan", TrueFalse(flags.addPlan));
  json.Add("create_desktop", TrueFalse(flags.createDesktop));
  {
    std::lock_guard<std::mutex> lock(textMutex);
    for (const auto& [key, value] : extraStrings) json.Add(key, value);
  }

  PreparedReport report;
  report.json = json.ToString();
  if (CarriesInstallLog(outcome)) {
    report.attachmentFileName = uuid;
    report.attachmentPath = logPath;
  }
  return report;
}

bool OnlineStatistics::Post(const std::string& targetUrl, const std::string& fieldName, const std::string& text,
                            const std::string& attachmentFileName, const std::string& attachmentPath) const {
  std::vector<FormPart> parts{FormPart::Text(fieldName, text)};
  if (!attachmentFileName.empty() && !attachmentPath.empty() && platform::PathFileExists(attachmentPath)) {
    parts.push_back(FormPart::File(vendor::kFormInstallLog, attachmentPath, attachmentFileName));
  }
  return PostForm(targetUrl, parts, sources.limits);
}

bool OnlineStatistics::SendStart() { return Post(url, vendor::kFormJsonData, PrepareStartReport(), "", ""); }

bool OnlineStatistics::SendStep(const std::string& step) {
  return Post(url, vendor::kFormJsonData, BuildStepReport(step), "", "");
}

bool OnlineStatistics::SendFinal(bool downloadEnded, bool autoInstall, bool runApp, bool changedInstallPath,
                                 bool addPlan, bool createDesktop) {
  FinalReportFlags flags;
  flags.downloadEnded = downloadEnded;
  flags.autoInstall = autoInstall;
  flags.runApp = runApp;
  flags.changedInstallPath = changedInstallPath;
  flags.addPlan = addPlan;
  flags.createDesktop = createDesktop;
  return SendFinal(flags);
}

bool OnlineStatistics::SendFinal(const FinalReportFlags& flags) {
  const PreparedReport report = PrepareFinalReport(flags);
  return Post(url, vendor::kFormJsonData, report.json, report.attachmentFileName, report.attachmentPath);
}

std::shared_ptr<OnlineStatistics> CreateRunStatistics(bool appIs64) {
  return std::make_shared<OnlineStatistics>(StatisticsEndpointUrl(), NewGuidText(), kReportAppId, kReportAppId, appIs64,
                                            platform::IsNative64Bit(), InstallLogPath(false));
}

}  // namespace telemetry
