#pragma once

#include "DeviceServiceCodec.h"
#include "OnvifDeviceRecord.h"
#include "OnvifSoapClient.h"

#include <QObject>
#include <QUrl>
#include <QVector>

class QNetworkAccessManager;

// Reads one device through its device service: GetSystemDateAndTime first and
// without authentication (the clock offset every UsernameToken then uses),
// then GetDeviceInformation, GetNetworkInterfaces, GetNetworkDefaultGateway and
// GetNetworkProtocols. Without credentials the reads are tried anonymously; a
// device that refuses them ends in the state "credentials needed" with what
// discovery gave. Each call has a deadline; `finished` comes exactly once per read().
class OnvifDeviceClient : public QObject
{
    Q_OBJECT

public:
    // With no manager, the client makes its own.
    explicit OnvifDeviceClient(QNetworkAccessManager* pManager = nullptr, QObject* pParent = nullptr);

    void setCredentials(const QString& strUser, const QString& strPassword);
    void setDeadline(int nMs);

    // Reads the device at record.deviceServiceUrl(), or at `url` when given.
    void read(const OnvifDeviceRecord& record, const QUrl& url = QUrl());
    [[nodiscard]] bool isBusy() const { return m_bBusy; }

signals:
    void finished(const OnvifDeviceRecord& record);

private:
    void readClock();
    void readNext();
    void onRead(DeviceServiceCodec::Operation operation, const OnvifSoapClient::Result& result);
    void end(OnvifDeviceRecord::State state, const QString& strError);

    OnvifSoapClient* m_pSoap;
    OnvifDeviceRecord m_record;
    QUrl m_url;
    QVector<DeviceServiceCodec::Operation> m_remaining;
    bool m_bBusy = false;
};
