#include "tests/common/devserver_process.h"

#include <cjson/cJSON.h>
#include <httplib.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "platform/child_process.h"

namespace testing_support {
namespace {

// The value of " key=VALUE" in `line`, up to the next blank; empty when absent.
std::string FieldOf(const std::string& line, const std::string& key) {
  const std::size_t at = line.find(" " + key + "=");
  if (at == std::string::npos) return {};
  const std::size_t start = at + key.size() + 2;
  return line.substr(start, line.find(' ', start) - start);
}

std::string Text(const cJSON* item) {
  return cJSON_IsString(item) && item->valuestring != nullptr ? item->valuestring : "";
}

}  // namespace

std::vector<std::string> LoggedReport::Names() const {
  std::vector<std::string> names;
  for (const LoggedPart& part : parts) names.push_back(part.name);
  return names;
}

std::string DevserverProgram() { return CORVEX_DEVSERVER_PATH; }

DevserverProcess::~DevserverProcess() { Stop(); }

bool DevserverProcess::Start(const std::string& program, const std::vector<std::string>& arguments, int readySeconds) {
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

bool DevserverProcess::StartMirrors(const std::string& scenario, const std::string& packagePath,
                                    const std::vector<std::string>& more) {
  const devserver::ParseResult parsed = devserver::ParseScenario(scenario);
  if (!parsed.scenario) {
    lines_.push_back("(bad scenario: " + parsed.error + ")");
    return false;
  }
  mirrors_ = parsed.scenario->mirrors;
  packageName_ = std::filesystem::path(packagePath).filename().string();
  const std::string scenarioPath = packagePath + ".scenario";
  std::ofstream(scenarioPath) << scenario;
  std::vector<std::string> arguments = {"--scenario", scenarioPath, "--package",     packagePath,
                                        "--port",     "0",          "--max-seconds", "600"};
  arguments.insert(arguments.end(), more.begin(), more.end());
  return Start(DevserverProgram(), arguments);
}

bool DevserverProcess::StartVendor(const std::string& reportLog) {
  reportLog_ = reportLog;
  return Start(DevserverProgram(),
               {"--vendor", "127.0.0.1:0", "--report-log", reportLog, "--quiet", "--max-seconds", "300"});
}

void DevserverProcess::OnLine(const std::string& line) {
  std::lock_guard<std::mutex> lock(mutex_);
  lines_.push_back(line);
  if (ready_ || line.rfind("corvex-devserver: ready", 0) != 0) return;
  mirrorPort_ = std::atoi(FieldOf(line, "mirror-port").c_str());
  vendor_ = FieldOf(line, "vendor");
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

bool DevserverProcess::Ready() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return ready_ && !ended_;
}

std::string DevserverProcess::MirrorBase(std::size_t mirror) const {
  const devserver::MirrorScript& script = mirrors_.at(mirror);
  return "http://" + script.address + ":" + std::to_string(mirrorPort_) + script.pathPrefix;
}

std::string DevserverProcess::MirrorUrl(std::size_t mirror) const {
  return devserver::MirrorUrl(mirrors_.at(mirror), mirrorPort_, packageName_);
}

int DevserverProcess::PackageRequests(std::size_t mirror, const std::string& method) const {
  const devserver::MirrorScript& script = mirrors_.at(mirror);
  // "mirror 2 127.0.0.12 GET /download/x.exe (bytes=0-9) -> 206"
  const std::string request =
      script.label + " " + script.address + " " + method + " " + script.pathPrefix + "/download/" + packageName_ + " ";
  std::lock_guard<std::mutex> lock(mutex_);
  int count = 0;
  for (const std::string& line : lines_) count += line.rfind(request, 0) == 0;
  return count;
}

std::vector<LoggedReport> DevserverProcess::Reports() const {
  std::vector<LoggedReport> reports;
  std::ifstream in(reportLog_);
  for (std::string line; std::getline(in, line);) {
    cJSON* root = cJSON_Parse(line.c_str());
    if (root == nullptr) continue;
    LoggedReport report;
    report.path = Text(cJSON_GetObjectItem(root, "path"));
    const cJSON* item = nullptr;
    cJSON_ArrayForEach(item, cJSON_GetObjectItem(root, "parts")) {
      LoggedPart part;
      part.name = Text(cJSON_GetObjectItem(item, "name"));
      part.value = Text(cJSON_GetObjectItem(item, "value"));
      const cJSON* fileName = cJSON_GetObjectItem(item, "filename");
      part.isFile = fileName != nullptr;
      part.fileName = Text(fileName);
      const cJSON* size = cJSON_GetObjectItem(item, "size");
      if (cJSON_IsNumber(size)) part.size = static_cast<long>(size->valuedouble);
      report.parts.push_back(part);
    }
    reports.push_back(report);
    cJSON_Delete(root);
  }
  return reports;
}

std::string DevserverProcess::Output() const {
  std::lock_guard<std::mutex> lock(mutex_);
  std::string text;
  for (const std::string& line : lines_) text += line + "\n";
  return text;
}

}  // namespace testing_support
