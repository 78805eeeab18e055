// taldor-ip moving ONVIF devices to new addresses, in a private network
// namespace made by the test (addresses of its own on its loopback adapter,
// never the host's adapters): a camera found only by --target and set by its
// endpoint, and site plans mixing K-VNT devices of the simulator with a test
// camera and with the simulator's own ONVIF cameras.
#include "LumoTestSupport.h"
#include "OnvifTestCamera.h"
#include "SoapResponder.h"
#include "TaldorIpProcess.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QMap>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

#if defined(__linux__)
#  include <sched.h>
#endif

namespace {

const QByteArray kPassword = "admin1234"; // the simulated fleet's, and the camera's

OnvifTestCamera::Identity Camera()
{
    OnvifTestCamera::Identity identity;
    identity.strEndpoint = QStringLiteral("urn:uuid:5d0c1a3e-7c2b-4f00-9a11-00c0ffee0002");
    identity.strSerial = QStringLiteral("NV2140-0002");
    identity.strMac = QStringLiteral("a4:14:37:c0:aa:52");
    return identity;
}

// Probes reach the camera only where the tool is told to look: no targets of
// the environment, and both discoveries off every adapter.
QProcessEnvironment NamespaceEnvironment()
{
    QProcessEnvironment environment = TaldorIpRun::LoopbackEnvironment();
    environment.insert(QStringLiteral("ONVIF_TARGETS"), QString());
    return environment;
}

} // namespace

class TestTaldorIpOnvifNetns : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void setsACameraFoundByTarget();
    void appliesAMixedPlan();
    void appliesAMixedPlanToTheSimulator();

private:
    std::unique_ptr<OnvifTestCamera> m_pCamera;
    std::unique_ptr<DevsimProcess> m_pFleet;
    std::unique_ptr<QTemporaryDir> m_pDir;
};

void TestTaldorIpOnvifNetns::initTestCase()
{
#if defined(__linux__)
    if (unshare(CLONE_NEWNET) != 0)
        QSKIP("cannot create a network namespace here (needs root)");
    if (QProcess::execute(QStringLiteral("sh"), { QStringLiteral("-c"),
                                                  QStringLiteral("ip link set lo up && ip addr add 10.98.0.5/24 dev lo"
                                                                 " && ip addr add 10.98.0.6/24 dev lo"
                                                                 " && ip addr add 10.98.0.7/24 dev lo") }) != 0)
        QSKIP("cannot give the namespace's loopback adapter addresses here (needs iproute2)");
    TestPorts::configureLibraryForLoopback();
#else
    QSKIP("network namespaces exist on Linux only");
#endif
}

void TestTaldorIpOnvifNetns::init()
{
    m_pDir = std::make_unique<QTemporaryDir>();
    m_pCamera = std::make_unique<OnvifTestCamera>(Camera());
    QVERIFY(m_pCamera->Start(QHostAddress(QStringLiteral("10.98.0.5")), 3702));
}

void TestTaldorIpOnvifNetns::cleanup()
{
    m_pFleet.reset();
    m_pCamera.reset();
    m_pDir.reset();
}

void TestTaldorIpOnvifNetns::setsACameraFoundByTarget()
{
    const QStringList onvifOnly = { QStringLiteral("--protocol"), QStringLiteral("onvif"), QStringLiteral("--wait"), QStringLiteral("1.5") };
    // Without --target nothing is probed.
    const TaldorIpRun unseen = TaldorIpRun::Start(QStringList { QStringLiteral("list"), QStringLiteral("--format"), QStringLiteral("json") } + onvifOnly,
                                                  NamespaceEnvironment());
    QCOMPARE(unseen.nExitCode, 0);
    QCOMPARE(QJsonDocument::fromJson(unseen.out).array().size(), 0);

    const TaldorIpRun run = TaldorIpRun::Start(QStringList { QStringLiteral("set"), Camera().strEndpoint, QStringLiteral("--ip"), QStringLiteral("10.98.0.6"),
                                                             QStringLiteral("--mask"), QStringLiteral("255.255.0.0"), QStringLiteral("--target"),
                                                             QStringLiteral("10.98.0.5") } + onvifOnly,
                                               NamespaceEnvironment(), kPassword);
    QVERIFY2(run.nExitCode == 0, qPrintable(run.strError));
    QVERIFY2(run.out.contains("done, now 10.98.0.6 mask 255.255.0.0 gateway 10.98.0.1"), run.out.constData());
    QCOMPARE(m_pCamera->Address(), QStringLiteral("10.98.0.6"));
    QCOMPARE(m_pCamera->nRequestedPrefix, 16);
    // The change is done once the camera answered at its new address.
    QCOMPARE(m_pCamera->Service().operations.last(), QStringLiteral("GetSystemDateAndTime"));
}

void TestTaldorIpOnvifNetns::appliesAMixedPlan()
{
    const QString state = m_pDir->filePath(QStringLiteral("fleet.json"));
    m_pFleet = std::make_unique<DevsimProcess>();
    QVERIFY(m_pFleet->start({ QStringLiteral("--count"), QStringLiteral("2"), QStringLiteral("--state"), state }));
    const QString plan = m_pDir->filePath(QStringLiteral("plan.csv"));
    QFile file(plan);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("serial,ip,mask,gateway\n"
               "TL0000000001,10.20.9.1,255.255.0.0,10.20.0.1\n"
               "NV2140-0002,10.98.0.7,,\n"
               "TL0000000002,10.20.9.2,255.255.0.0,10.20.0.1\n");
    file.close();
    const TaldorIpRun run = TaldorIpRun::Start({ QStringLiteral("apply"), plan, QStringLiteral("--target"), QStringLiteral("10.98.0.5"),
                                                 QStringLiteral("--wait"), QStringLiteral("2") },
                                               NamespaceEnvironment(), kPassword);
    QVERIFY2(run.nExitCode == 0, qPrintable(run.strError + QString::fromUtf8(run.out)));
    QCOMPARE(run.out.count("  done\n"), 3);
    QVERIFY2(run.out.contains("line 3  NV2140-0002  a4:14:37:c0:aa:52  10.98.0.5 -> 10.98.0.7  mask 255.255.255.0  gateway 10.98.0.1  port 8080  done"),
             run.out.constData());
    QCOMPARE(m_pCamera->Address(), QStringLiteral("10.98.0.7"));
    QTRY_COMPARE_WITH_TIMEOUT(addressInState(state, serialOf(1)), QStringLiteral("10.20.9.1"), 10000);
    QTRY_COMPARE_WITH_TIMEOUT(addressInState(state, serialOf(2)), QStringLiteral("10.20.9.2"), 10000);
}

void TestTaldorIpOnvifNetns::appliesAMixedPlanToTheSimulator()
{
    // The simulator's cameras start on 127.0.0.1 and move to the namespace's
    // addresses; the second one needs a reboot and takes HTTP Digest only.
    const QString state = m_pDir->filePath(QStringLiteral("fleet.json"));
    const quint16 probePort = quint16(TestPorts::devicePort() + 3);
    const quint16 httpPort = quint16(TestPorts::devicePort() + 4);
    m_pFleet = std::make_unique<DevsimProcess>();
    QVERIFY(m_pFleet->start({ QStringLiteral("--count"), QStringLiteral("2"), QStringLiteral("--state"), state,
                              QStringLiteral("--onvif-count"), QStringLiteral("2"), QStringLiteral("--onvif-port"),
                              QString::number(probePort), QStringLiteral("--onvif-http-port"), QString::number(httpPort) }));
    QProcessEnvironment environment = NamespaceEnvironment();
    environment.insert(QStringLiteral("ONVIF_TARGETS"), QStringLiteral("127.0.0.1:%1").arg(probePort));
    const QStringList search = { QStringLiteral("--wait"), QStringLiteral("2") };

    const TaldorIpRun listed = TaldorIpRun::Start(QStringList { QStringLiteral("list"), QStringLiteral("--format"), QStringLiteral("json") } + search,
                                                  environment, kPassword);
    QVERIFY2(listed.nExitCode == 0, qPrintable(listed.strError));
    QMap<QString, QString> protocols; // serial -> protocol
    for (const QJsonValue& device : QJsonDocument::fromJson(listed.out).array())
        protocols.insert(device[QStringLiteral("serialNumber")].toString(), device[QStringLiteral("protocol")].toString());
    QCOMPARE(protocols.value(QStringLiteral("TL0000000001")), QStringLiteral("lumo"));
    QCOMPARE(protocols.value(QStringLiteral("AO0000000001")), QStringLiteral("onvif"));
    QCOMPARE(protocols.value(QStringLiteral("AO0000000002")), QStringLiteral("onvif"));

    const QString plan = m_pDir->filePath(QStringLiteral("plan.csv"));
    QFile file(plan);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("serial,ip,mask,gateway\n"
               "TL0000000001,10.20.9.1,255.255.0.0,10.20.0.1\n"
               "AO0000000001,10.98.0.6,255.255.255.0,10.98.0.1\n"
               "AO0000000002,10.98.0.7,255.255.255.0,10.98.0.1\n");
    file.close();
    const TaldorIpRun run = TaldorIpRun::Start(QStringList { QStringLiteral("apply"), plan } + search, environment, kPassword);
    QVERIFY2(run.nExitCode == 0, qPrintable(run.strError + QString::fromUtf8(run.out)));
    QCOMPARE(run.out.count("  done\n"), 3);
    QTRY_COMPARE_WITH_TIMEOUT(addressInState(state, serialOf(1)), QStringLiteral("10.20.9.1"), 10000);

    // The cameras answer at their new addresses.
    const TaldorIpRun moved = TaldorIpRun::Start(QStringList { QStringLiteral("list"), QStringLiteral("--format"), QStringLiteral("json"),
                                                               QStringLiteral("--protocol"), QStringLiteral("onvif") } + search,
                                                 environment, kPassword);
    QVERIFY2(moved.nExitCode == 0, qPrintable(moved.strError));
    QMap<QString, QString> addresses;
    for (const QJsonValue& device : QJsonDocument::fromJson(moved.out).array())
        addresses.insert(device[QStringLiteral("serialNumber")].toString(), device[QStringLiteral("ipv4Address")].toString());
    QCOMPARE(addresses.value(QStringLiteral("AO0000000001")), QStringLiteral("10.98.0.6"));
    QCOMPARE(addresses.value(QStringLiteral("AO0000000002")), QStringLiteral("10.98.0.7"));
}

QTEST_GUILESS_MAIN(TestTaldorIpOnvifNetns)
#include "tst_taldor_ip_onvif_netns.moc"
