#include "setup/install_helper_client.h"

#include <unistd.h>

#include <cstdlib>
#include <cstring>

#include "base/install_log.h"
#include "platform/elevation.h"
#include "platform/known_folders.h"
#include "platform/path.h"
#include "platform/process_launch.h"
#include "setup/install_state.h"

using base::WriteLog;

namespace setup {

namespace {

// pkexec's own codes: the dialog was dismissed (126) or authorisation failed (127).
constexpr int kPkexecDismissed = 126;
constexpr int kPkexecNotAuthorized = 127;
// How long a helper may take to roll back and end after the conversation ended.
constexpr int kHelperEndWaitMs = 120 * 1000;

std::unique_ptr<platform::FramedChannel> ChannelFromParent() {
  const char* value = std::getenv(kHelperChannelVariable);
  if (!value || std::strcmp(value, "3") != 0) return nullptr;
  // Taken once: a second start in this process must not reuse a closed descriptor. The
  // variable stays, so the process still knows a helper elsewhere makes its folders.
  ::setenv(kHelperChannelVariable, "taken", 1);
  return std::make_unique<platform::FramedChannel>(kHelperChannelDescriptor);
}

// The program that serves as the helper: this one, or inside a sandbox root the one a
// test names (a test binary that drives the dialog in-process is no installer).
std::string HelperProgramPath() {
  const char* named = std::getenv("CORVEX_HELPER_PROGRAM");
  if (named && *named && platform::InSandboxRoot()) return named;
  return platform::GetModuleFileName();
}

}  // namespace

bool HelperRunsAsThisUser() {
  return platform::IsRunningAsRoot() || (platform::InSandboxRoot() && !std::getenv(kHelperChannelVariable));
}

std::unique_ptr<InstallHelperClient> InstallHelperClient::Start(StartResult* why) {
  if (why) *why = StartResult::kFailed;
  if (auto inherited = ChannelFromParent()) {
    auto client = Over(std::move(inherited));
    if (why) *why = client ? StartResult::kStarted : StartResult::kFailed;
    return client;
  }
  std::unique_ptr<InstallHelperClient> client;
  {
    const std::string self = HelperProgramPath();
    int ours = -1;
    int theirs = -1;
    if (self.empty() || !platform::MakeSocketPair(ours, theirs)) return nullptr;
    platform::LaunchOptions options;
    const bool elevate = !platform::IsRunningAsRoot() && !platform::InSandboxRoot();
    if (elevate) {
      options.program = platform::FindProgram("pkexec");
      if (options.program.empty()) {
        WriteLog("Install helper: pkexec is not installed, so administrator rights cannot be asked for.");
        ::close(ours);
        ::close(theirs);
        if (why) *why = StartResult::kRefused;
        return nullptr;
      }
      // One fixed argument and nothing of ours: pkexec starts the helper with a clean
      // environment, and the admin is asked about this program alone.
      options.arguments = {options.program, self, kInstallHelperArgument};
    } else {
      options.program = self;
      options.arguments = {self, kInstallHelperArgument};
    }
    options.stdioChannel = theirs;
    platform::LaunchedChild child;
    int error = 0;
    const bool launched = platform::Launch(options, child, error);
    ::close(theirs);
    if (!launched) {
      WriteLog("Install helper: %s could not be started (%s).", options.program.c_str(), std::strerror(error));
      ::close(ours);
      return nullptr;
    }
    WriteLog("Install helper started%s.", elevate ? " through pkexec" : "");
    client = std::make_unique<InstallHelperClient>(std::make_unique<platform::FramedChannel>(ours),
                                                   std::make_unique<platform::Process>(child.pid));
  }
  if (!client->AwaitReady()) {
    const int code = client->process_ ? client->process_->ExitCode().value_or(-1) : -1;
    const bool refused = code == kPkexecDismissed || code == kPkexecNotAuthorized;
    WriteLog("Install helper: %s.", refused ? "administrator rights were refused" : "it ended before it was ready");
    if (why) *why = refused ? StartResult::kRefused : StartResult::kFailed;
    client->ended_ = true;
    return nullptr;
  }
  if (why) *why = StartResult::kStarted;
  return client;
}

std::unique_ptr<InstallHelperClient> InstallHelperClient::Over(std::unique_ptr<platform::FramedChannel> channel) {
  auto client = std::make_unique<InstallHelperClient>(std::move(channel), nullptr);
  if (!client->AwaitReady()) {
    client->ended_ = true;
    return nullptr;
  }
  return client;
}

bool InstallHelperClient::AwaitReady() {
  const auto frame = channel_->Receive();
  const bool ready = frame && frame->kind == static_cast<std::uint16_t>(HelperMessage::kResult);
  if (!ready && process_) process_->Wait(kHelperEndWaitMs);
  return ready;
}

InstallHelperClient::~InstallHelperClient() { End(); }

HelperResult InstallHelperClient::Call(HelperMessage request, const std::string& fields, int descriptor,
                                       const base::ProgressCallback& events) {
  HelperResult lost;
  lost.failure = static_cast<std::uint32_t>(InstallFailure::kHelperLost);
  if (ended_ || !channel_->Send(static_cast<std::uint16_t>(request), fields, descriptor)) return lost;
  while (auto frame = channel_->Receive()) {
    if (frame->descriptor >= 0) ::close(frame->descriptor);
    MessageReader reader(frame->payload);
    switch (static_cast<HelperMessage>(frame->kind)) {
      case HelperMessage::kLog: {
        const std::string text = reader.Text();
        if (!reader.Failed()) WriteLog("%s", text.c_str());
        break;
      }
      case HelperMessage::kEvent: {
        const auto event = static_cast<int>(reader.Number());
        const auto code = static_cast<unsigned>(reader.Number());
        const auto value = static_cast<long>(reader.Number());
        if (!reader.Failed() && events) events(event, code, value);
        break;
      }
      case HelperMessage::kResult: {
        HelperResult result;
        return DecodeResult(frame->payload, result) ? result : lost;
      }
      default: break;
    }
  }
  WriteLog("Install helper: it ended in the middle of a request.");
  ended_ = true;
  return lost;
}

void InstallHelperClient::Cancel() {
  if (!ended_) channel_->Send(static_cast<std::uint16_t>(HelperMessage::kCancel), {});
}

void InstallHelperClient::End() {
  if (ended_) return;
  Call(HelperMessage::kEnd);
  ended_ = true;
  channel_->Shutdown();
  if (process_ && process_->Wait(kHelperEndWaitMs) == platform::WaitResult::TimedOut) {
    WriteLog("Install helper: it did not end in time and is stopped.");
    process_->Terminate();
    process_->Wait(-1);
  }
}

}  // namespace setup
