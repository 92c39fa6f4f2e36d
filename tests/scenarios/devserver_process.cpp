#include "tests/scenarios/devserver_process.h"

#include <httplib.h>

#include <chrono>
#include <regex>

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
    changed_.notify_all();
  });
  std::unique_lock<std::mutex> lock(mutex_);
  changed_.wait_for(lock, std::chrono::seconds(readySeconds), [this] { return ready_ || ended_; });
  return ready_ && !ended_;
}

void DevserverProcess::OnLine(const std::string& line) {
  static const std::regex readyLine(R"(corvex-devserver: ready(?: mirror-port=(\d+))?.* control=(\S+))");
  std::lock_guard<std::mutex> lock(mutex_);
  lines_.push_back(line);
  std::smatch match;
  if (!ready_ && std::regex_search(line, match, readyLine)) {
    if (match[1].matched) mirrorPort_ = std::stoi(match[1].str());
    control_ = match[2].str();
    ready_ = true;
    changed_.notify_all();
  }
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

std::string DevserverProcess::Output() const {
  std::lock_guard<std::mutex> lock(mutex_);
  std::string text;
  for (const std::string& line : lines_) text += line + "\n";
  return text;
}
