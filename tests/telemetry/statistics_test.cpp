#include <gtest/gtest.h>
#include <sys/socket.h>

#include <atomic>
#include <condition_variable>
#include <future>
#include <memory>
#include <mutex>
#include <thread>

#include <cjson/cJSON.h>

#include "external/vendor_config.h"
#include "external/vendor_services.h"
#include "sandbox.h"
#include "telemetry/online_statistics.h"
#include "telemetry/report_delivery.h"
#include "telemetry/report_text.h"
#include "telemetry/report_values.h"
#include "tests/common/devserver_process.h"
#include "tests/common/free_port.h"

using namespace telemetry;

namespace {

using testing_support::DevserverProcess;
using testing_support::LoggedReport;
using testing_support::Sandbox;

TEST(ReportText, SizesDurationsAndTimes) {
  EXPECT_EQ(FormatSizeText(512), "512Byte");
  EXPECT_EQ(FormatSizeText(1024), "1024Byte");
  EXPECT_EQ(FormatSizeText(1025), "1.00KB");
  EXPECT_EQ(FormatSizeText(1048576), "1024.00KB");
  EXPECT_EQ(FormatSizeText(1048577), "1.00MB");
  EXPECT_EQ(FormatSizeText(2621440), "2.50MB");
  EXPECT_EQ(FormatDuration(75), "00:01:15");
  EXPECT_EQ(FormatDuration(0), "00:00:00");
  EXPECT_EQ(FormatDuration(360000 + 59), "100:00:59");
  EXPECT_EQ(FormatDuration(-1), "");
  std::tm moment{};
  moment.tm_year = 2020 - 1900;
  moment.tm_mon = 5;
  moment.tm_mday = 16;
  moment.tm_hour = 9;
  moment.tm_min = 5;
  moment.tm_sec = 3;
  EXPECT_EQ(FormatLocalTime(moment), "2020-06-16 09:05:03");
  EXPECT_EQ(FormatDateStamp(moment), "20200616");
}

TEST(FinalStatus, DecisionTable) {
  struct Row {
    bool started, downloadEnded, installSucceeded, downloadDone;
    const char* status;
    bool carriesLog;
  };
  const Row rows[] = {
      {true, true, true, true, "success", false},
      {true, true, false, true, "install_fail", true},
      {true, true, false, false, "downLoad_fail", true},
      {true, false, false, true, "install_cancel", false},
      {true, false, false, false, "donwload_cancel", false},
      {false, true, true, true, "cancel", false},
      {false, false, false, false, "cancel", false},
  };
  for (const Row& row : rows) {
    const FinalOutcome outcome =
        DecideFinalOutcome(row.started, row.downloadEnded, row.installSucceeded, row.downloadDone);
    EXPECT_STREQ(FinalStatusText(outcome), row.status);
    EXPECT_EQ(CarriesInstallLog(outcome), row.carriesLog) << row.status;
  }
}

// A run whose clock the test moves.
class StatisticsTest : public ::testing::Test {
 protected:
  StatisticsTest() {
    moment.tm_year = 2020 - 1900;
    moment.tm_mon = 5;
    moment.tm_mday = 16;
    moment.tm_hour = 9;
    moment.tm_min = 5;
    moment.tm_sec = 3;
  }

  StatisticsSources FixedSources(std::vector<std::string> macs = {"3c-97-0e-12-34-56"}) {
    StatisticsSources sources;
    sources.nowSeconds = [this] { return now.load(); };
    sources.localTime = [this] { return moment; };
    sources.languageName = [] { return std::string("English"); };
    sources.systemLanguage = [] { return std::string("German"); };
    sources.macList = [macs] { return macs; };
    sources.limits = {1000, 3000};
    return sources;
  }

  std::shared_ptr<OnlineStatistics> Make(const std::string& url = "http://127.0.0.1:9/x",
                                         std::vector<std::string> macs = {"3c-97-0e-12-34-56"}) {
    return std::make_shared<OnlineStatistics>(url, "RUN-UUID", "Corvex 11", "Corvex 11", true, false, logPath(),
                                              FixedSources(std::move(macs)));
  }

  std::string logPath() const { return sandbox.documents() + "/install.log"; }

  Sandbox sandbox;
  std::atomic<std::uint32_t> now{1000};
  std::tm moment{};
};

TEST_F(StatisticsTest, StartAndStepReportKeysInOrder) {
  auto statistics = Make();
  EXPECT_EQ(statistics->PrepareStartReport(),
            "{\"version\":1004,\"user_id\":\"3c-97-0e-12-34-56\",\"system_language\":\"German\","
            "\"language\":\"English\",\"uuid\":\"RUN-UUID\",\"app_id\":\"Corvex 11\",\"subtitle\":\"Corvex 11\","
            "\"app_type\":\"win64\",\"system_type\":\"win32\",\"localtime\":\"2020-06-16 09:05:03\","
            "\"install_status\":\"start\"}");
  EXPECT_EQ(statistics->BuildStepReport(install_step::kInstallBegin),
            "{\"version\":1004,\"user_id\":\"3c-97-0e-12-34-56\",\"uuid\":\"RUN-UUID\",\"app_id\":\"Corvex 11\","
            "\"subtitle\":\"Corvex 11\",\"app_type\":\"win64\",\"system_type\":\"win32\","
            "\"install_step\":\"step_insatll_begin\"}");
}

TEST_F(StatisticsTest, OnlyVirtualAdaptersReportTheRunUuidAsUser) {
  auto statistics = Make("http://127.0.0.1:9/x", {});
  EXPECT_EQ(statistics->UserId(), "RUN-UUID");
}

TEST_F(StatisticsTest, FailedDownloadFinalReportKeysInOrder) {
  auto statistics = Make();
  statistics->PrepareStartReport();  // the run starts at 1000
  statistics->MarkStarted();
  now = 1010;
  statistics->DownloadBegin();
  statistics->SetProgress(37, 512, 2621440, true);
  now = 1085;
  statistics->DownloadEnd(false, "error \"7\"");
  statistics->AddExtraString(close_app::kKey, close_app::kDownloadingNo);
  statistics->AddExtraString(close_app::kKey, close_app::kDownloadingYes);  // the first answer stays
  statistics->AddExtraString("a_first", "x");
  now = 1090;
  FinalReportFlags flags;
  flags.downloadEnded = true;
  flags.autoInstall = true;
  const PreparedReport report = statistics->PrepareFinalReport(flags);
  EXPECT_EQ(report.json,
            "{\"version\":1004,\"user_id\":\"3c-97-0e-12-34-56\",\"system_language\":\"German\","
            "\"language\":\"English\",\"uuid\":\"RUN-UUID\",\"app_id\":\"Corvex 11\",\"subtitle\":\"Corvex 11\","
            "\"app_type\":\"win64\",\"system_type\":\"win32\",\"localtime\":\"2020-06-16 09:05:03\","
            "\"install_status\":\"downLoad_fail\",\"amazon_download\":\"true\",\"show_thankyou\":\"false\","
            "\"download_last_error\":\"error \\\"7\\\"\",\"install_last_error\":\"\","
            "\"download_second\":75,\"download_time_string\":\"00:01:15\","
            "\"install_second\":0,\"install_time_string\":\"00:00:00\","
            "\"app_run_second\":90,\"app_run_time_string\":\"00:01:30\","
            "\"progress_rate\":37,\"speed_string\":\"512Byte\",\"average_speed_string\":\"2.50MB\","
            "\"speed\":512,\"average_speed\":2621440,"
            "\"auto_install\":\"true\",\"run_app\":\"false\",\"change_install_path\":\"false\","
            "\"add_plan\":\"true\",\"create_desktop\":\"true\","
            "\"a_first\":\"x\",\"close_app\":\"downloading_no\"}");
  EXPECT_EQ(report.attachmentFileName, "RUN-UUID");
  EXPECT_EQ(report.attachmentPath, logPath());
}

TEST_F(StatisticsTest, CancelsCountTheOpenPhaseUpToTheReport) {
  {
    auto statistics = Make();
    statistics->PrepareStartReport();
    now = 1042;
    const std::string json = statistics->PrepareFinalReport({}).json;
    EXPECT_NE(json.find("\"install_status\":\"cancel\""), std::string::npos);
    EXPECT_NE(json.find("\"download_second\":0,"), std::string::npos);
    EXPECT_NE(json.find("\"install_second\":0,"), std::string::npos);
    EXPECT_NE(json.find("\"app_run_second\":42,"), std::string::npos);
  }
  {
    now = 1000;
    auto statistics = Make();
    statistics->MarkStarted();
    statistics->DownloadBegin();
    now = 1030;
    const PreparedReport report = statistics->PrepareFinalReport({});
    EXPECT_NE(report.json.find("\"install_status\":\"donwload_cancel\""), std::string::npos);
    EXPECT_NE(report.json.find("\"download_second\":30,"), std::string::npos);
    EXPECT_TRUE(report.attachmentPath.empty());
  }
  {
    now = 1000;
    auto statistics = Make();
    statistics->MarkStarted();
    statistics->DownloadBegin();
    statistics->DownloadEnd(true, "");
    statistics->InstallBegin();
    now = 1007;
    const std::string json = statistics->PrepareFinalReport({}).json;
    EXPECT_NE(json.find("\"install_status\":\"install_cancel\""), std::string::npos);
    EXPECT_NE(json.find("\"install_second\":7,"), std::string::npos);
  }
}

// Reports really posted to the devserver's statistics endpoint.
class StatisticsPostTest : public StatisticsTest {
 protected:
  StatisticsPostTest() { server.StartVendor(sandbox.root() + "/reports.jsonl"); }
  std::string url() const { return server.VendorBase() + vendor::kStatisticsPath; }
  void WriteLog(const std::string& text) {
    ::mkdir(sandbox.documents().c_str(), 0755);
    Sandbox::WriteFile(logPath(), text);
  }
  DevserverProcess server;
};

TEST_F(StatisticsPostTest, InstallLogTravelsOnlyWithFailedRuns) {
  ASSERT_TRUE(server.Ready());
  WriteLog("00:00:00 : Init Log OK.\n");
  auto failedDownload = Make(url());
  failedDownload->MarkStarted();
  failedDownload->DownloadEnd(false, "timeout");
  FinalReportFlags ended;
  ended.downloadEnded = true;
  ASSERT_TRUE(failedDownload->SendFinal(ended));

  auto failedInstall = Make(url());
  failedInstall->MarkStarted();
  failedInstall->DownloadEnd(true, "");
  failedInstall->InstallEnd(false, "extract", false);
  ASSERT_TRUE(failedInstall->SendFinal(ended));

  auto succeeded = Make(url());
  succeeded->MarkStarted();
  succeeded->DownloadEnd(true, "");
  succeeded->InstallEnd(true, "", true);
  ASSERT_TRUE(succeeded->SendFinal(ended));
  ASSERT_TRUE(succeeded->SendStart());
  ASSERT_TRUE(succeeded->SendStep(install_step::kDownload));

  const std::vector<LoggedReport> reports = server.Reports();
  ASSERT_EQ(reports.size(), 5u);
  for (size_t i = 0; i < reports.size(); ++i) {
    EXPECT_EQ(reports[i].path, "/api/install/index_ex.php");
    ASSERT_FALSE(reports[i].parts.empty());
    EXPECT_EQ(reports[i].parts[0].name, "json_data");
    EXPECT_FALSE(reports[i].parts[0].isFile);
  }
  for (size_t i : {0, 1}) {
    ASSERT_EQ(reports[i].Names(), (std::vector<std::string>{"json_data", "install_log"}));
    EXPECT_EQ(reports[i].parts[1].fileName, "RUN-UUID");
    EXPECT_EQ(reports[i].parts[1].size, 24);
  }
  EXPECT_NE(reports[0].parts[0].value.find("downLoad_fail"), std::string::npos);
  EXPECT_NE(reports[1].parts[0].value.find("install_fail"), std::string::npos);
  for (size_t i : {2, 3, 4}) EXPECT_EQ(reports[i].Names(), std::vector<std::string>{"json_data"});
  EXPECT_EQ(reports[4].parts[0].value, succeeded->BuildStepReport(install_step::kDownload));
}

TEST_F(StatisticsPostTest, MissingInstallLogLeavesThePartOut) {
  ASSERT_TRUE(server.Ready());
  auto statistics = Make(url());
  statistics->MarkStarted();
  FinalReportFlags ended;
  ended.downloadEnded = true;
  ASSERT_TRUE(statistics->SendFinal(ended));
  const std::vector<LoggedReport> reports = server.Reports();
  ASSERT_EQ(reports.size(), 1u);
  EXPECT_EQ(reports[0].Names(), std::vector<std::string>{"json_data"});
}

TEST_F(StatisticsPostTest, FinalDriverSendsTheCloseStepAfterTheReport) {
  ASSERT_TRUE(server.Ready());
  auto statistics = Make(url());
  ReportDelivery delivery;
  const DeliveryResult result = delivery.DeliverFinalReport(statistics, {});
  EXPECT_TRUE(result.delivered);
  EXPECT_EQ(result.attempts, 1);
  // The close step runs on its own thread; wait until the devserver has it.
  std::vector<LoggedReport> reports;
  for (int i = 0; i < 500 && reports.size() < 2; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    reports = server.Reports();
  }
  ASSERT_EQ(reports.size(), 2u);
  EXPECT_NE(reports[0].parts[0].value.find("\"install_status\":\"cancel\""), std::string::npos);
  EXPECT_EQ(reports[1].parts[0].value, statistics->BuildStepReport(install_step::kClose));
}

// A gate that holds a retrying driver in its pause until the test opens it.
class PauseGate {
 public:
  void Pause(std::uint32_t) {
    std::unique_lock<std::mutex> lock(mutex_);
    ++pauses_;
    changed_.notify_all();
    changed_.wait(lock, [this] { return open_; });
  }
  void WaitForPauses(int count) {
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [&] { return pauses_ >= count; });
  }
  void Open() {
    std::lock_guard<std::mutex> lock(mutex_);
    open_ = true;
    changed_.notify_all();
  }
  int pauses() {
    std::lock_guard<std::mutex> lock(mutex_);
    return pauses_;
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  int pauses_ = 0;
  bool open_ = false;
};

TEST_F(StatisticsPostTest, DeadEndpointStartReportGivesUpAfterThirtyTriesWithoutBlocking) {
  ASSERT_TRUE(server.Ready());
  const testing_support::RefusingPort refusing;
  const std::string deadUrl = "http://127.0.0.1:" + std::to_string(refusing.port()) + vendor::kStatisticsPath;
  auto dead = Make(deadUrl);
  auto gate = std::make_shared<PauseGate>();
  RetryPolicy policy = StartReportRetry();
  EXPECT_EQ(policy.attempts, 30);
  EXPECT_EQ(policy.pauseMs, 1000u);
  // Everything the detached driver touches is shared with it, never on this stack.
  auto pauseAsked = std::make_shared<std::atomic<std::uint32_t>>(0);
  policy.pause = [gate, pauseAsked](std::uint32_t ms) {
    *pauseAsked = ms;
    gate->Pause(ms);
  };
  auto finished = std::make_shared<std::promise<DeliveryResult>>();
  std::future<DeliveryResult> result = finished->get_future();
  ReportDelivery delivery;
  delivery.StartStartReport(dead, policy, [finished](const DeliveryResult& done) { finished->set_value(done); });

  // The driver is held after its first failure, and meanwhile other reports go out.
  gate->WaitForPauses(1);
  auto live = Make(url());
  EXPECT_TRUE(live->SendStep(install_step::kDownload));
  EXPECT_EQ(server.Reports().size(), 1u);

  gate->Open();
  const DeliveryResult outcome = result.get();
  EXPECT_FALSE(outcome.delivered);
  EXPECT_EQ(outcome.attempts, 30);
  EXPECT_EQ(gate->pauses(), 29);  // no pause after the last attempt
  EXPECT_EQ(pauseAsked->load(), 1000u);
}

TEST_F(StatisticsPostTest, FinishEndsARetryingReportAndJoinsIt) {
  const testing_support::RefusingPort refusing;
  auto dead = Make("http://127.0.0.1:" + std::to_string(refusing.port()) + vendor::kStatisticsPath);
  auto gate = std::make_shared<PauseGate>();
  gate->Open();
  RetryPolicy policy = StartReportRetry();
  policy.pause = [gate](std::uint32_t) {
    gate->Pause(0);
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
  };
  DeliveryResult outcome;
  ReportDelivery delivery;
  delivery.StartStartReport(dead, policy, [&outcome](const DeliveryResult& done) { outcome = done; });
  gate->WaitForPauses(1);
  delivery.Finish();  // returns only once the thread has ended, so `outcome` is set
  EXPECT_FALSE(outcome.delivered);
  EXPECT_GE(outcome.attempts, 2);
  EXPECT_LT(outcome.attempts, 30) << "the retries stop once the run is over";
}

TEST_F(StatisticsPostTest, StepAndFinalDriversRetryTheirCounts) {
  ASSERT_TRUE(server.Ready());
  const testing_support::RefusingPort refusing;
  const std::string deadUrl = "http://127.0.0.1:" + std::to_string(refusing.port()) + vendor::kStatisticsPath;
  auto dead = Make(deadUrl);
  auto pauses = std::make_shared<std::atomic<int>>(0);
  auto countPauses = [pauses](RetryPolicy policy) {
    policy.pause = [pauses](std::uint32_t) { ++*pauses; };
    return policy;
  };
  auto stepDone = std::make_shared<std::promise<DeliveryResult>>();
  std::future<DeliveryResult> stepResult = stepDone->get_future();
  ReportDelivery delivery;
  delivery.StartStepReport(dead, install_step::kDownload, countPauses(StepReportRetry()),
                           [stepDone](const DeliveryResult& result) { stepDone->set_value(result); });
  const DeliveryResult step = stepResult.get();
  EXPECT_FALSE(step.delivered);
  EXPECT_EQ(step.attempts, 3);

  const DeliveryResult finalResult =
      delivery.DeliverFinalReport(dead, {}, countPauses(FinalReportRetry()), countPauses(StepReportRetry()));
  EXPECT_FALSE(finalResult.delivered);
  EXPECT_EQ(finalResult.attempts, 5);

  // A live endpoint is reached at the first try.
  auto live = Make(url());
  const DeliveryResult delivered =
      DeliverWithRetries(countPauses(FinalReportRetry()), [&] { return live->SendStart(); });
  EXPECT_TRUE(delivered.delivered);
  EXPECT_EQ(delivered.attempts, 1);
}

TEST_F(StatisticsTest, SilentEndpointFailsWithinTheTransferLimit) {
  // Listens but never answers: the report must fail rather than hang the closing dialog.
  const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  ASSERT_EQ(::listen(fd, 8), 0);
  socklen_t length = sizeof address;
  ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
  StatisticsSources sources = FixedSources();
  sources.limits = {200, 500};
  OnlineStatistics statistics("http://127.0.0.1:" + std::to_string(ntohs(address.sin_port)) + "/x", "RUN-UUID",
                              "Corvex 11", "Corvex 11", false, false, logPath(), sources);
  EXPECT_FALSE(statistics.SendStep(install_step::kDownload));
  EXPECT_FALSE(statistics.SendFinal(false, false, false, false, true, true));
  ::close(fd);
  EXPECT_GE(DefaultStatisticsSources().limits.totalTimeoutMs, 1000);
  EXPECT_LE(DefaultStatisticsSources().limits.totalTimeoutMs, 10000);
}

TEST_F(StatisticsTest, WorkerUpdatesWhileTheFinalReportIsBuilt) {
  auto statistics = Make();
  statistics->MarkStarted();
  std::atomic<bool> stop{false};
  std::thread worker([&] {
    for (int i = 0; !stop; ++i) {
      const std::string number = std::to_string(i);
      statistics->DownloadEnd(i % 2 == 0, std::string("download error ").append(number));
      statistics->InstallEnd(false, std::string("install error ").append(number), true);
      statistics->SetProgress(i % 100, i, i, false);
      statistics->AddExtraString(std::string("k").append(std::to_string(i % 50)), "v");
    }
  });
  for (int i = 0; i < 200; ++i) {
    const std::string json = statistics->PrepareFinalReport({true}).json;
    cJSON* parsed = cJSON_Parse(json.c_str());
    ASSERT_NE(parsed, nullptr) << json;
    const cJSON* error = cJSON_GetObjectItem(parsed, "download_last_error");
    ASSERT_TRUE(cJSON_IsString(error));
    EXPECT_EQ(std::string(error->valuestring).rfind("download error", 0) == 0 || error->valuestring[0] == '\0', true);
    cJSON_Delete(parsed);
  }
  stop = true;
  worker.join();
}

}  // namespace

namespace {

TEST(RunStatistics, EachRunPostsToTheStatisticsEndpointUnderItsOwnUuid) {
  Sandbox sandbox;
  const auto first = CreateRunStatistics(true);
  const auto second = CreateRunStatistics(true);
  EXPECT_EQ(first->Url(), GetVendorConfig().statisticsHost + "/api/install/index_ex.php");
  EXPECT_EQ(first->Uuid().size(), 36u);
  EXPECT_NE(first->Uuid(), second->Uuid());
  EXPECT_EQ(first->BuildStepReport("start").find("{\"version\":1004,\"user_id\":\""), 0u);
}

}  // namespace
