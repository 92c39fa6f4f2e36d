#include "platform/desktop_session.h"

#include <fcntl.h>
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <cstdlib>
#include <cstring>

#include "platform/known_folders.h"
#include "platform/path.h"

namespace platform {

namespace {

constexpr int kConnectTimeoutMs = 1000;

bool ConnectUnix(const std::string& path, bool abstract) {
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  const size_t offset = abstract ? 1 : 0;
  if (path.size() + offset >= sizeof address.sun_path) return false;
  std::memcpy(address.sun_path + offset, path.data(), path.size());
  const socklen_t length =
      static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + offset + path.size() + (abstract ? 0 : 1));
  const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return false;
  const bool ok = ::connect(fd, reinterpret_cast<const sockaddr*>(&address), length) == 0;
  ::close(fd);
  return ok;
}

bool ConnectTcp(const std::string& host, int port) {
  addrinfo hints{};
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* list = nullptr;
  if (::getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &list) != 0) return false;
  bool ok = false;
  for (addrinfo* ai = list; ai && !ok; ai = ai->ai_next) {
    const int fd = ::socket(ai->ai_family, ai->ai_socktype | SOCK_CLOEXEC | SOCK_NONBLOCK, ai->ai_protocol);
    if (fd < 0) continue;
    if (::connect(fd, ai->ai_addr, ai->ai_addrlen) == 0) {
      ok = true;
    } else if (errno == EINPROGRESS) {
      pollfd p{fd, POLLOUT, 0};
      int error = 0;
      socklen_t size = sizeof error;
      ok = ::poll(&p, 1, kConnectTimeoutMs) == 1 && ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &size) == 0 &&
           error == 0;
    }
    ::close(fd);
  }
  ::freeaddrinfo(list);
  return ok;
}

std::string Env(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

}  // namespace

bool ParseXDisplay(const std::string& display, XDisplayAddress& out) {
  const size_t colon = display.rfind(':');
  if (colon == std::string::npos || colon + 1 >= display.size()) return false;
  std::string number = display.substr(colon + 1);
  const size_t dot = number.find('.');
  if (dot != std::string::npos) number.resize(dot);
  if (number.empty() || number.find_first_not_of("0123456789") != std::string::npos || number.size() > 6) return false;
  out.host = display.substr(0, colon);
  out.number = std::atoi(number.c_str());
  return true;
}

bool CanConnectToXDisplay(const std::string& display) {
  XDisplayAddress address;
  if (!ParseXDisplay(display, address)) return false;
  if (address.host.empty() || address.host == "unix") {
    const std::string socket = "/tmp/.X11-unix/X" + std::to_string(address.number);
    return ConnectUnix(socket, /*abstract=*/true) || ConnectUnix(socket, /*abstract=*/false);
  }
  return ConnectTcp(address.host, 6000 + address.number);
}

bool CanConnectToWaylandDisplay(const std::string& name) {
  if (name.empty()) return false;
  if (name[0] == '/') return ConnectUnix(name, false);
  std::string runtime = Env("XDG_RUNTIME_DIR");
  if (runtime.empty()) runtime = "/run/user/" + std::to_string(ResolveDesktopUser().uid);
  return ConnectUnix(PathJoin(runtime, name), false);
}

bool IsDisplayReachable() {
  const std::string x = Env("DISPLAY");
  if (!x.empty() && CanConnectToXDisplay(x)) return true;
  const std::string wayland = Env("WAYLAND_DISPLAY");
  return !wayland.empty() && CanConnectToWaylandDisplay(wayland);
}

}  // namespace platform
