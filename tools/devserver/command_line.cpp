#include "tools/devserver/command_line.h"

#include <charconv>

namespace devserver {
namespace {

bool ParseBounded(const std::string& text, long long low, long long high, long long& value) {
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  return ec == std::errc() && end == text.data() + text.size() && value >= low && value <= high;
}

bool ParsePort(const std::string& text, int& port) {
  long long value = 0;
  if (!ParseBounded(text, 0, 65535, value)) return false;
  port = static_cast<int>(value);
  return true;
}

}  // namespace

const char* UsageText() {
  return "Usage: corvex-devserver [mirror options] [vendor options] [--control ADDR:PORT]\n"
         "                        [--max-seconds N] [--quiet]\n"
         "\n"
         "Local stand-in for the vendor's services, on loopback addresses.\n"
         "\n"
         "Mirror mode: every mirror of a scenario file serves one package.\n"
         "  --scenario FILE      mirror script (tests/scenarios/data/*.scenario); its\n"
         "                       [mirror N] sections listen on 127.0.0.(10+N), [cdn] on\n"
         "                       127.0.0.17 below /cdn.corvex.example\n"
         "  --package FILE       the package, served as /download/<file name> with byte\n"
         "                       ranges and HEAD; /flag.php gives the capacity text\n"
         "  --port N             port of every mirror (default 8700; 0 picks a free one)\n"
         "\n"
         "Vendor mode: the statistics and crash endpoints and the web pages.\n"
         "  --vendor ADDR:PORT   where they listen, e.g. 127.0.0.1:8610\n"
         "  --report-log FILE    received reports are appended here\n"
         "\n"
         "Common:\n"
         "  --control ADDR:PORT  a POST to /stop here ends the server (default\n"
         "                       127.0.0.1 on a free port)\n"
         "  --max-seconds N      end by itself after N seconds (default: never)\n"
         "  --quiet              do not print a line per request (and, once a package\n"
         "                       GET has ended, one with the bytes it sent)\n"
         "  --help               this text\n"
         "\n"
         "Once every listener is bound it prints one line:\n"
         "  corvex-devserver: ready mirror-port=N control=ADDR:PORT\n"
         "It ends on SIGINT, SIGTERM, a POST to /stop or --max-seconds.\n";
}

bool ParseHostPort(const std::string& text, HostPort& out) {
  const std::size_t colon = text.rfind(':');
  if (colon == std::string::npos || colon == 0) return false;
  HostPort parsed{text.substr(0, colon), 0};
  if (!ParsePort(text.substr(colon + 1), parsed.port)) return false;
  out = parsed;
  return true;
}

OptionsResult ParseOptions(int argc, char** argv) {
  Options options;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    auto value = [&](std::string& out) {
      if (i + 1 >= argc) return false;
      out = argv[++i];
      return true;
    };
    std::string text;
    if (arg == "--help" || arg == "-h") {
      options.help = true;
    } else if (arg == "--quiet") {
      options.quiet = true;
    } else if (arg == "--scenario") {
      if (!value(options.scenarioPath)) return {std::nullopt, "--scenario needs a file"};
    } else if (arg == "--package") {
      if (!value(options.packagePath)) return {std::nullopt, "--package needs a file"};
    } else if (arg == "--report-log") {
      if (!value(options.reportLogPath)) return {std::nullopt, "--report-log needs a file"};
    } else if (arg == "--port") {
      if (!value(text) || !ParsePort(text, options.mirrorPort))
        return {std::nullopt, "--port needs a number from 0 to 65535"};
    } else if (arg == "--vendor") {
      HostPort vendor;
      if (!value(text) || !ParseHostPort(text, vendor))
        return {std::nullopt, "--vendor needs ADDR:PORT, e.g. 127.0.0.1:8610"};
      options.vendor = vendor;
    } else if (arg == "--control") {
      if (!value(text) || !ParseHostPort(text, options.control))
        return {std::nullopt, "--control needs ADDR:PORT, e.g. 127.0.0.1:0"};
    } else if (arg == "--max-seconds") {
      long long seconds = 0;
      if (!value(text) || !ParseBounded(text, 0, 86400 * 7, seconds)) {
        return {std::nullopt, "--max-seconds needs a number of seconds (at most a week)"};
      }
      options.maxSeconds = static_cast<std::uint32_t>(seconds);
    } else {
      return {std::nullopt, "unknown option '" + arg + "'"};
    }
  }
  if (options.help) return {options, {}};
  if (options.scenarioPath.empty() != options.packagePath.empty()) {
    return {std::nullopt, "mirror mode needs both --scenario and --package"};
  }
  if (options.vendor.has_value() && options.reportLogPath.empty()) {
    return {std::nullopt, "vendor mode needs --report-log FILE"};
  }
  if (options.scenarioPath.empty() && !options.vendor.has_value()) {
    return {std::nullopt, "nothing to serve: give --scenario and --package, or --vendor and --report-log"};
  }
  return {options, {}};
}

}  // namespace devserver
