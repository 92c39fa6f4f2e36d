#include "platform/process.h"

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
    struct stat st {};
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
  LaunchedChild child;
  int failure = 0;
  if (!Launch(LaunchOptions{start, /*captureOutput=*/false, /*detach=*/false}, child, failure)) {
    if (error) *error = failure;
    return nullptr;
  }
  return std::make_unique<Process>(child.pid);
}

bool StartDetachedProcess(const ProcessStart& start, int* error) {
  LaunchedChild child;
  int failure = 0;
  if (!Launch(LaunchOptions{start, /*captureOutput=*/false, /*detach=*/true}, child, failure)) {
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
