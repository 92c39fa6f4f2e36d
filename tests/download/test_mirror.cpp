#include "test_mirror.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <sstream>

namespace testing_support {

namespace {
constexpr std::size_t kPiece = 4096;

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
  return text;
}
}  // namespace

TestMirror::TestMirror(const std::string& address) : address_(address) {
  listenFd_ = ::socket(AF_INET, SOCK_STREAM, 0);
  int yes = 1;
  ::setsockopt(listenFd_, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof(yes));
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_port = 0;
  ::inet_pton(AF_INET, address.c_str(), &addr.sin_addr);
  if (::bind(listenFd_, reinterpret_cast<sockaddr*>(&addr), sizeof(addr)) != 0 || ::listen(listenFd_, 64) != 0) {
    ::close(listenFd_);
    listenFd_ = -1;
    return;
  }
  socklen_t length = sizeof(addr);
  ::getsockname(listenFd_, reinterpret_cast<sockaddr*>(&addr), &length);
  port_ = ntohs(addr.sin_port);
  acceptThread_ = std::thread([this] { AcceptLoop(); });
}

TestMirror::~TestMirror() {
  stopping_ = true;
  if (listenFd_ >= 0) ::shutdown(listenFd_, SHUT_RDWR);
  if (acceptThread_.joinable()) acceptThread_.join();
  if (listenFd_ >= 0) ::close(listenFd_);
  std::vector<std::thread> connections;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    for (int fd : openFds_) ::shutdown(fd, SHUT_RDWR);
    connections.swap(connections_);
  }
  for (auto& thread : connections) thread.join();
}

void TestMirror::Serve(const std::string& path, std::shared_ptr<const std::string> content) {
  std::lock_guard<std::mutex> lock(mutex_);
  files_[path] = std::move(content);
}

void TestMirror::SetFlagAnswer(const std::string& answer) {
  std::lock_guard<std::mutex> lock(mutex_);
  flagAnswer_ = answer;
}

void TestMirror::Redirect(const std::string& path, const std::string& location) {
  std::lock_guard<std::mutex> lock(mutex_);
  redirects_[path] = location;
}

void TestMirror::SetFaults(const MirrorFaults& faults) {
  std::lock_guard<std::mutex> lock(mutex_);
  faults_ = faults;
}

std::string TestMirror::Base() const { return "http://" + address_ + ":" + std::to_string(port_); }
std::string TestMirror::Url(const std::string& name) const { return Base() + "/download/" + name; }

int TestMirror::GetCount(const std::string& path) const {
  std::lock_guard<std::mutex> lock(mutex_);
  auto it = gets_.find(path);
  return it == gets_.end() ? 0 : it->second;
}

int TestMirror::HeadCount(const std::string& path) const {
  std::lock_guard<std::mutex> lock(mutex_);
  auto it = heads_.find(path);
  return it == heads_.end() ? 0 : it->second;
}

void TestMirror::AcceptLoop() {
  while (!stopping_) {
    const int fd = ::accept(listenFd_, nullptr, nullptr);
    if (fd < 0) {
      if (stopping_) return;
      continue;
    }
    std::lock_guard<std::mutex> lock(mutex_);
    openFds_.push_back(fd);
    connections_.emplace_back([this, fd] { Handle(fd); });
  }
}

bool TestMirror::SendAll(int fd, const char* data, std::size_t size) {
  while (size > 0) {
    const ssize_t sent = ::send(fd, data, size, MSG_NOSIGNAL);
    if (sent <= 0) return false;
    data += sent;
    size -= static_cast<std::size_t>(sent);
  }
  return true;
}

void TestMirror::Handle(int fd) {
  std::string request;
  char buffer[4096];
  while (request.find("\r\n\r\n") == std::string::npos && request.size() < 65536) {
    const ssize_t got = ::recv(fd, buffer, sizeof(buffer), 0);
    if (got <= 0) break;
    request.append(buffer, static_cast<std::size_t>(got));
  }
  std::istringstream lines(request);
  std::string method, path, version;
  lines >> method >> path >> version;
  std::string line;
  std::getline(lines, line);
  long rangeStart = -1, rangeEnd = -1;
  while (std::getline(lines, line) && line != "\r") {
    const std::string lower = Lower(line);
    if (lower.rfind("range: bytes=", 0) == 0) {
      std::sscanf(line.c_str() + 13, "%ld-%ld", &rangeStart, &rangeEnd);
    }
  }

  std::shared_ptr<const std::string> file;
  std::string flag;
  MirrorFaults faults;
  bool truncate = false;
  std::string redirect;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    auto it = files_.find(path);
    if (it != files_.end()) file = it->second;
    if (auto found = redirects_.find(path); found != redirects_.end()) redirect = found->second;
    flag = flagAnswer_;
    faults = faults_;
    if (method == "GET" && file) {
      const int count = ++gets_[path];
      truncate = path == faults.truncatePath && count <= faults.truncateFirstGets;
    }
    if (method == "HEAD") ++heads_[path];
  }

  std::string head;
  if (!redirect.empty()) {
    head = "HTTP/1.1 302 Found\r\nLocation: " + redirect + "\r\nContent-Length: 0\r\nConnection: close\r\n\r\n";
    SendAll(fd, head.data(), head.size());
  } else if (path == "/flag.php") {
    if (!faults.dropFlag) {
      head = "HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(flag.size()) + "\r\nConnection: close\r\n\r\n";
      SendAll(fd, head.data(), head.size()) && SendAll(fd, flag.data(), flag.size());
    }
  } else if (!file) {
    head = "HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\nConnection: close\r\n\r\n";
    SendAll(fd, head.data(), head.size());
  } else if (method == "HEAD") {
    head = "HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(file->size()) + "\r\nConnection: close\r\n\r\n";
    SendAll(fd, head.data(), head.size());
  } else {
    const long size = static_cast<long>(file->size());
    long first = 0, last = size - 1;
    bool partial = false;
    if (rangeStart >= 0 && rangeStart < size) {
      first = rangeStart;
      last = rangeEnd >= rangeStart ? std::min(rangeEnd, size - 1) : size - 1;
      partial = true;
    }
    const long sendLast = std::min(last + static_cast<long>(faults.extraBytes), size - 1);
    const long declared = sendLast - first + 1;
    if (partial) {
      head = "HTTP/1.1 206 Partial Content\r\nContent-Range: bytes " + std::to_string(first) + "-" +
             std::to_string(last) + "/" + std::to_string(size) + "\r\n";
    } else {
      head = "HTTP/1.1 200 OK\r\n";
    }
    head += "Content-Length: " + std::to_string(declared) + "\r\nConnection: close\r\n\r\n";
    if (SendAll(fd, head.data(), head.size())) {
      const long bodyLast = truncate ? first + declared / 2 : sendLast;
      for (long offset = first; offset <= bodyLast && !stopping_;) {
        const long end = std::min(offset + static_cast<long>(kPiece) - 1, bodyLast);
        std::string piece = file->substr(static_cast<std::size_t>(offset), static_cast<std::size_t>(end - offset + 1));
        if (faults.corruptOffset >= offset && faults.corruptOffset <= end) {
          piece[static_cast<std::size_t>(faults.corruptOffset - offset)] ^= 0x5A;
        }
        if (!SendAll(fd, piece.data(), piece.size())) break;
        offset = end + 1;
        if (faults.pieceDelayMs > 0) std::this_thread::sleep_for(std::chrono::milliseconds(faults.pieceDelayMs));
      }
    }
  }
  ::shutdown(fd, SHUT_RDWR);
  std::lock_guard<std::mutex> lock(mutex_);
  openFds_.erase(std::remove(openFds_.begin(), openFds_.end(), fd), openFds_.end());
  ::close(fd);
}

}  // namespace testing_support
