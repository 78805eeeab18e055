#include "LumoDeviceInfo.h"

namespace {

template <std::size_t N, std::size_t M>
void CopyField(char (&to)[N], const char (&from)[M])
{
    static_assert(N == M, "record and report fields have the same width");
    std::memcpy(to, from, N);
}

} // namespace

void FillDeviceInfo(LUMO_DEVICE_INFO_MY& info, const LUMO_DEVICE_REPORT& report)
{
    std::memset(&info, 0, sizeof info);
    CopyField(info.serial, report.serial);
    CopyField(info.mac, report.mac);
    CopyField(info.ipv4Address, report.ipv4Address);
    CopyField(info.ipv4Mask, report.ipv4Mask);
    info.deviceClass = int32_t(report.deviceClass);
    info.port = int32_t(report.port);
    info.channelCount = int32_t(report.channelCount);
    CopyField(info.softwareVersion, report.softwareVersion);
    CopyField(info.dspVersion, report.dspVersion);
    CopyField(info.startTime, report.startTime);
    CopyField(info.deviceTypeText, report.deviceTypeText);
    CopyField(info.ipv4Gateway, report.ipv4Gateway);
    CopyField(info.ipv6Address, report.ipv6Address);
    CopyField(info.ipv6Gateway, report.ipv6Gateway);
    info.ipv6PrefixLength = report.ipv6PrefixLength;
    info.capabilities = report.capabilities;
    info.ipv4Dhcp = report.ipv4Dhcp;
    info.extendedValid = report.extendedValid;
}

void RegisterDeviceInfoMetaType()
{
    qRegisterMetaType<LUMO_DEVICE_INFO_MY>("LUMO_DEVICE_INFO_MY");
}
