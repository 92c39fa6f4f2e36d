// How the setup dialog delivers its reports: bounded retries, on their own threads
// except for the final report. The threads are owned and joined: a report still inside
// the network library when the process ends would run into its exit clean-up.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "telemetry/online_statistics.h"

namespace telemetry {

struct RetryPolicy {
  int attempts = 1;
  std::uint32_t pauseMs = 0;  // after each failed attempt but the last
  // Sleeps between attempts; tests substitute their own pause.
  std::function<void(std::uint32_t ms)> pause;
  // Asked after each failed attempt; true ends the retries there.
  std::function<bool()> stopRequested;
};
RetryPolicy StartReportRetry();  // 30 attempts, 1000 ms apart
RetryPolicy StepReportRetry();   // 3 attempts, 200 ms apart
RetryPolicy FinalReportRetry();  // 5 attempts, 200 ms apart

struct DeliveryResult {
  bool delivered = false;
  int attempts = 0;
};
using DeliveryDone = std::function<void(const DeliveryResult&)>;

// Calls `send` until it succeeds or the attempts are used up.
DeliveryResult DeliverWithRetries(const RetryPolicy& policy, const std::function<bool()>& send);

// Owns one run's report threads. Any thread may start reports; Finish is called by the
// thread that ends the run.
class ReportDelivery {
 public:
  ReportDelivery() = default;
  ReportDelivery(const ReportDelivery&) = delete;
  ReportDelivery& operator=(const ReportDelivery&) = delete;
  ~ReportDelivery() { Finish(); }

  // A new thread sends the start report; `done` (optional) runs on it at the end.
  // False when no thread could be started (the report is then dropped).
  bool StartStartReport(std::shared_ptr<OnlineStatistics> statistics, RetryPolicy policy = StartReportRetry(),
                        DeliveryDone done = nullptr);
  // A new thread sends one step report.
  bool StartStepReport(std::shared_ptr<OnlineStatistics> statistics, std::string step,
                       RetryPolicy policy = StepReportRetry(), DeliveryDone done = nullptr);
  // On the caller's thread: the final report, then a step thread for "step_close".
  DeliveryResult DeliverFinalReport(const std::shared_ptr<OnlineStatistics>& statistics, const FinalReportFlags& flags,
                                    RetryPolicy policy = FinalReportRetry(),
                                    RetryPolicy stepPolicy = StepReportRetry());
  // Lets every running report end after its current attempt (no more retries, the
  // close step still gets its one try) and joins it. Reports started later get one
  // attempt each and are joined by the next Finish.
  void Finish();

 private:
  bool StartThread(RetryPolicy policy, std::function<bool()> send, DeliveryDone done);

  std::mutex mutex_;
  bool finishing_ = false;
  std::vector<std::thread> threads_;
};

}  // namespace telemetry
