#pragma once

#include "CLumoDeviceSink.h"
#include "CLumoDiscovery.h"
#include "LumoDeviceInfo.h"

#include <QByteArray>
#include <QHash>
#include <QList>

#include <mutex>

// Finds devices for the command-line tool through the same binding and
// callback as the program: it is the process's device sink, keeps one record
// per device (serial number and MAC) as reports come in on the library's
// thread, and hands out copies.
class CDeviceScanner : public CLumoDeviceSink
{
public:
    CDeviceScanner();
    ~CDeviceScanner() override;
    CDeviceScanner(const CDeviceScanner&) = delete;
    CDeviceScanner& operator=(const CDeviceScanner&) = delete;

    // Loads and starts the discovery library and sends an inquiry.
    bool Start();

    QList<LUMO_DEVICE_INFO_MY> Devices() const;

    bool Modify(const LUMO_DEVICE_INFO_MY& device, const QByteArray& password, const QByteArray& address,
                const QByteArray& mask, const QByteArray& gateway, int port, const QByteArray* ipv6Address,
                const QByteArray* ipv6Gateway, int ipv6PrefixLength, LumoFailure* failure = nullptr);
    bool ResetPassword(const QByteArray& serial, const QByteArray& securityCode, LumoFailure* failure = nullptr);

    // CLumoDeviceSink: every device is kept; the caller chooses what to show.
    bool IsExcludedDeviceClass(quint32 classCode) const override;
    bool IsAcceptedModel(const QString& deviceType) const override;
    void AppendDeviceRecord(const LUMO_DEVICE_INFO_MY& info) override;
    void EmitDeviceOnline(const LUMO_DEVICE_INFO_MY& info) override;
    void EmitDeviceUpdate(const LUMO_DEVICE_INFO_MY& info) override;
    void EmitDeviceOffline(const QString& serial, const QString& mac) override;

private:
    static QByteArray Identity(const QByteArray& serial, const QByteArray& mac);
    void Store(const LUMO_DEVICE_INFO_MY& info);

    CLumoDiscovery m_discovery;
    mutable std::mutex m_mutex;
    QHash<QByteArray, LUMO_DEVICE_INFO_MY> m_devices; // by serial number and MAC
};
