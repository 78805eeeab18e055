#include "ReportBuilder.h"

#include "IpAddress.h"
#include "MacAddress.h"

#include <cstring>
#include <string>

namespace lumo {

namespace {

template <size_t N>
void copyText(char (&field)[N], const std::string& strText)
{
    const size_t nLength = strText.size() < N ? strText.size() : N - 1;
    std::memcpy(field, strText.data(), nLength);
    field[nLength] = '\0';
}

} // namespace

LUMO_DEVICE_REPORT ReportBuilder::build(const DeviceInfo& device, uint32_t nEventCode)
{
    LUMO_DEVICE_REPORT report;
    std::memset(&report, 0, sizeof(report));
    copyText(report.leading, "LUMO1");
    copyText(report.serial, device.serial);
    copyText(report.mac, MacAddress::format(device.mac));
    copyText(report.ipv4Address, IpAddress::formatIpv4(device.ipv4Address));
    copyText(report.ipv4Mask, IpAddress::formatIpv4(device.ipv4Mask));
    report.deviceClass = device.deviceClass;
    report.port = device.port;
    report.channelCount = device.channelCount;
    copyText(report.softwareVersion, device.softwareVersion);
    copyText(report.dspVersion, device.dspVersion);
    copyText(report.startTime, device.startTime);
    report.eventCode = nEventCode;
    copyText(report.deviceTypeText, device.model);
    copyText(report.ipv4Gateway, IpAddress::formatIpv4(device.ipv4Gateway));
    if (device.capabilities & LUMO_CAP_IPV6) {
        copyText(report.ipv6Address, IpAddress::formatIpv6(device.ipv6Address));
        copyText(report.ipv6Gateway, IpAddress::formatIpv6(device.ipv6Gateway));
    }
    report.ipv6PrefixLength = device.ipv6PrefixLength;
    report.capabilities = device.capabilities;
    report.ipv4Dhcp = device.ipv4Dhcp;
    report.extendedValid = device.extendedValid;
    return report;
}

} // namespace lumo
