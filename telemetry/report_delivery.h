// How the setup dialog delivers its reports: bounded retries, on their own threads
// except for the final report. Report threads are not joined; each keeps the
// statistics object alive through its shared pointer.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "telemetry/online_statistics.h"

struct RetryPolicy {
  int attempts = 1;
  std::uint32_t pauseMs = 0;  // after each failed attempt but the last
  // Sleeps between attempts; tests substitute their own pause.
  std::function<void(std::uint32_t ms)> pause;
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

// A new thread sends the start report; `done` (optional) runs on it at the end.
// False when no thread could be started (the report is then dropped).
bool StartStartReportThread(std::shared_ptr<OnlineStatistics> statistics, RetryPolicy policy = StartReportRetry(),
                            DeliveryDone done = nullptr);
// A new thread sends one step report.
bool StartStepReportThread(std::shared_ptr<OnlineStatistics> statistics, std::string step,
                           RetryPolicy policy = StepReportRetry(), DeliveryDone done = nullptr);
// On the caller's thread: the final report, then a step thread for "step_close".
DeliveryResult DeliverFinalReport(const std::shared_ptr<OnlineStatistics>& statistics, const FinalReportFlags& flags,
                                  RetryPolicy policy = FinalReportRetry(), RetryPolicy stepPolicy = StepReportRetry());
