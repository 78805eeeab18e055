#include "CDeviceScanner.h"

#include "LumoDeviceCallback.h"

#include <QByteArray>
#include <QString>

namespace {

// How often a wait reports progress when nothing arrives.
constexpr std::chrono::milliseconds kProgressInterval(200);

} // namespace

CDeviceScanner::CDeviceScanner() = default;

CDeviceScanner::~CDeviceScanner()
{
    // Stopping returns only when no callback runs any more, so the sink can go.
    m_discovery.Stop();
    m_discovery.Reset();
    CLumoDeviceSink* self = this;
    g_pQtLumo.compare_exchange_strong(self, nullptr);
}

bool CDeviceScanner::Start()
{
    g_pQtLumo = this;
    m_discovery.Init(LumoDeviceCallback, nullptr);
    m_bStarted = m_discovery.Start();
    if (m_bStarted)
        m_discovery.SendInquiry();
    return m_bStarted;
}

void CDeviceScanner::Wait(std::chrono::milliseconds duration, const Predicate& done, const Progress& progress)
{
    using Clock = std::chrono::steady_clock;
    const Clock::time_point deadline = Clock::now() + duration;
    std::unique_lock<std::mutex> lock(m_mutex);
    for (;;) {
        if (done && done(m_devices))
            return;
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0)
            return;
        if (progress) {
            const int found = int(m_devices.size());
            lock.unlock();
            progress(left, found);
            lock.lock();
        }
        m_changed.wait_for(lock, std::min(left, kProgressInterval));
    }
}

QList<LUMO_DEVICE_INFO_MY> CDeviceScanner::Devices() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_devices;
}

bool CDeviceScanner::Modify(const LUMO_DEVICE_INFO_MY& device, const QByteArray& password,
                            const QByteArray& address, const QByteArray& mask, const QByteArray& gateway,
                            int port, const QByteArray* ipv6Address, const QByteArray* ipv6Gateway,
                            int ipv6PrefixLength)
{
    const QByteArray mac = FieldBytes(device.mac);
    const QByteArray portText = QByteArray::number(port);
    return m_discovery.ModifyNetParam(mac.constData(), address.constData(), mask.constData(),
                                      password.constData(), portText.constData(), gateway.constData(),
                                      ipv6Address ? ipv6Address->constData() : nullptr,
                                      ipv6Gateway ? ipv6Gateway->constData() : nullptr,
                                      ipv6Address ? ipv6PrefixLength : 0, 0);
}

bool CDeviceScanner::ResetPassword(const QByteArray& serial, const QByteArray& securityCode)
{
    return m_discovery.ResetDefaultPassword(serial.constData(), securityCode.constData());
}

bool CDeviceScanner::IsExcludedDeviceClass(quint32) const
{
    return false;
}

bool CDeviceScanner::IsAcceptedModel(const QString&) const
{
    return true;
}

int CDeviceScanner::IndexOf(const QByteArray& serial, const QByteArray& mac) const
{
    for (int i = 0; i < m_devices.size(); ++i) {
        if (FieldEquals(m_devices[i].serial, serial) && FieldEquals(m_devices[i].mac, mac))
            return i;
    }
    return -1;
}

void CDeviceScanner::Store(const LUMO_DEVICE_INFO_MY& info)
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        const int index = IndexOf(FieldBytes(info.serial), FieldBytes(info.mac));
        if (index < 0)
            m_devices.append(info);
        else
            m_devices[index] = info;
    }
    m_changed.notify_all();
}

void CDeviceScanner::AppendDeviceRecord(const LUMO_DEVICE_INFO_MY&)
{
    // The record is kept by EmitDeviceOnline, which follows at once; keeping it
    // here as well would list a device twice.
}

void CDeviceScanner::EmitDeviceOnline(const LUMO_DEVICE_INFO_MY& info)
{
    Store(info);
}

void CDeviceScanner::EmitDeviceUpdate(const LUMO_DEVICE_INFO_MY& info)
{
    Store(info);
}

void CDeviceScanner::EmitDeviceOffline(const QString& serial, const QString& mac)
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        const int index = IndexOf(serial.toLocal8Bit(), mac.toLocal8Bit());
        if (index >= 0)
            m_devices.removeAt(index);
    }
    m_changed.notify_all();
}
