// Asking for administrator rights, as an ordinary user outside any sandbox root meets
// it: pkexec is asked to start this very program with the one helper argument, and its
// refusal is told apart from a helper that broke. A stand-in pkexec on PATH records what
// it was asked and answers with the status the case wants.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "platform/path.h"
#include "setup/install_helper_client.h"
#include "tests/common/sandbox.h"

using namespace setup;

namespace {

using testing_support::TempFolder;

constexpr uid_t kNobody = 65534;

struct ElevationRun {
  int startResult = -1;  // InstallHelperClient::StartResult, or -1 when the child broke
  std::vector<std::string> askedArguments;
};

// Starts the helper from a child that is uid 65534 with no sandbox root; `pkexecStatus`
// < 0 leaves pkexec off PATH altogether.
ElevationRun StartAsOrdinaryUser(int pkexecStatus) {
  TempFolder folder("corvex-pkexec", TempFolder::Access::kEveryone);
  const std::string bin = (folder / "bin").string();
  ::mkdir(bin.c_str(), 0755);
  if (pkexecStatus >= 0) {
    std::ofstream script(bin + "/pkexec");
    script << "#!/bin/sh\n"
           << "printf '%s\\n' \"$@\" > " << (folder / "argv").string() << "\n"
           << "exit " << pkexecStatus << "\n";
    script.close();
    ::chmod((bin + "/pkexec").c_str(), 0755);
  }
  ElevationRun run;
  const pid_t child = ::fork();
  if (child == 0) {
    ::unsetenv("CORVEX_SYSROOT");
    ::unsetenv("CORVEX_HELPER_CHANNEL");
    ::setenv("PATH", (bin + ":/bin").c_str(), 1);
    ::setenv("HOME", folder.Path().c_str(), 1);
    if (::setresgid(kNobody, kNobody, kNobody) != 0 || ::setresuid(kNobody, kNobody, kNobody) != 0) ::_exit(100);
    InstallHelperClient::StartResult why = InstallHelperClient::StartResult::kStarted;
    const auto client = InstallHelperClient::Start(&why);
    ::_exit(client ? 101 : static_cast<int>(why));
  }
  int status = 0;
  ::waitpid(child, &status, 0);
  if (WIFEXITED(status) && WEXITSTATUS(status) < 100) run.startResult = WEXITSTATUS(status);
  std::ifstream argv(folder / "argv");
  for (std::string line; std::getline(argv, line);) run.askedArguments.push_back(line);
  return run;
}

TEST(HelperElevationTest, PkexecIsAskedForThisProgramWithTheHelperArgumentAlone) {
  const ElevationRun run = StartAsOrdinaryUser(126);
  ASSERT_EQ(run.askedArguments.size(), 2u);
  EXPECT_EQ(run.askedArguments[0], platform::GetModuleFileName());
  EXPECT_EQ(run.askedArguments[1], "--install-helper");
}

TEST(HelperElevationTest, ADismissedOrFailedAuthorisationIsARefusalAndABrokenHelperIsNot) {
  EXPECT_EQ(StartAsOrdinaryUser(126).startResult, static_cast<int>(InstallHelperClient::StartResult::kRefused));
  EXPECT_EQ(StartAsOrdinaryUser(127).startResult, static_cast<int>(InstallHelperClient::StartResult::kRefused));
  EXPECT_EQ(StartAsOrdinaryUser(1).startResult, static_cast<int>(InstallHelperClient::StartResult::kFailed));
  // Without pkexec nobody can be asked: also a refusal, not a crash or a hang.
  EXPECT_EQ(StartAsOrdinaryUser(-1).startResult, static_cast<int>(InstallHelperClient::StartResult::kRefused));
}

}  // namespace
