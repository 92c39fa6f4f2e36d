#include "platform/child_process.h"

#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <ctime>

extern char** environ;

namespace platform {
namespace {

struct Pipe {
  int readEnd = -1;
  int writeEnd = -1;
  bool Open() {
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) return false;
    readEnd = fds[0];
    writeEnd = fds[1];
    return true;
  }
  void CloseRead() {
    if (readEnd >= 0) close(readEnd);
    readEnd = -1;
  }
  void CloseWrite() {
    if (writeEnd >= 0) close(writeEnd);
    writeEnd = -1;
  }
  ~Pipe() {
    CloseRead();
    CloseWrite();
  }
};

std::vector<std::string> BuildEnvironment(const ChildProcessRequest& request) {
  std::vector<std::string> env;
  for (char** entry = environ; entry && *entry; ++entry) {
    std::string_view text(*entry);
    bool overridden = false;
    for (const auto& [name, value] : request.extraEnv) {
      if (text.size() > name.size() && text.substr(0, name.size()) == name && text[name.size()] == '=') {
        overridden = true;
        break;
      }
    }
    if (!overridden) env.emplace_back(text);
  }
  for (const auto& [name, value] : request.extraEnv) env.push_back(name + "=" + value);
  return env;
}

std::vector<char*> PointerVector(std::vector<std::string>& texts) {
  std::vector<char*> pointers;
  for (auto& text : texts) pointers.push_back(text.data());
  pointers.push_back(nullptr);
  return pointers;
}

// Splits a stream into pieces at any of `breaks`, keeping an unfinished piece.
class LineSplitter {
 public:
  LineSplitter(ChildStream stream, const ChildProcessRequest& request) : stream_(stream), request_(request) {}

  void Feed(const char* data, size_t size) {
    for (size_t i = 0; i < size; ++i) {
      if (request_.lineBreaks.find(data[i]) != std::string::npos) {
        Emit();
      } else {
        pending_.push_back(data[i]);
      }
    }
  }
  void Finish() { Emit(); }

 private:
  void Emit() {
    if (!pending_.empty() && request_.onLine) request_.onLine(stream_, pending_);
    pending_.clear();
  }

  ChildStream stream_;
  const ChildProcessRequest& request_;
  std::string pending_;
};

void WriteAll(int fd, const std::string& text) {
  size_t written = 0;
  while (written < text.size()) {
    ssize_t n = write(fd, text.data() + written, text.size() - written);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return;  // the child closed its stdin: it does not want the rest
    written += static_cast<size_t>(n);
  }
}

// A child that has already gone must give EPIPE, not end this process: SIGPIPE is
// blocked on this thread only while writing and a pending one is swallowed.
void WriteStdin(int fd, const std::string& text) {
  if (text.empty()) return;
  sigset_t pipeSignal, previousMask;
  sigemptyset(&pipeSignal);
  sigaddset(&pipeSignal, SIGPIPE);
  pthread_sigmask(SIG_BLOCK, &pipeSignal, &previousMask);
  WriteAll(fd, text);
  timespec noWait{0, 0};
  while (sigtimedwait(&pipeSignal, nullptr, &noWait) == SIGPIPE) {
  }
  pthread_sigmask(SIG_SETMASK, &previousMask, nullptr);
}

}  // namespace

ChildProcessResult RunChildProcess(const ChildProcessRequest& request) {
  ChildProcessResult result;
  if (request.program.empty() || request.argv.empty()) return result;

  Pipe in, out, err;
  if (!in.Open() || !out.Open() || !err.Open()) return result;

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, in.readEnd, STDIN_FILENO);
  posix_spawn_file_actions_adddup2(&actions, out.writeEnd, STDOUT_FILENO);
  posix_spawn_file_actions_adddup2(&actions, err.writeEnd, STDERR_FILENO);
  if (!request.workingDirectory.empty()) {
    posix_spawn_file_actions_addchdir_np(&actions, request.workingDirectory.c_str());
  }

  std::vector<std::string> argvTexts = request.argv;
  std::vector<std::string> envTexts = BuildEnvironment(request);
  std::vector<char*> argvPointers = PointerVector(argvTexts);
  std::vector<char*> envPointers = PointerVector(envTexts);

  pid_t pid = -1;
  int spawnError = posix_spawn(&pid, request.program.c_str(), &actions, nullptr, argvPointers.data(),
                               envPointers.data());
  posix_spawn_file_actions_destroy(&actions);
  in.CloseRead();
  out.CloseWrite();
  err.CloseWrite();
  if (spawnError != 0) return result;

  WriteStdin(in.writeEnd, request.stdinText);
  in.CloseWrite();

  LineSplitter outLines(ChildStream::Out, request);
  LineSplitter errLines(ChildStream::Err, request);
  char buffer[65536];
  while (out.readEnd >= 0 || err.readEnd >= 0) {
    pollfd fds[2];
    nfds_t count = 0;
    if (out.readEnd >= 0) fds[count++] = {out.readEnd, POLLIN, 0};
    if (err.readEnd >= 0) fds[count++] = {err.readEnd, POLLIN, 0};
    if (poll(fds, count, -1) < 0) {
      if (errno == EINTR) continue;
      break;
    }
    for (nfds_t i = 0; i < count; ++i) {
      if (!(fds[i].revents & (POLLIN | POLLHUP | POLLERR))) continue;
      ssize_t n = read(fds[i].fd, buffer, sizeof(buffer));
      if (n < 0 && errno == EINTR) continue;
      bool isOut = fds[i].fd == out.readEnd;
      if (n <= 0) {
        if (isOut) {
          out.CloseRead();
        } else {
          err.CloseRead();
        }
        continue;
      }
      if (isOut && request.captureStdout) {
        result.stdoutBytes.append(buffer, static_cast<size_t>(n));
      } else {
        (isOut ? outLines : errLines).Feed(buffer, static_cast<size_t>(n));
      }
    }
  }
  outLines.Finish();
  errLines.Finish();

  int status = 0;
  while (waitpid(pid, &status, 0) < 0) {
    if (errno != EINTR) return result;
  }
  if (WIFEXITED(status)) {
    result.outcome = ChildOutcome::Exited;
    result.exitCode = WEXITSTATUS(status);
  } else if (WIFSIGNALED(status)) {
    result.outcome = ChildOutcome::Signalled;
    result.signal = WTERMSIG(status);
  }
  return result;
}

}  // namespace platform
