// taldor-ip with ONVIF devices end to end on the loopback: a test camera
// answers direct probes and serves its device service on 127.0.0.1; the tool
// lists it, reads it with and without credentials, and reports a refused change
// and a refused reset. (Moving a camera to a new address needs addresses of its
// own: tst_taldor_ip_onvif_netns.)
#include "OnvifTestCamera.h"
#include "SoapResponder.h"
#include "OnvifTestData.h"
#include "TaldorIpProcess.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QtTest>

#include <memory>

namespace {

const QHostAddress kLoopback(QStringLiteral("127.0.0.1"));
const QByteArray kPassword = "cam-pass-7";

OnvifTestCamera::Identity Camera()
{
    OnvifTestCamera::Identity identity;
    identity.strEndpoint = QStringLiteral("urn:uuid:5d0c1a3e-7c2b-4f00-9a11-00c0ffee0001");
    identity.strSerial = QStringLiteral("NV2140-0001");
    identity.strMac = QStringLiteral("a4:14:37:c0:aa:51");
    return identity;
}

} // namespace

class TestTaldorIpOnvif : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void listsAnOnvifDevice();
    void refusingDeviceNeedsCredentials_data();
    void refusingDeviceNeedsCredentials();
    void refusedChangeGivesTheReason();
    void resetIsRefused();

private:
    TaldorIpRun Run(const QStringList& arguments, const QByteArray& password = QByteArray()) const;
    QJsonObject ListedCamera(const TaldorIpRun& run) const;

    std::unique_ptr<OnvifTestCamera> m_pCamera;
};

void TestTaldorIpOnvif::init()
{
    m_pCamera = std::make_unique<OnvifTestCamera>(Camera());
    QVERIFY(m_pCamera->Start(kLoopback));
}

void TestTaldorIpOnvif::cleanup()
{
    m_pCamera.reset();
}

TaldorIpRun TestTaldorIpOnvif::Run(const QStringList& arguments, const QByteArray& password) const
{
    QProcessEnvironment environment = TaldorIpRun::LoopbackEnvironment();
    environment.insert(QStringLiteral("ONVIF_TARGETS"), QStringLiteral("127.0.0.1:%1").arg(m_pCamera->ProbePort()));
    // The camera answers within milliseconds: a short search keeps the suite quick.
    return TaldorIpRun::Start(arguments + QStringList { QStringLiteral("--wait"), QStringLiteral("1.5") }, environment, password);
}

QJsonObject TestTaldorIpOnvif::ListedCamera(const TaldorIpRun& run) const
{
    const QJsonArray array = QJsonDocument::fromJson(run.out).array();
    for (const QJsonValue& value : array) {
        if (value[QStringLiteral("endpoint")].toString() == Camera().strEndpoint)
            return value.toObject();
    }
    return QJsonObject();
}

void TestTaldorIpOnvif::listsAnOnvifDevice()
{
    const TaldorIpRun run = Run({ QStringLiteral("list"), QStringLiteral("--protocol"), QStringLiteral("onvif"),
                                  QStringLiteral("--format"), QStringLiteral("json") });
    QVERIFY2(run.nExitCode == 0, qPrintable(run.strError));
    const QJsonObject camera = ListedCamera(run);
    QVERIFY2(!camera.isEmpty(), run.out.constData());
    QCOMPARE(camera[QStringLiteral("protocol")].toString(), QStringLiteral("onvif"));
    QCOMPARE(camera[QStringLiteral("state")].toString(), QStringLiteral("read"));
    QCOMPARE(camera[QStringLiteral("manufacturer")].toString(), QStringLiteral("Northvale Optics"));
    QCOMPARE(camera[QStringLiteral("deviceType")].toString(), QStringLiteral("NV-2140"));
    QCOMPARE(camera[QStringLiteral("serialNumber")].toString(), Camera().strSerial);
    QCOMPARE(camera[QStringLiteral("mac")].toString(), Camera().strMac);
    QCOMPARE(camera[QStringLiteral("ipv4Address")].toString(), QStringLiteral("127.0.0.1"));
    QCOMPARE(camera[QStringLiteral("ipv4Gateway")].toString(), QStringLiteral("10.98.0.1"));
    QCOMPARE(camera[QStringLiteral("port")].toInt(), 8080); // the HTTP port the device names
    QCOMPARE(camera[QStringLiteral("xaddrs")].toArray().first().toString(), m_pCamera->Service().url().toString());
    // Without a password the reads went without credentials.
    QVERIFY(!m_pCamera->Service().withToken.contains(true));
}

void TestTaldorIpOnvif::refusingDeviceNeedsCredentials_data()
{
    QTest::addColumn<QStringList>("extra");
    QTest::addColumn<QByteArray>("password");
    QTest::addColumn<QString>("state");
    QTest::newRow("no password") << QStringList() << QByteArray() << QStringLiteral("credentials needed");
    QTest::newRow("--user and the password") << QStringList { QStringLiteral("--user"), QStringLiteral("installer") }
                                             << kPassword << QStringLiteral("read");
    QTest::newRow("wrong user") << QStringList { QStringLiteral("--user"), QStringLiteral("admin") } << kPassword
                                << QStringLiteral("credentials needed");
}

void TestTaldorIpOnvif::refusingDeviceNeedsCredentials()
{
    QFETCH(QStringList, extra);
    QFETCH(QByteArray, password);
    QFETCH(QString, state);
    m_pCamera->Service().setAuth(SoapResponder::Auth::UsernameToken, QStringLiteral("installer"), QString::fromLatin1(kPassword));
    const TaldorIpRun run = Run(QStringList { QStringLiteral("list"), QStringLiteral("--format"), QStringLiteral("json"),
                                              QStringLiteral("--protocol"), QStringLiteral("onvif") } + extra,
                                password);
    QVERIFY2(run.nExitCode == 0, qPrintable(run.strError));
    const QJsonObject camera = ListedCamera(run);
    QVERIFY2(!camera.isEmpty(), run.out.constData());
    QCOMPARE(camera[QStringLiteral("state")].toString(), state);
    QCOMPARE(camera[QStringLiteral("ipv4Address")].toString(), QStringLiteral("127.0.0.1"));
    QCOMPARE(camera[QStringLiteral("serialNumber")].isNull(), state != QLatin1String("read"));
}

void TestTaldorIpOnvif::refusedChangeGivesTheReason()
{
    m_pCamera->bMoves = false;
    m_pCamera->Service().setReply(QStringLiteral("SetNetworkInterfaces"),
                                  { 500, OnvifTestData::readData("fault-invalid-address.xml") });
    const TaldorIpRun run = Run({ QStringLiteral("set"), Camera().strSerial, QStringLiteral("--ip"), QStringLiteral("10.98.0.9"),
                                  QStringLiteral("--protocol"), QStringLiteral("onvif") }, kPassword);
    QCOMPARE(run.nExitCode, 1);
    QVERIFY2(run.strError.contains(QStringLiteral("failed, refused by the device")), qPrintable(run.strError));
    QVERIFY2(run.strError.contains(QStringLiteral("The suggested IPv4 address is invalid")), qPrintable(run.strError));
    // The gateway went first, then the interface with the address and the prefix of the mask.
    QCOMPARE(m_pCamera->strRequestedAddress, QStringLiteral("10.98.0.9"));
    QCOMPARE(m_pCamera->nRequestedPrefix, 24);
    const QStringList& operations = m_pCamera->Service().operations;
    QVERIFY(operations.indexOf(QStringLiteral("SetNetworkDefaultGateway")) < operations.indexOf(QStringLiteral("SetNetworkInterfaces")));
}

void TestTaldorIpOnvif::resetIsRefused()
{
    const TaldorIpRun run = Run({ QStringLiteral("reset"), Camera().strSerial, QStringLiteral("--code"), QStringLiteral("123456") });
    QCOMPARE(run.nExitCode, 2);
    QVERIFY2(run.strError.contains(QStringLiteral("is an ONVIF device; ONVIF has no way to restore a password")),
             qPrintable(run.strError));
    QVERIFY(run.out.isEmpty());
}

QTEST_GUILESS_MAIN(TestTaldorIpOnvif)
#include "tst_taldor_ip_onvif.moc"
