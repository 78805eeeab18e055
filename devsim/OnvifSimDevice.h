#pragma once

#include "Messages.h"

#include <cstdint>
#include <string>

namespace devsim {

// One simulated ONVIF camera: its identity, its stored network settings and how
// it behaves. The password is kept in clear here, in memory only: WS-UsernameToken
// and HTTP Digest both need it to check a client's answer.
struct OnvifSimDevice
{
    std::string strEndpoint; // WS-Discovery endpoint address, a URN: the device's identity
    std::string strManufacturer;
    std::string strModel;
    std::string strFirmware;
    std::string strSerial;
    std::string strHardwareId;
    std::string strName; // the name scope
    lumo::MacBytes mac{};

    // Stored network settings: what the device uses after its next start.
    uint32_t nAddress = 0;
    int nPrefixLength = 8;
    uint32_t nGateway = 0;
    bool bDhcp = false;
    uint16_t nHttpPort = 80;

    int64_t nClockOffsetSeconds = 0; // the device's clock minus the host's
    bool bRebootNeeded = false;      // a new address waits for SystemReboot
    bool bDigestOnly = false;        // ignores UsernameToken, wants HTTP Digest
    std::string strUser = "admin";
    std::string strPassword;
    uint32_t nMetadataVersion = 1;

    // Run time only: the address the device answers at, and whether it answers.
    uint32_t nActiveAddress = 0;
    bool bUp = true;
};

} // namespace devsim
