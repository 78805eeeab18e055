#include "NetworkInterfaceList.h"

#include "IpAddress.h"

#if defined(_WIN32)
#  include <winsock2.h>
#  include <ws2tcpip.h>
#  include <iphlpapi.h>
#  include <vector>
#else
#  include <arpa/inet.h>
#  include <ifaddrs.h>
#  include <net/if.h>
#  include <netinet/in.h>
#endif

namespace lumo {

#if defined(_WIN32)

std::vector<NetworkInterface> NetworkInterfaceList::enumerate()
{
    std::vector<NetworkInterface> interfaces;
    ULONG nSize = 16 * 1024;
    std::vector<unsigned char> buffer;
    ULONG nResult = ERROR_BUFFER_OVERFLOW;
    for (int nTry = 0; nTry < 3 && nResult == ERROR_BUFFER_OVERFLOW; ++nTry) {
        buffer.resize(nSize);
        nResult = GetAdaptersAddresses(AF_INET, GAA_FLAG_SKIP_ANYCAST | GAA_FLAG_SKIP_MULTICAST | GAA_FLAG_SKIP_DNS_SERVER,
                                       nullptr, reinterpret_cast<IP_ADAPTER_ADDRESSES*>(buffer.data()), &nSize);
    }
    if (nResult != NO_ERROR)
        return interfaces;
    for (auto* pAdapter = reinterpret_cast<IP_ADAPTER_ADDRESSES*>(buffer.data()); pAdapter; pAdapter = pAdapter->Next) {
        if (pAdapter->OperStatus != IfOperStatusUp)
            continue;
        const bool bLoopback = pAdapter->IfType == IF_TYPE_SOFTWARE_LOOPBACK;
        for (auto* pUnicast = pAdapter->FirstUnicastAddress; pUnicast; pUnicast = pUnicast->Next) {
            const sockaddr* pAddress = pUnicast->Address.lpSockaddr;
            if (pAddress == nullptr || pAddress->sa_family != AF_INET)
                continue;
            NetworkInterface entry;
            entry.name = pAdapter->AdapterName;
            entry.address = ntohl(reinterpret_cast<const sockaddr_in*>(pAddress)->sin_addr.s_addr);
            const ULONG nPrefix = pUnicast->OnLinkPrefixLength;
            entry.netmask = maskFromPrefixLength(nPrefix);
            entry.bLoopback = bLoopback;
            entry.bCanBroadcast = !bLoopback && nPrefix < 31;
            interfaces.push_back(entry);
        }
    }
    return interfaces;
}

#else

std::vector<NetworkInterface> NetworkInterfaceList::enumerate()
{
    std::vector<NetworkInterface> interfaces;
    ifaddrs* pList = nullptr;
    if (getifaddrs(&pList) != 0)
        return interfaces;
    for (ifaddrs* pEntry = pList; pEntry; pEntry = pEntry->ifa_next) {
        if (pEntry->ifa_addr == nullptr || pEntry->ifa_addr->sa_family != AF_INET)
            continue;
        if ((pEntry->ifa_flags & IFF_UP) == 0 || (pEntry->ifa_flags & IFF_RUNNING) == 0)
            continue;
        NetworkInterface entry;
        entry.name = pEntry->ifa_name ? pEntry->ifa_name : "";
        entry.address = ntohl(reinterpret_cast<const sockaddr_in*>(pEntry->ifa_addr)->sin_addr.s_addr);
        if (pEntry->ifa_netmask)
            entry.netmask = ntohl(reinterpret_cast<const sockaddr_in*>(pEntry->ifa_netmask)->sin_addr.s_addr);
        entry.bLoopback = (pEntry->ifa_flags & IFF_LOOPBACK) != 0;
        entry.bCanBroadcast = (pEntry->ifa_flags & IFF_BROADCAST) != 0;
        interfaces.push_back(entry);
    }
    freeifaddrs(pList);
    return interfaces;
}

#endif

uint32_t NetworkInterfaceList::maskFromPrefixLength(unsigned long nPrefix)
{
    if (nPrefix == 0 || nPrefix > 32)
        return 0;
    return nPrefix == 32 ? 0xFFFFFFFFu : ~((1u << (32 - nPrefix)) - 1);
}

std::string NetworkInterfaceList::describe(const NetworkInterface& entry)
{
    return "adapter " + entry.name + " address " + IpAddress::formatIpv4(entry.address) + " mask "
        + IpAddress::formatIpv4(entry.netmask)
        + (entry.bLoopback ? " loopback" : "") + (entry.bCanBroadcast ? " broadcast" : "");
}

std::vector<NetworkInterface> NetworkInterfaceList::broadcastCapable()
{
    std::vector<NetworkInterface> result;
    for (const NetworkInterface& entry : enumerate())
        if (entry.bCanBroadcast && !entry.bLoopback)
            result.push_back(entry);
    return result;
}

} // namespace lumo
