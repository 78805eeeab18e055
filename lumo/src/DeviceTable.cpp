#include "DeviceTable.h"

#include "Crypto.h"

#include <algorithm>

namespace lumo {

std::string DeviceTable::keyOf(const MacBytes& mac, const std::string& strSerial)
{
    std::string strKey(mac.begin(), mac.end());
    strKey += strSerial;
    return strKey;
}

DeviceTable::Clock::time_point DeviceTable::probeTime(const Entry& entry)
{
    // Probes at 80, 85, 90 and 95 % of the lifetime, like an mDNS cache refresh.
    const uint32_t nPermille = 800 + 50 * uint32_t(entry.nProbesSent) + entry.nProbeJitterPermille;
    return entry.lastHeard + std::chrono::milliseconds(uint64_t(entry.nTtlMs) * nPermille / 1000);
}

DeviceTable::Clock::time_point DeviceTable::expiryTime(const Entry& entry)
{
    return entry.lastHeard + std::chrono::milliseconds(entry.nTtlMs);
}

DeviceTable::Clock::time_point DeviceTable::nextEvent(const Entry& entry)
{
    return entry.nProbesSent < kProbeCount ? probeTime(entry) : expiryTime(entry);
}

void DeviceTable::reschedule(const std::string& strKey, Entry& entry)
{
    m_schedule.erase({entry.scheduled, strKey});
    entry.scheduled = nextEvent(entry);
    m_schedule.insert({entry.scheduled, strKey});
}

void DeviceTable::markDisplaceable(const std::string& strKey, Entry& entry, Clock::time_point since)
{
    clearDisplaceable(strKey, entry);
    entry.displaceableSince = since;
    (entry.bConfirmed ? m_missedProbe : m_unconfirmed).insert({since, strKey});
}

void DeviceTable::clearDisplaceable(const std::string& strKey, Entry& entry)
{
    if (!entry.displaceableSince)
        return;
    m_unconfirmed.erase({*entry.displaceableSince, strKey});
    m_missedProbe.erase({*entry.displaceableSince, strKey});
    entry.displaceableSince.reset();
}

DeviceInfo DeviceTable::remove(std::unordered_map<std::string, Entry>::iterator it)
{
    clearDisplaceable(it->first, it->second);
    m_schedule.erase({it->second.scheduled, it->first});
    DeviceInfo info = std::move(it->second.info);
    m_devices.erase(it);
    return info;
}

std::optional<DeviceInfo> DeviceTable::displaceOne(Clock::time_point now)
{
    // The longest unconfirmed entry first, then the one whose probe went unanswered longest.
    if (!m_unconfirmed.empty())
        return remove(m_devices.find(m_unconfirmed.begin()->second));
    if (!m_missedProbe.empty() && m_missedProbe.begin()->first + kProbeGrace <= now)
        return remove(m_devices.find(m_missedProbe.begin()->second));
    return std::nullopt;
}

DeviceTable::Heard DeviceTable::heard(const DeviceInfo& device, uint32_t nTtlMs, Origin origin, Clock::time_point now)
{
    Heard result;
    std::string strKey = keyOf(device.mac, device.serial);
    if (m_devices.size() >= kMaxDevices && m_devices.find(strKey) == m_devices.end()) {
        // Made-up devices can fill the table, but only a device that answers this
        // library's own request takes the place of one that never did (or went silent).
        if (origin != Origin::Asked || !(result.displaced = displaceOne(now))) {
            result.change = Change::Refused;
            return result;
        }
    }
    auto [it, bInserted] = m_devices.try_emplace(std::move(strKey));
    Entry& entry = it->second;
    entry.lastHeard = now;
    entry.nTtlMs = std::min(nTtlMs, kMaxLifetimeMs);
    entry.nProbesSent = 0;
    entry.bConfirmed = entry.bConfirmed || origin == Origin::Asked;
    // Spreads the probes of devices first heard together, as mDNS does with its 2 % jitter.
    entry.nProbeJitterPermille = Crypto::randomBelow(21);
    reschedule(it->first, entry);
    if (entry.bConfirmed)
        clearDisplaceable(it->first, entry);
    else
        markDisplaceable(it->first, entry, now);
    if (bInserted) {
        entry.info = device;
        result.change = Change::Online;
    } else if (entry.info != device) {
        entry.info = device;
        result.change = Change::Update;
    }
    return result;
}

std::optional<DeviceInfo> DeviceTable::forget(const MacBytes& mac, const std::string& strSerial)
{
    const auto it = m_devices.find(keyOf(mac, strSerial));
    if (it == m_devices.end())
        return std::nullopt;
    return remove(it);
}

std::vector<DeviceInfo> DeviceTable::expire(Clock::time_point now)
{
    std::vector<std::string> due;
    for (auto mark = m_schedule.begin(); mark != m_schedule.end() && mark->first <= now; ++mark)
        if (now >= expiryTime(m_devices.at(mark->second)))
            due.push_back(mark->second);
    std::vector<DeviceInfo> expired;
    for (const std::string& strKey : due)
        expired.push_back(remove(m_devices.find(strKey)));
    return expired;
}

std::vector<MacBytes> DeviceTable::takeDueProbes(Clock::time_point now)
{
    std::vector<std::string> due;
    for (auto mark = m_schedule.begin(); mark != m_schedule.end() && mark->first <= now; ++mark)
        if (m_devices.at(mark->second).nProbesSent < kProbeCount)
            due.push_back(mark->second);
    std::vector<MacBytes> probes;
    for (const std::string& strKey : due) {
        Entry& entry = m_devices.at(strKey);
        ++entry.nProbesSent;
        probes.push_back(entry.info.mac);
        reschedule(strKey, entry);
        if (entry.bConfirmed && !entry.displaceableSince)
            markDisplaceable(strKey, entry, now);
    }
    return probes;
}

} // namespace lumo
