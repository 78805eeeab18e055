// Our ONVIF client against the simulator's ONVIF cameras on the loopback:
// discovery by a direct probe, reads with UsernameToken and HTTP Digest, refusals,
// a camera whose clock is an hour ahead, re-addressing with and without a
// reboot (127.0.0.x addresses all work on the loopback), the state file after a
// kill, and no password in clear in it.
#include "OnvifDevsimProcess.h"
#include "OnvifDeviceClient.h"
#include "OnvifDiscovery.h"
#include "OnvifReaddress.h"
#include "OnvifSoapClient.h"

#include <QFile>
#include <QNetworkDatagram>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QUdpSocket>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

const QString kUser = u"admin"_s;
const QString kPassword = u"admin1234"_s; // the generated fleet's

} // namespace

class TestOnvifDevsim : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void discoveredWithScopes();
    void read_data();
    void read();
    void malformedRequestIsAFault();
    void readdress_data();
    void readdress();
    void helloAtStartAndByeAtStop();
    void stateSurvivesKill();
    void passwordNotInClear();

private:
    bool startSimulator();
    QUrl serviceUrl(int nCamera, const QString& strHost = u"127.0.0.1"_s) const;
    OnvifDeviceRecord recordAt(const QUrl& url) const;
    QVector<OnvifDeviceRecord> discover();
    OnvifDeviceRecord readCamera(const QUrl& url, const QString& strUser, const QString& strPassword);

    QTemporaryDir m_dir;
    OnvifDevsimProcess m_simulator;
    quint16 m_nDiscoveryPort = 0;
    quint16 m_nHttpPort = 0;
    quint16 m_nDevicePort = 0;
};

void TestOnvifDevsim::initTestCase()
{
    qRegisterMetaType<OnvifDeviceRecord>();
    qRegisterMetaType<OnvifReaddress::Result>();
    QVERIFY(m_dir.isValid());
    m_nDiscoveryPort = OnvifDevsimProcess::freePort();
    m_nHttpPort = OnvifDevsimProcess::freePort(2);
    m_nDevicePort = OnvifDevsimProcess::freePort(1);
    QVERIFY(m_nDiscoveryPort && m_nHttpPort && m_nDevicePort);
    QVERIFY(startSimulator());
}

bool TestOnvifDevsim::startSimulator()
{
    return m_simulator.start(OnvifDevsimProcess::executable(),
                             {u"--bind"_s, u"127.0.0.1"_s, u"--broadcast-address"_s, u"127.255.255.255"_s,
                              u"--port"_s, QString::number(m_nDevicePort), u"--client-port"_s,
                              QString::number(m_nDevicePort + 1), u"--onvif-count"_s, u"3"_s, u"--onvif-port"_s,
                              QString::number(m_nDiscoveryPort), u"--onvif-http-port"_s, QString::number(m_nHttpPort),
                              u"--state"_s, m_dir.filePath(u"state.json"_s), u"--stop-on-input-end"_s});
}

QUrl TestOnvifDevsim::serviceUrl(int nCamera, const QString& strHost) const
{
    return QUrl(u"http://%1:%2/onvif/device_service"_s.arg(strHost).arg(m_nHttpPort + nCamera - 1));
}

OnvifDeviceRecord TestOnvifDevsim::recordAt(const QUrl& url) const
{
    OnvifDeviceRecord record;
    record.xaddrs = {url.toString()};
    record.host = url.host();
    return record;
}

QVector<OnvifDeviceRecord> TestOnvifDevsim::discover()
{
    OnvifDiscovery discovery;
    discovery.setSettings(OnvifDiscoverySettings::fromText(u"none"_s, QString(), true));
    discovery.setListenWindow(500);
    if (!discovery.start())
        return {};
    QSignalSpy finished(&discovery, &OnvifDiscovery::probeFinished);
    discovery.probeAddress(QHostAddress(u"127.0.0.1"_s), m_nDiscoveryPort);
    if (!finished.wait(10000))
        return {};
    QVector<OnvifDeviceRecord> devices = discovery.devices();
    std::sort(devices.begin(), devices.end(),
              [](const OnvifDeviceRecord& a, const OnvifDeviceRecord& b) { return a.scopeName < b.scopeName; });
    return devices;
}

OnvifDeviceRecord TestOnvifDevsim::readCamera(const QUrl& url, const QString& strUser, const QString& strPassword)
{
    OnvifDeviceClient client;
    client.setDeadline(3000);
    if (!strUser.isEmpty())
        client.setCredentials(strUser, strPassword);
    QSignalSpy finished(&client, &OnvifDeviceClient::finished);
    client.read(recordAt(url));
    if (!finished.wait(15000))
        return {};
    return finished.first().first().value<OnvifDeviceRecord>();
}

void TestOnvifDevsim::discoveredWithScopes()
{
    const QVector<OnvifDeviceRecord> devices = discover();
    QCOMPARE(devices.size(), 3);
    for (int i = 0; i < 3; ++i) {
        QCOMPARE(devices[i].scopeHardware, u"AO-2150"_s);
        QCOMPARE(devices[i].scopeName, u"AO-2150-AO%1"_s.arg(i + 1, 10, 10, QLatin1Char('0')));
        QCOMPARE(devices[i].deviceServiceUrl(), serviceUrl(i + 1).toString());
        QVERIFY(devices[i].types.contains(u"dn:NetworkVideoTransmitter"_s));
    }
}

void TestOnvifDevsim::read_data()
{
    QTest::addColumn<int>("nCamera");
    QTest::addColumn<QString>("strUser");
    QTest::addColumn<QString>("strPassword");
    QTest::addColumn<int>("state");
    QTest::addColumn<int>("nClockOffset");
    const int nRead = int(OnvifDeviceRecord::State::Read);
    const int nRefused = int(OnvifDeviceRecord::State::CredentialsNeeded);
    QTest::newRow("UsernameToken") << 1 << kUser << kPassword << nRead << 0;
    QTest::newRow("HTTP Digest") << 2 << kUser << kPassword << nRead << 0;
    QTest::newRow("clock an hour ahead") << 3 << kUser << kPassword << nRead << 3600;
    QTest::newRow("UsernameToken, wrong password") << 1 << kUser << u"admin"_s << nRefused << 0;
    QTest::newRow("HTTP Digest, wrong password") << 2 << kUser << u"admin"_s << nRefused << 0;
    QTest::newRow("wrong user") << 3 << u"operator"_s << kPassword << nRefused << 3600;
    QTest::newRow("no credentials") << 1 << QString() << QString() << nRefused << 0;
}

void TestOnvifDevsim::read()
{
    QFETCH(int, nCamera);
    QFETCH(QString, strUser);
    QFETCH(QString, strPassword);
    QFETCH(int, state);
    QFETCH(int, nClockOffset);
    const OnvifDeviceRecord record = readCamera(serviceUrl(nCamera), strUser, strPassword);
    QCOMPARE(int(record.state), state);
    QVERIFY(record.clockKnown);
    QVERIFY2(qAbs(record.clockOffsetSeconds - nClockOffset) <= 2, qPrintable(QString::number(record.clockOffsetSeconds)));
    if (record.state != OnvifDeviceRecord::State::Read)
        return;
    QCOMPARE(record.manufacturer, u"Aurel Optics"_s);
    QCOMPARE(record.model, u"AO-2150"_s);
    QCOMPARE(record.serialNumber, u"AO%1"_s.arg(nCamera, 10, 10, QLatin1Char('0')));
    QCOMPARE(record.mac, u"02:41:4F:00:00:%1"_s.arg(nCamera, 2, 10, QLatin1Char('0')));
    QCOMPARE(record.interfaceToken, u"eth0"_s);
    QCOMPARE(record.ipv4Address, u"127.0.0.1"_s);
    QCOMPARE(record.ipv4PrefixLength, 8);
    QCOMPARE(record.ipv4Dhcp, false);
    QCOMPARE(record.ipv4Gateway, u"127.0.0.254"_s);
    QCOMPARE(record.httpPort, int(m_nHttpPort) + nCamera - 1);
}

void TestOnvifDevsim::malformedRequestIsAFault()
{
    OnvifSoapClient client(nullptr);
    QSignalSpy done(this, &QObject::objectNameChanged);
    OnvifSoapClient::Result result;
    client.call(serviceUrl(1), DeviceServiceCodec::Operation::GetSystemDateAndTime, false,
                [](const WsUsernameToken*) { return QByteArray("<s:Envelope xmlns:s=\"x\"><unclosed>"); },
                [&](const OnvifSoapClient::Result& answer) {
                    result = answer;
                    setObjectName(u"answered"_s);
                });
    QVERIFY(done.wait(5000));
    QCOMPARE(result.outcome, OnvifSoapClient::Outcome::Fault);
    QCOMPARE(result.nHttpStatus, 400);
    // And the camera still answers.
    QCOMPARE(readCamera(serviceUrl(1), kUser, kPassword).state, OnvifDeviceRecord::State::Read);
}

void TestOnvifDevsim::readdress_data()
{
    QTest::addColumn<int>("nCamera");
    QTest::addColumn<QString>("strAddress");
    QTest::addColumn<bool>("bRebootNeeded");
    QTest::newRow("moves at once") << 1 << u"127.0.0.21"_s << false;
    QTest::newRow("moves after a reboot") << 2 << u"127.0.0.22"_s << true;
}

void TestOnvifDevsim::readdress()
{
    QFETCH(int, nCamera);
    QFETCH(QString, strAddress);
    QFETCH(bool, bRebootNeeded);
    // Hello goes to the simulator's broadcast address on the discovery port.
    QUdpSocket hellos;
    QVERIFY(hellos.bind(QHostAddress::AnyIPv4, m_nDiscoveryPort, QUdpSocket::ShareAddress | QUdpSocket::ReuseAddressHint));
    OnvifDiscovery listener;
    listener.setSettings(OnvifDiscoverySettings::fromText(u"none"_s, QString(), true));
    QSignalSpy changed(&listener, &OnvifDiscovery::deviceFound);
    connect(&hellos, &QUdpSocket::readyRead, &listener, [&]() {
        while (hellos.hasPendingDatagrams())
            listener.processDatagram(hellos.receiveDatagram().data());
    });

    OnvifReaddress readdress;
    readdress.setCredentials(kUser, kPassword);
    readdress.setCallDeadline(3000);
    readdress.setPollInterval(200);
    readdress.setReturnDeadline(20000);
    QSignalSpy finished(&readdress, &OnvifReaddress::finished);
    readdress.start(recordAt(serviceUrl(nCamera)), {strAddress, 8, u"127.0.0.254"_s});
    QVERIFY(finished.wait(30000));
    const auto result = finished.first().first().value<OnvifReaddress::Result>();
    QVERIFY2(result.isDone(), qPrintable(result.reason));
    QCOMPARE(result.bRebootNeeded, bRebootNeeded);
    QCOMPARE(result.newDeviceServiceUrl, serviceUrl(nCamera, strAddress).toString());

    const OnvifDeviceRecord moved = readCamera(serviceUrl(nCamera, strAddress), kUser, kPassword);
    QCOMPARE(moved.state, OnvifDeviceRecord::State::Read);
    QCOMPARE(moved.ipv4Address, strAddress);
    QCOMPARE(readCamera(serviceUrl(nCamera), kUser, kPassword).state, OnvifDeviceRecord::State::Unreachable);
    // The camera announced itself at its new address.
    QTRY_VERIFY_WITH_TIMEOUT(std::any_of(changed.cbegin(), changed.cend(), [&](const QList<QVariant>& arguments) {
        return arguments.first().value<OnvifDeviceRecord>().host == strAddress;
    }), 5000);
}

void TestOnvifDevsim::helloAtStartAndByeAtStop()
{
    // A simulator of its own, with a listener on its discovery port before it
    // starts: each camera says Hello when it starts and Bye when it stops, and
    // a client that heard them lists them and then drops them.
    const quint16 nDiscoveryPort = OnvifDevsimProcess::freePort();
    const quint16 nHttpPort = OnvifDevsimProcess::freePort(1);
    const quint16 nDevicePort = OnvifDevsimProcess::freePort(1);
    QVERIFY(nDiscoveryPort && nHttpPort && nDevicePort);
    QUdpSocket announcements;
    QVERIFY(announcements.bind(QHostAddress::AnyIPv4, nDiscoveryPort,
                               QUdpSocket::ShareAddress | QUdpSocket::ReuseAddressHint));
    OnvifDiscovery listener;
    listener.setSettings(OnvifDiscoverySettings::fromText(u"none"_s, QString(), true));
    QSignalSpy found(&listener, &OnvifDiscovery::deviceFound);
    QSignalSpy lost(&listener, &OnvifDiscovery::deviceLost);
    connect(&announcements, &QUdpSocket::readyRead, &listener, [&]() {
        while (announcements.hasPendingDatagrams())
            listener.processDatagram(announcements.receiveDatagram().data());
    });
    OnvifDevsimProcess simulator;
    QVERIFY(simulator.start(OnvifDevsimProcess::executable(),
                            {u"--bind"_s, u"127.0.0.1"_s, u"--broadcast-address"_s, u"127.255.255.255"_s, u"--port"_s,
                             QString::number(nDevicePort), u"--client-port"_s, QString::number(nDevicePort + 1),
                             u"--onvif-count"_s, u"2"_s, u"--onvif-port"_s, QString::number(nDiscoveryPort),
                             u"--onvif-http-port"_s, QString::number(nHttpPort), u"--state"_s,
                             m_dir.filePath(u"announcing.json"_s), u"--stop-on-input-end"_s}));
    QTRY_COMPARE_WITH_TIMEOUT(listener.devices().size(), 2, 10000);
    QCOMPARE(found.size(), 2);
    QVERIFY(simulator.stop());
    QTRY_COMPARE_WITH_TIMEOUT(lost.size(), 2, 10000);
    QVERIFY(listener.devices().isEmpty());
}

void TestOnvifDevsim::stateSurvivesKill()
{
    m_simulator.kill();
    QVERIFY(startSimulator());
    const QVector<OnvifDeviceRecord> devices = discover();
    QCOMPARE(devices.size(), 3);
    QCOMPARE(devices[0].host, u"127.0.0.21"_s);
    QCOMPARE(devices[1].host, u"127.0.0.22"_s);
    QCOMPARE(devices[2].host, u"127.0.0.1"_s);
    QCOMPARE(readCamera(serviceUrl(2, u"127.0.0.22"_s), kUser, kPassword).state, OnvifDeviceRecord::State::Read);
}

void TestOnvifDevsim::passwordNotInClear()
{
    QFile state(m_dir.filePath(u"state.json"_s));
    QVERIFY(state.open(QIODevice::ReadOnly));
    const QByteArray content = state.readAll();
    QVERIFY(content.contains("\"onvif\""));
    QCOMPARE(content.count("sealedPassword"), 3);
    QVERIFY(!content.contains(kPassword.toUtf8()));
    const QFileInfo key(m_dir.filePath(u"state.json.key"_s));
    QVERIFY(key.exists());
#if !defined(Q_OS_WIN) // Windows keeps access in ACLs, which the permission bits do not show
    QCOMPARE(key.permissions() & (QFile::ReadGroup | QFile::ReadOther | QFile::WriteGroup | QFile::WriteOther),
             QFile::Permissions());
#endif
}

QTEST_GUILESS_MAIN(TestOnvifDevsim)
#include "tst_onvif_devsim.moc"
