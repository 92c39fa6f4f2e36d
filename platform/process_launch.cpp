#include "platform/process_launch.h"

#include <fcntl.h>
#include <grp.h>
#include <sched.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <string_view>
#include <utility>

#include "platform/landlock.h"
#include "platform/path.h"
#include "platform/process.h"

extern char** environ;

namespace platform {
namespace {

bool IsVariable(const std::string& entry, std::string_view name) {
  return entry.size() > name.size() && entry.compare(0, name.size(), name) == 0 && entry[name.size()] == '=';
}

void SetVariable(std::vector<std::string>& env, const std::string& entry) {
  const size_t equals = entry.find('=');
  if (equals == std::string::npos || equals == 0) return;
  const std::string_view name(entry.data(), equals);
  for (auto& existing : env) {
    if (IsVariable(existing, name)) {
      existing = entry;
      return;
    }
  }
  env.push_back(entry);
}

// Variables the desktop user's program keeps from ours: how to reach the display and
// the session, the locale, the search path, the browser xdg-open is to use and, in a
// sandbox root, the sandbox itself.
bool KeptForUser(const std::string& entry) {
  static const char* const kKept[] = {"DISPLAY",
                                      "WAYLAND_DISPLAY",
                                      "XAUTHORITY",
                                      "DBUS_SESSION_BUS_ADDRESS",
                                      "XDG_SESSION_TYPE",
                                      "XDG_CURRENT_DESKTOP",
                                      "XDG_SESSION_DESKTOP",
                                      "XDG_DATA_DIRS",
                                      "XDG_CONFIG_DIRS",
                                      "LANG",
                                      "LANGUAGE",
                                      "PATH",
                                      "TERM",
                                      "TZ",
                                      "BROWSER",
                                      "CORVEX_SYSROOT"};
  for (const char* name : kKept) {
    if (IsVariable(entry, name)) return true;
  }
  if (entry.rfind("LC_", 0) == 0) return true;
  // A sandbox keeps its own home, XDG folders and settings so that nothing leaves it.
  if (InSandboxRoot() && (entry.rfind("XDG_", 0) == 0 || entry.rfind("CORVEX_", 0) == 0 || IsVariable(entry, "HOME") ||
                          IsVariable(entry, "TMPDIR")))
    return true;
  return false;
}

std::vector<std::string> ChildEnvironment(const LaunchOptions& options) {
  std::vector<std::string> env;
  if (!options.runAs) {
    for (char** entry = environ; entry && *entry; ++entry) env.emplace_back(*entry);
  } else {
    const DesktopUser& user = *options.runAs;
    for (char** entry = environ; entry && *entry; ++entry) {
      if (KeptForUser(*entry)) env.emplace_back(*entry);
    }
    if (!InSandboxRoot()) {
      SetVariable(env, "HOME=" + (user.home.empty() ? std::string("/") : user.home));
      const std::string runtime = "/run/user/" + std::to_string(user.uid);
      if (PathIsDirectory(runtime)) SetVariable(env, "XDG_RUNTIME_DIR=" + runtime);
      if (PathFileExists(runtime + "/bus")) SetVariable(env, "DBUS_SESSION_BUS_ADDRESS=unix:path=" + runtime + "/bus");
    } else if (std::none_of(env.begin(), env.end(), [](const std::string& e) { return IsVariable(e, "HOME"); })) {
      SetVariable(env, "HOME=" + (user.home.empty() ? std::string("/") : user.home));
    }
    SetVariable(env, "USER=" + user.name);
    SetVariable(env, "LOGNAME=" + user.name);
    if (std::none_of(env.begin(), env.end(), [](const std::string& e) { return IsVariable(e, "PATH"); }))
      SetVariable(env, "PATH=/usr/local/bin:/usr/bin:/bin");
  }
  for (const auto& extra : options.environment) SetVariable(env, extra);
  return env;
}

std::vector<char*> PointerArray(std::vector<std::string>& texts) {
  std::vector<char*> pointers;
  pointers.reserve(texts.size() + 1);
  for (auto& text : texts) pointers.push_back(text.data());
  pointers.push_back(nullptr);
  return pointers;
}

void CloseFd(int& fd) {
  if (fd >= 0) ::close(fd);
  fd = -1;
}

// Everything the child needs, prepared before fork: after it only async-signal-safe
// calls are made.
struct PreparedStart {
  std::string path;
  std::vector<std::string> argvTexts;
  std::vector<std::string> envTexts;
  std::vector<char*> argv;
  std::vector<char*> envp;
  bool changeUser = false;
  uid_t uid = 0;
  gid_t gid = 0;
  std::vector<gid_t> groups;
  std::string directory;
  int confinement = -1;
  int inheritedChannel = -1;  // a duplicate, put on descriptor 3 in the child
  // The child's stdin, stdout and stderr when not ours; -1 keeps ours.
  int childStdio[3] = {-1, -1, -1};
  // Our ends of captured pipes, handed to the caller once the program runs.
  int parentStdio[3] = {-1, -1, -1};

  PreparedStart() = default;
  PreparedStart(const PreparedStart&) = delete;
  PreparedStart& operator=(const PreparedStart&) = delete;
  ~PreparedStart() {
    // stdout and stderr may share the one /dev/null descriptor.
    if (childStdio[2] == childStdio[1]) childStdio[2] = -1;
    for (int& fd : childStdio) CloseFd(fd);
    for (int& fd : parentStdio) CloseFd(fd);
    CloseFd(inheritedChannel);
  }
};

bool PrepareStdio(const LaunchOptions& options, PreparedStart& out, int& error) {
  if (options.captureOutput) {
    for (int stream = 0; stream < 3; ++stream) {
      int fds[2];
      if (::pipe2(fds, O_CLOEXEC) != 0) {
        error = errno;
        return false;
      }
      // The child reads its stdin from the pipe's read end and writes the others.
      out.childStdio[stream] = stream == 0 ? fds[0] : fds[1];
      out.parentStdio[stream] = stream == 0 ? fds[1] : fds[0];
    }
  } else if (options.stdioChannel >= 0) {
    for (int stream = 0; stream < 2; ++stream) {
      out.childStdio[stream] = ::fcntl(options.stdioChannel, F_DUPFD_CLOEXEC, 0);
      if (out.childStdio[stream] < 0) {
        error = errno;
        return false;
      }
    }
  } else if (options.discardOutput) {
    out.childStdio[1] = ::open("/dev/null", O_RDWR | O_CLOEXEC);
    out.childStdio[2] = out.childStdio[1];
  }
  return true;
}

bool Prepare(const LaunchOptions& options, PreparedStart& out, int& error) {
  out.path = FindProgram(options.program);
  if (out.path.empty()) {
    error = ENOENT;
    return false;
  }
  out.argvTexts = options.arguments;
  if (out.argvTexts.empty()) out.argvTexts.push_back(options.program);
  out.envTexts = ChildEnvironment(options);
  out.argv = PointerArray(out.argvTexts);
  out.envp = PointerArray(out.envTexts);
  out.directory = options.directory;
  out.confinement = options.confinement;
  if (!PrepareStdio(options, out, error)) return false;
  if (options.inheritedChannel >= 0) {
    // Above 3, so that putting it on 3 never overwrites another prepared descriptor.
    out.inheritedChannel = ::fcntl(options.inheritedChannel, F_DUPFD_CLOEXEC, 4);
    if (out.inheritedChannel < 0) {
      error = errno;
      return false;
    }
  }
  if (options.runAs) {
    out.changeUser = true;
    out.uid = options.runAs->uid;
    out.gid = options.runAs->gid;
    // The user's supplementary groups, as initgroups would set them.
    int count = 64;
    out.groups.resize(count);
    if (!options.runAs->name.empty()) {
      if (::getgrouplist(options.runAs->name.c_str(), out.gid, out.groups.data(), &count) < 0) {
        out.groups.resize(count);  // now the number the user needs
        if (::getgrouplist(options.runAs->name.c_str(), out.gid, out.groups.data(), &count) < 0) count = 0;
      }
      out.groups.resize(count);
      if (out.groups.empty()) out.groups.assign(1, out.gid);
    } else {
      out.groups.assign(1, out.gid);
    }
  }
  return true;
}

[[noreturn]] void ReportAndExit(int pipeFd, int error) {
  ssize_t ignored = ::write(pipeFd, &error, sizeof error);
  (void)ignored;
  ::_exit(127);
}

// Puts the prepared descriptors on 0, 1 and 2. Any of them that sits on 0-2 itself
// (our own stdio was closed) is moved up first so that no dup2 overwrites another.
void InstallStdio(const PreparedStart& p, int pipeFd) {
  int source[3];
  for (int stream = 0; stream < 3; ++stream) {
    source[stream] = p.childStdio[stream];
    if (source[stream] >= 0 && source[stream] <= STDERR_FILENO) {
      source[stream] = ::fcntl(source[stream], F_DUPFD_CLOEXEC, STDERR_FILENO + 1);
      if (source[stream] < 0) ReportAndExit(pipeFd, errno);
    }
  }
  for (int stream = 0; stream < 3; ++stream) {
    if (source[stream] >= 0 && ::dup2(source[stream], stream) < 0) ReportAndExit(pipeFd, errno);
  }
}

// The child's side between fork and exec. Our handlers go before any signal is let
// through: a child that borrows our memory must never run one of them.
[[noreturn]] void ExecPrepared(const PreparedStart& p, int pipeFd) {
  struct sigaction deflt {};
  deflt.sa_handler = SIG_DFL;
  for (int sig = 1; sig < NSIG; ++sig) ::sigaction(sig, &deflt, nullptr);
  sigset_t none;
  sigemptyset(&none);
  ::sigprocmask(SIG_SETMASK, &none, nullptr);
  if (p.changeUser) {
    if (::setgroups(p.groups.size(), p.groups.data()) != 0) ReportAndExit(pipeFd, errno);
    if (::setgid(p.gid) != 0) ReportAndExit(pipeFd, errno);
    if (::setuid(p.uid) != 0) ReportAndExit(pipeFd, errno);
    // Never go on with root rights left over.
    if (::getuid() != p.uid || ::geteuid() != p.uid) ReportAndExit(pipeFd, EPERM);
  }
  InstallStdio(p, pipeFd);
  int firstClosed = 3;
  if (p.inheritedChannel >= 0) {
    if (::dup2(p.inheritedChannel, 3) < 0) ReportAndExit(pipeFd, errno);
    firstClosed = 4;
  }
  if (!p.directory.empty() && ::chdir(p.directory.c_str()) != 0) ReportAndExit(pipeFd, errno);
  if (p.confinement >= 0 && !EnforceConfinement(p.confinement)) ReportAndExit(pipeFd, errno ? errno : EPERM);
#ifdef CLOSE_RANGE_CLOEXEC
  ::close_range(firstClosed, ~0U, CLOSE_RANGE_CLOEXEC);
#else
  (void)firstClosed;
#endif
  ::execve(p.path.c_str(), p.argv.data(), p.envp.data());
  ReportAndExit(pipeFd, errno);
}

// Reads the child's report: 0 once the program runs, else the errno of the failed step.
int ReadExecReport(int pipeFd) {
  int error = 0;
  size_t got = 0;
  while (got < sizeof error) {
    const ssize_t n = ::read(pipeFd, reinterpret_cast<char*>(&error) + got, sizeof error - got);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    got += static_cast<size_t>(n);
  }
  ::close(pipeFd);
  return got == sizeof error ? (error ? error : EIO) : 0;
}

// Starting a program copies the page tables of this (large) process and throws the
// copy away at exec, which costs more than the program's own start. A child that
// changes nothing but its descriptors, folder and confinement borrows our memory
// instead, as vfork does, while the calling thread waits for its exec. Changing the
// user stays with fork: the C library's set*id calls would act on our threads.
// gcc says so with macros, clang through __has_feature.
#if defined(__SANITIZE_THREAD__) || defined(__SANITIZE_ADDRESS__)
#define CORVEX_SANITIZED_BUILD 1
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer) || __has_feature(address_sanitizer)
#define CORVEX_SANITIZED_BUILD 1
#endif
#endif

bool CanBorrowMemory(const LaunchOptions& options) {
#if defined(CORVEX_SANITIZED_BUILD)
  (void)options;
  return false;  // the sanitizers' bookkeeping is not made for a child in our memory
#else
  return !options.runAs && !options.detach;
#endif
}

struct BorrowedStart {
  const PreparedStart* prepared;
  int reportFd;
};

int RunBorrowedStart(void* argument) {
  const auto* start = static_cast<const BorrowedStart*>(argument);
  ExecPrepared(*start->prepared, start->reportFd);
}

// The child's pid, or -1 with errno set.
pid_t StartBorrowingMemory(const PreparedStart& prepared, int reportFd) {
  constexpr size_t kStackSize = 256 * 1024;
  void* stack = ::mmap(nullptr, kStackSize, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_STACK, -1, 0);
  if (stack == MAP_FAILED) return -1;
  // Until its handlers are reset, no signal may reach the child.
  sigset_t all, previous;
  sigfillset(&all);
  ::pthread_sigmask(SIG_SETMASK, &all, &previous);
  BorrowedStart start{&prepared, reportFd};
  const pid_t pid =
      ::clone(RunBorrowedStart, static_cast<char*>(stack) + kStackSize, CLONE_VM | CLONE_VFORK | SIGCHLD, &start);
  const int error = errno;
  ::pthread_sigmask(SIG_SETMASK, &previous, nullptr);
  ::munmap(stack, kStackSize);
  errno = error;
  return pid;
}

void ReapQuietly(pid_t pid) {
  while (::waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {
  }
}

}  // namespace

bool Launch(const LaunchOptions& options, LaunchedChild& child, int& error) {
  PreparedStart prepared;
  if (!Prepare(options, prepared, error)) return false;
  int report[2];
  if (::pipe2(report, O_CLOEXEC) != 0) {
    error = errno;
    return false;
  }
  const pid_t pid = CanBorrowMemory(options) ? StartBorrowingMemory(prepared, report[1]) : ::fork();
  if (pid == 0) {
    ::close(report[0]);
    if (!options.detach) ExecPrepared(prepared, report[1]);
    // The middle child leaves at once, so the program is adopted by init and nobody
    // has to reap it.
    const pid_t grandchild = ::fork();
    if (grandchild == 0) {
      ::setsid();
      ExecPrepared(prepared, report[1]);
    }
    if (grandchild < 0) ReportAndExit(report[1], errno);
    ::_exit(0);
  }
  ::close(report[1]);
  if (pid < 0) {
    error = errno;
    ::close(report[0]);
    return false;
  }
  // Our copies of the child's ends must go, or reading its output never sees the end.
  if (prepared.childStdio[2] == prepared.childStdio[1]) prepared.childStdio[2] = -1;
  for (int& fd : prepared.childStdio) CloseFd(fd);
  const int failure = ReadExecReport(report[0]);
  if (failure != 0 || options.detach) ReapQuietly(pid);
  if (failure != 0) {
    error = failure;
    return false;
  }
  child.pid = options.detach ? -1 : pid;
  child.input = std::exchange(prepared.parentStdio[0], -1);
  child.output = std::exchange(prepared.parentStdio[1], -1);
  child.errorOutput = std::exchange(prepared.parentStdio[2], -1);
  return true;
}

}  // namespace platform
