#pragma once

#include <pugixml.hpp>

#include <string>
#include <vector>

namespace devsim {

struct OnvifSimDevice;

// WS-Discovery messages of a simulated camera: reading a Probe, and building
// ProbeMatches, Hello and Bye.
class OnvifDiscoveryMessages
{
public:
    // A parsed envelope that is a Probe: its MessageID; empty when it is not one.
    static std::string probeMessageId(const pugi::xml_document& envelope);
    // Whether the Probe's Types (all of them, resolved by namespace) and Scopes
    // (each a prefix of one of the device's, on segment boundaries) fit the device.
    static bool matches(const pugi::xml_document& probe, const OnvifSimDevice& device);

    static std::string probeMatches(const OnvifSimDevice& device, const std::string& strRelatesTo,
                                    unsigned nMessageNumber);
    static std::string hello(const OnvifSimDevice& device, unsigned nMessageNumber);
    static std::string bye(const OnvifSimDevice& device, unsigned nMessageNumber);

    static std::string deviceServiceUrl(const OnvifSimDevice& device);
    static std::vector<std::string> scopes(const OnvifSimDevice& device);
};

} // namespace devsim
