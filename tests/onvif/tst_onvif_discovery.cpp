// ONVIF discovery on the loopback: direct probes and targets answered by a UDP
// responder in the test (never multicast on the host's adapters), Hello and Bye,
// hostile datagrams, and which adapters and targets the settings select.
#include "OnvifDiscovery.h"
#include "OnvifEnvelope.h"
#include "OnvifNamespaces.h"
#include "OnvifTestData.h"
#include "ProbeCodec.h"

#include <QNetworkDatagram>
#include <QSignalSpy>
#include <QUdpSocket>
#include <QtTest>

using namespace Qt::StringLiterals;
using OnvifTestData::readData;

namespace {

const QHostAddress kLoopback(QStringLiteral("127.0.0.1"));

// Answers every probe with two matches, from another port than the one probed,
// as cameras do.
class ProbeResponder : public QObject
{
public:
    ProbeResponder()
    {
        if (!m_probes.bind(kLoopback, 0) || !m_replies.bind(kLoopback, 0))
            qFatal("cannot bind the responder");
        connect(&m_probes, &QUdpSocket::readyRead, this, [this]() { onProbe(); });
    }

    quint16 port() const { return m_probes.localPort(); }
    void send(const QByteArray& datagram, quint16 nPort) { m_replies.writeDatagram(datagram, kLoopback, nPort); }

    QStringList types;
    QStringList messageIds;
    quint16 nClientPort = 0;

private:
    void onProbe()
    {
        while (m_probes.hasPendingDatagrams()) {
            const QNetworkDatagram datagram = m_probes.receiveDatagram();
            const OnvifEnvelope envelope = OnvifEnvelope::parse(datagram.data());
            const OnvifXmlElement* pProbe = envelope.body().child(OnvifNs::Discovery, QLatin1String("Probe"));
            if (!pProbe)
                continue;
            types.append(pProbe->childText(OnvifNs::Discovery, QLatin1String("Types")));
            messageIds.append(envelope.header().childText(OnvifNs::Addressing, QLatin1String("MessageID")));
            nClientPort = quint16(datagram.senderPort());
            m_replies.writeDatagram(readData("probematches-two.xml"), datagram.senderAddress(), nClientPort);
        }
    }

    QUdpSocket m_probes;
    QUdpSocket m_replies;
};

// Starts the discovery on no adapter, so that it probes the given targets only.
bool startLoopbackOnly(OnvifDiscovery& discovery, const QString& strTargets = QString())
{
    discovery.setSettings(OnvifDiscoverySettings::fromText(u"none"_s, strTargets, true));
    return discovery.start();
}

} // namespace

class TestOnvifDiscovery : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void resendGapsDoubleUpToTheCap_data();
    void resendGapsDoubleUpToTheCap();
    void firstGapIsDrawnFromItsRange();
    void directProbeFindsEachDeviceOnce();
    void targetsAreProbedByUnicast();
    void noDestinationsEndsTheRound();
    void helloAddsAndByeRemoves();
    void hostileDatagramsAreCounted();
    void settingsFromText_data();
    void settingsFromText();
    void settingsFromEnvironment_data();
    void settingsFromEnvironment();
};

void TestOnvifDiscovery::initTestCase()
{
    qRegisterMetaType<OnvifDeviceRecord>();
    // Nothing here may multicast on the host's adapters.
    qputenv("LUMO_INTERFACES", "none");
    qputenv("LUMO_TARGETS", "127.0.0.1");
}

void TestOnvifDiscovery::resendGapsDoubleUpToTheCap_data()
{
    QTest::addColumn<int>("firstGap");
    QTest::addColumn<QVector<int>>("gaps");
    QTest::newRow("shortest first gap") << 50 << QVector<int>{50, 100, 200};
    QTest::newRow("doubling reaches the cap") << 150 << QVector<int>{150, 300, 500};
    QTest::newRow("longest first gap") << 250 << QVector<int>{250, 500, 500};
}

void TestOnvifDiscovery::resendGapsDoubleUpToTheCap()
{
    QFETCH(int, firstGap);
    QFETCH(QVector<int>, gaps);
    // Four sends a round: three gaps.
    QCOMPARE(OnvifDiscovery::resendGaps(firstGap), gaps);
}

void TestOnvifDiscovery::firstGapIsDrawnFromItsRange()
{
    int nShortest = 1000;
    int nLongest = 0;
    for (int i = 0; i < 2000; ++i) {
        const int nGap = OnvifDiscovery::randomFirstGap();
        nShortest = qMin(nShortest, nGap);
        nLongest = qMax(nLongest, nGap);
    }
    QVERIFY2(nShortest >= 50 && nShortest < 70, qPrintable(QString::number(nShortest)));
    QVERIFY2(nLongest <= 250 && nLongest > 230, qPrintable(QString::number(nLongest)));
}

void TestOnvifDiscovery::directProbeFindsEachDeviceOnce()
{
    ProbeResponder responder;
    OnvifDiscovery discovery;
    discovery.setListenWindow(300);
    QVERIFY(startLoopbackOnly(discovery));
    QCOMPARE(discovery.adapterCount(), 0);
    QSignalSpy found(&discovery, &OnvifDiscovery::deviceFound);
    QSignalSpy finished(&discovery, &OnvifDiscovery::probeFinished);
    discovery.probeAddress(kLoopback, responder.port());
    QVERIFY(finished.wait(10000));
    QCOMPARE(finished.count(), 1);

    // Four sends of two probes, each probe one type, each keeping its MessageID.
    QCOMPARE(responder.types.size(), 8);
    QCOMPARE(responder.types.count(u"dn:NetworkVideoTransmitter"_s), 4);
    QCOMPARE(responder.types.count(u"tds:Device"_s), 4);
    QStringList ids = responder.messageIds;
    ids.removeDuplicates();
    QCOMPARE(ids.size(), 2);

    // Eight replies of two matches each are two devices, each reported once,
    // at the host of its XAddrs rather than the reply's source.
    QCOMPARE(found.count(), 2);
    QStringList hosts;
    for (const QList<QVariant>& arguments : std::as_const(found))
        hosts.append(arguments.first().value<OnvifDeviceRecord>().host);
    hosts.sort();
    QCOMPARE(hosts, QStringList({u"192.168.1.64"_s, u"192.168.1.65"_s}));
    QCOMPARE(discovery.devices().size(), 2);
    QCOMPARE(discovery.counters().nDuplicates, 14);
}

void TestOnvifDiscovery::targetsAreProbedByUnicast()
{
    ProbeResponder responder;
    OnvifDiscovery discovery;
    discovery.setListenWindow(200);
    QVERIFY(startLoopbackOnly(discovery, u"127.0.0.1:%1"_s.arg(responder.port())));
    QSignalSpy found(&discovery, &OnvifDiscovery::deviceFound);
    QSignalSpy finished(&discovery, &OnvifDiscovery::probeFinished);
    discovery.probe();
    QVERIFY(found.wait(5000));
    QVERIFY(finished.wait(10000));
    QCOMPARE(found.count(), 2);
    QCOMPARE(responder.types.size(), 8);
}

void TestOnvifDiscovery::noDestinationsEndsTheRound()
{
    OnvifDiscovery discovery;
    QVERIFY(startLoopbackOnly(discovery));
    QSignalSpy finished(&discovery, &OnvifDiscovery::probeFinished);
    discovery.probe();
    QVERIFY(finished.wait(2000));
    QVERIFY(discovery.devices().isEmpty());
}

void TestOnvifDiscovery::helloAddsAndByeRemoves()
{
    ProbeResponder responder;
    OnvifDiscovery discovery;
    QVERIFY(startLoopbackOnly(discovery));
    QSignalSpy found(&discovery, &OnvifDiscovery::deviceFound);
    QSignalSpy lost(&discovery, &OnvifDiscovery::deviceLost);
    responder.send(readData("hello.xml"), discovery.localPort());
    QVERIFY(found.wait(5000));
    QCOMPARE(found.first().first().value<OnvifDeviceRecord>().host, u"192.168.1.80"_s);
    responder.send(readData("bye.xml"), discovery.localPort());
    QVERIFY(lost.wait(5000));
    QCOMPARE(lost.first().first().toString(), u"urn:uuid:6f1c2a10-4b7e-11ee-8000-a41437c0aa01"_s);
    QVERIFY(discovery.devices().isEmpty());
}

void TestOnvifDiscovery::hostileDatagramsAreCounted()
{
    ProbeResponder responder;
    OnvifDiscovery discovery;
    QVERIFY(startLoopbackOnly(discovery));
    QSignalSpy found(&discovery, &OnvifDiscovery::deviceFound);
    responder.send(readData("hostile-billion-laughs.xml"), discovery.localPort());
    responder.send(readData("hostile-external-entity.xml"), discovery.localPort());
    responder.send(QByteArray(65000, '<'), discovery.localPort());
    responder.send(readData("truncated.xml"), discovery.localPort());
    // A good datagram after the bad ones still counts: the socket keeps reading.
    responder.send(readData("hello.xml"), discovery.localPort());
    QVERIFY(found.wait(5000));
    QCOMPARE(discovery.counters().nDropped, 4);
    QCOMPARE(discovery.counters().nDatagrams, 5);
}

void TestOnvifDiscovery::settingsFromText_data()
{
    QTest::addColumn<QString>("interfaces");
    QTest::addColumn<QString>("targets");
    QTest::addColumn<bool>("keepPorts");
    QTest::addColumn<bool>("noInterface");
    QTest::addColumn<bool>("usesEth0");
    QTest::addColumn<QStringList>("expectedTargets");
    QTest::newRow("defaults") << QString() << u"127.0.0.1"_s << true << false << true << QStringList{u"127.0.0.1:3702"_s};
    QTest::newRow("all") << u"all"_s << QString() << true << false << true << QStringList();
    QTest::newRow("none") << u"none"_s << QString() << true << true << false << QStringList();
    QTest::newRow("named adapters") << u"eth1, eth0"_s << QString() << true << false << true << QStringList();
    QTest::newRow("other adapter") << u"wlan0"_s << QString() << true << false << false << QStringList();
    QTest::newRow("own targets keep their ports")
        << u"none"_s << u"127.0.0.1:4000, 10.0.0.9,bad,10.0.0.8:0,::1"_s << true << true << false
        << QStringList{u"127.0.0.1:4000"_s, u"10.0.0.9:3702"_s};
    QTest::newRow("the other protocol's ports are ignored")
        << u"none"_s << u"127.0.0.1:47810"_s << false << true << false << QStringList{u"127.0.0.1:3702"_s};
}

void TestOnvifDiscovery::settingsFromText()
{
    QFETCH(QString, interfaces);
    QFETCH(QString, targets);
    QFETCH(bool, keepPorts);
    QFETCH(bool, noInterface);
    QFETCH(bool, usesEth0);
    QFETCH(QStringList, expectedTargets);
    const OnvifDiscoverySettings settings = OnvifDiscoverySettings::fromText(interfaces, targets, keepPorts);
    QCOMPARE(settings.usesNoInterface(), noInterface);
    QCOMPARE(settings.usesInterface(u"eth0"_s), usesEth0);
    QStringList got;
    for (const auto& target : settings.targets)
        got.append(target.first.toString() + u':' + QString::number(target.second));
    QCOMPARE(got, expectedTargets);
}

void TestOnvifDiscovery::settingsFromEnvironment_data()
{
    QTest::addColumn<QByteArray>("onvifInterfaces"); // "-" for unset
    QTest::addColumn<QByteArray>("onvifTargets");
    QTest::addColumn<bool>("noInterface");
    QTest::addColumn<QString>("firstTarget");
    QTest::newRow("LUMO settings apply") << QByteArray("-") << QByteArray("-") << true << u"127.0.0.1:3702"_s;
    QTest::newRow("own settings win") << QByteArray("all") << QByteArray("127.0.0.1:3800") << false << u"127.0.0.1:3800"_s;
}

void TestOnvifDiscovery::settingsFromEnvironment()
{
    QFETCH(QByteArray, onvifInterfaces);
    QFETCH(QByteArray, onvifTargets);
    QFETCH(bool, noInterface);
    QFETCH(QString, firstTarget);
    qputenv("LUMO_INTERFACES", "none");
    qputenv("LUMO_TARGETS", "127.0.0.1:47810");
    if (onvifInterfaces != "-")
        qputenv("ONVIF_INTERFACES", onvifInterfaces);
    if (onvifTargets != "-")
        qputenv("ONVIF_TARGETS", onvifTargets);
    const OnvifDiscoverySettings settings = OnvifDiscoverySettings::fromEnvironment();
    qunsetenv("ONVIF_INTERFACES");
    qunsetenv("ONVIF_TARGETS");
    qputenv("LUMO_TARGETS", "127.0.0.1");
    QCOMPARE(settings.usesNoInterface(), noInterface);
    QVERIFY(!settings.targets.isEmpty());
    QCOMPARE(settings.targets.first().first.toString() + u':' + QString::number(settings.targets.first().second), firstTarget);
}

QTEST_GUILESS_MAIN(TestOnvifDiscovery)
#include "tst_onvif_discovery.moc"
