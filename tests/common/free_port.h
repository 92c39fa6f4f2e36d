// Ports for the servers that tests start and for connections that must be refused.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <string>

namespace testing_support {

// A port of `address` that refuses connections for as long as the object lives: it is
// bound but never listened on, so no other process can take it meanwhile. Port 0 when
// none could be had.
class RefusingPort {
 public:
  explicit RefusingPort(const std::string& address = "127.0.0.1") {
    fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    socklen_t length = sizeof(addr);
    if (fd_ >= 0 && ::inet_pton(AF_INET, address.c_str(), &addr.sin_addr) == 1 &&
        ::bind(fd_, reinterpret_cast<sockaddr*>(&addr), sizeof(addr)) == 0 &&
        ::getsockname(fd_, reinterpret_cast<sockaddr*>(&addr), &length) == 0) {
      port_ = ntohs(addr.sin_port);
    }
  }
  ~RefusingPort() {
    if (fd_ >= 0) ::close(fd_);
  }
  RefusingPort(const RefusingPort&) = delete;
  RefusingPort& operator=(const RefusingPort&) = delete;

  int port() const { return port_; }

 private:
  int fd_ = -1;
  int port_ = 0;
};

// A port that nobody listens on right now, for a server that cannot bind port 0 and
// name its port. Another process may take it before the server binds it: callers
// retry then. 0 when no port could be found.
inline int FindFreePort(const std::string& address = "127.0.0.1") { return RefusingPort(address).port(); }

}  // namespace testing_support
