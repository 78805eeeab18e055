// The ONVIF messages without a network: probes as sent, matches, Hello and Bye
// as received (captured shapes in data/), hostile and malformed input, the
// device-service answers, and the two authentication digests against their
// published examples.
#include "DeviceServiceCodec.h"
#include "HttpDigest.h"
#include "OnvifDiscovery.h"
#include "OnvifEnvelope.h"
#include "OnvifNamespaces.h"
#include "OnvifTestData.h"
#include "ProbeCodec.h"
#include "WsUsernameToken.h"

#include <QSignalSpy>
#include <QXmlStreamReader>
#include <QtTest>

using namespace Qt::StringLiterals;
using OnvifTestData::readData;

namespace {

QByteArray nested(int nDepth)
{
    QByteArray data = "<s:Envelope xmlns:s=\"http://www.w3.org/2003/05/soap-envelope\"><s:Body>";
    for (int i = 0; i < nDepth; ++i)
        data += "<x>";
    for (int i = 0; i < nDepth; ++i)
        data += "</x>";
    return data + "</s:Body></s:Envelope>";
}

QByteArray withScopes(const QByteArray& scopes)
{
    return "<s:Envelope xmlns:s=\"http://www.w3.org/2003/05/soap-envelope\" "
           "xmlns:a=\"http://schemas.xmlsoap.org/ws/2004/08/addressing\" "
           "xmlns:d=\"http://schemas.xmlsoap.org/ws/2005/04/discovery\"><s:Body><d:ProbeMatches><d:ProbeMatch>"
           "<a:EndpointReference><a:Address>urn:uuid:big</a:Address></a:EndpointReference>"
           "<d:Scopes>" + scopes + "</d:Scopes><d:XAddrs>http://192.168.1.9/onvif/device_service</d:XAddrs>"
           "</d:ProbeMatch></d:ProbeMatches></s:Body></s:Envelope>";
}

QByteArray manyDeclarations(int nCount)
{
    QByteArray data = "<s:Envelope xmlns:s=\"http://www.w3.org/2003/05/soap-envelope\"";
    for (int i = 0; i < nCount; ++i)
        data += " xmlns:p" + QByteArray::number(i) + "=\"urn:x\"";
    return data + "><s:Body/></s:Envelope>";
}

QByteArray manyElements(int nCount)
{
    QByteArray data = "<s:Envelope xmlns:s=\"http://www.w3.org/2003/05/soap-envelope\"><s:Body>";
    for (int i = 0; i < nCount; ++i)
        data += "<e/>";
    return data + "</s:Body></s:Envelope>";
}

const OnvifXmlElement* typesOfProbe(const OnvifEnvelope& envelope)
{
    const OnvifXmlElement* pProbe = envelope.body().child(OnvifNs::Discovery, QLatin1String("Probe"));
    return pProbe ? pProbe->child(OnvifNs::Discovery, QLatin1String("Types")) : nullptr;
}

} // namespace

Q_DECLARE_METATYPE(OnvifEnvelope::Error)
Q_DECLARE_METATYPE(ProbeCodec::Kind)
Q_DECLARE_METATYPE(ProbeCodec::ProbeType)

class TestOnvifCodec : public QObject
{
    Q_OBJECT

private slots:
    void probeNamesOneTypeWithItsNamespaceInScope_data();
    void probeNamesOneTypeWithItsNamespaceInScope();
    void probeUsesNoUndeclaredPrefix();
    void decodesDiscoveryMessages_data();
    void decodesDiscoveryMessages();
    void refusesBadInput_data();
    void refusesBadInput();
    void oneDeviceThroughTwoAdaptersIsOneDevice();
    void helloRefreshesAndByeRemoves();
    void discoveryCountsDroppedDatagrams();
    void usernameTokenMatchesPublishedExample();
    void usernameTokenTakesCreatedFromDeviceClock();
    void usernameTokenIsWrittenWithDeclaredPrefixes();
    void httpDigestChallenge_data();
    void httpDigestChallenge();
    void httpDigestMatchesRfc2617Example();
    void clockOffset_data();
    void clockOffset();
    void readsDeviceInformation();
    void readsNetworkInterfaces_data();
    void readsNetworkInterfaces();
    void readsGatewayAndHttpPort();
    void rebootNeeded_data();
    void rebootNeeded();
    void faultTextNamesTheReason();
    void setNetworkInterfacesRequest();
};

void TestOnvifCodec::probeNamesOneTypeWithItsNamespaceInScope_data()
{
    QTest::addColumn<ProbeCodec::ProbeType>("type");
    QTest::addColumn<QString>("typeText");
    QTest::addColumn<QString>("typeNamespace");
    QTest::newRow("NetworkVideoTransmitter") << ProbeCodec::ProbeType::NetworkVideoTransmitter
                                             << QStringLiteral("dn:NetworkVideoTransmitter") << QString(OnvifNs::Network);
    QTest::newRow("Device") << ProbeCodec::ProbeType::Device << QStringLiteral("tds:Device") << QString(OnvifNs::Device);
}

void TestOnvifCodec::probeNamesOneTypeWithItsNamespaceInScope()
{
    QFETCH(ProbeCodec::ProbeType, type);
    QFETCH(QString, typeText);
    QFETCH(QString, typeNamespace);
    const QString strId = QStringLiteral("urn:uuid:0c2e5f4a-1a57-4d1c-9b4e-3f2d7f0c1e11");
    const OnvifEnvelope envelope = OnvifEnvelope::parse(ProbeCodec::encodeProbe(type, strId));
    QVERIFY2(envelope.isValid(), qPrintable(OnvifEnvelope::errorName(envelope.error())));
    QCOMPARE(envelope.header().childText(OnvifNs::Addressing, QLatin1String("MessageID")), strId);
    QCOMPARE(envelope.header().childText(OnvifNs::Addressing, QLatin1String("To")), QString(OnvifNs::DiscoveryTo));
    QCOMPARE(envelope.header().childText(OnvifNs::Addressing, QLatin1String("Action")),
             QStringLiteral("http://schemas.xmlsoap.org/ws/2005/04/discovery/Probe"));
    const OnvifXmlElement* pTypes = typesOfProbe(envelope);
    QVERIFY(pTypes);
    // One type per probe: a probe naming both matches only devices of both.
    QCOMPARE(pTypes->text, typeText);
    const QString strPrefix = typeText.section(QLatin1Char(':'), 0, 0);
    QCOMPARE(pTypes->prefixes.value(strPrefix), typeNamespace);
    QCOMPARE(ProbeCodec::decode(ProbeCodec::encodeProbe(type, strId)).kind, ProbeCodec::Kind::Probe);
}

void TestOnvifCodec::probeUsesNoUndeclaredPrefix()
{
    for (auto type : {ProbeCodec::ProbeType::NetworkVideoTransmitter, ProbeCodec::ProbeType::Device}) {
        const QByteArray probe = ProbeCodec::encodeProbe(type, ProbeCodec::newMessageId());
        QXmlStreamReader reader(probe);
        QStringList declared;
        while (!reader.atEnd()) {
            if (reader.readNext() != QXmlStreamReader::StartElement)
                continue;
            for (const QXmlStreamNamespaceDeclaration& declaration : reader.namespaceDeclarations())
                declared.append(declaration.prefix().toString());
            QVERIFY2(declared.contains(reader.prefix().toString()), qPrintable(reader.qualifiedName().toString()));
        }
        QVERIFY2(!reader.hasError(), qPrintable(reader.errorString()));
        // Generated prefixes (n1, n2...) would mean a namespace was not declared up front.
        QVERIFY(!probe.contains("xmlns:n1"));
    }
    QVERIFY(ProbeCodec::newMessageId() != ProbeCodec::newMessageId());
}

void TestOnvifCodec::decodesDiscoveryMessages_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<ProbeCodec::Kind>("kind");
    QTest::addColumn<QStringList>("endpoints");
    QTest::addColumn<QStringList>("hosts");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("hardware");
    QTest::addColumn<QStringList>("types");
    QTest::addColumn<int>("dropped");

    QTest::newRow("two matches in one datagram")
        << u"probematches-two.xml"_s << ProbeCodec::Kind::ProbeMatches
        << QStringList{u"urn:uuid:6f1c2a10-4b7e-11ee-8000-a41437c0aa01"_s, u"urn:uuid:6f1c2a10-4b7e-11ee-8000-a41437c0aa02"_s}
        << QStringList{u"192.168.1.64"_s, u"192.168.1.65"_s} << u"Front Door"_s << u"NV-2140"_s
        << QStringList{u"dn:NetworkVideoTransmitter"_s, u"tds:Device"_s} << 0;
    QTest::newRow("odd prefixes, default namespaces")
        << u"probematches-odd-prefixes.xml"_s << ProbeCodec::Kind::ProbeMatches
        << QStringList{u"urn:uuid:00075f8a-1c2d-4e3f-8a9b-0c1d2e3f4a5b"_s} << QStringList{u"10.0.0.17"_s} << u"Dome"_s << u"DM/7"_s
        << QStringList{u"dn:NetworkVideoTransmitter"_s, u"tds:Device"_s} << 0;
    QTest::newRow("matches without usable XAddrs are not listed")
        << u"probematches-no-xaddrs.xml"_s << ProbeCodec::Kind::ProbeMatches
        << QStringList{u"urn:uuid:cam-4d2a-0000-0000-0000000000c1"_s} << QStringList{u"192.168.7.20"_s} << QString() << QString()
        << QStringList{u"dn:NetworkVideoTransmitter"_s} << 2;
    QTest::newRow("hello") << u"hello.xml"_s << ProbeCodec::Kind::Hello
                           << QStringList{u"urn:uuid:6f1c2a10-4b7e-11ee-8000-a41437c0aa01"_s} << QStringList{u"192.168.1.80"_s}
                           << u"Front Door"_s << u"NV-2140"_s << QStringList{u"dn:NetworkVideoTransmitter"_s} << 0;
    QTest::newRow("bye") << u"bye.xml"_s << ProbeCodec::Kind::Bye
                         << QStringList{u"urn:uuid:6f1c2a10-4b7e-11ee-8000-a41437c0aa01"_s} << QStringList{QString()}
                         << QString() << QString() << QStringList() << 0;
}

void TestOnvifCodec::decodesDiscoveryMessages()
{
    QFETCH(QString, file);
    QFETCH(ProbeCodec::Kind, kind);
    QFETCH(QStringList, endpoints);
    QFETCH(QStringList, hosts);
    QFETCH(QString, name);
    QFETCH(QString, hardware);
    QFETCH(QStringList, types);
    QFETCH(int, dropped);

    const ProbeCodec::Message message = ProbeCodec::decode(readData(qPrintable(file)));
    QCOMPARE(message.error, OnvifEnvelope::Error::None);
    QCOMPARE(message.kind, kind);
    QCOMPARE(message.nDroppedMatches, dropped);
    QStringList gotEndpoints;
    QStringList gotHosts;
    for (const OnvifDeviceRecord& record : message.endpoints) {
        gotEndpoints.append(record.endpoint);
        gotHosts.append(record.host);
    }
    QCOMPARE(gotEndpoints, endpoints);
    QCOMPARE(gotHosts, hosts);
    QCOMPARE(message.endpoints.first().scopeName, name);
    QCOMPARE(message.endpoints.first().scopeHardware, hardware);
    QCOMPARE(message.endpoints.first().types, types);
    if (!hosts.first().isEmpty())
        QCOMPARE(QUrl(message.endpoints.first().deviceServiceUrl()).host(), hosts.first());
}

void TestOnvifCodec::refusesBadInput_data()
{
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<OnvifEnvelope::Error>("error");
    QTest::newRow("billion laughs") << readData("hostile-billion-laughs.xml") << OnvifEnvelope::Error::Hostile;
    QTest::newRow("external entity") << readData("hostile-external-entity.xml") << OnvifEnvelope::Error::Hostile;
    QTest::newRow("undeclared entity") << readData("undeclared-entity.xml") << OnvifEnvelope::Error::Hostile;
    QTest::newRow("truncated") << readData("truncated.xml") << OnvifEnvelope::Error::Malformed;
    QTest::newRow("SOAP 1.1 envelope") << readData("soap11-envelope.xml") << OnvifEnvelope::Error::NotSoap;
    QTest::newRow("undeclared prefix") << readData("undeclared-prefix.xml") << OnvifEnvelope::Error::Malformed;
    QTest::newRow("no body") << readData("no-body.xml") << OnvifEnvelope::Error::NoBody;
    QTest::newRow("empty") << QByteArray() << OnvifEnvelope::Error::Malformed;
    QTest::newRow("binary") << QByteArray("\x00\xff\xfe<\x01\x02", 6) << OnvifEnvelope::Error::Malformed;
    QTest::newRow("two roots") << QByteArray("<a/><b/>") << OnvifEnvelope::Error::Malformed;
    QTest::newRow("huge field") << withScopes(QByteArray(20000, 'x')) << OnvifEnvelope::Error::FieldTooLong;
    QTest::newRow("oversize datagram") << withScopes(QByteArray(70000, 'x')) << OnvifEnvelope::Error::TooLarge;
    QTest::newRow("nested too deeply") << nested(200) << OnvifEnvelope::Error::TooDeep;
    QTest::newRow("too many elements") << manyElements(10000) << OnvifEnvelope::Error::TooLarge;
    QTest::newRow("too many namespace declarations") << manyDeclarations(1000) << OnvifEnvelope::Error::TooLarge;
}

void TestOnvifCodec::refusesBadInput()
{
    QFETCH(QByteArray, data);
    QFETCH(OnvifEnvelope::Error, error);
    const ProbeCodec::Message message = ProbeCodec::decode(data);
    QCOMPARE(OnvifEnvelope::errorName(message.error), OnvifEnvelope::errorName(error));
    QVERIFY(message.endpoints.isEmpty());
}

void TestOnvifCodec::oneDeviceThroughTwoAdaptersIsOneDevice()
{
    OnvifDiscovery discovery;
    QSignalSpy found(&discovery, &OnvifDiscovery::deviceFound);
    QSignalSpy changed(&discovery, &OnvifDiscovery::deviceChanged);
    const QByteArray reply = readData("probematches-two.xml");
    discovery.processDatagram(reply); // through the first adapter
    discovery.processDatagram(reply); // the same answer through the second
    discovery.processDatagram(reply); // and a repeated reply to a resent probe
    QCOMPARE(found.count(), 2);
    QCOMPARE(changed.count(), 0);
    QCOMPARE(discovery.devices().size(), 2);
    QCOMPARE(discovery.counters().nDuplicates, 4);
}

void TestOnvifCodec::helloRefreshesAndByeRemoves()
{
    OnvifDiscovery discovery;
    QSignalSpy changed(&discovery, &OnvifDiscovery::deviceChanged);
    QSignalSpy lost(&discovery, &OnvifDiscovery::deviceLost);
    discovery.processDatagram(readData("probematches-two.xml"));
    discovery.processDatagram(readData("hello.xml"));
    QCOMPARE(changed.count(), 1);
    const auto record = changed.first().first().value<OnvifDeviceRecord>();
    QCOMPARE(record.host, QStringLiteral("192.168.1.80"));
    QCOMPARE(record.metadataVersion, 11u);
    discovery.processDatagram(readData("bye.xml"));
    QCOMPARE(lost.count(), 1);
    QCOMPARE(lost.first().first().toString(), QStringLiteral("urn:uuid:6f1c2a10-4b7e-11ee-8000-a41437c0aa01"));
    QCOMPARE(discovery.devices().size(), 1);
    discovery.processDatagram(readData("bye.xml"));
    QCOMPARE(lost.count(), 1);
}

void TestOnvifCodec::discoveryCountsDroppedDatagrams()
{
    OnvifDiscovery discovery;
    QSignalSpy found(&discovery, &OnvifDiscovery::deviceFound);
    discovery.processDatagram(readData("hostile-billion-laughs.xml"));
    discovery.processDatagram(readData("truncated.xml"));
    discovery.processDatagram(readData("probematches-no-xaddrs.xml"));
    QCOMPARE(discovery.counters().nDatagrams, 3);
    QCOMPARE(discovery.counters().nDropped, 2);
    QCOMPARE(discovery.counters().nWithoutAddress, 2);
    QCOMPARE(found.count(), 1);
}

void TestOnvifCodec::usernameTokenMatchesPublishedExample()
{
    // The worked example of the ONVIF Application Programmer's Guide (6.1.1.3).
    const QByteArray nonce = QByteArray::fromBase64("LKqI6G/AikKCQrN0zqZFlg==");
    QCOMPARE(WsUsernameToken::digest(nonce, QStringLiteral("2010-09-16T07:50:45Z"), QStringLiteral("userpassword")),
             QStringLiteral("tuOSpGlFlIXsozq4HFNeeGeFLEI="));
    const WsUsernameToken token(QStringLiteral("admin"), QStringLiteral("userpassword"), nonce,
                                QDateTime(QDate(2010, 9, 16), QTime(7, 50, 45), Qt::UTC));
    QCOMPARE(token.created(), QStringLiteral("2010-09-16T07:50:45Z"));
    QCOMPARE(token.passwordDigest(), QStringLiteral("tuOSpGlFlIXsozq4HFNeeGeFLEI="));
    QCOMPARE(token.nonceBase64(), QStringLiteral("LKqI6G/AikKCQrN0zqZFlg=="));
}

void TestOnvifCodec::usernameTokenTakesCreatedFromDeviceClock()
{
    const qint64 nOffset = -3600 * 5 - 17; // a camera five hours and 17 s behind
    const QDateTime before = QDateTime::currentDateTimeUtc().addSecs(nOffset - 1);
    const WsUsernameToken token = WsUsernameToken::create(QStringLiteral("admin"), QStringLiteral("pw"), nOffset);
    const QDateTime after = QDateTime::currentDateTimeUtc().addSecs(nOffset + 1);
    QDateTime created = QDateTime::fromString(token.created(), Qt::ISODate);
    QVERIFY(created.isValid());
    QVERIFY2(created >= before && created <= after, qPrintable(token.created()));
    QCOMPARE(QByteArray::fromBase64(token.nonceBase64().toLatin1()).size(), 16);
    QCOMPARE(token.passwordDigest(),
             WsUsernameToken::digest(QByteArray::fromBase64(token.nonceBase64().toLatin1()), token.created(), QStringLiteral("pw")));
}

void TestOnvifCodec::usernameTokenIsWrittenWithDeclaredPrefixes()
{
    const WsUsernameToken token(QStringLiteral("operator"), QStringLiteral("not-in-clear"), QByteArray(16, '\x5a'),
                                QDateTime(QDate(2026, 3, 1), QTime(12, 0, 0), Qt::UTC));
    const QByteArray request = DeviceServiceCodec::buildRequest(DeviceServiceCodec::Operation::GetDeviceInformation, &token);
    QVERIFY(!request.contains("not-in-clear"));
    QVERIFY(!request.contains("xmlns:n1"));
    const OnvifEnvelope envelope = OnvifEnvelope::parse(request);
    QVERIFY(envelope.isValid());
    const OnvifXmlElement* pToken = envelope.header().find(OnvifNs::Security, QLatin1String("UsernameToken"));
    QVERIFY(pToken);
    QCOMPARE(pToken->childText(OnvifNs::Security, QLatin1String("Username")), QStringLiteral("operator"));
    const OnvifXmlElement* pPassword = pToken->child(OnvifNs::Security, QLatin1String("Password"));
    QVERIFY(pPassword);
    QCOMPARE(pPassword->attributes.value(QStringLiteral("Type")), QString(OnvifNs::PasswordDigest));
    QCOMPARE(pPassword->text, token.passwordDigest());
    QCOMPARE(pToken->childText(OnvifNs::Utility, QLatin1String("Created")), QStringLiteral("2026-03-01T12:00:00Z"));
    QVERIFY(envelope.body().child(OnvifNs::Device, QLatin1String("GetDeviceInformation")));
    QVERIFY(!DeviceServiceCodec::buildRequest(DeviceServiceCodec::Operation::GetDeviceInformation, nullptr).contains("Security"));
}

void TestOnvifCodec::httpDigestChallenge_data()
{
    QTest::addColumn<QByteArray>("header");
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<QString>("realm");
    QTest::addColumn<QString>("nonce");
    QTest::addColumn<bool>("qopAuth");
    QTest::newRow("RFC 2617") << QByteArray("Digest realm=\"testrealm@host.com\", qop=\"auth,auth-int\", "
                                            "nonce=\"dcd98b7102dd2f0e8b11d0f600bfb0c093\", opaque=\"5ccc069c403ebaf9f0171e9517f40e41\"")
                              << true << u"testrealm@host.com"_s << u"dcd98b7102dd2f0e8b11d0f600bfb0c093"_s << true;
    QTest::newRow("camera, no spaces, stale") << QByteArray("Digest realm=\"Login to 2J01018PAA00816\",qop=\"auth\",nonce=\"b252aWYtZGlnZXN0OjQzMjUzMzYxMzMw\", opaque=\"\", stale=\"false\"")
                                              << true << u"Login to 2J01018PAA00816"_s << u"b252aWYtZGlnZXN0OjQzMjUzMzYxMzMw"_s << true;
    QTest::newRow("no qop, MD5 named") << QByteArray("digest realm=IPC, nonce=abc123, algorithm=MD5")
                                       << true << u"IPC"_s << u"abc123"_s << false;
    QTest::newRow("SHA-256 only") << QByteArray("Digest realm=\"r\", nonce=\"n\", algorithm=SHA-256, qop=\"auth\"")
                                  << false << QString() << QString() << false;
    QTest::newRow("Basic") << QByteArray("Basic realm=\"r\"") << false << QString() << QString() << false;
    QTest::newRow("no nonce") << QByteArray("Digest realm=\"r\", qop=\"auth\"") << false << QString() << QString() << false;
    QTest::newRow("unterminated quote") << QByteArray("Digest realm=\"r, nonce=\"n") << false << QString() << QString() << false;
}

void TestOnvifCodec::httpDigestChallenge()
{
    QFETCH(QByteArray, header);
    QFETCH(bool, accepted);
    QFETCH(QString, realm);
    QFETCH(QString, nonce);
    QFETCH(bool, qopAuth);
    HttpDigest::Challenge challenge;
    QCOMPARE(HttpDigest::parseChallenge(header, &challenge), accepted);
    if (!accepted)
        return;
    QCOMPARE(challenge.realm, realm);
    QCOMPARE(challenge.nonce, nonce);
    QCOMPARE(challenge.bQopAuth, qopAuth);
}

void TestOnvifCodec::httpDigestMatchesRfc2617Example()
{
    HttpDigest::Challenge challenge;
    QVERIFY(HttpDigest::parseChallenge("Digest realm=\"testrealm@host.com\", qop=\"auth,auth-int\", "
                                       "nonce=\"dcd98b7102dd2f0e8b11d0f600bfb0c093\", opaque=\"5ccc069c403ebaf9f0171e9517f40e41\"",
                                       &challenge));
    const QString strUser = QStringLiteral("Mufasa");
    const QString strPassword = QStringLiteral("Circle Of Life");
    const QString strUri = QStringLiteral("/dir/index.html");
    // RFC 2617, section 3.5.
    QCOMPARE(HttpDigest::response(challenge, strUser, strPassword, QStringLiteral("GET"), strUri,
                                  QStringLiteral("00000001"), QStringLiteral("0a4f113b")),
             QStringLiteral("6629fae49393a05397450978507c4ef1"));
    const QByteArray header = HttpDigest::authorization(challenge, strUser, strPassword, QStringLiteral("GET"), strUri, 1,
                                                        QStringLiteral("0a4f113b"));
    QVERIFY(header.contains("response=\"6629fae49393a05397450978507c4ef1\""));
    QVERIFY(header.contains("nc=00000001"));
    QVERIFY(header.contains("qop=auth,") || header.contains("qop=auth, "));
    QVERIFY(header.contains("opaque=\"5ccc069c403ebaf9f0171e9517f40e41\""));
    QVERIFY(!header.contains("Circle Of Life"));
    // Without qop (RFC 2069 style), computed independently with Python's hashlib.
    challenge.bQopAuth = false;
    QCOMPARE(HttpDigest::response(challenge, strUser, strPassword, QStringLiteral("GET"), strUri, QString(), QString()),
             QStringLiteral("670fd8c2df070c60b045671b8b24ff02"));
}

void TestOnvifCodec::clockOffset_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QDateTime>("now");
    QTest::addColumn<bool>("known");
    QTest::addColumn<qint64>("offset");
    QTest::newRow("device an hour ahead") << u"getsystemdateandtime.xml"_s
                                          << QDateTime(QDate(2026, 3, 1), QTime(12, 30, 5), Qt::UTC) << true << qint64(3600);
    QTest::newRow("in step") << u"getsystemdateandtime.xml"_s
                             << QDateTime(QDate(2026, 3, 1), QTime(13, 30, 5), Qt::UTC) << true << qint64(0);
    QTest::newRow("device behind") << u"getsystemdateandtime.xml"_s
                                   << QDateTime(QDate(2026, 3, 2), QTime(13, 30, 5), Qt::UTC) << true << qint64(-86400);
    QTest::newRow("local time only") << u"getsystemdateandtime-local-only.xml"_s
                                     << QDateTime(QDate(2026, 1, 1), QTime(0, 0, 0), Qt::UTC) << true << qint64(-1);
    QTest::newRow("impossible date") << u"getsystemdateandtime-invalid.xml"_s << QDateTime::currentDateTimeUtc() << false << qint64(0);
    QTest::newRow("fault") << u"fault-not-authorized.xml"_s << QDateTime::currentDateTimeUtc() << false << qint64(0);
    QTest::newRow("other answer") << u"getdeviceinformation.xml"_s << QDateTime::currentDateTimeUtc() << false << qint64(0);
}

void TestOnvifCodec::clockOffset()
{
    QFETCH(QString, file);
    QFETCH(QDateTime, now);
    QFETCH(bool, known);
    QFETCH(qint64, offset);
    const auto result = DeviceServiceCodec::readClockOffset(OnvifEnvelope::parse(readData(qPrintable(file))), now);
    QCOMPARE(result.has_value(), known);
    if (known)
        QCOMPARE(*result, offset);
}

void TestOnvifCodec::readsDeviceInformation()
{
    OnvifDeviceRecord record;
    QVERIFY(DeviceServiceCodec::readDeviceInformation(OnvifEnvelope::parse(readData("getdeviceinformation.xml")), &record));
    QCOMPARE(record.manufacturer, QStringLiteral("Northvale Optics"));
    QCOMPARE(record.model, QStringLiteral("NV-2140"));
    QCOMPARE(record.firmware, QStringLiteral("V5.7.3 build 250114"));
    QCOMPARE(record.serialNumber, QStringLiteral("NV2140-0019A7C3"));
    QCOMPARE(record.hardwareId, QStringLiteral("88"));
    OnvifDeviceRecord untouched;
    QVERIFY(!DeviceServiceCodec::readDeviceInformation(OnvifEnvelope::parse(readData("fault-not-authorized.xml")), &untouched));
    QVERIFY(untouched.manufacturer.isEmpty());
}

void TestOnvifCodec::readsNetworkInterfaces_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("token");
    QTest::addColumn<QString>("mac");
    QTest::addColumn<QString>("address");
    QTest::addColumn<int>("prefix");
    QTest::addColumn<bool>("dhcp");
    QTest::newRow("manual, disabled interface first") << u"getnetworkinterfaces.xml"_s << u"eth0"_s << u"a4:14:37:c0:aa:01"_s
                                                      << u"192.168.1.64"_s << 24 << false;
    QTest::newRow("from DHCP") << u"getnetworkinterfaces-dhcp.xml"_s << u"NetworkInterfaceToken_1"_s << u"00-12-34-56-78-9A"_s
                               << u"10.20.30.41"_s << 16 << true;
}

void TestOnvifCodec::readsNetworkInterfaces()
{
    QFETCH(QString, file);
    QFETCH(QString, token);
    QFETCH(QString, mac);
    QFETCH(QString, address);
    QFETCH(int, prefix);
    QFETCH(bool, dhcp);
    OnvifDeviceRecord record;
    QVERIFY(DeviceServiceCodec::readNetworkInterfaces(OnvifEnvelope::parse(readData(qPrintable(file))), &record));
    QCOMPARE(record.interfaceToken, token);
    QCOMPARE(record.mac, mac);
    QCOMPARE(record.ipv4Address, address);
    QCOMPARE(record.ipv4PrefixLength, prefix);
    QCOMPARE(record.ipv4Dhcp, dhcp);
}

void TestOnvifCodec::readsGatewayAndHttpPort()
{
    OnvifDeviceRecord record;
    QVERIFY(DeviceServiceCodec::readNetworkDefaultGateway(OnvifEnvelope::parse(readData("getnetworkdefaultgateway.xml")), &record));
    QCOMPARE(record.ipv4Gateway, QStringLiteral("192.168.1.1"));
    QVERIFY(DeviceServiceCodec::readNetworkProtocols(OnvifEnvelope::parse(readData("getnetworkprotocols.xml")), &record));
    QCOMPARE(record.httpPort, 8080);
}

void TestOnvifCodec::rebootNeeded_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<int>("expected"); // -1: not an answer to SetNetworkInterfaces
    QTest::newRow("reboot needed") << u"setnetworkinterfaces-reboot.xml"_s << 1;
    QTest::newRow("applied at once") << u"setnetworkinterfaces-noreboot.xml"_s << 0;
    QTest::newRow("refused") << u"fault-invalid-address.xml"_s << -1;
    QTest::newRow("other answer") << u"systemreboot.xml"_s << -1;
}

void TestOnvifCodec::rebootNeeded()
{
    QFETCH(QString, file);
    QFETCH(int, expected);
    const auto result = DeviceServiceCodec::readRebootNeeded(OnvifEnvelope::parse(readData(qPrintable(file))));
    QCOMPARE(result.has_value() ? int(*result) : -1, expected);
}

void TestOnvifCodec::faultTextNamesTheReason()
{
    const OnvifEnvelope envelope = OnvifEnvelope::parse(readData("fault-invalid-address.xml"));
    QVERIFY(envelope.isValid());
    QVERIFY(envelope.isFault());
    QCOMPARE(envelope.fault().code, QStringLiteral("SOAP-ENV:Sender"));
    QCOMPARE(envelope.fault().subcode, QStringLiteral("ter:InvalidArgVal"));
    QCOMPARE(envelope.faultText(), QStringLiteral("SOAP-ENV:Sender / ter:InvalidArgVal: The suggested IPv4 address is invalid"));
    QVERIFY(!OnvifEnvelope::parse(readData("getdeviceinformation.xml")).isFault());
}

void TestOnvifCodec::setNetworkInterfacesRequest()
{
    DeviceServiceCodec::InterfaceChange change;
    change.interfaceToken = QStringLiteral("eth0");
    change.ipv4Address = QStringLiteral("10.1.2.3");
    change.prefixLength = 16;
    const OnvifEnvelope envelope = OnvifEnvelope::parse(DeviceServiceCodec::buildSetNetworkInterfaces(change, nullptr));
    QVERIFY(envelope.isValid());
    const OnvifXmlElement* pSet = envelope.body().child(OnvifNs::Device, QLatin1String("SetNetworkInterfaces"));
    QVERIFY(pSet);
    QCOMPARE(pSet->childText(OnvifNs::Device, QLatin1String("InterfaceToken")), QStringLiteral("eth0"));
    const OnvifXmlElement* pIpv4 = pSet->find(OnvifNs::Schema, QLatin1String("IPv4"));
    QVERIFY(pIpv4);
    QCOMPARE(pIpv4->childText(OnvifNs::Schema, QLatin1String("DHCP")), QStringLiteral("false"));
    const OnvifXmlElement* pManual = pIpv4->child(OnvifNs::Schema, QLatin1String("Manual"));
    QVERIFY(pManual);
    QCOMPARE(pManual->childText(OnvifNs::Schema, QLatin1String("Address")), QStringLiteral("10.1.2.3"));
    QCOMPARE(pManual->childText(OnvifNs::Schema, QLatin1String("PrefixLength")), QStringLiteral("16"));

    const OnvifEnvelope gateway = OnvifEnvelope::parse(DeviceServiceCodec::buildSetNetworkDefaultGateway(QStringLiteral("10.1.0.1"), nullptr));
    const OnvifXmlElement* pGateway = gateway.body().child(OnvifNs::Device, QLatin1String("SetNetworkDefaultGateway"));
    QVERIFY(pGateway);
    QCOMPARE(pGateway->childText(OnvifNs::Device, QLatin1String("IPv4Address")), QStringLiteral("10.1.0.1"));
}

QTEST_GUILESS_MAIN(TestOnvifCodec)
#include "tst_onvif_codec.moc"
