// Mounts for one test that nothing outside it sees and nothing outlives: the body runs
// in a forked child with a private mount namespace.
#pragma once

#include <sched.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

namespace testing_support {

inline constexpr int kNoPrivateMounts = 100;

// Runs `body` (returning an exit code of 0 to 99) in the child; its result is the
// child's exit code, kNoPrivateMounts when the namespace could not be made, -1 when the
// child did not exit.
template <typename Body>
int InPrivateMountNamespace(Body body) {
  const pid_t child = ::fork();
  if (child == 0) {
    if (::unshare(CLONE_NEWNS) != 0 || ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) {
      _exit(kNoPrivateMounts);
    }
    _exit(body());
  }
  int status = 0;
  if (child < 0 || ::waitpid(child, &status, 0) != child || !WIFEXITED(status)) return -1;
  return WEXITSTATUS(status);
}

}  // namespace testing_support
