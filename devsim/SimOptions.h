#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace devsim {

// Command line of lumo-devsim.
struct SimOptions
{
    size_t nCount = 0;
    bool bDemo = false;
    std::string strStatePath;
    std::string strBindAddress;      // empty: all addresses (demo: 127.0.0.1)
    std::string strBroadcastAddress; // empty: limited broadcast on every adapter (demo: 127.255.255.255)
    uint16_t nDevicePort = 0;        // 0: protocol default
    uint16_t nClientPort = 0;
    uint32_t nTtlMs = 120000;
    double dLoss = 0.0;
    double dDuplicate = 0.0;
    uint32_t nDelayMs = 0;
    uint32_t nKdfOps = 2;
    uint32_t nKdfMemKib = 8192;
    bool bAckBeforeSave = false; // the old way, for comparisons: answer, then save unflushed
    uint32_t nLockoutMs = 60000; // lockout after repeated failed authentications from one address
    uint32_t nFailureBudget = 200; // device-wide failed authentications before one a minute
    bool bAnnounce = true;
    uint16_t nFloorPort = 0; // benchmark floor echo, off when 0
    unsigned nSeed = 0;
    bool bStopOnInputEnd = false; // stop as on SIGTERM when standard input ends
    size_t nOnvifCount = 0;        // generated ONVIF cameras
    uint16_t nOnvifPort = 3702;    // WS-Discovery port
    uint16_t nOnvifHttpPort = 18080; // first camera's HTTP port, the next ones follow
    uint32_t nOnvifReplyDelayMs = 0; // each probe match waits a random time up to this

    // Whether this build runs ONVIF cameras (it needs pugixml and cpp-httplib).
    static bool hasOnvif();

    // nullopt and a message in strError on a bad command line.
    static std::optional<SimOptions> parse(const std::vector<std::string>& arguments, std::string& strError);
    static std::string usage();
};

} // namespace devsim
