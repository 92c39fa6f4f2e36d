// The machine's network adapters, as the machine identity needs them.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace platform {

struct NetworkAdapter {
  std::string name;                       // interface name, "eth0"
  std::array<std::uint8_t, 6> address{};  // hardware (MAC) address
};

// The link-layer entries of getifaddrs in interface order; loopback interfaces,
// addresses that are not six bytes long and all-zero addresses are left out.
// Empty when the list cannot be read.
std::vector<NetworkAdapter> ListNetworkAdapters();

}  // namespace platform
