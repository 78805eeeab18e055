#include "FleetStore.h"

#include "Crypto.h"
#include "IpAddress.h"
#include "MacAddress.h"
#include "MakerCodeService.h"

#include <nlohmann/json.hpp>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace devsim {

using nlohmann::json;
using namespace lumo;

namespace {

std::string toHex(const uint8_t* pData, size_t nSize)
{
    static const char kDigits[] = "0123456789abcdef";
    std::string strHex;
    for (size_t i = 0; i < nSize; ++i) {
        strHex += kDigits[pData[i] >> 4];
        strHex += kDigits[pData[i] & 0x0F];
    }
    return strHex;
}

bool fromHex(const std::string& strHex, uint8_t* pOut, size_t nSize)
{
    if (strHex.size() != nSize * 2)
        return false;
    for (size_t i = 0; i < nSize; ++i) {
        unsigned nValue = 0;
        std::istringstream stream(strHex.substr(i * 2, 2));
        if (!(stream >> std::hex >> nValue))
            return false;
        pOut[i] = static_cast<uint8_t>(nValue);
    }
    return true;
}

uint32_t requireIpv4(const json& node, const char* pKey, const std::string& strSerial)
{
    const std::string strText = node.value(pKey, std::string("0.0.0.0"));
    const auto address = IpAddress::parseIpv4(strText);
    if (!address)
        throw std::runtime_error("device " + strSerial + ": bad IPv4 value for " + pKey + ": " + strText);
    return *address;
}

Ipv6Bytes requireIpv6(const json& node, const char* pKey, const std::string& strSerial)
{
    const std::string strText = node.value(pKey, std::string("::"));
    const auto address = IpAddress::parseIpv6(strText);
    if (!address)
        throw std::runtime_error("device " + strSerial + ": bad IPv6 value for " + pKey + ": " + strText);
    return *address;
}

std::string limited(const json& node, const char* pKey, size_t nMax)
{
    std::string strText = node.value(pKey, std::string());
    if (strText.size() > nMax)
        strText.resize(nMax);
    return strText;
}

json deviceToJson(const SimDevice& device)
{
    const DeviceInfo& info = device.info;
    return json{
        {"serial", info.serial},
        {"mac", MacAddress::format(info.mac)},
        {"model", info.model},
        {"deviceClass", info.deviceClass},
        {"port", info.port},
        {"channels", info.channelCount},
        {"softwareVersion", info.softwareVersion},
        {"dspVersion", info.dspVersion},
        {"startTime", info.startTime},
        {"ipv4",
         {{"address", IpAddress::formatIpv4(info.ipv4Address)},
          {"mask", IpAddress::formatIpv4(info.ipv4Mask)},
          {"gateway", IpAddress::formatIpv4(info.ipv4Gateway)},
          {"dhcp", info.ipv4Dhcp != 0}}},
        {"ipv6",
         {{"address", IpAddress::formatIpv6(info.ipv6Address)},
          {"gateway", IpAddress::formatIpv6(info.ipv6Gateway)},
          {"prefixLength", info.ipv6PrefixLength}}},
        {"capabilities", info.capabilities},
        {"extendedInfo", info.extendedValid != 0},
        {"password", device.strPassword},
        {"defaultPassword", device.strDefaultPassword},
        {"salt", toHex(device.salt.data(), device.salt.size())},
        {"resetSecret", toHex(device.resetSecret.data(), device.resetSecret.size())},
    };
}

SimDevice deviceFromJson(const json& node)
{
    SimDevice device;
    DeviceInfo& info = device.info;
    info.serial = limited(node, "serial", kMaxSerialLength);
    if (info.serial.empty())
        throw std::runtime_error("a device has no serial number");
    const auto mac = MacAddress::parse(node.value("mac", std::string()));
    if (!mac || *mac == MacBytes{})
        throw std::runtime_error("device " + info.serial + ": bad MAC address");
    info.mac = *mac;
    info.model = limited(node, "model", kMaxModelLength);
    info.deviceClass = node.value("deviceClass", 0u);
    info.port = node.value("port", uint16_t(8000));
    info.channelCount = node.value("channels", uint16_t(1));
    info.softwareVersion = limited(node, "softwareVersion", kMaxVersionLength);
    info.dspVersion = limited(node, "dspVersion", kMaxVersionLength);
    info.startTime = limited(node, "startTime", kMaxStartTimeLength);
    const json ipv4 = node.value("ipv4", json::object());
    info.ipv4Address = requireIpv4(ipv4, "address", info.serial);
    info.ipv4Mask = requireIpv4(ipv4, "mask", info.serial);
    info.ipv4Gateway = requireIpv4(ipv4, "gateway", info.serial);
    info.ipv4Dhcp = ipv4.value("dhcp", false) ? 1 : 0;
    const json ipv6 = node.value("ipv6", json::object());
    info.ipv6Address = requireIpv6(ipv6, "address", info.serial);
    info.ipv6Gateway = requireIpv6(ipv6, "gateway", info.serial);
    info.ipv6PrefixLength = static_cast<uint8_t>(std::min(128u, ipv6.value("prefixLength", 0u)));
    info.capabilities = static_cast<uint8_t>(node.value("capabilities", 0u) & 0x07);
    info.extendedValid = node.value("extendedInfo", true) ? 1 : 0;
    device.strPassword = node.value("password", std::string());
    device.strDefaultPassword = node.value("defaultPassword", std::string("admin"));
    if (!fromHex(node.value("salt", std::string()), device.salt.data(), device.salt.size()))
        Crypto::randomBytes(device.salt.data(), device.salt.size());
    // Files written before devices kept their reset secret: the one the factory gave it.
    if (!fromHex(node.value("resetSecret", std::string()), device.resetSecret.data(), device.resetSecret.size()))
        device.resetSecret = MakerCodeService::resetSecretFor(info.serial);
    return device;
}

} // namespace

std::string FleetStore::toJson(const std::vector<SimDevice>& devices)
{
    json root = {{"version", 1}, {"devices", json::array()}};
    for (const SimDevice& device : devices)
        root["devices"].push_back(deviceToJson(device));
    return root.dump(1);
}

std::vector<SimDevice> FleetStore::fromJson(const std::string& strText)
{
    const json root = json::parse(strText, nullptr, false);
    if (root.is_discarded() || !root.is_object())
        throw std::runtime_error("not a JSON object");
    if (root.value("version", 0) != 1)
        throw std::runtime_error("unknown state file version");
    const json devices = root.value("devices", json::array());
    if (!devices.is_array())
        throw std::runtime_error("\"devices\" is not an array");
    std::vector<SimDevice> fleet;
    try {
        for (const json& node : devices)
            fleet.push_back(deviceFromJson(node));
    } catch (const json::exception& error) {
        throw std::runtime_error(std::string("bad device entry: ") + error.what());
    }
    return fleet;
}

std::vector<SimDevice> FleetStore::load(const std::string& strPath)
{
    std::ifstream file(strPath, std::ios::binary);
    if (!file)
        throw std::runtime_error("cannot read " + strPath);
    std::stringstream content;
    content << file.rdbuf();
    return fromJson(content.str());
}

void FleetStore::save(const std::string& strPath, const std::vector<SimDevice>& devices)
{
    const std::string strTemporary = strPath + ".tmp";
    try {
        {
            std::ofstream file(strTemporary, std::ios::binary | std::ios::trunc);
            file << toJson(devices) << '\n';
            file.close(); // a write error may show only when the file is closed
            if (!file)
                throw std::runtime_error("cannot write " + strTemporary);
        }
        std::filesystem::rename(strTemporary, strPath);
    } catch (...) {
        // The state file is untouched; no half-written copy is left beside it.
        std::error_code ignored;
        std::filesystem::remove(strTemporary, ignored);
        throw;
    }
}

} // namespace devsim
