#include "tests/scenarios/devserver_process.h"

#include <httplib.h>

#include <chrono>
#include <cstdlib>

#include "platform/child_process.h"

DevserverProcess::~DevserverProcess() { Stop(); }

bool DevserverProcess::Start(const std::string& program, const std::vector<std::string>& arguments,
                             int readySeconds) {
  platform::ChildProcessRequest request;
  request.program = program;
  request.argv.push_back(program);
  request.argv.insert(request.argv.end(), arguments.begin(), arguments.end());
  request.onLine = [this](platform::ChildStream, std::string_view line) { OnLine(std::string(line)); };
  watcher_ = std::thread([this, request] {
    platform::ChildProcessResult result = platform::RunChildProcess(request);
    std::lock_guard<std::mutex> lock(mutex_);
    if (result.outcome == platform::ChildOutcome::NotStarted) lines_.push_back("(devserver did not start)");
    ended_ = true;
    endedCleanly_ = result.outcome == platform::ChildOutcome::Exited && result.exitCode == 0;
    changed_.notify_all();
  });
  std::unique_lock<std::mutex> lock(mutex_);
  changed_.wait_for(lock, std::chrono::seconds(readySeconds), [this] { return ready_ || ended_; });
  return ready_ && !ended_;
}

namespace {

// The value of " key=VALUE" in `line`, up to the next blank; empty when absent.
std::string FieldOf(const std::string& line, const std::string& key) {
  const std::size_t at = line.find(" " + key + "=");
  if (at == std::string::npos) return {};
  const std::size_t start = at + key.size() + 2;
  return line.substr(start, line.find(' ', start) - start);
}

}  // namespace

void DevserverProcess::OnLine(const std::string& line) {
  std::lock_guard<std::mutex> lock(mutex_);
  lines_.push_back(line);
  if (ready_ || line.rfind("corvex-devserver: ready", 0) != 0) return;
  const std::string port = FieldOf(line, "mirror-port");
  if (!port.empty()) mirrorPort_ = std::atoi(port.c_str());
  control_ = FieldOf(line, "control");
  ready_ = true;
  changed_.notify_all();
}

void DevserverProcess::Stop() {
  if (!watcher_.joinable()) return;
  std::string control;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    control = ended_ ? std::string() : control_;
  }
  if (!control.empty()) {
    httplib::Client client("http://" + control);
    client.set_connection_timeout(2);
    client.Post("/stop", "", "text/plain");
  }
  watcher_.join();
}

bool DevserverProcess::EndedCleanly() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return ended_ && endedCleanly_;
}

std::string DevserverProcess::Output() const {
  std::lock_guard<std::mutex> lock(mutex_);
  std::string text;
  for (const std::string& line : lines_) text += line + "\n";
  return text;
}
