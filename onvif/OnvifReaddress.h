#pragma once

#include "DeviceServiceCodec.h"
#include "OnvifDeviceRecord.h"
#include "OnvifSoapClient.h"

#include <QElapsedTimer>
#include <QObject>
#include <QUrl>

class QNetworkAccessManager;
class QTimer;

// Gives one device a manual IPv4 address: SetNetworkDefaultGateway (while the
// device still answers at its old address), SetNetworkInterfaces (DHCP off),
// SystemReboot when the answer says RebootNeeded, then waits for the device at
// its new address: a read there, or a Hello naming it there, within the
// deadline. Otherwise it reports why: no answer, authentication failed,
// refused by the device (its fault text), or still at its old address.
class OnvifReaddress : public QObject
{
    Q_OBJECT

public:
    enum class Failure { None, NoAnswer, AuthenticationFailed, Refused, StillAtOldAddress, InvalidRequest };

    struct Request
    {
        QString ipv4Address;
        int prefixLength = 24;
        QString ipv4Gateway; // empty: the gateway is left as it is
    };

    struct Result
    {
        Failure failure = Failure::None;
        QString reason;          // for users, empty when done
        bool bRebootNeeded = false;
        QString newDeviceServiceUrl;
        [[nodiscard]] bool isDone() const { return failure == Failure::None; }
    };

    static constexpr int kDefaultReturnDeadlineMs = 90000;
    static constexpr int kDefaultPollIntervalMs = 1000;

    explicit OnvifReaddress(QNetworkAccessManager* pManager = nullptr, QObject* pParent = nullptr);

    void setCredentials(const QString& strUser, const QString& strPassword);
    void setCallDeadline(int nMs);
    // How long the device may take to answer at its new address (a reboot included).
    void setReturnDeadline(int nMs) { m_nReturnDeadlineMs = nMs; }
    void setPollInterval(int nMs) { m_nPollIntervalMs = nMs; }

    void start(const OnvifDeviceRecord& device, const Request& request);
    // A Hello from discovery: the device counts as back when it names the new address.
    void noteHello(const OnvifDeviceRecord& announced);

    [[nodiscard]] static QString failureName(Failure failure);

signals:
    void finished(const OnvifReaddress::Result& result);

private:
    void readClock();
    void readInterfaceToken();
    void setGateway();
    void setInterface();
    void reboot();
    void waitForReturn();
    void pollNewAddress();
    void checkOldAddress();
    // Ends on a failed call; true when it did.
    bool failOn(const OnvifSoapClient::Result& result, const QString& strStep);
    void fail(Failure failure, const QString& strReason);
    void succeed();

    OnvifSoapClient* m_pSoap;
    QTimer* m_pPollTimer;
    OnvifDeviceRecord m_device;
    Request m_request;
    QUrl m_oldUrl;
    QUrl m_newUrl;
    Result m_result;
    QElapsedTimer m_waiting;
    int m_nReturnDeadlineMs = kDefaultReturnDeadlineMs;
    int m_nPollIntervalMs = kDefaultPollIntervalMs;
    bool m_bRunning = false;
    bool m_bPollPending = false;
};

Q_DECLARE_METATYPE(OnvifReaddress::Result)
