// The device service against a responder on the loopback: the reads with each
// kind of authentication and a device clock that is off, the refusals and
// deadlines, and re-addressing with and without reboot, refused, or never back.
#include "OnvifDeviceClient.h"
#include "OnvifReadQueue.h"
#include "OnvifReaddress.h"
#include "OnvifTestData.h"
#include "SoapResponder.h"

#include <QSignalSpy>
#include <QTimer>
#include <QtTest>

using namespace Qt::StringLiterals;
using OnvifTestData::readData;

namespace {

void serveDeviceReads(SoapResponder& responder)
{
    responder.setReply(QStringLiteral("GetDeviceInformation"), {200, readData("getdeviceinformation.xml")});
    responder.setReply(QStringLiteral("GetNetworkInterfaces"), {200, readData("getnetworkinterfaces.xml")});
    responder.setReply(QStringLiteral("GetNetworkDefaultGateway"), {200, readData("getnetworkdefaultgateway.xml")});
    responder.setReply(QStringLiteral("GetNetworkProtocols"), {200, readData("getnetworkprotocols.xml")});
}

OnvifDeviceRecord discovered(const QUrl& url)
{
    OnvifDeviceRecord record;
    record.endpoint = QStringLiteral("urn:uuid:6f1c2a10-4b7e-11ee-8000-a41437c0aa01");
    record.xaddrs = {url.toString()};
    record.host = url.host();
    record.scopeName = QStringLiteral("Front Door");
    return record;
}

const QHostAddress kOld(QStringLiteral("127.0.0.1"));
const QHostAddress kNew(QStringLiteral("127.0.0.2"));

} // namespace

Q_DECLARE_METATYPE(SoapResponder::Auth)
Q_DECLARE_METATYPE(OnvifDeviceRecord::State)
Q_DECLARE_METATYPE(OnvifReaddress::Failure)

class TestOnvifDevice : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void readsDevice_data();
    void readsDevice();
    void refusedOrSilentDevice_data();
    void refusedOrSilentDevice();
    void readdress_data();
    void readdress();
    void readdressDoneOnHello();
    void readQueueBoundsParallelReads();
};

void TestOnvifDevice::initTestCase()
{
    qRegisterMetaType<OnvifDeviceRecord>();
    qRegisterMetaType<OnvifReaddress::Result>();
}

void TestOnvifDevice::readsDevice_data()
{
    QTest::addColumn<SoapResponder::Auth>("auth");
    QTest::addColumn<qint64>("clockOffset");
    QTest::addColumn<QString>("user");
    QTest::addColumn<int>("challenges");
    QTest::newRow("UsernameToken, device an hour ahead") << SoapResponder::Auth::UsernameToken << qint64(3600) << u"admin"_s << 0;
    QTest::newRow("UsernameToken, device two days behind") << SoapResponder::Auth::UsernameToken << qint64(-172800) << u"admin"_s << 0;
    QTest::newRow("HTTP Digest") << SoapResponder::Auth::HttpDigest << qint64(0) << u"admin"_s << 1;
    QTest::newRow("open device, no credentials") << SoapResponder::Auth::None << qint64(-30) << u""_s << 0;
}

void TestOnvifDevice::readsDevice()
{
    QFETCH(SoapResponder::Auth, auth);
    QFETCH(qint64, clockOffset);
    QFETCH(QString, user);
    QFETCH(int, challenges);
    SoapResponder responder;
    QVERIFY(responder.listen(kOld));
    serveDeviceReads(responder);
    responder.setAuth(auth, QStringLiteral("admin"), QStringLiteral("s3cret"));
    responder.setClockOffset(clockOffset);

    OnvifDeviceClient client;
    client.setDeadline(3000);
    if (!user.isEmpty())
        client.setCredentials(user, QStringLiteral("s3cret"));
    QSignalSpy finished(&client, &OnvifDeviceClient::finished);
    client.read(discovered(responder.url()));
    QVERIFY(finished.wait(10000));
    QCOMPARE(finished.count(), 1);
    const auto record = finished.first().first().value<OnvifDeviceRecord>();
    QVERIFY2(record.state == OnvifDeviceRecord::State::Read, qPrintable(record.error));
    QCOMPARE(record.scopeName, QStringLiteral("Front Door"));
    QCOMPARE(record.manufacturer, QStringLiteral("Northvale Optics"));
    QCOMPARE(record.serialNumber, QStringLiteral("NV2140-0019A7C3"));
    QCOMPARE(record.mac, QStringLiteral("a4:14:37:c0:aa:01"));
    QCOMPARE(record.ipv4Gateway, QStringLiteral("192.168.1.1"));
    QCOMPARE(record.httpPort, 8080);
    QVERIFY(record.clockKnown);
    QVERIFY2(qAbs(record.clockOffsetSeconds - clockOffset) <= 2, qPrintable(QString::number(record.clockOffsetSeconds)));
    // The clock is read first and without a token.
    QVERIFY(responder.operations.size() >= 5);
    QCOMPARE(responder.operations.first(), QStringLiteral("GetSystemDateAndTime"));
    QCOMPARE(responder.withToken.first(), false);
    const QStringList reads = {QStringLiteral("GetDeviceInformation"), QStringLiteral("GetNetworkInterfaces"),
                               QStringLiteral("GetNetworkDefaultGateway"), QStringLiteral("GetNetworkProtocols")};
    QCOMPARE(responder.operations.mid(responder.operations.size() - 4), reads);
    QCOMPARE(responder.nChallenges, challenges);
}

void TestOnvifDevice::refusedOrSilentDevice_data()
{
    QTest::addColumn<SoapResponder::Auth>("auth");
    QTest::addColumn<QString>("password");
    QTest::addColumn<QString>("behaviour");
    QTest::addColumn<OnvifDeviceRecord::State>("state");
    QTest::addColumn<QString>("error");
    QTest::newRow("no credentials, token device") << SoapResponder::Auth::UsernameToken << u""_s << u""_s << OnvifDeviceRecord::State::CredentialsNeeded << u"credentials needed"_s;
    QTest::newRow("no credentials, Digest device") << SoapResponder::Auth::HttpDigest << u""_s << u""_s << OnvifDeviceRecord::State::CredentialsNeeded << u"credentials needed"_s;
    QTest::newRow("wrong password, token") << SoapResponder::Auth::UsernameToken << u"wrong"_s << u""_s << OnvifDeviceRecord::State::CredentialsNeeded << u"authentication failed"_s;
    QTest::newRow("wrong password, Digest") << SoapResponder::Auth::HttpDigest << u"wrong"_s << u""_s << OnvifDeviceRecord::State::CredentialsNeeded << u"authentication failed"_s;
    QTest::newRow("silent device") << SoapResponder::Auth::None << u""_s << u"silent"_s << OnvifDeviceRecord::State::Unreachable << u"no answer"_s;
    QTest::newRow("nothing listening") << SoapResponder::Auth::None << u""_s << u"closed"_s << OnvifDeviceRecord::State::Unreachable << u""_s;
    QTest::newRow("oversize answer") << SoapResponder::Auth::None << u""_s << u"huge"_s << OnvifDeviceRecord::State::Failed << u"GetDeviceInformation"_s;
    QTest::newRow("hostile answer") << SoapResponder::Auth::None << u""_s << u"hostile"_s << OnvifDeviceRecord::State::Failed << u"DTD or entity refused"_s;
    QTest::newRow("answer in another namespace") << SoapResponder::Auth::None << u""_s << u"namespace"_s << OnvifDeviceRecord::State::Failed << u"unexpected answer"_s;
}

void TestOnvifDevice::refusedOrSilentDevice()
{
    QFETCH(SoapResponder::Auth, auth);
    QFETCH(QString, password);
    QFETCH(QString, behaviour);
    QFETCH(OnvifDeviceRecord::State, state);
    QFETCH(QString, error);
    SoapResponder responder;
    QVERIFY(responder.listen(kOld));
    serveDeviceReads(responder);
    responder.setAuth(auth, QStringLiteral("admin"), QStringLiteral("s3cret"));
    const QUrl url = responder.url();
    if (behaviour == QLatin1String("silent"))
        responder.setReply(QStringLiteral("GetSystemDateAndTime"), {200, QByteArray(), true});
    else if (behaviour == QLatin1String("closed"))
        responder.close();
    else if (behaviour == QLatin1String("huge"))
        responder.setReply(QStringLiteral("GetDeviceInformation"), {200, QByteArray(2 * 1024 * 1024, ' ')});
    else if (behaviour == QLatin1String("namespace"))
        responder.setReply(u"GetDeviceInformation"_s, {200, readData("getdeviceinformation.xml").replace("ver10/device/wsdl", "ver20/device/wsdl")});
    else if (behaviour == QLatin1String("hostile"))
        responder.setReply(QStringLiteral("GetDeviceInformation"), {200, readData("hostile-billion-laughs.xml")});

    OnvifDeviceClient client;
    client.setDeadline(700);
    if (!password.isEmpty())
        client.setCredentials(QStringLiteral("admin"), password);
    QSignalSpy finished(&client, &OnvifDeviceClient::finished);
    client.read(discovered(url));
    QVERIFY(finished.wait(10000));
    const auto record = finished.first().first().value<OnvifDeviceRecord>();
    QCOMPARE(OnvifDeviceStateName(record.state), OnvifDeviceStateName(state));
    QVERIFY2(record.error.contains(error), qPrintable(record.error));
    // What discovery gave is kept.
    QCOMPARE(record.scopeName, QStringLiteral("Front Door"));
    QVERIFY(!finished.wait(300));
}

void TestOnvifDevice::readdress_data()
{
    QTest::addColumn<QString>("setReply");       // file answering SetNetworkInterfaces, or "silent"
    QTest::addColumn<QString>("password");
    QTest::addColumn<bool>("newComesUp");        // a responder appears at the new address
    QTest::addColumn<bool>("oldGoesDown");       // the old address stops answering
    QTest::addColumn<OnvifReaddress::Failure>("failure");
    QTest::addColumn<bool>("rebooted");
    QTest::addColumn<QString>("reason");
    QTest::newRow("applied at once") << u"setnetworkinterfaces-noreboot.xml"_s << u"s3cret"_s << true << true
                                     << OnvifReaddress::Failure::None << false << u""_s;
    QTest::newRow("RebootNeeded") << u"setnetworkinterfaces-reboot.xml"_s << u"s3cret"_s << true << true
                                  << OnvifReaddress::Failure::None << true << u""_s;
    QTest::newRow("moves before answering") << u"silent"_s << u"s3cret"_s << true << true
                                            << OnvifReaddress::Failure::None << false << u""_s;
    QTest::newRow("never comes back") << u"setnetworkinterfaces-reboot.xml"_s << u"s3cret"_s << false << true
                                      << OnvifReaddress::Failure::NoAnswer << true << u"no answer at 127.0.0.2"_s;
    QTest::newRow("still at its old address") << u"setnetworkinterfaces-noreboot.xml"_s << u"s3cret"_s << false << false
                                              << OnvifReaddress::Failure::StillAtOldAddress << false << u"still at its old address"_s;
    QTest::newRow("refused by the device") << u"fault-invalid-address.xml"_s << u"s3cret"_s << false << false
                                           << OnvifReaddress::Failure::Refused << false << u"The suggested IPv4 address is invalid"_s;
    QTest::newRow("authentication failed") << u"setnetworkinterfaces-noreboot.xml"_s << u"wrong"_s << false << false
                                           << OnvifReaddress::Failure::AuthenticationFailed << false << u"authentication failed"_s;
}

void TestOnvifDevice::readdress()
{
    QFETCH(QString, setReply);
    QFETCH(QString, password);
    QFETCH(bool, newComesUp);
    QFETCH(bool, oldGoesDown);
    QFETCH(OnvifReaddress::Failure, failure);
    QFETCH(bool, rebooted);
    QFETCH(QString, reason);

    SoapResponder oldDevice;
    QVERIFY(oldDevice.listen(kOld));
    oldDevice.setAuth(SoapResponder::Auth::UsernameToken, QStringLiteral("admin"), QStringLiteral("s3cret"));
    oldDevice.setClockOffset(3600);
    oldDevice.setReply(QStringLiteral("GetNetworkInterfaces"), {200, readData("getnetworkinterfaces.xml")});
    oldDevice.setReply(QStringLiteral("SetNetworkDefaultGateway"), {200, readData("setnetworkdefaultgateway.xml")});
    oldDevice.setReply(QStringLiteral("SystemReboot"), {200, readData("systemreboot.xml")});
    if (setReply == QLatin1String("silent"))
        oldDevice.setReply(QStringLiteral("SetNetworkInterfaces"), {200, QByteArray(), true});
    else
        oldDevice.setReply(QStringLiteral("SetNetworkInterfaces"),
                           {setReply.startsWith(QLatin1String("fault")) ? 400 : 200, readData(qPrintable(setReply))});

    // The device moves after SetNetworkInterfaces, or after SystemReboot when it needs one.
    SoapResponder newDevice;
    const quint16 nPort = oldDevice.port(); // the device keeps its port
    const QString strMoveOn = rebooted ? QStringLiteral("SystemReboot") : QStringLiteral("SetNetworkInterfaces");
    connect(&oldDevice, &SoapResponder::received, this, [&](const QString& strOperation) {
        if (strOperation != strMoveOn)
            return;
        // Bound to the old device, so that no move outlives this test function.
        QTimer::singleShot(200, &oldDevice, [&oldDevice, &newDevice, oldGoesDown, newComesUp, nPort]() {
            if (oldGoesDown)
                oldDevice.close();
            if (newComesUp && !newDevice.listen(kNew, nPort))
                qWarning("cannot listen on %s", qPrintable(kNew.toString()));
        });
    });

    OnvifReaddress readdress;
    readdress.setCredentials(QStringLiteral("admin"), password);
    readdress.setCallDeadline(500);
    readdress.setReturnDeadline(2000);
    readdress.setPollInterval(100);
    QSignalSpy finished(&readdress, &OnvifReaddress::finished);
    OnvifReaddress::Request request;
    request.ipv4Address = kNew.toString();
    request.prefixLength = 8;
    request.ipv4Gateway = QStringLiteral("127.0.0.254");
    readdress.start(discovered(oldDevice.url()), request);
    QVERIFY(finished.wait(15000));
    QCOMPARE(finished.count(), 1);
    const auto result = finished.first().first().value<OnvifReaddress::Result>();
    QVERIFY2(result.failure == failure, qPrintable(OnvifReaddress::failureName(result.failure) + u": "_s + result.reason));
    QCOMPARE(result.bRebootNeeded, rebooted);
    QVERIFY2(result.reason.contains(reason), qPrintable(result.reason));
    QCOMPARE(oldDevice.operations.contains(QStringLiteral("SystemReboot")), rebooted);
    if (failure == OnvifReaddress::Failure::None) {
        QCOMPARE(result.newDeviceServiceUrl, newDevice.url().toString());
        QVERIFY(oldDevice.operations.contains(QStringLiteral("SetNetworkDefaultGateway")));
        // The gateway is set while the device is still at its old address.
        QVERIFY(oldDevice.operations.indexOf(QStringLiteral("SetNetworkDefaultGateway"))
                < oldDevice.operations.indexOf(QStringLiteral("SetNetworkInterfaces")));
    }
}

void TestOnvifDevice::readdressDoneOnHello()
{
    SoapResponder oldDevice;
    QVERIFY(oldDevice.listen(kOld));
    oldDevice.setReply(QStringLiteral("GetNetworkInterfaces"), {200, readData("getnetworkinterfaces.xml")});
    oldDevice.setReply(QStringLiteral("SetNetworkInterfaces"), {200, readData("setnetworkinterfaces-noreboot.xml")});
    OnvifReaddress readdress;
    readdress.setCallDeadline(500);
    readdress.setReturnDeadline(20000);
    readdress.setPollInterval(200);
    QSignalSpy finished(&readdress, &OnvifReaddress::finished);
    const OnvifDeviceRecord device = discovered(oldDevice.url());
    OnvifReaddress::Request request;
    request.ipv4Address = QStringLiteral("127.0.0.3");
    readdress.start(device, request);
    QTRY_VERIFY(oldDevice.operations.contains(QStringLiteral("SetNetworkInterfaces")));
    OnvifDeviceRecord stranger = device;
    stranger.endpoint = QStringLiteral("urn:uuid:someone-else");
    stranger.host = request.ipv4Address;
    readdress.noteHello(stranger);
    OnvifDeviceRecord stillOld = device;
    readdress.noteHello(stillOld);
    QVERIFY(!finished.wait(300));
    OnvifDeviceRecord announced = device;
    announced.host = request.ipv4Address;
    readdress.noteHello(announced);
    QCOMPARE(finished.count(), 1);
    QVERIFY(finished.first().first().value<OnvifReaddress::Result>().isDone());
}

void TestOnvifDevice::readQueueBoundsParallelReads()
{
    // A device that never answers holds its read until the deadline: with two
    // at a time, the third read starts only when one of the first two gives up.
    SoapResponder silent;
    QVERIFY(silent.listen(kOld));
    silent.setReply(u"GetSystemDateAndTime"_s, {200, QByteArray(), true});
    OnvifReadQueue queue;
    queue.setParallel(2);
    queue.setDeadline(1500);
    QSignalSpy read(&queue, &OnvifReadQueue::deviceRead);
    QSignalSpy idle(&queue, &OnvifReadQueue::idle);
    for (int i = 0; i < 5; ++i) {
        OnvifDeviceRecord record = discovered(silent.url());
        record.endpoint = u"urn:uuid:device-%1"_s.arg(i);
        queue.enqueue(record);
    }
    OnvifDeviceRecord again = discovered(silent.url());
    again.endpoint = u"urn:uuid:device-4"_s; // waiting already: replaced, not added
    queue.enqueue(again);
    QCOMPARE(queue.pending(), 5);
    QTRY_COMPARE(silent.operations.size(), 2);
    QVERIFY(!QTest::qWaitFor([&]() { return silent.operations.size() > 2; }, 500));
    QVERIFY(idle.wait(20000));
    QCOMPARE(read.count(), 5);
    QCOMPARE(silent.operations.size(), 5);
    for (const QList<QVariant>& arguments : std::as_const(read))
        QCOMPARE(arguments.first().value<OnvifDeviceRecord>().state, OnvifDeviceRecord::State::Unreachable);
    QCOMPARE(queue.pending(), 0);
}

QTEST_GUILESS_MAIN(TestOnvifDevice)
#include "tst_onvif_device.moc"
