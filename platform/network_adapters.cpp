#include "platform/network_adapters.h"

#include <ifaddrs.h>
#include <net/if.h>
#include <netpacket/packet.h>
#include <sys/socket.h>

#include <algorithm>

namespace platform {

std::vector<NetworkAdapter> ListNetworkAdapters() {
  std::vector<NetworkAdapter> adapters;
  ifaddrs* list = nullptr;
  if (getifaddrs(&list) != 0) return adapters;
  for (const ifaddrs* entry = list; entry != nullptr; entry = entry->ifa_next) {
    if (entry->ifa_addr == nullptr || entry->ifa_addr->sa_family != AF_PACKET) continue;
    if ((entry->ifa_flags & IFF_LOOPBACK) != 0) continue;
    const auto* link = reinterpret_cast<const sockaddr_ll*>(entry->ifa_addr);
    if (link->sll_halen != 6) continue;
    NetworkAdapter adapter;
    adapter.name = entry->ifa_name != nullptr ? entry->ifa_name : "";
    std::copy(link->sll_addr, link->sll_addr + 6, adapter.address.begin());
    const bool allZero =
        std::all_of(adapter.address.begin(), adapter.address.end(), [](std::uint8_t byte) { return byte == 0; });
    if (allZero) continue;
    adapters.push_back(std::move(adapter));
  }
  freeifaddrs(list);
  return adapters;
}

}  // namespace platform
