// The statistics of one installer run and the three reports made of them.
//
// Owned by the setup dialog (shared with the report threads). Setters are called from
// the install worker and the UI thread, the reports are built on the report threads
// and the UI thread; every field is atomic or guarded, so any thread may call any
// operation.
#pragma once

#include <atomic>
#include <cstdint>
#include <ctime>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "telemetry/form_post.h"
#include "telemetry/json_object.h"

namespace telemetry {

// Where the statistics take what they do not own. Tests substitute fixed values.
struct StatisticsSources {
  std::function<std::uint32_t()> nowSeconds;    // GetTickCount() / 1000
  std::function<std::tm()> localTime;           // the "localtime" of a report
  std::function<std::string()> languageName;    // English name of the UI language
  std::function<std::string()> systemLanguage;  // English name of the user's language
  std::function<std::vector<std::string>()> macList;
  TransferLimits limits;
};
StatisticsSources DefaultStatisticsSources();

// The statistics host followed by the statistics path.
std::string StatisticsEndpointUrl();

// What the setup dialog knows when it closes.
struct FinalReportFlags {
  bool downloadEnded = false;
  bool autoInstall = false;
  bool runApp = false;
  bool changedInstallPath = false;
  bool addPlan = true;
  bool createDesktop = true;
};

struct PreparedReport {
  std::string json;
  std::string attachmentFileName;  // both empty: no "install_log" part
  std::string attachmentPath;
};

class OnlineStatistics {
 public:
  OnlineStatistics(std::string url, std::string uuid, std::string appId, std::string subtitle, bool appIs64,
                   bool systemIs64, std::string logPath, StatisticsSources sources = DefaultStatisticsSources());

  void MarkStarted();
  void DownloadBegin();
  void DownloadEnd(bool ok, const std::string& lastError);
  void InstallBegin();
  void InstallEnd(bool ok, const std::string& lastError, bool showThankyou);
  void SetProgress(int progressRate, int speed, int averageSpeed, bool usedCdn);
  // The first value given for a key is kept.
  void AddExtraString(const std::string& key, const std::string& value);

  // Each builds and posts one report; true when delivered.
  bool SendStart();
  bool SendStep(const std::string& step);
  bool SendFinal(bool downloadEnded, bool autoInstall, bool runApp, bool changedInstallPath, bool addPlan,
                 bool createDesktop);
  bool SendFinal(const FinalReportFlags& flags);

  // The form post of every report: `fieldName` = text, plus the file part
  // "install_log" when both attachment strings are non-empty and the file exists.
  bool Post(const std::string& url, const std::string& fieldName, const std::string& text,
            const std::string& attachmentFileName, const std::string& attachmentPath) const;

  // The reports as they are sent. The start report moves the start moment of the
  // run to now; the final report ends the run and whatever phase was still open.
  std::string PrepareStartReport();
  std::string BuildStepReport(const std::string& step) const;
  PreparedReport PrepareFinalReport(const FinalReportFlags& flags);

  const std::string& Url() const { return url; }
  const std::string& UserId() const { return userId; }
  const std::string& Uuid() const { return uuid; }
  const std::string& SystemLanguage() const { return systemLanguage; }

 private:
  std::uint32_t Now() const { return sources.nowSeconds(); }
  // The keys that open the start and the final report, in their order.
  void AddRunHeader(CJsonObject& json) const;

  const StatisticsSources sources;

  // Fixed by the constructor.
  const std::string url;
  std::string userId;
  const std::string uuid;
  const std::string appId;
  const std::string subtitle;
  const std::string logPath;
  std::string systemLanguage;
  const bool appIs64;
  const bool systemIs64;

  // Written by the install worker while the UI thread may build the final report.
  mutable std::mutex textMutex;
  std::string downloadLastError;
  std::string installLastError;
  std::map<std::string, std::string> extraStrings;

  std::atomic<bool> usedCdn{false};
  std::atomic<bool> showThankyou{false};
  std::atomic<bool> downloadDone{false};
  std::atomic<bool> installSucceeded{false};
  std::atomic<bool> started{false};
  std::atomic<int> progressRate{0};
  std::atomic<int> speed{0};
  std::atomic<int> averageSpeed{0};
  std::atomic<std::uint32_t> appStart{0};
  std::atomic<std::uint32_t> appEnd{0};
  std::atomic<std::uint32_t> downloadStart{0};
  std::atomic<std::uint32_t> downloadEnd{0};
  std::atomic<std::uint32_t> installStart{0};
  std::atomic<std::uint32_t> installEnd{0};
};

// The statistics of this run as the setup dialog makes them: the statistics endpoint,
// a fresh uuid, the product "Corvex 11" as id and subtitle, the edition being
// installed, the machine's bitness and Documents/Corvex11/Log/install.log.
std::shared_ptr<OnlineStatistics> CreateRunStatistics(bool appIs64);

}  // namespace telemetry
