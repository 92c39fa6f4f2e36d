#include "platform/child_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>
#include <cerrno>

#include <cstring>
#include <ctime>

#include "platform/process_launch.h"

namespace platform {
namespace {

// One of the child's pipe ends, ours to close.
struct OwnedFd {
  int fd = -1;
  void Close() {
    if (fd >= 0) close(fd);
    fd = -1;
  }
  ~OwnedFd() { Close(); }
};

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

// How long a cancelled run may go on before the child is killed.
constexpr int kCancelPollMs = 50;

}  // namespace

ChildProcessResult RunChildProcess(const ChildProcessRequest& request) {
  ChildProcessResult result;
  if (request.program.empty() || request.argv.empty()) return result;
  if (request.cancel && request.cancel->load()) {
    result.cancelled = true;
    return result;
  }

  LaunchOptions options;
  options.program = request.program;
  options.arguments = request.argv;
  options.directory = request.workingDirectory;
  for (const auto& [name, value] : request.extraEnv) options.environment.push_back(name + "=" + value);
  options.captureOutput = true;
  options.confinement = request.confinement;
  LaunchedChild child;
  int error = 0;
  if (!Launch(options, child, error)) return result;
  const pid_t pid = child.pid;
  OwnedFd in{child.input}, out{child.output}, err{child.errorOutput};

  WriteStdin(in.fd, request.stdinText);
  in.Close();

  LineSplitter outLines(ChildStream::Out, request);
  LineSplitter errLines(ChildStream::Err, request);
  char buffer[65536];
  while (out.fd >= 0 || err.fd >= 0) {
    pollfd fds[2];
    nfds_t count = 0;
    if (out.fd >= 0) fds[count++] = {out.fd, POLLIN, 0};
    if (err.fd >= 0) fds[count++] = {err.fd, POLLIN, 0};
    // With a cancel flag the wait wakes now and then to look at it.
    const int ready = poll(fds, count, request.cancel ? kCancelPollMs : -1);
    if (ready < 0) {
      if (errno == EINTR) continue;
      break;
    }
    if (request.cancel && !result.cancelled && request.cancel->load()) {
      // Its pipes close when it dies; the loop then ends by itself.
      result.cancelled = true;
      kill(pid, SIGKILL);
    }
    for (nfds_t i = 0; i < count; ++i) {
      if (!(fds[i].revents & (POLLIN | POLLHUP | POLLERR))) continue;
      ssize_t n = read(fds[i].fd, buffer, sizeof(buffer));
      if (n < 0 && errno == EINTR) continue;
      bool isOut = fds[i].fd == out.fd;
      if (n <= 0) {
        if (isOut) {
          out.Close();
        } else {
          err.Close();
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
