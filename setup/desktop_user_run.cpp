#include "setup/desktop_user_run.h"

#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>

#include "platform/elevation.h"
#include "platform/framed_channel.h"
#include "platform/known_folders.h"
#include "platform/path.h"
#include "platform/process.h"
#include "platform/process_launch.h"
#include "setup/install_helper.h"
#include "setup/install_helper_client.h"

namespace setup {

namespace {

// The user's run, for the signal handler that hands it a stop request.
volatile sig_atomic_t g_userRun = 0;

void ForwardStop(int sig) {
  if (g_userRun > 0) ::kill(static_cast<pid_t>(g_userRun), sig);
}

}  // namespace

bool RunAsDesktopUserWithHelper(int argc, char** argv, int* exitCode) {
  if (!platform::IsRunningAsRoot() || std::getenv(kHelperChannelVariable)) return false;
  const platform::DesktopUser user = platform::ResolveDesktopUser();
  if (user.uid == 0) return false;

  int ours = -1;
  int theirs = -1;
  const std::string self = platform::GetModuleFileName();
  if (self.empty() || !platform::MakeSocketPair(ours, theirs)) return false;
  platform::LaunchOptions options;
  options.program = self;
  options.arguments.assign(argv, argv + argc);
  options.arguments[0] = self;
  options.runAs = user;
  options.inheritedChannel = theirs;
  options.environment = {std::string(kHelperChannelVariable) + "=" + std::to_string(kHelperChannelDescriptor)};
  platform::LaunchedChild child;
  int error = 0;
  const bool launched = platform::Launch(options, child, error);
  ::close(theirs);
  if (!launched) {
    ::close(ours);
    std::fprintf(stderr, "corvex-online-setup: the installer could not be started as %s\n", user.name.c_str());
    *exitCode = 1;
    return true;
  }
  g_userRun = child.pid;
  // A stop sent to us is the user's run's to handle: it tells us what to undo. The
  // terminal's signals reach it on their own.
  std::signal(SIGTERM, ForwardStop);
  std::signal(SIGINT, SIG_IGN);
  std::signal(SIGHUP, SIG_IGN);
  {
    platform::FramedChannel channel(ours);
    RunInstallHelper(channel);
  }
  platform::Process process(child.pid);
  process.Wait(-1);
  *exitCode = process.ExitCode().value_or(1);
  return true;
}

}  // namespace setup
