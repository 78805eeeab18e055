#pragma once

#include "OnvifSimDevice.h"

#include <functional>
#include <mutex>
#include <vector>

namespace devsim {

// The ONVIF cameras, shared between the HTTP threads of their device services
// and the simulator's thread (discovery, saving): every access holds the lock.
class OnvifFleet
{
public:
    explicit OnvifFleet(std::vector<OnvifSimDevice> devices);

    size_t size() const { return m_nSize; }
    OnvifSimDevice snapshot(size_t nIndex) const;
    std::vector<OnvifSimDevice> snapshotAll() const;
    // Runs the change under the lock; returns the device as it is afterwards.
    OnvifSimDevice update(size_t nIndex, const std::function<void(OnvifSimDevice&)>& change);

private:
    mutable std::mutex m_mutex;
    std::vector<OnvifSimDevice> m_devices;
    const size_t m_nSize;
};

} // namespace devsim
