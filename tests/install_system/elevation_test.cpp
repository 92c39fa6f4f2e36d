#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <optional>

#include "platform/elevation.h"
#include "platform/path.h"
#include "sandbox.h"
#include "system_test_support.h"

namespace {

using testing_support::Sandbox;
namespace fs = std::filesystem;

struct ElevationOutcome {
  bool goOn = true;
  int exitCode = -1;
};

// Runs EnsureElevatedOrRelaunch in a child that is an ordinary user outside any sandbox
// root, with `path` as its search path. Forked, not launched: the call under test must
// run in a process that dropped root.
ElevationOutcome RunAsOrdinaryUser(const std::string& path, const std::string& stderrFile) {
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::unsetenv("CORVEX_SYSROOT");
    ::setenv("PATH", path.c_str(), 1);
    ::setenv("DISPLAY", ":9986", 1);
    for (const char* name : {"WAYLAND_DISPLAY", "XAUTHORITY", "XDG_RUNTIME_DIR", "LANG", "LANGUAGE", "LC_ALL",
                             "LC_MESSAGES"})
      ::unsetenv(name);
    ::setenv("HOME", "/nonexistent", 1);
    ::freopen(stderrFile.c_str(), "w", stderr);
    if (::setgid(65534) != 0 || ::setuid(65534) != 0) ::_exit(99);
    char arg0[] = "corvex-online-setup";
    char arg1[] = "--silent";
    char arg2[] = "--path";
    char arg3[] = "/opt/my folder";
    char* argv[] = {arg0, arg1, arg2, arg3, nullptr};
    int code = -1;
    const bool goOn = platform::EnsureElevatedOrRelaunch(4, argv, "Corvex Setup", &code);
    ::_exit(goOn ? 100 : code);
  }
  int status = 0;
  ::waitpid(pid, &status, 0);
  const int code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return code == 100 ? ElevationOutcome{true, 0} : ElevationOutcome{false, code};
}

class ElevationTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (::geteuid() != 0) GTEST_SKIP() << "needs root to become an ordinary user";
    temp.emplace("corvex-elev", testing_support::TempFolder::Access::kEveryone);
    folder = temp->Path().string();
  }
  // A pkexec stand-in that records its arguments and answers `code`.
  void PlacePkexec(int code) {
    system_test::MakeFolders(folder + "/bin");
    fs::permissions(folder + "/bin", fs::perms::all);
    Sandbox::WriteFile(folder + "/bin/pkexec", "#!/bin/sh\nfor a in \"$@\"; do echo \"$a\"; done > " + folder +
                                                   "/args\nexit " + std::to_string(code) + "\n");
    fs::permissions(folder + "/bin/pkexec", fs::perms::all);
  }
  std::optional<testing_support::TempFolder> temp;
  std::string folder;
};

TEST_F(ElevationTest, RootAndSandboxRunsGoOn) {
  Sandbox sandbox;
  int code = -1;
  char arg0[] = "x";
  char* argv[] = {arg0, nullptr};
  EXPECT_TRUE(platform::EnsureElevatedOrRelaunch(1, argv, "Corvex Setup", &code));
  EXPECT_EQ(code, 0);
}

TEST_F(ElevationTest, RelaunchesThroughPkexecKeepingTheDisplay) {
  PlacePkexec(3);
  const ElevationOutcome outcome = RunAsOrdinaryUser(folder + "/bin:/usr/bin:/bin", folder + "/err");
  EXPECT_FALSE(outcome.goOn);
  EXPECT_EQ(outcome.exitCode, 3);  // the elevated run's code
  const std::string self = platform::GetModuleFileName();
  EXPECT_EQ(Sandbox::ReadFile(folder + "/args"),
            "/usr/bin/env\nDISPLAY=:9986\n" + self + "\n--silent\n--path\n/opt/my folder\n");
}

TEST_F(ElevationTest, RefusedOrMissingPkexecExplainsAndExits) {
  PlacePkexec(126);
  ElevationOutcome outcome = RunAsOrdinaryUser(folder + "/bin:/usr/bin:/bin", folder + "/err");
  EXPECT_FALSE(outcome.goOn);
  EXPECT_EQ(outcome.exitCode, 1);
  EXPECT_NE(Sandbox::ReadFile(folder + "/err").find("was refused"), std::string::npos);

  outcome = RunAsOrdinaryUser(folder + "/nothing-here", folder + "/err2");
  EXPECT_FALSE(outcome.goOn);
  EXPECT_EQ(outcome.exitCode, 1);
  EXPECT_NE(Sandbox::ReadFile(folder + "/err2").find("pkexec is not installed"), std::string::npos);
}

}  // namespace
