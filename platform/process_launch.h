// The one place that starts programs: every other launcher in platform/ fills in
// LaunchOptions and calls Launch.
#pragma once

#include <sys/types.h>

#include <optional>
#include <string>
#include <vector>

#include "platform/known_folders.h"

namespace platform {

// What to start and how; the launchers' callers fill this in.
struct ProcessStart {
  std::string program;                 // path or a name looked up on PATH
  std::vector<std::string> arguments;  // the new program's argv, argv[0] included
  std::string directory;               // working folder; empty keeps ours
  // Run as this user: the user's supplementary groups, gid and uid, HOME, USER and
  // LOGNAME; the display, session and locale variables are kept, the rest dropped.
  std::optional<DesktopUser> runAs;
  // Extra "NAME=value" entries added to (or replacing in) the child's environment.
  std::vector<std::string> environment;
  // Output and error output go to /dev/null (tools whose complaints mean nothing to us).
  bool discardOutput = false;
  // A FileConfinement descriptor (platform/landlock.h) the child enforces on itself
  // before exec; -1 runs it unconfined. A refused ruleset is a failed start.
  int confinement = -1;
};

struct LaunchOptions : ProcessStart {
  // stdin, stdout and stderr become pipes handed back in LaunchedChild (discardOutput
  // is then of no account).
  bool captureOutput = false;
  // In its own session and adopted by init: no pid comes back and nothing is to be reaped.
  bool detach = false;
  // The child's stdin and stdout both become this descriptor: a socket it talks over.
  int stdioChannel = -1;
  // Handed to the child as its descriptor 3: a socket its parent serves.
  int inheritedChannel = -1;
};

// What a successful Launch hands over; the caller owns (reaps, closes) all of it.
struct LaunchedChild {
  pid_t pid = -1;        // -1 when detached
  int input = -1;        // with captureOutput: the child's stdin, ...
  int output = -1;       // ... its stdout ...
  int errorOutput = -1;  // ... and its stderr; all close-on-exec
};

// True once the program runs; else false with the errno of the failed step in `error`.
bool Launch(const LaunchOptions& options, LaunchedChild& child, int& error);

}  // namespace platform
