// Who is reporting: the machine's MAC text and run GUIDs. Nothing is stored; every
// run computes them anew.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/guid.h"
#include "platform/network_adapters.h"

namespace telemetry {

// "3c-97-0e-12-34-56": lowercase hexadecimal joined by hyphens.
std::string FormatMacText(const std::array<std::uint8_t, 6>& address);
// True when one of the known virtual-machine prefixes occurs anywhere in the text,
// compared without regard to case.
bool IsVirtualMachineMac(const std::string& macText);

// The MAC texts of the first three adapters that are not virtual machines', sorted.
std::vector<std::string> GetMacList();
std::vector<std::string> GetMacList(const std::vector<platform::NetworkAdapter>& adapters);

// "8F14E45F-CEEA-467F-A0E6-1A7A3C9B2D10": uppercase, no braces, 36 characters.
std::string FormatGuidText(const platform::Guid& guid);
std::string NewGuidText();

// The process GUID: empty until the first caller of EnsureProcessGuid fills it, and
// never changed afterwards. Safe from any thread.
std::string GetProcessGuid();
std::string EnsureProcessGuid();

}  // namespace telemetry
