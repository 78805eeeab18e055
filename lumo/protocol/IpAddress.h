#pragma once

#include "Messages.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace lumo {

// Text forms and validity rules of the addresses a device carries. IPv4 values
// are host-order 32-bit numbers.
class IpAddress
{
public:
    // Strict dotted quad: four decimal parts of one to three digits, each 0..255.
    static std::optional<uint32_t> parseIpv4(std::string_view strText);
    static std::string formatIpv4(uint32_t nAddress);
    static std::optional<Ipv6Bytes> parseIpv6(std::string_view strText);
    static std::string formatIpv6(const Ipv6Bytes& address);

    // Contiguous ones from the top, /1 to /30.
    static bool isValidMask(uint32_t nMask);
    // A unicast host address of its subnet: not the network or broadcast address,
    // not 0/8, loopback, multicast or reserved.
    static bool isValidHost(uint32_t nAddress, uint32_t nMask);
    // Zero (no gateway) or a host of the same subnet other than the address itself.
    static bool isValidGateway(uint32_t nGateway, uint32_t nAddress, uint32_t nMask);
    static bool isSameSubnet(uint32_t nFirst, uint32_t nSecond, uint32_t nMask);
    static bool isLoopback(uint32_t nAddress);
    static bool isValidIpv6Host(const Ipv6Bytes& address);
};

} // namespace lumo
