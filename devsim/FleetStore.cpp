#include "FleetStore.h"

#include "Crypto.h"
#include "DurableFile.h"
#include "IpAddress.h"
#include "MacAddress.h"
#include "MakerCodeService.h"

#include <nlohmann/json.hpp>

#include <filesystem>
#include <map>
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
        {"salt", toHex(device.salt.data(), device.salt.size())},
        {"kdf", {{"ops", device.cost.nOps}, {"memKib", device.cost.nMemKib}}},
        {"passwordKey", toHex(device.passwordKey.data(), device.passwordKey.size())},
        {"defaultPasswordKey", toHex(device.defaultPasswordKey.data(), device.defaultPasswordKey.size())},
        {"resetSecret", toHex(device.resetSecret.data(), device.resetSecret.size())},
    };
}

// Keys derived while reading one file in the old form, by secret, salt and cost:
// a fleet's devices often share them.
using KeyCache = std::map<std::string, Key>;

Key cachedKey(const std::string& strSecret, const Salt& salt, const KeyCost& cost, KeyCache& cache)
{
    std::string strIndex = strSecret + '|' + toHex(salt.data(), salt.size()) + '|' + std::to_string(cost.nOps) + '|'
        + std::to_string(cost.nMemKib);
    auto it = cache.find(strIndex);
    if (it == cache.end())
        it = cache.emplace(std::move(strIndex), Crypto::deriveKey(strSecret, salt, cost.nOps, cost.nMemKib).value_or(Key{}))
                 .first;
    return it->second;
}

void readSecrets(const json& node, SimDevice& device, const KeyCost& conversionCost, KeyCache& cache)
{
    if (!fromHex(node.value("salt", std::string()), device.salt.data(), device.salt.size()))
        Crypto::randomBytes(device.salt.data(), device.salt.size());
    if (node.contains("passwordKey")) {
        const json kdf = node.value("kdf", json::object());
        device.cost.nOps = kdf.value("ops", 0u);
        device.cost.nMemKib = kdf.value("memKib", 0u);
        const bool bCostValid = device.cost.nOps >= kMinPwhashOps && device.cost.nOps <= kMaxPwhashOps
            && device.cost.nMemKib >= kMinPwhashMemKib && device.cost.nMemKib <= kMaxPwhashMemKib;
        if (!bCostValid || !fromHex(node.value("passwordKey", std::string()), device.passwordKey.data(), kKeySize)
            || !fromHex(node.value("defaultPasswordKey", std::string()), device.defaultPasswordKey.data(), kKeySize))
            throw std::runtime_error("device " + device.info.serial + ": bad key entry");
        return;
    }
    // The old form kept passwords in clear: they become keys, and the file is rewritten.
    device.cost = conversionCost;
    device.passwordKey = cachedKey(node.value("password", std::string()), device.salt, device.cost, cache);
    device.defaultPasswordKey = cachedKey(node.value("defaultPassword", std::string("admin")), device.salt, device.cost, cache);
}

SimDevice deviceFromJson(const json& node, const KeyCost& conversionCost, KeyCache& cache)
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
    readSecrets(node, device, conversionCost, cache);
    // Files written before devices kept their reset secret: the one the factory gave it.
    if (!fromHex(node.value("resetSecret", std::string()), device.resetSecret.data(), device.resetSecret.size()))
        device.resetSecret = MakerCodeService::resetSecretFor(info.serial);
    return device;
}

} // namespace

std::string FleetStore::deviceEntry(const SimDevice& device)
{
    return deviceToJson(device).dump();
}

std::string FleetStore::document(const std::vector<std::string>& entries, const std::vector<std::string>& onvifEntries)
{
    size_t nSize = 64;
    for (const std::string& strEntry : entries)
        nSize += strEntry.size() + 2;
    for (const std::string& strEntry : onvifEntries)
        nSize += strEntry.size() + 2;
    std::string strDocument;
    strDocument.reserve(nSize);
    strDocument += "{\"version\": 2, \"devices\": [\n";
    for (size_t i = 0; i < entries.size(); ++i) {
        strDocument += entries[i];
        strDocument += i + 1 < entries.size() ? ",\n" : "\n";
    }
    strDocument += "]";
    if (!onvifEntries.empty()) {
        strDocument += ",\n\"onvif\": [\n";
        for (size_t i = 0; i < onvifEntries.size(); ++i) {
            strDocument += onvifEntries[i];
            strDocument += i + 1 < onvifEntries.size() ? ",\n" : "\n";
        }
        strDocument += "]";
    }
    strDocument += "}\n";
    return strDocument;
}

std::string FleetStore::toJson(const std::vector<SimDevice>& devices, const std::vector<std::string>& onvifEntries)
{
    std::vector<std::string> entries;
    entries.reserve(devices.size());
    for (const SimDevice& device : devices)
        entries.push_back(deviceEntry(device));
    return document(entries, onvifEntries);
}

std::vector<SimDevice> FleetStore::fromJson(const std::string& strText, const KeyCost& conversionCost)
{
    const json root = json::parse(strText, nullptr, false);
    if (root.is_discarded() || !root.is_object())
        throw std::runtime_error("not a JSON object");
    const int nVersion = root.value("version", 0);
    if (nVersion != 1 && nVersion != 2)
        throw std::runtime_error("unknown state file version");
    const json devices = root.value("devices", json::array());
    if (!devices.is_array())
        throw std::runtime_error("\"devices\" is not an array");
    std::vector<SimDevice> fleet;
    KeyCache cache;
    try {
        for (const json& node : devices)
            fleet.push_back(deviceFromJson(node, conversionCost, cache));
    } catch (const json::exception& error) {
        throw std::runtime_error(std::string("bad device entry: ") + error.what());
    }
    return fleet;
}

std::vector<SimDevice> FleetStore::load(const std::string& strPath, const KeyCost& conversionCost)
{
    std::ifstream file(strPath, std::ios::binary);
    if (!file)
        throw std::runtime_error("cannot read " + strPath);
    std::stringstream content;
    content << file.rdbuf();
    return fromJson(content.str(), conversionCost);
}

void FleetStore::save(const std::string& strPath, const std::vector<SimDevice>& devices,
                      const std::vector<std::string>& onvifEntries)
{
    DurableFile::replace(strPath, toJson(devices, onvifEntries));
}

} // namespace devsim
