// The version gate's fallbacks as the real code takes them: in a child whose uname
// the kernel refuses (a seccomp filter), and whose kernel release file is empty (a
// private mount namespace), each method that failed says so in the log.
#include <gtest/gtest.h>
#include <linux/filter.h>
#include <linux/seccomp.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <string>

#include "base/install_log.h"
#include "base/version_gate.h"
#include "platform/text.h"
#include "sandbox.h"

using namespace base;

namespace {

using testing_support::Sandbox;

// Every uname call fails with EPERM from now on; everything else is allowed.
bool RefuseUname() {
  sock_filter filter[] = {
      BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, nr)),
      BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, SYS_uname, 0, 1),
      BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ERRNO | (EPERM & SECCOMP_RET_DATA)),
      BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW),
  };
  sock_fprog program{static_cast<unsigned short>(sizeof filter / sizeof filter[0]), filter};
  return ::prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) == 0 && ::prctl(PR_SET_SECCOMP, SECCOMP_MODE_FILTER, &program) == 0;
}

// Runs the gate in a child; `emptyRelease` also hides the kernel release file. The
// child's exit status: 0 accepted, 1 refused, 2 and up a set-up step failed.
int GateInChild(const std::string& log, const std::string& emptyFile, bool emptyRelease) {
  const pid_t pid = ::fork();
  if (pid == 0) {
    if (emptyRelease) {
      if (::unshare(CLONE_NEWNS) != 0 || ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) _exit(2);
      if (::mount(emptyFile.c_str(), "/proc/sys/kernel/osrelease", nullptr, MS_BIND, nullptr) != 0) _exit(3);
    }
    if (!RefuseUname()) _exit(4);
    GetLog()->Init(platform::NarrowToWide(log));
    _exit(IsWindowsVersionSupported() ? 0 : 1);
  }
  int status = 0;
  ::waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : 100 + WTERMSIG(status);
}

TEST(VersionGateFallbacks, EachFailedMethodIsLoggedAndTheNextOneAnswers) {
  Sandbox sandbox;
  const std::string empty = sandbox.root() + "/empty";
  Sandbox::WriteFile(empty, "");

  const std::string second = sandbox.root() + "/second.log";
  ASSERT_EQ(GateInChild(second, empty, false), 0);
  std::string log = Sandbox::ReadFile(second);
  EXPECT_NE(log.find("First get window version failed. Do second method.\n"), std::string::npos) << log;
  EXPECT_EQ(log.find("Second get window version failed."), std::string::npos) << log;
  EXPECT_NE(log.find(" : Window Version : "), std::string::npos) << log;

  if (::geteuid() != 0) GTEST_SKIP() << "hiding the release file needs a mount namespace of our own";
  const std::string third = sandbox.root() + "/third.log";
  ASSERT_EQ(GateInChild(third, empty, true), 0);
  log = Sandbox::ReadFile(third);
  const size_t first = log.find("First get window version failed. Do second method.\n");
  const size_t secondFailed = log.find("Second get window version failed. Do third method.\n");
  const size_t version = log.find(" : Window Version : ");
  ASSERT_NE(first, std::string::npos) << log;
  ASSERT_NE(secondFailed, std::string::npos) << log;
  ASSERT_NE(version, std::string::npos) << log;
  EXPECT_LT(first, secondFailed);
  EXPECT_LT(secondFailed, version) << "the banner's version comes last";
  EXPECT_EQ(log.find(" : Window Version : ", version + 1), std::string::npos) << "one version line\n" << log;
}

}  // namespace
