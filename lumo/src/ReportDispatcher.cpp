#include "ReportDispatcher.h"

#include <cstring>

namespace lumo {

namespace {

bool isOnline(uint32_t nEvent)
{
    return nEvent == LUMO_EVENT_ONLINE || nEvent == LUMO_EVENT_ONLINE_ALT;
}

template <size_t N>
std::string fieldText(const char (&field)[N])
{
    return std::string(field, strnlen(field, N));
}

} // namespace

ReportDispatcher::ReportDispatcher(LUMO_DEVICE_CALLBACK callback, void* pUser, size_t nMaxPending)
    : m_callback(callback)
    , m_pUser(pUser)
    , m_nMaxPending(nMaxPending)
{
}

ReportDispatcher::~ReportDispatcher()
{
    stop();
}

void ReportDispatcher::start()
{
    m_thread = std::thread([this] { deliverUntilClosed(); });
    m_threadId = m_thread.get_id();
}

std::optional<uint32_t> ReportDispatcher::mergedEvent(uint32_t nWaiting, uint32_t nNewer)
{
    if (isOnline(nWaiting))
        return nNewer == LUMO_EVENT_OFFLINE ? std::nullopt : std::optional<uint32_t>(nWaiting);
    // The consumer has seen the device: it is to stay listed, with the newer record.
    if (isOnline(nNewer))
        return uint32_t(LUMO_EVENT_UPDATE);
    return nNewer;
}

std::string ReportDispatcher::deviceKey(const LUMO_DEVICE_REPORT& report)
{
    return fieldText(report.mac) + '|' + fieldText(report.serial);
}

void ReportDispatcher::post(const LUMO_DEVICE_REPORT& report)
{
    std::string strDevice = deviceKey(report);
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_bClosed)
        return;
    const auto waiting = m_waitingByDevice.find(strDevice);
    if (waiting != m_waitingByDevice.end()) {
        const auto merged = mergedEvent(waiting->second->report.eventCode, report.eventCode);
        if (!merged) {
            m_queue.erase(waiting->second);
            m_waitingByDevice.erase(waiting);
            return;
        }
        waiting->second->report = report;
        waiting->second->report.eventCode = *merged;
        return;
    }
    if (m_queue.size() >= m_nMaxPending) {
        ++m_nDropped;
        return;
    }
    m_queue.push_back({strDevice, report});
    m_waitingByDevice.emplace(std::move(strDevice), std::prev(m_queue.end()));
    m_wake.notify_one();
}

void ReportDispatcher::deliverUntilClosed()
{
    std::unique_lock<std::mutex> lock(m_mutex);
    for (;;) {
        m_wake.wait(lock, [this] { return m_bClosed || !m_queue.empty(); });
        if (m_bClosed)
            return;
        const LUMO_DEVICE_REPORT report = m_queue.front().report;
        m_waitingByDevice.erase(m_queue.front().strDevice);
        m_queue.pop_front();
        lock.unlock();
        m_callback(&report, m_pUser);
        lock.lock();
    }
}

void ReportDispatcher::close()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_bClosed = true;
    m_queue.clear();
    m_waitingByDevice.clear();
    m_wake.notify_all();
}

void ReportDispatcher::stop()
{
    close();
    if (m_thread.joinable())
        m_thread.join();
}

bool ReportDispatcher::isDeliveryThread() const
{
    return m_threadId != std::thread::id() && std::this_thread::get_id() == m_threadId;
}

size_t ReportDispatcher::pending() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_queue.size();
}

} // namespace lumo
