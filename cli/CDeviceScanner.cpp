#include "CDeviceScanner.h"

#include "LumoDeviceCallback.h"

#include <QByteArray>
#include <QString>

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
    if (!m_discovery.Start())
        return false;
    m_discovery.SendInquiry();
    return true;
}

QList<LUMO_DEVICE_INFO_MY> CDeviceScanner::Devices() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_devices.values();
}

bool CDeviceScanner::Modify(const LUMO_DEVICE_INFO_MY& device, const QByteArray& password,
                            const QByteArray& address, const QByteArray& mask, const QByteArray& gateway,
                            int port, const QByteArray* ipv6Address, const QByteArray* ipv6Gateway,
                            int ipv6PrefixLength, LumoFailure* failure)
{
    const QByteArray mac = FieldBytes(device.mac);
    const QByteArray portText = QByteArray::number(port);
    return m_discovery.ModifyNetParam(mac.constData(), address.constData(), mask.constData(),
                                      password.constData(), portText.constData(), gateway.constData(),
                                      ipv6Address ? ipv6Address->constData() : nullptr,
                                      ipv6Gateway ? ipv6Gateway->constData() : nullptr,
                                      ipv6Address ? ipv6PrefixLength : 0, 0, failure);
}

bool CDeviceScanner::ResetPassword(const QByteArray& serial, const QByteArray& securityCode, LumoFailure* failure)
{
    return m_discovery.ResetDefaultPassword(serial.constData(), securityCode.constData(), failure);
}

bool CDeviceScanner::IsExcludedDeviceClass(quint32) const
{
    return false;
}

bool CDeviceScanner::IsAcceptedModel(const QString&) const
{
    return true;
}

QByteArray CDeviceScanner::Identity(const QByteArray& serial, const QByteArray& mac)
{
    return serial + '\0' + mac;
}

void CDeviceScanner::Store(const LUMO_DEVICE_INFO_MY& info)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_devices.insert(Identity(FieldBytes(info.serial), FieldBytes(info.mac)), info);
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
    std::lock_guard<std::mutex> lock(m_mutex);
    m_devices.remove(Identity(serial.toLocal8Bit(), mac.toLocal8Bit()));
}
