// corvex-devserver in vendor mode on a free loopback port, for the length of a test.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cjson/cJSON.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace testing_support {

// A loopback port that refuses connections for as long as the object lives: it is
// bound but never listened on, so no other process can take it meanwhile.
class RefusingLoopbackPort {
 public:
  RefusingLoopbackPort() {
    fd_ = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address);
    socklen_t length = sizeof address;
    ::getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &length);
    port_ = ntohs(address.sin_port);
  }
  ~RefusingLoopbackPort() { ::close(fd_); }
  RefusingLoopbackPort(const RefusingLoopbackPort&) = delete;
  RefusingLoopbackPort& operator=(const RefusingLoopbackPort&) = delete;

  int port() const { return port_; }

 private:
  int fd_ = -1;
  int port_ = 0;
};

// One form part of a report as the devserver logged it.
struct LoggedPart {
  std::string name;
  std::string value;     // text parts
  std::string fileName;  // file parts
  long size = -1;        // file parts
  bool isFile = false;
};
struct LoggedReport {
  std::string path;
  std::vector<LoggedPart> parts;
  const LoggedPart* Find(const std::string& name) const {
    for (const LoggedPart& part : parts) {
      if (part.name == name) return &part;
    }
    return nullptr;
  }
  std::vector<std::string> Names() const {
    std::vector<std::string> names;
    for (const LoggedPart& part : parts) names.push_back(part.name);
    return names;
  }
};

class DevServerProcess {
 public:
  DevServerProcess(const std::string& program, const std::string& logPath) : logPath_(logPath) {
    int out[2];
    if (::pipe(out) != 0) return;
    // Port 0: the server picks a free port and names it in its ready line.
    const std::string vendor = "127.0.0.1:0";
    pid_ = ::fork();
    if (pid_ == 0) {
      ::dup2(out[1], STDOUT_FILENO);
      ::close(out[0]);
      ::close(out[1]);
      ::execl(program.c_str(), program.c_str(), "--vendor", vendor.c_str(), "--report-log", logPath.c_str(),
              "--quiet", "--max-seconds", "300", static_cast<char*>(nullptr));
      ::_exit(127);
    }
    ::close(out[1]);
    // Wait for the "ready" line.
    std::string seen;
    char c = 0;
    while (::read(out[0], &c, 1) == 1) {
      seen += c;
      if (c == '\n') {
        const std::size_t at = seen.find(" vendor=127.0.0.1:");
        if (seen.find("ready") != std::string::npos && at != std::string::npos) {
          port_ = std::atoi(seen.c_str() + at + std::strlen(" vendor=127.0.0.1:"));
          ready_ = port_ > 0;
          break;
        }
        seen.clear();
      }
    }
    ::close(out[0]);
  }
  ~DevServerProcess() {
    if (pid_ <= 0) return;
    ::kill(pid_, SIGTERM);
    int status = 0;
    ::waitpid(pid_, &status, 0);
  }
  DevServerProcess(const DevServerProcess&) = delete;
  DevServerProcess& operator=(const DevServerProcess&) = delete;

  bool ready() const { return ready_; }
  std::string base() const { return "http://127.0.0.1:" + std::to_string(port_); }

  std::vector<LoggedReport> Reports() const {
    std::vector<LoggedReport> reports;
    std::ifstream in(logPath_);
    std::string line;
    while (std::getline(in, line)) {
      cJSON* root = cJSON_Parse(line.c_str());
      if (root == nullptr) continue;
      LoggedReport report;
      report.path = Text(cJSON_GetObjectItem(root, "path"));
      const cJSON* parts = cJSON_GetObjectItem(root, "parts");
      const cJSON* item = nullptr;
      cJSON_ArrayForEach(item, parts) {
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

 private:
  static std::string Text(const cJSON* item) {
    return cJSON_IsString(item) && item->valuestring != nullptr ? item->valuestring : "";
  }

  std::string logPath_;
  int port_ = 0;
  pid_t pid_ = -1;
  bool ready_ = false;
};

}  // namespace testing_support
