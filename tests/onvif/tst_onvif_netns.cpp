// ONVIF discovery over real multicast, in a private network namespace made by
// the test (never on the host's adapters): two virtual adapters, probes to
// 239.255.255.250 and [FF02::C] out of the selected ones, a device answering
// through both adapters listed once, Hello by multicast, and `none` sending nothing.
#include "OnvifDiscovery.h"
#include "OnvifEnvelope.h"
#include "OnvifNamespaces.h"
#include "OnvifTestData.h"

#include <QNetworkDatagram>
#include <QNetworkInterface>
#include <QProcess>
#include <QSignalSpy>
#include <QUdpSocket>
#include <QtTest>

#if defined(__linux__)
#  include <sched.h>
#endif

using namespace Qt::StringLiterals;
using OnvifTestData::readData;

namespace {

#if defined(__linux__)
bool shell(const QString& strCommand)
{
    return QProcess::execute(u"sh"_s, {u"-c"_s, strCommand}) == 0;
}
#endif

// A device on the namespace's adapters: joined to both groups on the given
// adapters, it sees the probes multicast there (the host's own copy, as
// multicast loops back) and answers each with one match by unicast.
class MulticastResponder : public QObject
{
public:
    explicit MulticastResponder(const QStringList& adapters)
    {
        if (!m_socket4.bind(QHostAddress::AnyIPv4, 3702, QUdpSocket::ShareAddress | QUdpSocket::ReuseAddressHint)
            || !m_socket6.bind(QHostAddress::AnyIPv6, 3702, QUdpSocket::ShareAddress | QUdpSocket::ReuseAddressHint))
            qFatal("cannot bind port 3702 in the namespace");
        for (const QString& strName : adapters) {
            const QNetworkInterface adapter = QNetworkInterface::interfaceFromName(strName);
            m_socket4.joinMulticastGroup(QHostAddress(u"239.255.255.250"_s), adapter);
            m_socket6.joinMulticastGroup(QHostAddress(u"ff02::c"_s), adapter);
        }
        connect(&m_socket4, &QUdpSocket::readyRead, this, [this]() { onProbe(m_socket4); });
        connect(&m_socket6, &QUdpSocket::readyRead, this, [this]() { onProbe(m_socket6); });
    }

    void announce(const QByteArray& datagram, const QString& strAdapter)
    {
        m_socket4.setMulticastInterface(QNetworkInterface::interfaceFromName(strAdapter));
        m_socket4.writeDatagram(datagram, QHostAddress(u"239.255.255.250"_s), 3702);
    }

    int nProbes4 = 0;
    int nProbes6 = 0;
    QStringList types;

private:
    void onProbe(QUdpSocket& socket)
    {
        while (socket.hasPendingDatagrams()) {
            const QNetworkDatagram datagram = socket.receiveDatagram();
            const OnvifEnvelope envelope = OnvifEnvelope::parse(datagram.data());
            const OnvifXmlElement* pProbe = envelope.body().child(OnvifNs::Discovery, QLatin1String("Probe"));
            if (!pProbe)
                continue; // a Hello of ours
            ++(&socket == &m_socket4 ? nProbes4 : nProbes6);
            types.append(pProbe->childText(OnvifNs::Discovery, QLatin1String("Types")));
            socket.writeDatagram(readData("probematches-odd-prefixes.xml"), datagram.senderAddress(), quint16(datagram.senderPort()));
        }
    }

    QUdpSocket m_socket4;
    QUdpSocket m_socket6;
};

// Starts the discovery on the named adapters only.
bool startOn(OnvifDiscovery& discovery, const QString& strAdapters)
{
    discovery.setSettings(OnvifDiscoverySettings::fromText(strAdapters, QString(), true));
    return discovery.start();
}

} // namespace

class TestOnvifNetns : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void probesLeaveThroughEachSelectedAdapter();
    void noneSendsNothing();
    void helloByMulticastIsHeard();
};

void TestOnvifNetns::initTestCase()
{
    qRegisterMetaType<OnvifDeviceRecord>();
#if defined(__linux__)
    if (unshare(CLONE_NEWNET) != 0)
        QSKIP("cannot create a network namespace here (needs root)");
    // Link-local IPv6 addresses are usable at once (no duplicate detection).
    if (!shell(u"ip link set lo up && sysctl -qw net.ipv6.conf.default.accept_dad=0"
               " && ip link add v0 type veth peer name v1 && ip link add w0 type veth peer name w1"
               " && ip addr add 10.97.0.1/24 dev v0 && ip addr add 10.97.1.1/24 dev w0"
               " && ip link set v0 up && ip link set v1 up && ip link set w0 up && ip link set w1 up"_s))
        QSKIP("cannot create virtual adapters here (needs iproute2 and veth)");
    QTRY_VERIFY_WITH_TIMEOUT(QNetworkInterface::interfaceFromName(u"w0"_s).flags().testFlag(QNetworkInterface::IsRunning), 10000);
#else
    QSKIP("network namespaces exist on Linux only");
#endif
}

void TestOnvifNetns::probesLeaveThroughEachSelectedAdapter()
{
    MulticastResponder responder({u"v0"_s, u"w0"_s});
    OnvifDiscovery discovery;
    discovery.setListenWindow(300);
    QVERIFY(startOn(discovery, u"v0,w0"_s));
    // One IPv4 and one IPv6 socket on each of the two adapters (v1, w1 and lo not selected).
    QCOMPARE(discovery.adapterCount(), 4);
    QSignalSpy found(&discovery, &OnvifDiscovery::deviceFound);
    QSignalSpy finished(&discovery, &OnvifDiscovery::probeFinished);
    discovery.probe();
    QVERIFY(finished.wait(10000));
    // Two adapters, four sends of two probes, over IPv4 and IPv6.
    QCOMPARE(responder.nProbes4, 16);
    QCOMPARE(responder.nProbes6, 16);
    QCOMPARE(responder.types.count(u"dn:NetworkVideoTransmitter"_s), 16);
    // 32 answers through two adapters and two IP versions: one device.
    QCOMPARE(found.count(), 1);
    QCOMPARE(found.first().first().value<OnvifDeviceRecord>().host, u"10.0.0.17"_s);
    QCOMPARE(discovery.counters().nDuplicates, 31);
}

void TestOnvifNetns::noneSendsNothing()
{
    MulticastResponder responder({u"v0"_s, u"w0"_s});
    OnvifDiscovery discovery;
    discovery.setListenWindow(200);
    QVERIFY(startOn(discovery, u"none"_s));
    QCOMPARE(discovery.adapterCount(), 0);
    QSignalSpy finished(&discovery, &OnvifDiscovery::probeFinished);
    discovery.probe();
    QVERIFY(finished.wait(5000));
    // A probe would have looped back within the listen window; none came.
    QVERIFY(!QTest::qWaitFor([&]() { return responder.nProbes4 + responder.nProbes6 > 0; }, 500));
}

void TestOnvifNetns::helloByMulticastIsHeard()
{
    MulticastResponder responder({});
    OnvifDiscovery discovery;
    QVERIFY(startOn(discovery, u"v0"_s));
    QSignalSpy found(&discovery, &OnvifDiscovery::deviceFound);
    QSignalSpy lost(&discovery, &OnvifDiscovery::deviceLost);
    responder.announce(readData("hello.xml"), u"v0"_s);
    QVERIFY(found.wait(5000));
    QCOMPARE(found.first().first().value<OnvifDeviceRecord>().host, u"192.168.1.80"_s);
    responder.announce(readData("bye.xml"), u"v0"_s);
    QVERIFY(lost.wait(5000));
}

QTEST_GUILESS_MAIN(TestOnvifNetns)
#include "tst_onvif_netns.moc"
