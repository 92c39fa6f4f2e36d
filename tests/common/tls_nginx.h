// nginx serving files over TLS on loopback addresses, for the length of a test, with
// certificates from a CA that the test makes with `openssl req` first. Each site
// keeps its own access log, so a test can tell which site saw which request.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/process.h"
#include "tests/common/free_port.h"

namespace testing_support {

enum class TlsCertificate {
  Trusted,    // issued by the test CA for the site's address
  WrongName,  // issued by the test CA, for another address
  Untrusted,  // issued for the site's address by a CA nobody trusts
};

struct TlsSite {
  std::string address;  // 127.x.y.z
  TlsCertificate certificate = TlsCertificate::Trusted;
};

class TlsNginx {
 public:
  // `folder` must exist and belong to the test. `documents`: URL path -> content.
  // Every site also answers "/flag.php" with "1 ready" and any "/api/" request with "ok".
  TlsNginx(const std::string& folder, std::vector<TlsSite> sites, const std::map<std::string, std::string>& documents)
      : folder_(folder), sites_(std::move(sites)) {
    namespace fs = std::filesystem;
    fs::create_directories(folder_ + "/www");
    fs::create_directories(folder_ + "/tmp");
    for (const auto& [path, content] : documents) {
      const fs::path file = folder_ + "/www" + path;
      fs::create_directories(file.parent_path());
      std::ofstream(file, std::ios::binary) << content;
    }
    if (!MakeCa("ca") || !MakeCa("other-ca")) return;
    for (std::size_t i = 0; i < sites_.size(); ++i) {
      const TlsSite& site = sites_[i];
      const std::string certifiedAddress = site.certificate == TlsCertificate::WrongName ? "127.0.0.254" : site.address;
      const std::string issuer = site.certificate == TlsCertificate::Untrusted ? "other-ca" : "ca";
      if (!MakeLeaf("site" + std::to_string(i), certifiedAddress, issuer)) return;
    }
    // nginx cannot listen on port 0 and name the port: free ports are picked, and picked
    // again when another process took one first.
    for (int attempt = 0; attempt < 5; ++attempt) {
      WriteConfig();
      if (!StartEndedEarly()) break;
    }
  }

  ~TlsNginx() { Stop(); }

  TlsNginx(const TlsNginx&) = delete;
  TlsNginx& operator=(const TlsNginx&) = delete;

  // Every site accepts connections. The error log says why not.
  bool Started() const { return started_; }
  std::string ErrorLog() const { return Read(folder_ + "/error.log"); }
  std::string AccessLog(std::size_t site) const {
    return Read(folder_ + "/site" + std::to_string(site) + ".access.log");
  }
  std::string CaFile() const { return folder_ + "/ca.pem"; }
  std::string Base(std::size_t site) const {
    return "https://" + sites_[site].address + ":" + std::to_string(ports_[site]);
  }
  // Requests the site answered with `method` on `path`. nginx logs a request just
  // after its answer, so the log is read once it stopped changing.
  int Requests(std::size_t site, const std::string& method, const std::string& path) const {
    std::string text = AccessLog(site);
    for (int round = 0; round < 40; ++round) {
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
      std::string again = AccessLog(site);
      if (again == text) break;
      text = std::move(again);
    }
    std::istringstream log(text);
    int count = 0;
    for (std::string line; std::getline(log, line);) {
      if (line.rfind(method + " " + path + " ", 0) == 0) ++count;
    }
    return count;
  }

 private:
  void WriteConfig() {
    ports_.clear();
    std::string servers;
    for (std::size_t i = 0; i < sites_.size(); ++i) {
      const TlsSite& site = sites_[i];
      const std::string name = "site" + std::to_string(i);
      ports_.push_back(FindFreePort(site.address));
      servers += "  server {\n    listen " + site.address + ":" + std::to_string(ports_.back()) + " ssl;\n" +
                 "    ssl_certificate " + folder_ + "/" + name + ".pem;\n" + "    ssl_certificate_key " + folder_ +
                 "/" + name + ".key;\n" + "    access_log " + folder_ + "/" + name + ".access.log plain;\n" +
                 "    root " + folder_ + "/www;\n" + "    location = /flag.php { return 200 \"1 ready\"; }\n" +
                 "    location /api/ { return 200 \"ok\"; }\n  }\n";
    }
    std::ofstream(folder_ + "/nginx.conf")
        << "daemon off;\nmaster_process off;\nworker_processes 1;\n"
        << "pid " << folder_ << "/nginx.pid;\nerror_log " << folder_ << "/error.log warn;\n"
        << "events { worker_connections 128; }\nhttp {\n  default_type application/octet-stream;\n"
        << "  log_format plain '$request_method $uri $status';\n"
        << "  client_body_temp_path " << folder_ << "/tmp/body;\n  proxy_temp_path " << folder_ << "/tmp/proxy;\n"
        << "  fastcgi_temp_path " << folder_ << "/tmp/fastcgi;\n  uwsgi_temp_path " << folder_ << "/tmp/uwsgi;\n"
        << "  scgi_temp_path " << folder_ << "/tmp/scgi;\n"
        << servers << "}\n";
  }

  static std::string Read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }

  // `openssl req -x509` with a fresh P-256 key, `name`.key and `name`.pem in the folder.
  bool MakeCertificate(const std::string& name, const std::string& subject, std::vector<std::string> more) const {
    platform::ProcessStart start;
    start.program = "openssl";
    start.arguments = {"openssl",
                       "req",
                       "-x509",
                       "-newkey",
                       "ec",
                       "-pkeyopt",
                       "ec_paramgen_curve:prime256v1",
                       "-nodes",
                       "-days",
                       "2",
                       "-keyout",
                       folder_ + "/" + name + ".key",
                       "-out",
                       folder_ + "/" + name + ".pem",
                       "-subj",
                       subject};
    start.arguments.insert(start.arguments.end(), more.begin(), more.end());
    start.discardOutput = true;
    return platform::RunAndWait(start, 60000) == 0;
  }

  bool MakeCa(const std::string& name) const { return MakeCertificate(name, "/CN=Corvex test " + name, {}); }

  bool MakeLeaf(const std::string& name, const std::string& address, const std::string& issuer) const {
    return MakeCertificate(
        name, "/CN=" + address,
        {"-CA", folder_ + "/" + issuer + ".pem", "-CAkey", folder_ + "/" + issuer + ".key", "-addext",
         "subjectAltName=IP:" + address, "-addext", "basicConstraints=critical,CA:FALSE"});
  }

  static bool Accepts(const std::string& address, int port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in where{};
    where.sin_family = AF_INET;
    where.sin_port = htons(static_cast<std::uint16_t>(port));
    ::inet_pton(AF_INET, address.c_str(), &where.sin_addr);
    const bool connected = ::connect(fd, reinterpret_cast<sockaddr*>(&where), sizeof where) == 0;
    ::close(fd);
    return connected;
  }

  void Stop() {
    if (!nginx_) return;
    ::kill(nginx_->Id(), SIGTERM);
    if (nginx_->Wait(10000) != platform::WaitResult::Exited) nginx_->Terminate();
    nginx_->Wait(-1);
    nginx_.reset();
  }

  // Starts nginx and waits until every site accepts. True when it ended first, as it
  // does when a port was taken.
  bool StartEndedEarly() {
    platform::ProcessStart start;
    start.program = platform::FindProgram("/usr/sbin/nginx").empty() ? "nginx" : "/usr/sbin/nginx";
    // Its complaints land in the error log (-e) as well.
    start.arguments = {"nginx", "-p", folder_, "-c", folder_ + "/nginx.conf", "-e", folder_ + "/error.log"};
    start.discardOutput = true;
    nginx_ = platform::StartProcess(start);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (nginx_ && std::chrono::steady_clock::now() < deadline) {
      if (nginx_->ExitCode()) {
        nginx_.reset();
        return true;
      }
      bool all = true;
      for (std::size_t i = 0; i < sites_.size() && all; ++i) all = Accepts(sites_[i].address, ports_[i]);
      if (all) {
        started_ = true;
        return false;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    Stop();
    return false;
  }

  std::string folder_;
  std::vector<TlsSite> sites_;
  std::vector<int> ports_;
  std::unique_ptr<platform::Process> nginx_;
  bool started_ = false;
};

}  // namespace testing_support
