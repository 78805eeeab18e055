#include "DeviceTable.h"

#include "Crypto.h"

namespace lumo {

std::string DeviceTable::keyOf(const MacBytes& mac, const std::string& strSerial)
{
    std::string strKey(mac.begin(), mac.end());
    strKey += strSerial;
    return strKey;
}

DeviceTable::Change DeviceTable::heard(const DeviceInfo& device, uint32_t nTtlMs, Clock::time_point now)
{
    std::string strKey = keyOf(device.mac, device.serial);
    if (m_devices.size() >= kMaxDevices && m_devices.find(strKey) == m_devices.end())
        return Change::Refused;
    auto [it, bInserted] = m_devices.try_emplace(std::move(strKey));
    Entry& entry = it->second;
    entry.lastHeard = now;
    entry.nTtlMs = nTtlMs;
    entry.nProbesSent = 0;
    // Spreads the probes of devices first heard together, as mDNS does with its 2 % jitter.
    entry.nProbeJitterPermille = Crypto::randomBelow(21);
    if (bInserted) {
        entry.info = device;
        return Change::Online;
    }
    if (entry.info == device)
        return Change::None;
    entry.info = device;
    return Change::Update;
}

std::optional<DeviceInfo> DeviceTable::forget(const MacBytes& mac, const std::string& strSerial)
{
    const auto it = m_devices.find(keyOf(mac, strSerial));
    if (it == m_devices.end())
        return std::nullopt;
    DeviceInfo info = std::move(it->second.info);
    m_devices.erase(it);
    return info;
}

std::vector<DeviceInfo> DeviceTable::expire(Clock::time_point now)
{
    std::vector<DeviceInfo> expired;
    for (auto it = m_devices.begin(); it != m_devices.end();) {
        if (now - it->second.lastHeard >= std::chrono::milliseconds(it->second.nTtlMs)) {
            expired.push_back(std::move(it->second.info));
            it = m_devices.erase(it);
        } else {
            ++it;
        }
    }
    return expired;
}

DeviceTable::Clock::time_point DeviceTable::probeTime(const Entry& entry)
{
    // Probes at 80, 85, 90 and 95 % of the lifetime, like an mDNS cache refresh.
    const uint32_t nPermille = 800 + 50 * uint32_t(entry.nProbesSent) + entry.nProbeJitterPermille;
    return entry.lastHeard + std::chrono::milliseconds(uint64_t(entry.nTtlMs) * nPermille / 1000);
}

std::vector<MacBytes> DeviceTable::takeDueProbes(Clock::time_point now)
{
    std::vector<MacBytes> due;
    for (auto& [strKey, entry] : m_devices) {
        if (entry.nProbesSent < kProbeCount && now >= probeTime(entry)) {
            ++entry.nProbesSent;
            due.push_back(entry.info.mac);
        }
    }
    return due;
}

} // namespace lumo
