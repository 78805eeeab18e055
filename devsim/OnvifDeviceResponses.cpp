#include "OnvifDeviceResponses.h"

#include "IpAddress.h"
#include "MacAddress.h"
#include "OnvifSimDevice.h"
#include "OnvifXml.h"
#include "OnvifXmlWriter.h"
#include "UtcCalendar.h"

#include <ctime>

namespace devsim {

namespace {

using Writer = OnvifXmlWriter;

Writer deviceEnvelope()
{
    return Writer({{"tds", OnvifXml::kDevice}, {"tt", OnvifXml::kSchema}});
}

void writeDateTime(pugi::xml_node parent, const std::tm& parts)
{
    pugi::xml_node time = Writer::add(parent, "tt:Time");
    Writer::add(time, "tt:Hour", std::to_string(parts.tm_hour));
    Writer::add(time, "tt:Minute", std::to_string(parts.tm_min));
    Writer::add(time, "tt:Second", std::to_string(parts.tm_sec));
    pugi::xml_node date = Writer::add(parent, "tt:Date");
    Writer::add(date, "tt:Year", std::to_string(parts.tm_year + 1900));
    Writer::add(date, "tt:Month", std::to_string(parts.tm_mon + 1));
    Writer::add(date, "tt:Day", std::to_string(parts.tm_mday));
}

bool isTrue(const std::string& strText)
{
    return strText == "true" || strText == "1";
}

} // namespace

std::string OnvifDeviceResponses::systemDateAndTime(const OnvifSimDevice& device)
{
    const std::tm parts
        = UtcCalendar::fromSeconds(int64_t(std::time(nullptr)) + int64_t(device.nClockOffsetSeconds));
    Writer writer = deviceEnvelope();
    pugi::xml_node system
        = Writer::add(Writer::add(writer.body(), "tds:GetSystemDateAndTimeResponse"), "tds:SystemDateAndTime");
    Writer::add(system, "tt:DateTimeType", "Manual");
    Writer::add(system, "tt:DaylightSavings", "false");
    Writer::add(Writer::add(system, "tt:TimeZone"), "tt:TZ", "UTC0");
    writeDateTime(Writer::add(system, "tt:UTCDateTime"), parts);
    writeDateTime(Writer::add(system, "tt:LocalDateTime"), parts);
    return writer.toString();
}

std::string OnvifDeviceResponses::deviceInformation(const OnvifSimDevice& device)
{
    Writer writer = deviceEnvelope();
    pugi::xml_node response = Writer::add(writer.body(), "tds:GetDeviceInformationResponse");
    Writer::add(response, "tds:Manufacturer", device.strManufacturer);
    Writer::add(response, "tds:Model", device.strModel);
    Writer::add(response, "tds:FirmwareVersion", device.strFirmware);
    Writer::add(response, "tds:SerialNumber", device.strSerial);
    Writer::add(response, "tds:HardwareId", device.strHardwareId);
    return writer.toString();
}

std::string OnvifDeviceResponses::networkInterfaces(const OnvifSimDevice& device)
{
    Writer writer = deviceEnvelope();
    pugi::xml_node networkInterface
        = Writer::add(Writer::add(writer.body(), "tds:GetNetworkInterfacesResponse"), "tds:NetworkInterfaces");
    networkInterface.append_attribute("token") = kInterfaceToken;
    Writer::add(networkInterface, "tt:Enabled", "true");
    pugi::xml_node info = Writer::add(networkInterface, "tt:Info");
    Writer::add(info, "tt:Name", kInterfaceToken);
    Writer::add(info, "tt:HwAddress", lumo::MacAddress::format(device.mac));
    Writer::add(info, "tt:MTU", "1500");
    pugi::xml_node ipv4 = Writer::add(networkInterface, "tt:IPv4");
    Writer::add(ipv4, "tt:Enabled", "true");
    pugi::xml_node config = Writer::add(ipv4, "tt:Config");
    // The address in use, which differs from the stored one while a change waits for a reboot.
    pugi::xml_node address = Writer::add(config, device.bDhcp ? "tt:FromDHCP" : "tt:Manual");
    Writer::add(address, "tt:Address", lumo::IpAddress::formatIpv4(device.nActiveAddress));
    Writer::add(address, "tt:PrefixLength", std::to_string(device.nPrefixLength));
    Writer::add(config, "tt:DHCP", device.bDhcp ? "true" : "false");
    return writer.toString();
}

std::string OnvifDeviceResponses::networkDefaultGateway(const OnvifSimDevice& device)
{
    Writer writer = deviceEnvelope();
    pugi::xml_node gateway
        = Writer::add(Writer::add(writer.body(), "tds:GetNetworkDefaultGatewayResponse"), "tds:NetworkGateway");
    if (device.nGateway != 0)
        Writer::add(gateway, "tt:IPv4Address", lumo::IpAddress::formatIpv4(device.nGateway));
    return writer.toString();
}

std::string OnvifDeviceResponses::networkProtocols(const OnvifSimDevice& device)
{
    Writer writer = deviceEnvelope();
    pugi::xml_node response = Writer::add(writer.body(), "tds:GetNetworkProtocolsResponse");
    pugi::xml_node http = Writer::add(response, "tds:NetworkProtocols");
    Writer::add(http, "tt:Name", "HTTP");
    Writer::add(http, "tt:Enabled", "true");
    Writer::add(http, "tt:Port", std::to_string(device.nHttpPort));
    pugi::xml_node rtsp = Writer::add(response, "tds:NetworkProtocols");
    Writer::add(rtsp, "tt:Name", "RTSP");
    Writer::add(rtsp, "tt:Enabled", "false");
    Writer::add(rtsp, "tt:Port", "554");
    return writer.toString();
}

std::string OnvifDeviceResponses::setNetworkInterfaces(bool bRebootNeeded)
{
    Writer writer = deviceEnvelope();
    Writer::add(Writer::add(writer.body(), "tds:SetNetworkInterfacesResponse"), "tds:RebootNeeded",
                bRebootNeeded ? "true" : "false");
    return writer.toString();
}

std::string OnvifDeviceResponses::empty(const char* pResponse)
{
    Writer writer = deviceEnvelope();
    Writer::add(writer.body(), pResponse);
    return writer.toString();
}

std::string OnvifDeviceResponses::systemReboot()
{
    Writer writer = deviceEnvelope();
    Writer::add(Writer::add(writer.body(), "tds:SystemRebootResponse"), "tds:Message", "Rebooting");
    return writer.toString();
}

std::optional<OnvifDeviceResponses::InterfaceChange> OnvifDeviceResponses::readInterfaceChange(pugi::xml_node request,
                                                                                               std::string& strReason)
{
    if (OnvifXml::childText(request, OnvifXml::kDevice, "InterfaceToken") != kInterfaceToken) {
        strReason = "no such network interface";
        return std::nullopt;
    }
    const pugi::xml_node networkInterface = OnvifXml::child(request, OnvifXml::kDevice, "NetworkInterface");
    const pugi::xml_node ipv4 = OnvifXml::child(networkInterface, OnvifXml::kSchema, "IPv4");
    const pugi::xml_node manual = OnvifXml::child(ipv4, OnvifXml::kSchema, "Manual");
    if (isTrue(OnvifXml::childText(ipv4, OnvifXml::kSchema, "DHCP")) || !manual) {
        strReason = "only a manual IPv4 address is supported";
        return std::nullopt;
    }
    const auto address = lumo::IpAddress::parseIpv4(OnvifXml::childText(manual, OnvifXml::kSchema, "Address"));
    const std::string strPrefix = OnvifXml::childText(manual, OnvifXml::kSchema, "PrefixLength");
    const int nPrefix = strPrefix.size() <= 2 && !strPrefix.empty() ? std::atoi(strPrefix.c_str()) : 0;
    if (!address || *address == 0 || nPrefix < 1 || nPrefix > 32) {
        strReason = "invalid IPv4 address or prefix length";
        return std::nullopt;
    }
    return InterfaceChange{*address, nPrefix};
}

std::optional<uint32_t> OnvifDeviceResponses::readGateway(pugi::xml_node request)
{
    const auto gateway = lumo::IpAddress::parseIpv4(OnvifXml::childText(request, OnvifXml::kDevice, "IPv4Address"));
    if (!gateway)
        return std::nullopt;
    return *gateway;
}

} // namespace devsim
