#pragma once

#include <QHostAddress>
#include <QObject>
#include <QString>
#include <QUdpSocket>

class SoapResponder;

// An ONVIF camera for the taldor-ip tests: answers probes on a UDP port with
// one match naming its device service, serves the reads from captured answers
// with its own address, MAC and serial number, and on SetNetworkInterfaces
// moves its device service to the address it was given (the same port).
class OnvifTestCamera : public QObject
{
public:
    struct Identity
    {
        QString strEndpoint;
        QString strSerial;
        QString strMac;
        QString strGateway = QStringLiteral("10.98.0.1");
        int nPrefixLength = 24;
    };

    explicit OnvifTestCamera(const Identity& identity, QObject* pParent = nullptr);
    ~OnvifTestCamera() override;

    // Device service on the address (any free port), probes on probePort (0: any free).
    bool Start(const QHostAddress& address, quint16 probePort = 0);
    quint16 ProbePort() const { return m_probes.localPort(); }
    QString Address() const { return m_address.toString(); }
    SoapResponder& Service() { return *m_pService; }
    // The address and prefix length SetNetworkInterfaces asked for, empty until then.
    QString strRequestedAddress;
    int nRequestedPrefix = -1;
    // When false the camera answers SetNetworkInterfaces and stays where it is.
    bool bMoves = true;

private:
    void OnProbe();
    void OnOperation(const QString& operation);
    void ServeReads();
    void MoveTo(const QHostAddress& address);
    QString ServiceUrl() const;

    Identity m_identity;
    QUdpSocket m_probes;
    SoapResponder* m_pService;
    QHostAddress m_address;
};
