// A TCP port that nobody listens on right now, for a server a test starts itself.
// Another process may take it before the server binds it; callers retry then.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstring>
#include <string>

namespace testing_support {

// 0 when no port could be found.
inline int FindFreePort(const std::string& address = "127.0.0.1") {
  const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  if (fd < 0) return 0;
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_port = 0;
  if (::inet_pton(AF_INET, address.c_str(), &addr.sin_addr) != 1 ||
      ::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof(addr)) != 0) {
    ::close(fd);
    return 0;
  }
  socklen_t length = sizeof(addr);
  const int ok = ::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &length);
  ::close(fd);
  return ok == 0 ? ntohs(addr.sin_port) : 0;
}

}  // namespace testing_support
