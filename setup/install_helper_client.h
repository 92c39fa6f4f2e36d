// The dialog's end of the conversation with the install helper: starts the helper
// when the first privileged step is due, sends requests and waits for their results,
// writing the helper's log lines into our log and handing its progress events on.
//
// Threads: Start, Call and End on the worker that runs the install or uninstall;
// Cancel from any thread.
#pragma once

#include <atomic>
#include <memory>
#include <string>

#include "base/progress_callback.h"
#include "platform/framed_channel.h"
#include "platform/process.h"
#include "setup/helper_protocol.h"

namespace setup {

class InstallHelperClient {
 public:
  enum class StartResult { kStarted, kRefused, kFailed };

  // As this run needs it: through pkexec for a desktop user; as a plain child when
  // this process already runs as root or inside a sandbox root; over the channel a
  // root parent handed us when that parent is the helper. Null when it did not start.
  static std::unique_ptr<InstallHelperClient> Start(StartResult* why);

  // Over a channel a helper serves (a root parent's); null when the helper ended
  // before it said it was ready.
  static std::unique_ptr<InstallHelperClient> Over(std::unique_ptr<platform::FramedChannel> channel);

  InstallHelperClient(std::unique_ptr<platform::FramedChannel> channel, std::unique_ptr<platform::Process> process)
      : channel_(std::move(channel)), process_(std::move(process)) {}
  ~InstallHelperClient();
  InstallHelperClient(const InstallHelperClient&) = delete;
  InstallHelperClient& operator=(const InstallHelperClient&) = delete;

  // Sends one request and waits for its result; a helper that went away answers
  // with kHelperLost.
  HelperResult Call(HelperMessage request, const std::string& fields = {}, int descriptor = -1,
                    const base::ProgressCallback& events = nullptr);
  // Stops the running request (an unpack); never waits.
  void Cancel();
  // Ends the conversation: the helper rolls back what was not committed and exits.
  void End();

 private:
  // The helper's first frame says it runs; false when it ended before (rights refused).
  bool AwaitReady();

  std::unique_ptr<platform::FramedChannel> channel_;
  std::unique_ptr<platform::Process> process_;
  std::atomic<bool> ended_{false};
};

// Whether the helper this run starts has this process's rights: it runs as root, or
// inside a sandbox root without a root parent serving it.
bool HelperRunsAsThisUser();

// The variable through which a root parent that serves as the helper tells its
// desktop user's child where the channel is.
inline constexpr char kHelperChannelVariable[] = "CORVEX_HELPER_CHANNEL";
// The descriptor that channel is handed over on.
inline constexpr int kHelperChannelDescriptor = 3;

}  // namespace setup
