#pragma once

#include "OnvifDeviceRecord.h"
#include "OnvifDiscoverySettings.h"

#include <QHash>
#include <QAbstractSocket>
#include <QHostAddress>
#include <QObject>
#include <QVector>

#include <memory>

class QNetworkInterface;
class QTimer;
class QUdpSocket;

// WS-Discovery of ONVIF devices. A round sends two probes (dn:NetworkVideoTransmitter
// and tds:Device) to 239.255.255.250:3702 on each selected IPv4 adapter (and to
// [FF02::C]:3702 where the adapter has an IPv6 link-local address) and by
// unicast to each target, four times on the SOAP-over-UDP schedule (first gap
// 50-250 ms at random, then doubling, at most 500 ms). Replies are taken from
// any source port; each device is reported as soon as it answers and is known
// by its EndpointReference address, never by its IP, so a device seen through
// two adapters or answering twice is one device. Hello adds or refreshes a
// device, Bye removes it. `probeFinished` comes about 3 s after the last send.
class OnvifDiscovery : public QObject
{
    Q_OBJECT

public:
    struct Counters
    {
        int nDatagrams = 0;
        int nDropped = 0;            // malformed, hostile, oversize or not SOAP
        int nWithoutAddress = 0;     // matches without endpoint or XAddrs (not devices we list)
        int nDuplicates = 0;         // the same device again, unchanged
    };

    static constexpr int kDefaultListenMs = 3000;
    static constexpr int kSendsPerRound = 4;

    // The gaps between a round's sends, the first one given: each next one
    // doubles, up to 500 ms.
    [[nodiscard]] static QVector<int> resendGaps(int nFirstGapMs);
    // The first gap of a round, drawn at random from 50-250 ms.
    [[nodiscard]] static int randomFirstGap();
    static constexpr int kReceiveBufferBytes = 4 * 1024 * 1024;

    explicit OnvifDiscovery(QObject* pParent = nullptr);
    ~OnvifDiscovery() override;

    // Defaults to OnvifDiscoverySettings::fromEnvironment().
    void setSettings(const OnvifDiscoverySettings& settings) { m_settings = settings; }
    void setListenWindow(int nMs) { m_nListenMs = nMs; }

    // Opens the sockets (and joins the multicast group on the selected adapters,
    // for Hello and Bye); false when no socket could be opened.
    [[nodiscard]] bool start();
    void stop();
    // One round on the selected adapters and targets.
    void probe();
    // One round by unicast to one address, for a device on a foreign subnet or
    // one that does not answer multicast probes.
    void probeAddress(const QHostAddress& address, quint16 nPort = OnvifDiscoverySettings::kPort);

    // Drops a device that stopped answering (deviceLost follows); its next
    // match or Hello finds it anew.
    void forget(const QString& strEndpoint);

    // Reads one datagram as if it had arrived (what the sockets do with theirs).
    void processDatagram(const QByteArray& datagram);

    [[nodiscard]] QVector<OnvifDeviceRecord> devices() const;
    [[nodiscard]] Counters counters() const { return m_counters; }
    // The local port of the unicast socket (replies to direct probes come here).
    [[nodiscard]] quint16 localPort() const;
    [[nodiscard]] int adapterCount() const { return m_adapterSockets.size(); }

signals:
    void deviceFound(const OnvifDeviceRecord& record);
    void deviceChanged(const OnvifDeviceRecord& record);
    void deviceLost(const QString& strEndpoint);
    // Any match or Hello of a device, changed or not: it is still there.
    void deviceAnswered(const QString& strEndpoint);
    void probeFinished();

private:
    struct Destination
    {
        QUdpSocket* pSocket;
        QHostAddress address;
        quint16 nPort;
    };
    struct Round;

    [[nodiscard]] QUdpSocket* openSocket(const QHostAddress& bindAddress, quint16 nPort);
    void openAdapterSockets();
    void openAdapterSocket(const QNetworkInterface& adapter, QAbstractSocket::NetworkLayerProtocol protocol);
    void openListener();
    void readPending(QUdpSocket* pSocket);
    void startRound(const QVector<Destination>& destinations);
    void sendRound(Round* pRound);
    void endRound(Round* pRound);
    void addOrRefresh(const OnvifDeviceRecord& record);
    void remove(const QString& strEndpoint);

    OnvifDiscoverySettings m_settings;
    int m_nListenMs = kDefaultListenMs;
    QUdpSocket* m_pUnicast = nullptr;
    QUdpSocket* m_pListener = nullptr;
    QUdpSocket* m_pListener6 = nullptr;
    QVector<Destination> m_adapterSockets; // one per adapter and IP version, with its group
    QVector<std::shared_ptr<Round>> m_rounds;
    QTimer* m_pQuietTimer;
    QHash<QString, OnvifDeviceRecord> m_devices;
    Counters m_counters;
};
