#pragma once

#include <pugixml.hpp>

#include <cstdint>
#include <optional>
#include <string>

namespace devsim {

struct OnvifSimDevice;

// The device-service answers of a simulated camera, built from a snapshot of
// it, and the reading of the two requests that carry values.
class OnvifDeviceResponses
{
public:
    struct InterfaceChange
    {
        uint32_t nAddress = 0;
        int nPrefixLength = 0;
    };

    static std::string systemDateAndTime(const OnvifSimDevice& device);
    static std::string deviceInformation(const OnvifSimDevice& device);
    static std::string networkInterfaces(const OnvifSimDevice& device);
    static std::string networkDefaultGateway(const OnvifSimDevice& device);
    static std::string networkProtocols(const OnvifSimDevice& device);
    static std::string setNetworkInterfaces(bool bRebootNeeded);
    static std::string empty(const char* pResponse);
    static std::string systemReboot();

    // A manual IPv4 address and prefix with DHCP off for interface eth0;
    // nullopt (and the reason) for anything else.
    static std::optional<InterfaceChange> readInterfaceChange(pugi::xml_node request, std::string& strReason);
    // The first IPv4Address of a SetNetworkDefaultGateway; nullopt when none is valid.
    static std::optional<uint32_t> readGateway(pugi::xml_node request);

    static constexpr const char* kInterfaceToken = "eth0";
};

} // namespace devsim
