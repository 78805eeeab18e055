#include "LumoDeviceCallback.h"

#include "CLumoDeviceSink.h"
#include "LumoDeviceInfo.h"

#include <algorithm>
#include <cstddef>
#include <cstring>

std::atomic<CLumoDeviceSink*> g_pQtLumo { nullptr };

namespace {

constexpr std::size_t kPlausibleTextLimit = 64;

// The checked texts may run across field borders (that is what the check looks
// for), so each is measured up to 64 characters but never past the report.
std::size_t BoundedLength(const LUMO_DEVICE_REPORT& report, std::size_t offset)
{
    const char* text = reinterpret_cast<const char*>(&report) + offset;
    const std::size_t limit = std::min(kPlausibleTextLimit, sizeof(LUMO_DEVICE_REPORT) - offset);
    const void* nul = std::memchr(text, 0, limit);
    return nul ? std::size_t(static_cast<const char*>(nul) - text) : limit;
}

bool PassesFilters(const CLumoDeviceSink& sink, const LUMO_DEVICE_REPORT& report)
{
    if (sink.IsExcludedDeviceClass(report.deviceClass))
        return false;
    return sink.IsAcceptedModel(FieldLatin1(report.deviceTypeText));
}

} // namespace

bool IsPlausibleReport(const LUMO_DEVICE_REPORT& report)
{
    static constexpr std::size_t kCheckedOffsets[] = {
        offsetof(LUMO_DEVICE_REPORT, leading),
        offsetof(LUMO_DEVICE_REPORT, serial),
        offsetof(LUMO_DEVICE_REPORT, mac),
        offsetof(LUMO_DEVICE_REPORT, ipv4Address),
        offsetof(LUMO_DEVICE_REPORT, ipv4Mask),
        offsetof(LUMO_DEVICE_REPORT, softwareVersion),
        offsetof(LUMO_DEVICE_REPORT, dspVersion),
        offsetof(LUMO_DEVICE_REPORT, startTime),
    };
    for (std::size_t offset : kCheckedOffsets) {
        if (BoundedLength(report, offset) < kPlausibleTextLimit)
            return true;
    }
    return false;
}

void LUMO_CALL LumoDeviceCallback(const LUMO_DEVICE_REPORT* report, void* /*user*/)
{
    CLumoDeviceSink* sink = g_pQtLumo.load();
    if (!report || !sink || !IsPlausibleReport(*report))
        return;

    LUMO_DEVICE_INFO_MY info;
    switch (report->eventCode) {
    case LUMO_EVENT_ONLINE:
    case LUMO_EVENT_ONLINE_ALT:
        if (!PassesFilters(*sink, *report))
            return;
        FillDeviceInfo(info, *report);
        sink->AppendDeviceRecord(info);
        sink->EmitDeviceOnline(info);
        break;
    case LUMO_EVENT_UPDATE:
        if (!PassesFilters(*sink, *report))
            return;
        FillDeviceInfo(info, *report);
        sink->EmitDeviceUpdate(info);
        break;
    case LUMO_EVENT_OFFLINE:
        sink->EmitDeviceOffline(FieldLatin1(report->serial), FieldLatin1(report->mac));
        break;
    default:
        break;
    }
}
