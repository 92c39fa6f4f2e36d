// A real X server for a test, on a display number of its own choosing.
#pragma once

#include <signal.h>
#include <unistd.h>

#include <cstring>
#include <memory>
#include <string>

#include "platform/process.h"
#include "platform/process_launch.h"

namespace testing_support {

// A real X server on a display number of its own choosing, which it names on stdout.
class XServer {
 public:
  XServer() {
    platform::LaunchOptions options;
    options.program = "Xvfb";
    options.arguments = {"Xvfb", "-displayfd", "1", "-noreset", "-nolisten", "tcp", "-screen", "0", "64x64x24"};
    options.captureOutput = true;
    int error = 0;
    if (!platform::Launch(options, child_, error)) return;
    server_ = std::make_unique<platform::Process>(child_.pid);
    char buffer[16] = {};
    const ssize_t n = ::read(child_.output, buffer, sizeof buffer - 1);
    if (n > 0) display_ = ":" + std::string(buffer, std::strcspn(buffer, "\n"));
  }
  ~XServer() {
    if (server_) {
      ::kill(server_->Id(), SIGTERM);
      server_->Wait(-1);
    }
    // Kept open until here: the server writes to them again when it shuts down.
    for (int fd : {child_.input, child_.output, child_.errorOutput}) {
      if (fd >= 0) ::close(fd);
    }
  }
  const std::string& display() const { return display_; }

 private:
  platform::LaunchedChild child_;
  std::unique_ptr<platform::Process> server_;
  std::string display_;
};

}  // namespace testing_support
