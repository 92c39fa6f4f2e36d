// The devserver's command line.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace devserver {

struct HostPort {
  std::string host;
  int port = 0;
};

struct Options {
  std::string scenarioPath;  // mirror mode
  std::string packagePath;
  int mirrorPort = 8700;
  std::optional<HostPort> vendor;  // vendor mode
  std::string reportLogPath;
  HostPort control{"127.0.0.1", 0};
  std::uint32_t maxSeconds = 0;  // 0: no limit
  bool quiet = false;
  bool help = false;
};

struct OptionsResult {
  std::optional<Options> options;
  std::string error;
};

OptionsResult ParseOptions(int argc, char** argv);
const char* UsageText();
// "127.0.0.1:8610" -> host and port; false when the port is missing or not a number.
bool ParseHostPort(const std::string& text, HostPort& out);

}  // namespace devserver
