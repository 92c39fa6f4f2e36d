// product-stub: stands in for the main product (Corvex.exe, Corvex64.exe), the repair
// tool (VexRepair.exe) and the other helpers inside demo and test payloads.
//
// Every run appends one line to product-stub.log beside the executable: the name it
// was started under, then each argument, separated by tabs. Then it waits a little
// and exits with 0. A run with "/install" (the installer waits for it) or
// " --installmode" ends within a second; other runs after 300 ms.
// CORVEX_STUB_MS=<milliseconds> overrides the wait (a test may want a slow product).
// CORVEX_STUB_LOG=<file> logs there instead (a test whose run removes the stub's folder).

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/clock.h"
#include "platform/path.h"

namespace {

bool HasArgument(int argc, char** argv, const char* wanted) {
  for (int i = 1; i < argc; ++i) {
    if (std::strstr(argv[i], wanted) != nullptr) return true;
  }
  return false;
}

std::uint32_t WaitMs(int argc, char** argv) {
  if (const char* override = std::getenv("CORVEX_STUB_MS")) return static_cast<std::uint32_t>(std::atol(override));
  if (HasArgument(argc, argv, "/install") || HasArgument(argc, argv, "--installmode")) return 800;
  return 300;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 2 && std::strcmp(argv[1], "--help") == 0) {
    std::puts("product-stub: logs its name and arguments to product-stub.log beside it, then exits.");
    return 0;
  }
  std::string self = platform::GetModuleFileName();
  std::string folder = self;
  platform::PathRemoveFileSpec(folder);
  const char* logOverride = std::getenv("CORVEX_STUB_LOG");
  std::string logPath = logOverride && *logOverride ? logOverride : platform::PathJoin(folder, "product-stub.log");
  if (FILE* log = std::fopen(logPath.c_str(), "a")) {
    std::string line = platform::PathFileName(self);
    for (int i = 1; i < argc; ++i) line += std::string("\t") + argv[i];
    std::fprintf(log, "%s\n", line.c_str());
    std::fclose(log);
  }
  platform::SleepMs(WaitMs(argc, argv));
  return 0;
}
