#include "IpAddress.h"

#include <asio/ip/address_v6.hpp>

namespace lumo {

std::optional<uint32_t> IpAddress::parseIpv4(std::string_view strText)
{
    uint32_t nAddress = 0;
    size_t nPos = 0;
    for (int nPart = 0; nPart < 4; ++nPart) {
        if (nPart > 0) {
            if (nPos >= strText.size() || strText[nPos] != '.')
                return std::nullopt;
            ++nPos;
        }
        uint32_t nValue = 0;
        size_t nDigits = 0;
        while (nPos < strText.size() && strText[nPos] >= '0' && strText[nPos] <= '9' && nDigits < 4) {
            nValue = nValue * 10 + uint32_t(strText[nPos] - '0');
            ++nPos;
            ++nDigits;
        }
        if (nDigits == 0 || nDigits > 3 || nValue > 255)
            return std::nullopt;
        nAddress = (nAddress << 8) | nValue;
    }
    if (nPos != strText.size())
        return std::nullopt;
    return nAddress;
}

std::string IpAddress::formatIpv4(uint32_t nAddress)
{
    return std::to_string(nAddress >> 24) + '.' + std::to_string((nAddress >> 16) & 0xFF) + '.'
        + std::to_string((nAddress >> 8) & 0xFF) + '.' + std::to_string(nAddress & 0xFF);
}

std::optional<Ipv6Bytes> IpAddress::parseIpv6(std::string_view strText)
{
    std::error_code error;
    const asio::ip::address_v6 address = asio::ip::make_address_v6(std::string(strText), error);
    if (error || address.scope_id() != 0)
        return std::nullopt;
    return address.to_bytes();
}

std::string IpAddress::formatIpv6(const Ipv6Bytes& address)
{
    return asio::ip::address_v6(address).to_string();
}

bool IpAddress::isValidMask(uint32_t nMask)
{
    if (nMask == 0)
        return false;
    const uint32_t nInverted = ~nMask;
    const bool bContiguous = (nInverted & (nInverted + 1)) == 0;
    return bContiguous && nInverted >= 3; // /30 at most: room for two hosts
}

bool IpAddress::isValidHost(uint32_t nAddress, uint32_t nMask)
{
    if (!isValidMask(nMask))
        return false;
    const uint32_t nFirstOctet = nAddress >> 24;
    if (nFirstOctet == 0 || nFirstOctet == 127 || nFirstOctet >= 224)
        return false;
    const uint32_t nHostPart = nAddress & ~nMask;
    return nHostPart != 0 && nHostPart != ~nMask;
}

bool IpAddress::isValidGateway(uint32_t nGateway, uint32_t nAddress, uint32_t nMask)
{
    if (nGateway == 0)
        return true;
    return nGateway != nAddress && isSameSubnet(nGateway, nAddress, nMask) && isValidHost(nGateway, nMask);
}

bool IpAddress::isSameSubnet(uint32_t nFirst, uint32_t nSecond, uint32_t nMask)
{
    return (nFirst & nMask) == (nSecond & nMask);
}

bool IpAddress::isLoopback(uint32_t nAddress)
{
    return (nAddress >> 24) == 127;
}

bool IpAddress::isValidIpv6Host(const Ipv6Bytes& address)
{
    const asio::ip::address_v6 value(address);
    return !value.is_unspecified() && !value.is_multicast() && !value.is_loopback();
}

} // namespace lumo
