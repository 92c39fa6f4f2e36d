// The one launcher every program start goes through, seen from the child: which user it
// is, which descriptors of ours it holds and which environment it gets. A slip here
// hands root's files or rights to a program started for the desktop user.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <string>
#include <thread>
#include <vector>

#include "platform/process_launch.h"

namespace {

using platform::LaunchedChild;
using platform::LaunchOptions;

// Runs a shell line as the child and returns what it printed, or "<not started>".
std::string ChildSays(LaunchOptions options, const std::string& script) {
  options.program = "/bin/sh";
  options.arguments = {"sh", "-c", script};
  options.captureOutput = true;
  LaunchedChild child;
  int error = 0;
  if (!platform::Launch(options, child, error)) return "<not started>";
  ::close(child.input);
  std::string said;
  char buffer[4096];
  for (ssize_t n; (n = ::read(child.output, buffer, sizeof buffer)) > 0;) said.append(buffer, static_cast<size_t>(n));
  ::close(child.output);
  ::close(child.errorOutput);
  ::waitpid(child.pid, nullptr, 0);
  return said;
}

// The descriptors the child holds above its standard three (the shell's own excepted).
constexpr char kOpenDescriptors[] =
    "for fd in /proc/self/fd/*; do n=${fd##*/}; [ \"$n\" -gt 2 ] && [ -e \"$fd\" ] && "
    "printf '%s ' \"$n\"; done; echo";

TEST(ProcessLaunch, AChildForTheDesktopUserIsThatUserWithNoneOfRootsGroups) {
  if (::geteuid() != 0) GTEST_SKIP() << "needs root to start a child as another user";
  LaunchOptions options;
  options.runAs = platform::DesktopUser{65534, 65534, "nobody", "/nonexistent"};
  EXPECT_EQ(ChildSays(options, "id -u; id -g; id -G; echo \"$HOME $USER\""),
            "65534\n65534\n65534\n/nonexistent nobody\n");
}

TEST(ProcessLaunch, OnlyTheDescriptorsNamedForTheChildReachIt) {
  // Opened without close-on-exec, as a library might: still not the child's.
  const int opened = ::open("/etc/hostname", O_RDONLY);
  ASSERT_GE(opened, 0);
  const int stray = ::fcntl(opened, F_DUPFD, 40);  // well clear of the child's 3
  ::close(opened);
  ASSERT_GE(stray, 40);
  int pair[2];
  ASSERT_EQ(::socketpair(AF_UNIX, SOCK_STREAM, 0, pair), 0);

  LaunchOptions plain;
  const std::string none = ChildSays(plain, kOpenDescriptors);
  EXPECT_EQ(none.find(std::to_string(stray) + " "), std::string::npos) << none;

  LaunchOptions channel;
  channel.inheritedChannel = pair[1];
  const std::string withChannel = ChildSays(channel, kOpenDescriptors);
  EXPECT_EQ(withChannel.rfind("3 ", 0), 0u) << withChannel;  // the channel is the child's descriptor 3
  EXPECT_EQ(withChannel.find(std::to_string(stray) + " "), std::string::npos) << withChannel;
  ::close(stray);
  ::close(pair[0]);
  ::close(pair[1]);
}

TEST(ProcessLaunch, TheDesktopUsersChildGetsNoneOfOurOtherVariables) {
  if (::geteuid() != 0) GTEST_SKIP() << "needs root to start a child as another user";
  ::setenv("CORVEX_LAUNCH_SECRET", "root-only", 1);
  ::setenv("LD_PRELOAD", "", 1);
  LaunchOptions options;
  options.runAs = platform::DesktopUser{65534, 65534, "nobody", "/nonexistent"};
  options.environment = {"CHOSEN=yes"};
  const std::string said = ChildSays(options, "env");
  ::unsetenv("CORVEX_LAUNCH_SECRET");
  ::unsetenv("LD_PRELOAD");
  EXPECT_EQ(said.find("CORVEX_LAUNCH_SECRET"), std::string::npos) << said;
  EXPECT_EQ(said.find("LD_PRELOAD"), std::string::npos) << said;
  EXPECT_NE(said.find("CHOSEN=yes\n"), std::string::npos) << said;
}

// A plain start shares our memory until the program runs: the child must still start
// with no signal blocked or ignored whatever the calling thread set, report a step
// that fails before the program runs, and keep to its own arguments while other
// threads start children at the same moment.
TEST(ProcessLaunch, PlainStartsBeginCleanReportTheirFailuresAndDoNotMixUp) {
  sigset_t usr2, previousMask;
  sigemptyset(&usr2);
  sigaddset(&usr2, SIGUSR2);
  ASSERT_EQ(::pthread_sigmask(SIG_BLOCK, &usr2, &previousMask), 0);
  struct sigaction ignore {
  }, previousAction{};
  ignore.sa_handler = SIG_IGN;
  ASSERT_EQ(::sigaction(SIGUSR1, &ignore, &previousAction), 0);
  const std::string status = ChildSays(LaunchOptions(), "exec grep -E '^Sig(Blk|Ign)' /proc/self/status");
  ::sigaction(SIGUSR1, &previousAction, nullptr);
  ::pthread_sigmask(SIG_SETMASK, &previousMask, nullptr);
  EXPECT_EQ(status, "SigBlk:\t0000000000000000\nSigIgn:\t0000000000000000\n");

  LaunchOptions nowhere;
  nowhere.program = "/bin/true";
  nowhere.directory = "/nonexistent/folder";
  LaunchedChild child;
  int error = 0;
  EXPECT_FALSE(platform::Launch(nowhere, child, error));
  EXPECT_EQ(error, ENOENT);

  std::vector<std::string> said(4);
  std::vector<std::thread> starters;
  for (size_t i = 0; i < said.size(); ++i) {
    starters.emplace_back([&said, i] {
      for (int round = 0; round < 10; ++round) {
        const std::string line = ChildSays(LaunchOptions(), "echo " + std::to_string(i));
        if (line != std::to_string(i) + "\n") said[i] = line;
      }
    });
  }
  for (std::thread& starter : starters) starter.join();
  for (size_t i = 0; i < said.size(); ++i) EXPECT_EQ(said[i], "") << "starter " << i;
}

}  // namespace
