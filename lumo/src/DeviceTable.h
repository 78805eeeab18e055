#pragma once

#include "Messages.h"

#include <chrono>
#include <optional>
#include <set>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

namespace lumo {

// The devices heard in this run, keyed by serial number and MAC (never by
// address), with what is needed to tell online from update and to judge liveness.
// Liveness work is kept in time order, so that a sweep costs what is due, not the
// size of the table.
class DeviceTable
{
public:
    using Clock = std::chrono::steady_clock;
    // Refused: a new device while the table is full and it may not take another's place.
    enum class Change { None, Online, Update, Refused };
    // Asked: a reply to this library's own inquiry or probe. Unsolicited: an
    // announcement, or a reply to a request this library did not make.
    enum class Origin { Asked, Unsolicited };

    struct Heard
    {
        Change change = Change::None;
        std::optional<DeviceInfo> displaced; // the device whose place a newcomer took
    };

    Heard heard(const DeviceInfo& device, uint32_t nTtlMs, Origin origin, Clock::time_point now);
    // Removes a device that said goodbye; its last record, or nothing if unknown.
    std::optional<DeviceInfo> forget(const MacBytes& mac, const std::string& strSerial);
    // Removes and returns the devices silent for longer than their lifetime.
    std::vector<DeviceInfo> expire(Clock::time_point now);
    // MACs of devices whose next liveness probe is due; counts the probe as sent.
    std::vector<MacBytes> takeDueProbes(Clock::time_point now);
    size_t size() const { return m_devices.size(); }

    static constexpr int kProbeCount = 4;
    // Answers are not authenticated: a flood of made-up devices must not grow the
    // table (and the panel's list) without bound, nor keep a place for long.
    static constexpr size_t kMaxDevices = 65536;
    static constexpr uint32_t kMaxLifetimeMs = 3600u * 1000u;
    // How long a probed device has to answer before it counts as having missed the probe.
    static constexpr std::chrono::seconds kProbeGrace{1};

private:
    using Mark = std::pair<Clock::time_point, std::string>;

    struct Entry
    {
        DeviceInfo info;
        Clock::time_point lastHeard;
        uint32_t nTtlMs = 0;
        int nProbesSent = 0;
        uint32_t nProbeJitterPermille = 0;
        bool bConfirmed = false;            // has answered this library's own request
        Clock::time_point scheduled;        // its mark in m_schedule
        std::optional<Clock::time_point> displaceableSince; // its mark in m_unconfirmed or m_missedProbe
    };

    static std::string keyOf(const MacBytes& mac, const std::string& strSerial);
    static Clock::time_point probeTime(const Entry& entry);
    static Clock::time_point expiryTime(const Entry& entry);
    static Clock::time_point nextEvent(const Entry& entry);

    void reschedule(const std::string& strKey, Entry& entry);
    void markDisplaceable(const std::string& strKey, Entry& entry, Clock::time_point since);
    void clearDisplaceable(const std::string& strKey, Entry& entry);
    std::optional<DeviceInfo> displaceOne(Clock::time_point now);
    DeviceInfo remove(std::unordered_map<std::string, Entry>::iterator it);

    std::unordered_map<std::string, Entry> m_devices;
    std::set<Mark> m_schedule;    // next probe or expiry of every device
    std::set<Mark> m_unconfirmed; // never answered this library: first to give way
    std::set<Mark> m_missedProbe; // a probe went unanswered so far: next to give way
};

} // namespace lumo
