#include "telemetry/report_delivery.h"

#include <system_error>
#include <thread>

#include "platform/clock.h"
#include "telemetry/report_values.h"

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
    if (result.attempts < policy.attempts && policy.pause) policy.pause(policy.pauseMs);
  }
  return result;
}

bool StartStartReportThread(std::shared_ptr<OnlineStatistics> statistics, RetryPolicy policy, DeliveryDone done) {
  try {
    std::thread([statistics = std::move(statistics), policy = std::move(policy), done = std::move(done)] {
      const DeliveryResult result = DeliverWithRetries(policy, [&] { return statistics->SendStart(); });
      if (done) done(result);
    }).detach();
    return true;
  } catch (const std::system_error&) {
    return false;
  }
}

bool StartStepReportThread(std::shared_ptr<OnlineStatistics> statistics, std::string step, RetryPolicy policy,
                           DeliveryDone done) {
  try {
    std::thread([statistics = std::move(statistics), step = std::move(step), policy = std::move(policy),
                 done = std::move(done)] {
      const DeliveryResult result = DeliverWithRetries(policy, [&] { return statistics->SendStep(step); });
      if (done) done(result);
    }).detach();
    return true;
  } catch (const std::system_error&) {
    return false;
  }
}

DeliveryResult DeliverFinalReport(const std::shared_ptr<OnlineStatistics>& statistics, const FinalReportFlags& flags,
                                  RetryPolicy policy, RetryPolicy stepPolicy) {
  const DeliveryResult result = DeliverWithRetries(policy, [&] { return statistics->SendFinal(flags); });
  StartStepReportThread(statistics, install_step::kClose, std::move(stepPolicy));
  return result;
}
