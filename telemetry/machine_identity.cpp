#include "telemetry/machine_identity.h"

#include <algorithm>
#include <cstdio>
#include <mutex>

#include "platform/text.h"

namespace telemetry {

namespace {

// Address prefixes handed out to virtual machines by the common hypervisors.
const std::vector<std::string>& VirtualMachinePrefixes() {
  static const std::vector<std::string> prefixes = [] {
    const char* const texts[] = {"00-05-69", "00-0C-29", "00-50-56", "00-1c-14", "00-1C-42",
                                 "00-03-FF", "00-0F-4B", "00-16-3E", "08-00-27"};
    std::vector<std::string> lowered;
    for (const char* text : texts) lowered.push_back(platform::AsciiLower(text));
    return lowered;
  }();
  return prefixes;
}

// Virtual adapters count among the adapters looked at.
constexpr std::size_t kAdaptersLookedAt = 3;

std::mutex processGuidMutex;
std::string processGuid;

}  // namespace

std::string FormatMacText(const std::array<std::uint8_t, 6>& address) {
  char text[18];
  std::snprintf(text, sizeof text, "%02x-%02x-%02x-%02x-%02x-%02x", address[0], address[1], address[2], address[3],
                address[4], address[5]);
  return text;
}

bool IsVirtualMachineMac(const std::string& macText) {
  const std::string lowered = platform::AsciiLower(macText);
  for (const std::string& prefix : VirtualMachinePrefixes()) {
    if (lowered.find(prefix) != std::string::npos) return true;
  }
  return false;
}

std::vector<std::string> GetMacList(const std::vector<platform::NetworkAdapter>& adapters) {
  std::vector<std::string> macs;
  const std::size_t count = std::min(adapters.size(), kAdaptersLookedAt);
  for (std::size_t i = 0; i < count; ++i) {
    const std::string text = FormatMacText(adapters[i].address);
    if (!IsVirtualMachineMac(text)) macs.push_back(text);
  }
  std::sort(macs.begin(), macs.end());
  return macs;
}

std::vector<std::string> GetMacList() { return GetMacList(platform::ListNetworkAdapters()); }

std::string FormatGuidText(const platform::Guid& guid) {
  char text[37];
  std::snprintf(text, sizeof text, "%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X", guid.data1, guid.data2,
                guid.data3, guid.data4[0], guid.data4[1], guid.data4[2], guid.data4[3], guid.data4[4], guid.data4[5],
                guid.data4[6], guid.data4[7]);
  return text;
}

std::string NewGuidText() {
  platform::Guid guid;
  platform::CreateGuid(guid);  // on failure the all-zero GUID still gives a well-formed text
  return FormatGuidText(guid);
}

std::string GetProcessGuid() {
  std::lock_guard<std::mutex> lock(processGuidMutex);
  return processGuid;
}

std::string EnsureProcessGuid() {
  std::lock_guard<std::mutex> lock(processGuidMutex);
  if (processGuid.empty()) processGuid = NewGuidText();
  return processGuid;
}

}  // namespace telemetry
