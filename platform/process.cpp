#include "platform/process.h"

#include <fcntl.h>
#include <grp.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "platform/path.h"

extern char** environ;

namespace platform {

std::vector<std::string> SplitCommandLine(std::string_view line) {
  std::vector<std::string> args;
  size_t i = 0;
  const size_t n = line.size();
  auto isBlank = [](char c) { return c == ' ' || c == '\t'; };
  while (true) {
    while (i < n && isBlank(line[i])) ++i;
    if (i >= n) break;
    std::string arg;
    bool inQuotes = false;
    while (i < n) {
      const char c = line[i];
      if (!inQuotes && isBlank(c)) break;
      if (c == '\\') {
        size_t count = 0;
        while (i < n && line[i] == '\\') ++count, ++i;
        if (i < n && line[i] == '"') {
          arg.append(count / 2, '\\');
          if (count % 2 == 1) {
            arg += '"';
            ++i;
          }
        } else {
          arg.append(count, '\\');
        }
      } else if (c == '"') {
        if (inQuotes && i + 1 < n && line[i + 1] == '"') {
          arg += '"';
          i += 2;
        } else {
          inQuotes = !inQuotes;
          ++i;
        }
      } else {
        arg += c;
        ++i;
      }
    }
    args.push_back(std::move(arg));
  }
  return args;
}

std::vector<std::string> CommandLineToArgv(std::string_view line) {
  std::string program;
  size_t i = 0;
  if (!line.empty() && line[0] == '"') {
    for (i = 1; i < line.size() && line[i] != '"'; ++i) program += line[i];
    if (i < line.size()) ++i;
  } else {
    for (; i < line.size() && line[i] != ' ' && line[i] != '\t'; ++i) program += line[i];
  }
  std::vector<std::string> argv{program};
  for (auto& arg : SplitCommandLine(line.substr(i))) argv.push_back(std::move(arg));
  return argv;
}

std::string FindProgram(const std::string& name) {
  if (name.empty()) return {};
  auto executable = [](const std::string& path) {
    struct stat st{};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && ::access(path.c_str(), X_OK) == 0;
  };
  if (name.find('/') != std::string::npos) return executable(name) ? name : std::string();
  const char* pathVariable = std::getenv("PATH");
  const std::string path = (pathVariable && *pathVariable) ? pathVariable : "/usr/local/bin:/usr/bin:/bin";
  size_t start = 0;
  while (start <= path.size()) {
    size_t end = path.find(':', start);
    if (end == std::string::npos) end = path.size();
    const std::string folder = path.substr(start, end - start);
    if (!folder.empty()) {
      const std::string candidate = PathJoin(folder, name);
      if (executable(candidate)) return candidate;
    }
    start = end + 1;
  }
  return {};
}

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
// the session, the locale, the search path and, in a sandbox root, the sandbox itself.
bool KeptForUser(const std::string& entry) {
  static const char* const kKept[] = {"DISPLAY", "WAYLAND_DISPLAY", "XAUTHORITY", "DBUS_SESSION_BUS_ADDRESS",
                                      "XDG_SESSION_TYPE", "XDG_CURRENT_DESKTOP", "XDG_SESSION_DESKTOP",
                                      "XDG_DATA_DIRS", "XDG_CONFIG_DIRS",
                                      "LANG", "LANGUAGE", "PATH", "TERM", "TZ", "CORVEX_SYSROOT"};
  for (const char* name : kKept) {
    if (IsVariable(entry, name)) return true;
  }
  if (entry.rfind("LC_", 0) == 0) return true;
  // A sandbox keeps its own home and XDG folders so that nothing leaves it.
  if (InSandboxRoot() && (entry.rfind("XDG_", 0) == 0 || IsVariable(entry, "HOME") || IsVariable(entry, "TMPDIR")))
    return true;
  return false;
}

std::vector<std::string> ChildEnvironment(const ProcessStart& start) {
  std::vector<std::string> env;
  if (!start.runAs) {
    for (char** entry = environ; entry && *entry; ++entry) env.emplace_back(*entry);
  } else {
    const DesktopUser& user = *start.runAs;
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
  for (const auto& extra : start.environment) SetVariable(env, extra);
  return env;
}

std::vector<char*> PointerArray(std::vector<std::string>& texts) {
  std::vector<char*> pointers;
  pointers.reserve(texts.size() + 1);
  for (auto& text : texts) pointers.push_back(text.data());
  pointers.push_back(nullptr);
  return pointers;
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
  int nullFd = -1;

  PreparedStart() = default;
  PreparedStart(const PreparedStart&) = delete;
  PreparedStart& operator=(const PreparedStart&) = delete;
  ~PreparedStart() {
    if (nullFd >= 0) ::close(nullFd);
  }
};

bool Prepare(const ProcessStart& start, PreparedStart& out, int& error) {
  out.path = FindProgram(start.program);
  if (out.path.empty()) {
    error = ENOENT;
    return false;
  }
  out.argvTexts = start.arguments;
  if (out.argvTexts.empty()) out.argvTexts.push_back(start.program);
  out.envTexts = ChildEnvironment(start);
  out.argv = PointerArray(out.argvTexts);
  out.envp = PointerArray(out.envTexts);
  out.directory = start.directory;
  if (start.discardOutput) out.nullFd = ::open("/dev/null", O_RDWR | O_CLOEXEC);
  if (start.runAs) {
    out.changeUser = true;
    out.uid = start.runAs->uid;
    out.gid = start.runAs->gid;
    // The user's supplementary groups, as initgroups would set them.
    int count = 64;
    out.groups.resize(count);
    if (!start.runAs->name.empty()) {
      if (::getgrouplist(start.runAs->name.c_str(), out.gid, out.groups.data(), &count) < 0) {
        out.groups.resize(count);  // now the number the user needs
        if (::getgrouplist(start.runAs->name.c_str(), out.gid, out.groups.data(), &count) < 0) count = 0;
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

// The child's side between fork and exec.
[[noreturn]] void ExecPrepared(const PreparedStart& p, int pipeFd) {
  sigset_t all;
  sigemptyset(&all);
  ::sigprocmask(SIG_SETMASK, &all, nullptr);
  struct sigaction deflt{};
  deflt.sa_handler = SIG_DFL;
  for (int sig = 1; sig < NSIG; ++sig) ::sigaction(sig, &deflt, nullptr);
  if (p.changeUser) {
    if (::setgroups(p.groups.size(), p.groups.data()) != 0) ReportAndExit(pipeFd, errno);
    if (::setgid(p.gid) != 0) ReportAndExit(pipeFd, errno);
    if (::setuid(p.uid) != 0) ReportAndExit(pipeFd, errno);
    // Never go on with root rights left over.
    if (::getuid() != p.uid || ::geteuid() != p.uid) ReportAndExit(pipeFd, EPERM);
  }
  if (p.nullFd >= 0) {
    ::dup2(p.nullFd, STDOUT_FILENO);
    ::dup2(p.nullFd, STDERR_FILENO);
  }
  if (!p.directory.empty() && ::chdir(p.directory.c_str()) != 0) ReportAndExit(pipeFd, errno);
#ifdef CLOSE_RANGE_CLOEXEC
  ::close_range(3, ~0U, CLOSE_RANGE_CLOEXEC);
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

int ExitStatusCode(int status) {
  if (WIFEXITED(status)) return WEXITSTATUS(status);
  if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
  return -1;
}

}  // namespace

Process::~Process() {
  if (exitCode_ || Reap(WNOHANG)) return;
  try {
    std::thread([pid = pid_] { ::waitpid(pid, nullptr, 0); }).detach();
  } catch (...) {
    // Without a thread the child ends as a zombie until we exit.
  }
}

bool Process::Reap(int options) {
  if (exitCode_) return true;
  int status = 0;
  pid_t r;
  do {
    r = ::waitpid(pid_, &status, options);
  } while (r < 0 && errno == EINTR);
  if (r == 0) return false;
  if (r < 0) {
    exitCode_ = terminateCode_.value_or(-1);  // reaped elsewhere: the code is lost
    return true;
  }
  if (terminateCode_ && WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL)
    exitCode_ = *terminateCode_;
  else
    exitCode_ = ExitStatusCode(status);
  return true;
}

WaitResult Process::Wait(int timeoutMs) {
  if (timeoutMs < 0) return Reap(0) ? WaitResult::Exited : WaitResult::Failed;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (!Reap(WNOHANG)) {
    if (std::chrono::steady_clock::now() >= deadline) return WaitResult::TimedOut;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return WaitResult::Exited;
}

std::optional<int> Process::ExitCode() {
  Reap(WNOHANG);
  return exitCode_;
}

bool Process::Terminate(int exitCode) {
  if (exitCode_) return true;
  if (::kill(pid_, SIGKILL) == 0 || errno == ESRCH) {
    terminateCode_ = exitCode;
    return true;
  }
  return false;
}

std::unique_ptr<Process> StartProcess(const ProcessStart& start, int* error) {
  int failure = 0;
  PreparedStart prepared;
  if (!Prepare(start, prepared, failure)) {
    if (error) *error = failure;
    return nullptr;
  }
  int fds[2];
  if (::pipe2(fds, O_CLOEXEC) != 0) {
    if (error) *error = errno;
    return nullptr;
  }
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::close(fds[0]);
    ExecPrepared(prepared, fds[1]);
  }
  ::close(fds[1]);
  if (pid < 0) {
    if (error) *error = errno;
    ::close(fds[0]);
    return nullptr;
  }
  failure = ReadExecReport(fds[0]);
  if (failure != 0) {
    while (::waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {
    }
    if (error) *error = failure;
    return nullptr;
  }
  return std::make_unique<Process>(pid);
}

bool StartDetachedProcess(const ProcessStart& start, int* error) {
  int failure = 0;
  PreparedStart prepared;
  if (!Prepare(start, prepared, failure)) {
    if (error) *error = failure;
    return false;
  }
  int fds[2];
  if (::pipe2(fds, O_CLOEXEC) != 0) {
    if (error) *error = errno;
    return false;
  }
  const pid_t pid = ::fork();
  if (pid == 0) {
    // The middle child leaves at once, so the program is adopted by init and nobody
    // has to reap it.
    ::close(fds[0]);
    const pid_t grandchild = ::fork();
    if (grandchild == 0) {
      ::setsid();
      ExecPrepared(prepared, fds[1]);
    }
    if (grandchild < 0) ReportAndExit(fds[1], errno);
    ::_exit(0);
  }
  ::close(fds[1]);
  if (pid < 0) {
    if (error) *error = errno;
    ::close(fds[0]);
    return false;
  }
  failure = ReadExecReport(fds[0]);
  while (::waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {
  }
  if (failure != 0) {
    if (error) *error = failure;
    return false;
  }
  return true;
}

std::optional<int> RunAndWait(const ProcessStart& start, int timeoutMs) {
  auto process = StartProcess(start);
  if (!process) return std::nullopt;
  if (process->Wait(timeoutMs) != WaitResult::Exited) {
    process->Terminate();
    process->Wait(-1);
    return std::nullopt;
  }
  return process->ExitCode();
}

}  // namespace platform
