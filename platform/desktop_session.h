// Whether the desktop user's graphical session can be reached from this process.
#pragma once

#include <string>

namespace platform {

// DISPLAY names an X server that accepts a connection, or WAYLAND_DISPLAY names a
// compositor socket that does. No toolkit is involved.
bool IsDisplayReachable();

// "[host]:number[.screen]"; an empty host or "unix" means the local socket.
struct XDisplayAddress {
  std::string host;
  int number = -1;
};
bool ParseXDisplay(const std::string& display, XDisplayAddress& out);

bool CanConnectToXDisplay(const std::string& display);
// `name` is a socket path or a name inside XDG_RUNTIME_DIR (or, for root, the
// desktop user's /run/user/UID).
bool CanConnectToWaylandDisplay(const std::string& name);

}  // namespace platform
