#pragma once

#include "Messages.h"

#include <chrono>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

namespace lumo {

// The devices heard in this run, keyed by serial number and MAC (never by
// address), with what is needed to tell online from update and to judge liveness.
class DeviceTable
{
public:
    using Clock = std::chrono::steady_clock;
    // Refused: a new device while the table is full; nothing is kept or reported.
    enum class Change { None, Online, Update, Refused };

    Change heard(const DeviceInfo& device, uint32_t nTtlMs, Clock::time_point now);
    // Removes a device that said goodbye; its last record, or nothing if unknown.
    std::optional<DeviceInfo> forget(const MacBytes& mac, const std::string& strSerial);
    // Removes and returns the devices silent for longer than their lifetime.
    std::vector<DeviceInfo> expire(Clock::time_point now);
    // MACs of devices whose next liveness probe is due; counts the probe as sent.
    std::vector<MacBytes> takeDueProbes(Clock::time_point now);
    size_t size() const { return m_devices.size(); }

    static constexpr int kProbeCount = 4;
    // Answers are not authenticated: a flood of made-up devices must not grow the
    // table (and the panel's list) without bound.
    static constexpr size_t kMaxDevices = 65536;

private:
    struct Entry
    {
        DeviceInfo info;
        Clock::time_point lastHeard;
        uint32_t nTtlMs = 0;
        int nProbesSent = 0;
        uint32_t nProbeJitterPermille = 0;
    };

    static std::string keyOf(const MacBytes& mac, const std::string& strSerial);
    static Clock::time_point probeTime(const Entry& entry);

    std::unordered_map<std::string, Entry> m_devices;
};

} // namespace lumo
