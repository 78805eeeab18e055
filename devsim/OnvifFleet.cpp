#include "OnvifFleet.h"

namespace devsim {

OnvifFleet::OnvifFleet(std::vector<OnvifSimDevice> devices) : m_devices(std::move(devices)), m_nSize(m_devices.size())
{
}

OnvifSimDevice OnvifFleet::snapshot(size_t nIndex) const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_devices.at(nIndex);
}

std::vector<OnvifSimDevice> OnvifFleet::snapshotAll() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_devices;
}

OnvifSimDevice OnvifFleet::update(size_t nIndex, const std::function<void(OnvifSimDevice&)>& change)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    change(m_devices.at(nIndex));
    return m_devices[nIndex];
}

} // namespace devsim
