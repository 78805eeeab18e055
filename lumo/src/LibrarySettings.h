#pragma once

#include <asio/ip/udp.hpp>

#include <chrono>
#include <string>
#include <vector>

namespace lumo {

// Settings of one library run. Defaults suit a real network; environment
// variables (listed in docs/protocol.md) adjust them for tests and unusual setups.
class LibrarySettings
{
public:
    static LibrarySettings fromEnvironment();

    bool usesInterface(const std::string& strName) const;

    uint16_t m_nDevicePort;
    uint16_t m_nClientPort;
    // Unicast (or loopback broadcast) destinations that get every inquiry and
    // command besides the adapters' broadcasts; by default the local host, so a
    // simulator on this machine is found without any network.
    std::vector<asio::ip::udp::endpoint> m_targets;
    bool m_bAllInterfaces = true;
    std::vector<std::string> m_interfaceNames;
    std::chrono::milliseconds m_commandTimeout{3000};
    // Lists every adapter found at start, used or not, on standard error.
    bool m_bLogInterfaces = false;
};

} // namespace lumo
