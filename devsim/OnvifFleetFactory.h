#pragma once

#include "OnvifSimDevice.h"
#include "SimDevice.h"

#include <cstdint>
#include <vector>

namespace devsim {

// ONVIF cameras for a fresh state: numbered ones for tests, and the demo's.
// Every camera listens on the same address, each on its own HTTP port.
class OnvifFleetFactory
{
public:
    static constexpr const char* kManufacturer = "Aurel Optics";
    static constexpr const char* kModel = "AO-2150";
    static constexpr uint16_t kDefaultHttpPort = 18080;
    static constexpr int64_t kClockOffsetSeconds = 3600;

    // Camera n (from 1): serial AO + ten digits of n, MAC 02:41:4F + n, HTTP port
    // nFirstPort + n - 1; every second one needs a reboot for a new address,
    // every third one (n % 3 == 0) has its clock an hour ahead, and those with
    // n % 3 == 2 take HTTP Digest only. Password: FleetFactory's generated one.
    static std::vector<OnvifSimDevice> generated(size_t nCount, uint32_t nAddress, uint16_t nFirstPort);
    // Three cameras of another make (one an hour ahead, one needing a reboot)
    // and the K-VNT device `twin` answering ONVIF too, with its MAC and serial.
    static std::vector<OnvifSimDevice> demo(uint32_t nAddress, uint16_t nFirstPort, const SimDevice& twin);
};

} // namespace devsim
