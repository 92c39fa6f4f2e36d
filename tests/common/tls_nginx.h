// nginx serving files over TLS on loopback addresses, for the length of a test, with
// certificates from a CA that the test makes with `openssl req` first. Each site
// keeps its own access log, so a test can tell which site saw which request.
#pragma once

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

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
    std::string servers;
    for (std::size_t i = 0; i < sites_.size(); ++i) {
      const TlsSite& site = sites_[i];
      const std::string name = "site" + std::to_string(i);
      const std::string certifiedAddress = site.certificate == TlsCertificate::WrongName ? "127.0.0.254" : site.address;
      const std::string issuer = site.certificate == TlsCertificate::Untrusted ? "other-ca" : "ca";
      if (!MakeLeaf(name, certifiedAddress, issuer)) return;
      ports_.push_back(FreePortOn(site.address));
      servers += "  server {\n    listen " + site.address + ":" + std::to_string(ports_.back()) + " ssl;\n" +
                 "    ssl_certificate " + folder_ + "/" + name + ".pem;\n" +
                 "    ssl_certificate_key " + folder_ + "/" + name + ".key;\n" +
                 "    access_log " + folder_ + "/" + name + ".access.log plain;\n" +
                 "    root " + folder_ + "/www;\n" +
                 "    location = /flag.php { return 200 \"1 ready\"; }\n" +
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
    Start();
  }

  ~TlsNginx() {
    if (pid_ <= 0) return;
    ::kill(pid_, SIGTERM);
    int status = 0;
    ::waitpid(pid_, &status, 0);
  }

  TlsNginx(const TlsNginx&) = delete;
  TlsNginx& operator=(const TlsNginx&) = delete;

  // Every site accepts connections. The error log says why not.
  bool Started() const { return started_; }
  std::string ErrorLog() const { return Read(folder_ + "/error.log") + Read(folder_ + "/nginx.out"); }
  std::string AccessLog(std::size_t site) const { return Read(folder_ + "/site" + std::to_string(site) + ".access.log"); }
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
  static std::string Read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }

  bool Run(const std::string& command) const {
    return std::system((command + " >>" + folder_ + "/openssl.out 2>&1").c_str()) == 0;
  }

  static constexpr const char kKey[] = "-newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes -days 2";

  bool MakeCa(const std::string& name) const {
    return Run(std::string("openssl req -x509 ") + kKey + " -keyout " + folder_ + "/" + name + ".key -out " + folder_ +
               "/" + name + ".pem -subj '/CN=Corvex test " + name + "'");
  }

  bool MakeLeaf(const std::string& name, const std::string& address, const std::string& issuer) const {
    return Run(std::string("openssl req -x509 ") + kKey + " -CA " + folder_ + "/" + issuer + ".pem -CAkey " + folder_ +
               "/" + issuer + ".key -keyout " + folder_ + "/" + name + ".key -out " + folder_ + "/" + name +
               ".pem -subj '/CN=" + address + "' -addext subjectAltName=IP:" + address +
               " -addext basicConstraints=critical,CA:FALSE");
  }

  static int FreePortOn(const std::string& address) {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in where{};
    where.sin_family = AF_INET;
    ::inet_pton(AF_INET, address.c_str(), &where.sin_addr);
    ::bind(fd, reinterpret_cast<sockaddr*>(&where), sizeof where);
    socklen_t length = sizeof where;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&where), &length);
    ::close(fd);
    return ntohs(where.sin_port);
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

  void Start() {
    const std::string output = folder_ + "/nginx.out";
    const std::string config = folder_ + "/nginx.conf";
    const std::string errors = folder_ + "/error.log";
    pid_ = ::fork();
    if (pid_ == 0) {
      const int out = ::open(output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
      ::dup2(out, STDOUT_FILENO);
      ::dup2(out, STDERR_FILENO);
      for (const char* nginx : {"/usr/sbin/nginx", "nginx"}) {
        ::execlp(nginx, "nginx", "-p", folder_.c_str(), "-c", config.c_str(), "-e", errors.c_str(),
                 static_cast<char*>(nullptr));
      }
      ::_exit(127);
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (pid_ > 0 && std::chrono::steady_clock::now() < deadline) {
      int status = 0;
      if (::waitpid(pid_, &status, WNOHANG) == pid_) {
        pid_ = -1;
        return;
      }
      bool all = true;
      for (std::size_t i = 0; i < sites_.size() && all; ++i) all = Accepts(sites_[i].address, ports_[i]);
      if (all) {
        started_ = true;
        return;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
  }

  std::string folder_;
  std::vector<TlsSite> sites_;
  std::vector<int> ports_;
  pid_t pid_ = -1;
  bool started_ = false;
};

}  // namespace testing_support
