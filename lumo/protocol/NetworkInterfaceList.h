#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace lumo {

struct NetworkInterface
{
    std::string name;
    uint32_t address = 0; // IPv4, host order
    uint32_t netmask = 0;
    bool bCanBroadcast = false;
    bool bLoopback = false;
};

// The IPv4 addresses of the adapters that are up. This is the one place with
// platform calls: getifaddrs on POSIX systems, GetAdaptersAddresses on Windows.
class NetworkInterfaceList
{
public:
    static std::vector<NetworkInterface> enumerate();
    // Adapters that are up, not loopback and can broadcast.
    static std::vector<NetworkInterface> broadcastCapable();
    // The mask of an on-link prefix length as Windows reports it; 0 for a length
    // past 32, which no IPv4 adapter has.
    static uint32_t maskFromPrefixLength(unsigned long nPrefix);
    // One line for support: name, address, mask and what the adapter can do.
    static std::string describe(const NetworkInterface& entry);
};

} // namespace lumo
