#include "FleetFactory.h"

#include "Crypto.h"
#include "IpAddress.h"
#include "LocalTime.h"
#include "MakerCodeService.h"

#include <cstdio>
#include <ctime>

namespace devsim {

using namespace lumo;

namespace {

uint32_t ipv4(const char* pText)
{
    return IpAddress::parseIpv4(pText).value_or(0);
}

Ipv6Bytes ipv6(const char* pText)
{
    return IpAddress::parseIpv6(pText).value_or(Ipv6Bytes{});
}

// The secrets every device of one new fleet shares: its salt and password keys.
struct FleetSecrets
{
    Salt salt{};
    KeyCost cost;
    Key passwordKey{};
    Key defaultPasswordKey{};
};

FleetSecrets fleetSecrets(const char* pPassword, const KeyCost& cost)
{
    FleetSecrets secrets;
    Crypto::randomBytes(secrets.salt.data(), secrets.salt.size());
    SimDevice sample;
    FleetFactory::setPasswords(sample, pPassword, secrets.salt, cost);
    secrets.cost = cost;
    secrets.passwordKey = sample.passwordKey;
    secrets.defaultPasswordKey = sample.defaultPasswordKey;
    return secrets;
}

SimDevice baseDevice(uint32_t nNumber, const std::string& strStartTime, const FleetSecrets& secrets)
{
    SimDevice device;
    DeviceInfo& info = device.info;
    char serial[32];
    std::snprintf(serial, sizeof(serial), "TL%010u", nNumber);
    info.serial = serial;
    info.mac = {0x02, 0x4C, 0x55, uint8_t(nNumber >> 16), uint8_t(nNumber >> 8), uint8_t(nNumber)};
    info.model = nNumber % 2 ? "K-VNT1C" : "K-VNT4C";
    info.deviceClass = 0x1001;
    info.port = 8000;
    info.channelCount = 1;
    info.softwareVersion = "V2.3.1 build 240315";
    info.dspVersion = "V1.4.0 build 231120";
    info.startTime = strStartTime;
    info.ipv4Address = ipv4("192.168.1.64");
    info.ipv4Mask = ipv4("255.255.255.0");
    info.ipv4Gateway = ipv4("192.168.1.1");
    info.capabilities = kCapabilityDhcp;
    info.extendedValid = 1;
    device.salt = secrets.salt;
    device.cost = secrets.cost;
    device.passwordKey = secrets.passwordKey;
    device.defaultPasswordKey = secrets.defaultPasswordKey;
    device.resetSecret = MakerCodeService::resetSecretFor(info.serial);
    return device;
}

void withIpv6(SimDevice& device, const char* pAddress, const char* pGateway, bool bModifiable)
{
    device.info.capabilities |= kCapabilityIpv6 | (bModifiable ? kCapabilityIpv6Modifiable : 0);
    device.info.ipv6Address = ipv6(pAddress);
    device.info.ipv6Gateway = ipv6(pGateway);
    device.info.ipv6PrefixLength = 64;
}

void withAddress(SimDevice& device, const char* pAddress, const char* pMask, const char* pGateway)
{
    device.info.ipv4Address = ipv4(pAddress);
    device.info.ipv4Mask = ipv4(pMask);
    device.info.ipv4Gateway = ipv4(pGateway);
}

} // namespace

std::string FleetFactory::currentTimeText()
{
    const std::tm local = LocalTime::now();
    char text[32];
    std::strftime(text, sizeof(text), "%Y-%m-%d %H:%M:%S", &local);
    return text;
}

void FleetFactory::setPasswords(SimDevice& device, const char* pPassword, const Salt& salt, const KeyCost& cost)
{
    device.salt = salt;
    device.cost = cost;
    device.passwordKey = Crypto::deriveKey(pPassword, salt, cost.nOps, cost.nMemKib).value_or(Key{});
    device.defaultPasswordKey = Crypto::deriveKey(kDefaultPassword, salt, cost.nOps, cost.nMemKib).value_or(Key{});
}

std::vector<SimDevice> FleetFactory::demo(const std::string& strStartTime, const KeyCost& cost)
{
    const FleetSecrets secrets = fleetSecrets(kDemoPassword, cost);
    std::vector<SimDevice> fleet;
    auto add = [&](uint32_t nNumber) -> SimDevice& {
        fleet.push_back(baseDevice(0x00D00000u + nNumber, strStartTime, secrets));
        return fleet.back();
    };

    SimDevice& dualStack = add(1); // accepted, IPv6 modifiable, DHCP on
    withAddress(dualStack, "192.168.1.101", "255.255.255.0", "192.168.1.1");
    withIpv6(dualStack, "fd00:1::101", "fd00:1::1", true);
    dualStack.info.ipv4Dhcp = 1;

    SimDevice& fourChannel = add(2); // accepted, four channels, IPv4 only, DHCP off
    fourChannel.info.model = "K-VNT4C";
    fourChannel.info.channelCount = 4;
    withAddress(fourChannel, "192.168.1.102", "255.255.255.0", "192.168.1.1");

    SimDevice& noExtended = add(3); // accepted, without extended information
    withAddress(noExtended, "192.168.1.103", "255.255.255.0", "0.0.0.0");
    noExtended.info.extendedValid = 0;

    SimDevice& readOnlyE = add(4); // read-only family 0x9Exx
    readOnlyE.info.deviceClass = 0x9E10;
    withAddress(readOnlyE, "192.168.1.104", "255.255.255.0", "192.168.1.1");

    SimDevice& readOnlyD = add(5); // read-only family 0x9Dxx
    readOnlyD.info.deviceClass = 0x9D01;
    withAddress(readOnlyD, "10.0.5.20", "255.255.0.0", "10.0.0.1");

    SimDevice& foreignNvr = add(6); // a model the utility does not list
    foreignNvr.info.model = "X-NVR8";
    foreignNvr.info.channelCount = 8;
    withAddress(foreignNvr, "192.168.1.106", "255.255.255.0", "192.168.1.1");

    SimDevice& nearMiss = add(7); // almost an accepted model name
    nearMiss.info.model = "K-VNT2C";
    withAddress(nearMiss, "192.168.1.107", "255.255.255.0", "192.168.1.1");

    add(8).info.model = "K-VNT1C"; // factory default address ...
    add(9).info.model = "K-VNT4C"; // ... shared by two devices

    SimDevice& ipv6Fixed = add(10); // IPv6 shown but not modifiable
    withAddress(ipv6Fixed, "172.16.8.10", "255.255.255.0", "172.16.8.1");
    withIpv6(ipv6Fixed, "fd00:8::10", "fd00:8::1", false);

    SimDevice& dhcpOff = add(11); // DHCP capable, off, in the 0x49xx class
    dhcpOff.info.deviceClass = 0x4901;
    withAddress(dhcpOff, "192.168.1.111", "255.255.255.0", "192.168.1.1");

    SimDevice& noDhcp = add(12); // neither DHCP nor IPv6
    noDhcp.info.capabilities = 0;
    withAddress(noDhcp, "192.168.2.12", "255.255.255.0", "192.168.2.1");
    return fleet;
}

std::vector<SimDevice> FleetFactory::generated(size_t nCount, const std::string& strStartTime, const KeyCost& cost)
{
    const FleetSecrets secrets = fleetSecrets(kGeneratedPassword, cost);
    std::vector<SimDevice> fleet;
    fleet.reserve(nCount);
    for (size_t i = 0; i < nCount; ++i) {
        const uint32_t nNumber = uint32_t(i + 1);
        SimDevice device = baseDevice(nNumber, strStartTime, secrets);
        if (nNumber % 5 != 0) {
            device.info.ipv4Address = ipv4("10.20.0.0") + 10 + uint32_t(i);
            device.info.ipv4Mask = ipv4("255.255.0.0");
            device.info.ipv4Gateway = ipv4("10.20.0.1");
        }
        if (nNumber % 3 == 0)
            withIpv6(device, "fd00:20::1", "fd00:20::ffff", true);
        fleet.push_back(std::move(device));
    }
    return fleet;
}

} // namespace devsim
