#include "OnvifFleetStore.h"

#include "IpAddress.h"
#include "MacAddress.h"
#include "PasswordSeal.h"

#include <nlohmann/json.hpp>

#include <fstream>
#include <sstream>
#include <stdexcept>

namespace devsim {

using nlohmann::json;
using namespace lumo;

namespace {

constexpr size_t kMaxText = 64;

std::string text(const json& node, const char* pKey, const std::string& strDefault = std::string())
{
    std::string strText = node.value(pKey, strDefault);
    if (strText.size() > kMaxText)
        strText.resize(kMaxText);
    return strText;
}

uint32_t ipv4(const json& node, const char* pKey, const std::string& strDevice)
{
    const std::string strText = node.value(pKey, std::string("0.0.0.0"));
    const auto address = IpAddress::parseIpv4(strText);
    if (!address)
        throw std::runtime_error("ONVIF device " + strDevice + ": bad IPv4 value for " + pKey + ": " + strText);
    return *address;
}

std::string password(const json& node, const PasswordSeal* pSeal, const std::string& strDevice)
{
    if (node.contains("sealedPassword")) {
        const auto opened = pSeal ? pSeal->open(node.value("sealedPassword", std::string())) : std::nullopt;
        if (!opened)
            throw std::runtime_error("ONVIF device " + strDevice + ": its password cannot be unsealed (wrong or missing key file)");
        return *opened;
    }
    return text(node, "password");
}

OnvifSimDevice deviceFromJson(const json& node, const PasswordSeal* pSeal)
{
    OnvifSimDevice device;
    device.strSerial = text(node, "serial");
    if (device.strSerial.empty())
        throw std::runtime_error("an ONVIF device has no serial number");
    device.strEndpoint = node.value("endpoint", std::string());
    if (device.strEndpoint.empty() || device.strEndpoint.size() > 256)
        throw std::runtime_error("ONVIF device " + device.strSerial + ": bad endpoint");
    const auto mac = MacAddress::parse(node.value("mac", std::string()));
    if (!mac)
        throw std::runtime_error("ONVIF device " + device.strSerial + ": bad MAC address");
    device.mac = *mac;
    device.strManufacturer = text(node, "manufacturer");
    device.strModel = text(node, "model");
    device.strFirmware = text(node, "firmware");
    device.strHardwareId = text(node, "hardwareId");
    device.strName = text(node, "name", device.strSerial);
    const json network = node.value("ipv4", json::object());
    device.nAddress = ipv4(network, "address", device.strSerial);
    device.nGateway = ipv4(network, "gateway", device.strSerial);
    device.nPrefixLength = network.value("prefixLength", 24);
    if (device.nPrefixLength < 1 || device.nPrefixLength > 32)
        throw std::runtime_error("ONVIF device " + device.strSerial + ": bad prefix length");
    device.bDhcp = network.value("dhcp", false);
    device.nHttpPort = node.value("httpPort", uint16_t(80));
    device.nClockOffsetSeconds = node.value("clockOffsetSeconds", int64_t(0));
    device.bRebootNeeded = node.value("rebootNeeded", false);
    device.bDigestOnly = node.value("authentication", std::string("any")) == "digest";
    device.strUser = text(node, "user", "admin");
    device.strPassword = password(node, pSeal, device.strSerial);
    device.nMetadataVersion = node.value("metadataVersion", 1u);
    device.nActiveAddress = device.nAddress;
    return device;
}

} // namespace

std::string OnvifFleetStore::deviceEntry(const OnvifSimDevice& device, const PasswordSeal& seal)
{
    return json{
        {"endpoint", device.strEndpoint},
        {"manufacturer", device.strManufacturer},
        {"model", device.strModel},
        {"firmware", device.strFirmware},
        {"serial", device.strSerial},
        {"hardwareId", device.strHardwareId},
        {"name", device.strName},
        {"mac", MacAddress::format(device.mac)},
        {"ipv4",
         {{"address", IpAddress::formatIpv4(device.nAddress)},
          {"prefixLength", device.nPrefixLength},
          {"gateway", IpAddress::formatIpv4(device.nGateway)},
          {"dhcp", device.bDhcp}}},
        {"httpPort", device.nHttpPort},
        {"clockOffsetSeconds", device.nClockOffsetSeconds},
        {"rebootNeeded", device.bRebootNeeded},
        {"authentication", device.bDigestOnly ? "digest" : "any"},
        {"user", device.strUser},
        {"sealedPassword", seal.seal(device.strPassword)},
        {"metadataVersion", device.nMetadataVersion},
    }
        .dump();
}

std::vector<std::string> OnvifFleetStore::entries(const std::vector<OnvifSimDevice>& devices, const PasswordSeal& seal)
{
    std::vector<std::string> list;
    list.reserve(devices.size());
    for (const OnvifSimDevice& device : devices)
        list.push_back(deviceEntry(device, seal));
    return list;
}

std::vector<OnvifSimDevice> OnvifFleetStore::fromJson(const std::string& strText, const PasswordSeal* pSeal)
{
    const json root = json::parse(strText, nullptr, false);
    if (root.is_discarded() || !root.is_object())
        throw std::runtime_error("not a JSON object");
    const json list = root.value("onvif", json::array());
    if (!list.is_array())
        throw std::runtime_error("\"onvif\" is not an array");
    std::vector<OnvifSimDevice> devices;
    try {
        for (const json& node : list)
            devices.push_back(deviceFromJson(node, pSeal));
    } catch (const json::exception& error) {
        throw std::runtime_error(std::string("bad ONVIF device entry: ") + error.what());
    }
    return devices;
}

std::vector<OnvifSimDevice> OnvifFleetStore::load(const std::string& strPath, const PasswordSeal* pSeal)
{
    std::ifstream file(strPath, std::ios::binary);
    if (!file)
        throw std::runtime_error("cannot read " + strPath);
    std::stringstream content;
    content << file.rdbuf();
    return fromJson(content.str(), pSeal);
}

} // namespace devsim
