#pragma once

#include "OnvifDeviceRecord.h"
#include "OnvifReaddress.h"

#include <QHash>
#include <QString>
#include <QVector>

#include <memory>

class OnvifDiscovery;
class OnvifReadQueue;
class QNetworkAccessManager;
struct OnvifDiscoverySettings;

// The ONVIF side of the tool's search: discovery on the adapters and targets
// of the settings, and a read of each device found (a bounded number at once).
// Runs on the calling thread's event loop, which the caller keeps turning.
class COnvifScanner
{
public:
    COnvifScanner();
    ~COnvifScanner();
    COnvifScanner(const COnvifScanner&) = delete;
    COnvifScanner& operator=(const COnvifScanner&) = delete;

    // Reads are tried without credentials when the user is empty.
    void SetCredentials(const QString& user, const QString& password);
    // Opens the sockets and sends a round of probes; false when no socket opened.
    bool Start(const OnvifDiscoverySettings& settings);

    // Each device once: as read, or as discovery gave it while its read runs.
    QVector<OnvifDeviceRecord> Devices() const;
    bool IsReading() const;

    // Gives one device a new address and waits (turning the event loop) until
    // it answers there or the change failed.
    OnvifReaddress::Result Readdress(const OnvifDeviceRecord& device, const OnvifReaddress::Request& request);

private:
    void Found(const OnvifDeviceRecord& record);

    QString m_strUser;
    QString m_strPassword;
    std::unique_ptr<QNetworkAccessManager> m_pManager;
    std::unique_ptr<OnvifDiscovery> m_pDiscovery;
    std::unique_ptr<OnvifReadQueue> m_pReads;
    QHash<QString, OnvifDeviceRecord> m_devices; // by endpoint
};
