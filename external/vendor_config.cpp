#include "external/vendor_config.h"

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>

#include "platform/known_folders.h"

#include "vendor_config_text.h"  // generated: kVendorConfigText

VendorConfig ParseVendorConfig(const std::string& text) {
  VendorConfig config;
  std::istringstream lines(text);
  std::string line;
  while (std::getline(lines, line)) {
    if (line.empty() || line[0] == '#') continue;
    const auto eq = line.find('=');
    if (eq == std::string::npos) continue;
    const std::string key = line.substr(0, eq);
    std::string value = line.substr(eq + 1);
    while (!value.empty() && (value.back() == '\r' || value.back() == ' ')) value.pop_back();
    if (key == "web_site")
      config.webSite = value;
    else if (key == "statistics_host")
      config.statisticsHost = value;
    else if (key == "crash_host")
      config.crashHost = value;
    else if (key == "cdn_domain_marker")
      config.cdnDomainMarker = value;
    else if (key == "user_record_key")
      config.userRecordKey = value;
    else if (key == "user_record_value")
      config.userRecordValue = value;
  }
  return config;
}

namespace {

// Inside a sandbox root a test may point the installer at its own endpoints: the keys
// of the file named by CORVEX_VENDOR_CONFIG replace the compiled-in ones.
std::string SandboxOverrideText() {
  const char* path = std::getenv("CORVEX_VENDOR_CONFIG");
  if (!path || !*path || !platform::InSandboxRoot()) return {};
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace

const VendorConfig& GetVendorConfig() {
  static const VendorConfig config = ParseVendorConfig(std::string(kVendorConfigText) + "\n" + SandboxOverrideText());
  return config;
}

std::string HostNameOf(const std::string& url) {
  std::string host = url;
  const auto scheme = host.find("://");
  if (scheme != std::string::npos) host = host.substr(scheme + 3);
  const auto slash = host.find('/');
  if (slash != std::string::npos) host = host.substr(0, slash);
  return host;
}
