#include "telemetry/report_delivery.h"

#include <system_error>
#include <thread>

#include "platform/clock.h"
#include "telemetry/report_values.h"

namespace telemetry {

namespace {

RetryPolicy MakePolicy(int attempts, std::uint32_t pauseMs) {
  RetryPolicy policy;
  policy.attempts = attempts;
  policy.pauseMs = pauseMs;
  policy.pause = [](std::uint32_t ms) { platform::SleepMs(ms); };
  return policy;
}

}  // namespace

RetryPolicy StartReportRetry() { return MakePolicy(30, 1000); }
RetryPolicy StepReportRetry() { return MakePolicy(3, 200); }
RetryPolicy FinalReportRetry() { return MakePolicy(5, 200); }

DeliveryResult DeliverWithRetries(const RetryPolicy& policy, const std::function<bool()>& send) {
  DeliveryResult result;
  while (result.attempts < policy.attempts) {
    ++result.attempts;
    if (send()) {
      result.delivered = true;
      break;
    }
    if (policy.stopRequested && policy.stopRequested()) break;
    if (result.attempts < policy.attempts && policy.pause) policy.pause(policy.pauseMs);
  }
  return result;
}

bool ReportDelivery::StartThread(RetryPolicy policy, std::function<bool()> send, DeliveryDone done) {
  policy.stopRequested = [this] {
    std::lock_guard<std::mutex> lock(mutex_);
    return finishing_;
  };
  std::lock_guard<std::mutex> lock(mutex_);
  try {
    threads_.emplace_back([policy = std::move(policy), send = std::move(send), done = std::move(done)] {
      const DeliveryResult result = DeliverWithRetries(policy, send);
      if (done) done(result);
    });
    return true;
  } catch (const std::system_error&) {
    return false;
  }
}

bool ReportDelivery::StartStartReport(std::shared_ptr<OnlineStatistics> statistics, RetryPolicy policy,
                                      DeliveryDone done) {
  return StartThread(
      std::move(policy), [statistics = std::move(statistics)] { return statistics->SendStart(); }, std::move(done));
}

bool ReportDelivery::StartStepReport(std::shared_ptr<OnlineStatistics> statistics, std::string step, RetryPolicy policy,
                                     DeliveryDone done) {
  return StartThread(
      std::move(policy),
      [statistics = std::move(statistics), step = std::move(step)] { return statistics->SendStep(step); },
      std::move(done));
}

DeliveryResult ReportDelivery::DeliverFinalReport(const std::shared_ptr<OnlineStatistics>& statistics,
                                                  const FinalReportFlags& flags, RetryPolicy policy,
                                                  RetryPolicy stepPolicy) {
  const DeliveryResult result = DeliverWithRetries(policy, [&] { return statistics->SendFinal(flags); });
  StartStepReport(statistics, install_step::kClose, std::move(stepPolicy));
  return result;
}

void ReportDelivery::Finish() {
  std::vector<std::thread> running;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    finishing_ = true;
    running.swap(threads_);
  }
  for (std::thread& thread : running) {
    if (thread.get_id() == std::this_thread::get_id()) {
      thread.detach();  // a report's own `done` ended the run
    } else {
      thread.join();
    }
  }
}

}  // namespace telemetry
