#include "OnvifFleetFactory.h"

#include "FleetFactory.h"
#include "IpAddress.h"

#include <cstdio>

namespace devsim {

namespace {

std::string endpointFor(const lumo::MacBytes& mac)
{
    char text[64];
    std::snprintf(text, sizeof(text), "urn:uuid:5a1e0c7d-2b4f-4e6a-9c3d-%02x%02x%02x%02x%02x%02x", mac[0], mac[1],
                  mac[2], mac[3], mac[4], mac[5]);
    return text;
}

OnvifSimDevice camera(uint32_t nNumber, uint32_t nAddress, uint16_t nPort)
{
    OnvifSimDevice device;
    char serial[32];
    std::snprintf(serial, sizeof(serial), "AO%010u", nNumber);
    device.strSerial = serial;
    device.mac = {0x02, 0x41, 0x4F, uint8_t(nNumber >> 16), uint8_t(nNumber >> 8), uint8_t(nNumber)};
    device.strEndpoint = endpointFor(device.mac);
    device.strManufacturer = OnvifFleetFactory::kManufacturer;
    device.strModel = OnvifFleetFactory::kModel;
    device.strFirmware = "2.8.14 build 240611";
    device.strHardwareId = "AO2150-H2";
    device.strName = std::string(OnvifFleetFactory::kModel) + "-" + serial;
    device.nAddress = nAddress;
    device.nPrefixLength = lumo::IpAddress::isLoopback(nAddress) ? 8 : 24;
    const uint32_t nMask = device.nPrefixLength == 32 ? ~0u : ~(~0u >> device.nPrefixLength);
    device.nGateway = (nAddress & nMask) | 0xFE;
    device.nHttpPort = nPort;
    device.nActiveAddress = nAddress;
    return device;
}

} // namespace

std::vector<OnvifSimDevice> OnvifFleetFactory::generated(size_t nCount, uint32_t nAddress, uint16_t nFirstPort)
{
    std::vector<OnvifSimDevice> fleet;
    fleet.reserve(nCount);
    for (size_t i = 0; i < nCount; ++i) {
        const uint32_t nNumber = uint32_t(i + 1);
        OnvifSimDevice device = camera(nNumber, nAddress, uint16_t(nFirstPort + i));
        device.bRebootNeeded = nNumber % 2 == 0;
        device.nClockOffsetSeconds = nNumber % 3 == 0 ? kClockOffsetSeconds : 0;
        device.bDigestOnly = nNumber % 3 == 2;
        device.strPassword = FleetFactory::kGeneratedPassword;
        fleet.push_back(std::move(device));
    }
    return fleet;
}

std::vector<OnvifSimDevice> OnvifFleetFactory::demo(uint32_t nAddress, uint16_t nFirstPort, const SimDevice& twin)
{
    std::vector<OnvifSimDevice> fleet;
    auto add = [&](uint32_t nNumber, const char* pModel) -> OnvifSimDevice& {
        fleet.push_back(camera(0x00D00000u + nNumber, nAddress, uint16_t(nFirstPort + fleet.size())));
        fleet.back().strModel = pModel;
        fleet.back().strName = std::string(pModel) + "-" + fleet.back().strSerial;
        fleet.back().strPassword = FleetFactory::kDemoPassword;
        return fleet.back();
    };
    add(1, "AO-2150");
    add(2, "AO-3400").nClockOffsetSeconds = kClockOffsetSeconds;
    OnvifSimDevice& dome = add(3, "AO-880D");
    dome.bRebootNeeded = true;
    dome.bDhcp = true;

    OnvifSimDevice& both = add(4, twin.info.model.c_str());
    both.strManufacturer = "Taldor";
    both.strSerial = twin.info.serial;
    both.mac = twin.info.mac;
    both.strEndpoint = endpointFor(both.mac);
    both.strFirmware = twin.info.softwareVersion;
    both.strHardwareId = twin.info.model;
    both.strName = twin.info.model + "-" + twin.info.serial;
    return fleet;
}

} // namespace devsim
