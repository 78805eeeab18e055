// ONVIF devices in taldor-ip without a network: one entry per device when it
// answers both protocols, the fields an ONVIF device fills in CSV and JSON,
// the search options, plans naming ONVIF devices, and the refused reset.
#include "CCsvReader.h"
#include "CDeviceListFormat.h"
#include "CDeviceSearch.h"
#include "CResetCommand.h"
#include "CSearchOptions.h"
#include "CSitePlan.h"

#include <QCommandLineParser>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QtTest>

#include <cstring>

namespace {

LUMO_DEVICE_INFO_MY LumoDevice(const char* serial, const char* mac, const char* address)
{
    LUMO_DEVICE_INFO_MY device;
    std::memset(&device, 0, sizeof device);
    std::strncpy(device.serial, serial, sizeof device.serial - 1);
    std::strncpy(device.mac, mac, sizeof device.mac - 1);
    std::strncpy(device.ipv4Address, address, sizeof device.ipv4Address - 1);
    std::strcpy(device.ipv4Mask, "255.255.255.0");
    std::strcpy(device.ipv4Gateway, "10.0.0.254");
    std::strcpy(device.deviceTypeText, "K-VNT1C");
    device.port = 8000;
    device.deviceClass = 0x1001;
    device.extendedValid = 1;
    return device;
}

OnvifDeviceRecord OnvifDevice(int n, OnvifDeviceRecord::State state = OnvifDeviceRecord::State::Read)
{
    OnvifDeviceRecord record;
    record.endpoint = QStringLiteral("urn:uuid:6f1c2a10-4b7e-11ee-8000-a41437c0aa%1").arg(n, 2, 10, QLatin1Char('0'));
    record.host = QStringLiteral("10.0.0.%1").arg(100 + n);
    record.xaddrs = { QStringLiteral("http://10.0.0.%1/onvif/device_service").arg(100 + n) };
    record.scopeHardware = QStringLiteral("NV-2140");
    record.state = state;
    if (state != OnvifDeviceRecord::State::Read)
        return record;
    record.manufacturer = QStringLiteral("Northvale Optics");
    record.model = QStringLiteral("NV-2140");
    record.firmware = QStringLiteral("V5.7.3");
    record.serialNumber = QStringLiteral("NV%1").arg(n);
    record.mac = QStringLiteral("a4:14:37:c0:aa:%1").arg(n, 2, 10, QLatin1Char('0'));
    record.interfaceToken = QStringLiteral("eth0");
    record.ipv4Address = record.host;
    record.ipv4PrefixLength = 24;
    record.ipv4Gateway = QStringLiteral("10.0.0.254");
    record.httpPort = 80;
    return record;
}

bool ParseOptions(const QStringList& arguments, CSearchOptions* options, QString* problem)
{
    QCommandLineParser parser;
    CSearchOptions::AddTo(parser);
    return parser.parse(QStringList { QStringLiteral("taldor-ip") } + arguments) && options->Read(parser, problem);
}

bool CheckPlan(const QByteArray& text, const QList<FoundDevice>& devices, CSitePlan& plan)
{
    CCsvReader reader;
    return reader.Parse(text) && plan.Read(reader.Records()) && plan.Check(devices, false);
}

} // namespace

class TestCliOnvif : public QObject
{
    Q_OBJECT
private slots:
    void cleanup();
    void sameMacIsOneLumoDevice();
    void onvifDeviceInJsonAndCsv();
    void unreadDeviceShowsWhatDiscoveryGave();
    void lumoDeviceKeepsItsColumns();
    void searchOptions_data();
    void searchOptions();
    void planNamesOnvifDevices_data();
    void planNamesOnvifDevices();
    void resetRefusesOnvifDevices();
    void prefixOfMask_data();
    void prefixOfMask();
};

void TestCliOnvif::cleanup()
{
    qunsetenv("TALDOR_USER");
}

void TestCliOnvif::sameMacIsOneLumoDevice()
{
    OnvifDeviceRecord twin = OnvifDevice(1);
    twin.mac = QStringLiteral("02-4c-55-00-00-01"); // another spelling of the K-VNT device's MAC
    const QList<FoundDevice> devices = CDeviceSearch::Merged(
        { LumoDevice("TL1", "02:4C:55:00:00:01", "10.0.0.1"), LumoDevice("TL2", "02:4C:55:00:00:02", "10.0.0.2") },
        { twin, OnvifDevice(2) });
    QCOMPARE(devices.size(), 3);
    QVERIFY(devices[0].IsLumo());
    QCOMPARE(devices[0].Endpoint(), twin.endpoint);
    QCOMPARE(devices[0].Manufacturer(), QStringLiteral("Northvale Optics"));
    // Everything else stays what the K-VNT protocol reported.
    QCOMPARE(devices[0].Serial(), QStringLiteral("TL1"));
    QCOMPARE(devices[0].Ipv4Address(), QStringLiteral("10.0.0.1"));
    QCOMPARE(devices[0].Port(), 8000);
    QVERIFY(devices[1].IsLumo());
    QVERIFY(devices[1].Endpoint().isEmpty());
    QVERIFY(devices[2].IsOnvif());
    QCOMPARE(devices[2].Serial(), QStringLiteral("NV2"));

    // A plan naming the twin by its endpoint sets it through the K-VNT protocol.
    CSitePlan plan;
    QVERIFY2(CheckPlan("endpoint,ip\n" + twin.endpoint.toLatin1() + ",10.0.0.50\n", devices, plan),
             qPrintable(plan.Problems().join(u'\n')));
    QVERIFY(plan.Changes().front().device.IsLumo());
    QCOMPARE(plan.Changes().front().nPort, 8000);
}

void TestCliOnvif::onvifDeviceInJsonAndCsv()
{
    const FoundDevice device = FoundDevice::FromOnvif(OnvifDevice(3));
    const QJsonObject object = QJsonDocument::fromJson(CDeviceListFormat::Json({ device })).array().first().toObject();
    QCOMPARE(object[QStringLiteral("protocol")].toString(), QStringLiteral("onvif"));
    QCOMPARE(object[QStringLiteral("manufacturer")].toString(), QStringLiteral("Northvale Optics"));
    QCOMPARE(object[QStringLiteral("deviceType")].toString(), QStringLiteral("NV-2140"));
    QCOMPARE(object[QStringLiteral("serialNumber")].toString(), QStringLiteral("NV3"));
    QCOMPARE(object[QStringLiteral("softwareVersion")].toString(), QStringLiteral("V5.7.3"));
    QCOMPARE(object[QStringLiteral("ipv4Address")].toString(), QStringLiteral("10.0.0.103"));
    QCOMPARE(object[QStringLiteral("ipv4Mask")].toString(), QStringLiteral("255.255.255.0"));
    QCOMPARE(object[QStringLiteral("ipv4Gateway")].toString(), QStringLiteral("10.0.0.254"));
    QCOMPARE(object[QStringLiteral("mac")].toString(), QStringLiteral("a4:14:37:c0:aa:03"));
    QCOMPARE(object[QStringLiteral("port")].toInt(), 80);
    QVERIFY(object[QStringLiteral("ipv4Dhcp")].isBool());
    QVERIFY(!object[QStringLiteral("ipv4Dhcp")].toBool());
    QCOMPARE(object[QStringLiteral("state")].toString(), QStringLiteral("read"));
    QCOMPARE(object[QStringLiteral("endpoint")].toString(), OnvifDevice(3).endpoint);
    QCOMPARE(object[QStringLiteral("xaddrs")].toArray().first().toString(), OnvifDevice(3).xaddrs.first());
    // What the K-VNT protocol alone reports stays null.
    for (const char* key : { "channels", "dspVersion", "startTime", "ipv6Address", "supportsDhcp", "supportsIpv6" })
        QVERIFY2(object[QLatin1String(key)].isNull(), key);

    CCsvReader reader;
    QVERIFY(reader.Parse(CDeviceListFormat::Csv({ device })));
    const QStringList header = reader.Records()[0].fields;
    const QStringList cells = reader.Records()[1].fields;
    QCOMPARE(header.size(), CDeviceListFormat::Keys().size());
    QCOMPARE(cells[header.indexOf(QStringLiteral("Protocol"))], QStringLiteral("onvif"));
    QCOMPARE(cells[header.indexOf(QStringLiteral("Endpoint"))], OnvifDevice(3).endpoint);
    QCOMPARE(cells[header.indexOf(QStringLiteral("XAddrs"))], OnvifDevice(3).xaddrs.first());
    QCOMPARE(cells[header.indexOf(QStringLiteral("Channels"))], QString());

    const QByteArray table = CDeviceListFormat::Table({ device });
    QVERIFY(table.contains("Protocol"));
    QVERIFY(table.contains("onvif"));
    QVERIFY(!table.contains("urn:uuid")); // endpoints are for CSV and JSON
}

void TestCliOnvif::unreadDeviceShowsWhatDiscoveryGave()
{
    const FoundDevice device = FoundDevice::FromOnvif(OnvifDevice(4, OnvifDeviceRecord::State::CredentialsNeeded));
    const QJsonObject object = QJsonDocument::fromJson(CDeviceListFormat::Json({ device })).array().first().toObject();
    QCOMPARE(object[QStringLiteral("state")].toString(), QStringLiteral("credentials needed"));
    QCOMPARE(object[QStringLiteral("ipv4Address")].toString(), QStringLiteral("10.0.0.104"));
    QCOMPARE(object[QStringLiteral("deviceType")].toString(), QStringLiteral("NV-2140")); // from the hardware scope
    QCOMPARE(object[QStringLiteral("port")].toInt(), 80);
    QVERIFY(object[QStringLiteral("serialNumber")].isNull());
    QVERIFY(object[QStringLiteral("mac")].isNull());
    QVERIFY(object[QStringLiteral("ipv4Dhcp")].isNull());
    QCOMPARE(CSitePlan::DeviceName(device), OnvifDevice(4).endpoint);
}

void TestCliOnvif::lumoDeviceKeepsItsColumns()
{
    const QJsonObject object = QJsonDocument::fromJson(CDeviceListFormat::Json({ LumoDevice("TL1", "02:4C:55:00:00:01", "10.0.0.1") }))
                                   .array().first().toObject();
    QCOMPARE(object[QStringLiteral("protocol")].toString(), QStringLiteral("lumo"));
    QVERIFY(object[QStringLiteral("manufacturer")].isNull());
    QVERIFY(object[QStringLiteral("endpoint")].isNull());
    QVERIFY(object[QStringLiteral("state")].isNull());
    QCOMPARE(object[QStringLiteral("channels")].toInt(), 0);
    QCOMPARE(object[QStringLiteral("dspVersion")].toString(), QString());
    // The program's own columns keep their order; the new ones follow them.
    QCOMPARE(CDeviceListFormat::Keys().mid(19), (QStringList { QStringLiteral("protocol"), QStringLiteral("manufacturer"),
                                                                QStringLiteral("state"), QStringLiteral("endpoint"),
                                                                QStringLiteral("xaddrs") }));
    QCOMPARE(CDeviceListFormat::Keys().at(18), QStringLiteral("ipv4Dhcp"));
}

void TestCliOnvif::searchOptions_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("environmentUser");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<bool>("lumo");
    QTest::addColumn<bool>("onvif");
    QTest::addColumn<QStringList>("targets");
    QTest::addColumn<QString>("user");
    QTest::addColumn<bool>("userGiven");
    const QStringList none;
    QTest::newRow("defaults") << none << QString() << true << true << true << none << QStringLiteral("admin") << false;
    QTest::newRow("lumo only") << QStringList { QStringLiteral("--protocol"), QStringLiteral("lumo") } << QString()
                               << true << true << false << none << QStringLiteral("admin") << false;
    QTest::newRow("onvif only") << QStringList { QStringLiteral("--protocol"), QStringLiteral("ONVIF") } << QString()
                                << true << false << true << none << QStringLiteral("admin") << false;
    QTest::newRow("unknown protocol") << QStringList { QStringLiteral("--protocol"), QStringLiteral("upnp") } << QString()
                                      << false << false << false << none << QString() << false;
    QTest::newRow("two targets") << QStringList { QStringLiteral("--target"), QStringLiteral("10.1.2.3"), QStringLiteral("--target"),
                                                  QStringLiteral("192.168.001.010") }
                                 << QString() << true << true << true
                                 << QStringList { QStringLiteral("10.1.2.3"), QStringLiteral("192.168.1.10") }
                                 << QStringLiteral("admin") << false;
    QTest::newRow("target not an address") << QStringList { QStringLiteral("--target"), QStringLiteral("camera.local") }
                                           << QString() << false << false << false << none << QString() << false;
    QTest::newRow("user from the environment") << none << QStringLiteral("operator") << true << true << true << none
                                               << QStringLiteral("operator") << true;
    QTest::newRow("--user wins") << QStringList { QStringLiteral("--user"), QStringLiteral("installer") }
                                 << QStringLiteral("operator") << true << true << true << none
                                 << QStringLiteral("installer") << true;
}

void TestCliOnvif::searchOptions()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, environmentUser);
    QFETCH(bool, valid);
    if (!environmentUser.isEmpty())
        qputenv("TALDOR_USER", environmentUser.toUtf8());
    CSearchOptions options;
    QString problem;
    QCOMPARE(ParseOptions(arguments, &options, &problem), valid);
    if (!valid) {
        QVERIFY(problem.startsWith(QStringLiteral("--")));
        return;
    }
    QTEST(options.UsesLumo(), "lumo");
    QTEST(options.UsesOnvif(), "onvif");
    QTEST(options.Targets(), "targets");
    QTEST(options.User(), "user");
    QTEST(options.UserGiven(), "userGiven");
}

void TestCliOnvif::planNamesOnvifDevices_data()
{
    QTest::addColumn<QByteArray>("plan");
    QTest::addColumn<QString>("outcome"); // the change, or the problem
    const QByteArray endpoint = OnvifDevice(1).endpoint.toLatin1();
    QTest::newRow("by serial, mixed with K-VNT")
        << QByteArray("serial,ip,mask,gateway\nTL1,10.0.0.61,,\nNV1,10.0.0.62,255.255.0.0,\n")
        << QStringLiteral("3 onvif 10.0.0.62 255.255.0.0 10.0.0.254 80");
    QTest::newRow("by MAC") << QByteArray("mac,ip\nA4-14-37-C0-AA-01,10.0.0.62\n")
                            << QStringLiteral("2 onvif 10.0.0.62 255.255.255.0 10.0.0.254 80");
    QTest::newRow("by endpoint") << QByteArray("endpoint,ip\n" + endpoint + ",10.0.0.62\n")
                                 << QStringLiteral("2 onvif 10.0.0.62 255.255.255.0 10.0.0.254 80");
    QTest::newRow("a port for an ONVIF device") << QByteArray("serial,ip,port\nNV1,10.0.0.62,8000\n")
                                                << QStringLiteral("line 2: device NV1 (MAC a4:14:37:c0:aa:01) is an ONVIF device, whose port");
    QTest::newRow("not read") << QByteArray("endpoint,ip\n" + OnvifDevice(2).endpoint.toLatin1() + ",10.0.0.63\n")
                              << QStringLiteral("line 2: ONVIF device %1 could not be read (credentials needed)").arg(OnvifDevice(2).endpoint);
    QTest::newRow("address of an ONVIF device outside the plan") << QByteArray("serial,ip\nTL1,10.0.0.101\n")
                                                                 << QStringLiteral("line 2: address 10.0.0.101 belongs to device NV1");
}

void TestCliOnvif::planNamesOnvifDevices()
{
    QFETCH(QByteArray, plan);
    QFETCH(QString, outcome);
    OnvifDeviceRecord unread = OnvifDevice(2, OnvifDeviceRecord::State::CredentialsNeeded);
    unread.error = QStringLiteral("credentials needed");
    const QList<FoundDevice> devices = CDeviceSearch::Merged({ LumoDevice("TL1", "02:4C:55:00:00:01", "10.0.0.1") },
                                                             { OnvifDevice(1), unread });
    CSitePlan sitePlan;
    if (!CheckPlan(plan, devices, sitePlan)) {
        QVERIFY2(sitePlan.Problems().join(u'\n').startsWith(outcome), qPrintable(sitePlan.Problems().join(u'\n')));
        return;
    }
    const PlannedChange& change = sitePlan.Changes().back();
    QCOMPARE(QStringLiteral("%1 %2 %3 %4 %5 %6").arg(change.nLine).arg(change.device.ProtocolName(), change.strAddress,
                                                                      change.strMask, change.strGateway).arg(change.nPort),
             outcome);
}

void TestCliOnvif::resetRefusesOnvifDevices()
{
    const QString refusal = CResetCommand::Refusal(FoundDevice::FromOnvif(OnvifDevice(1)));
    QVERIFY2(refusal.contains(QStringLiteral("is an ONVIF device; ONVIF has no way to restore a password")), qPrintable(refusal));
    QVERIFY(refusal.contains(QStringLiteral("NV1")));
    QVERIFY(CResetCommand::Refusal(LumoDevice("TL1", "02:4C:55:00:00:01", "10.0.0.1")).isEmpty());
    // A K-VNT device that also answers ONVIF is reset through its own protocol.
    const QList<FoundDevice> twin = CDeviceSearch::Merged({ LumoDevice("TL1", "A4:14:37:C0:AA:01", "10.0.0.1") }, { OnvifDevice(1) });
    QCOMPARE(twin.size(), 1);
    QVERIFY(CResetCommand::Refusal(twin.front()).isEmpty());
}

void TestCliOnvif::prefixOfMask_data()
{
    QTest::addColumn<QString>("mask");
    QTest::addColumn<int>("prefix");
    QTest::newRow("/24") << QStringLiteral("255.255.255.0") << 24;
    QTest::newRow("/16") << QStringLiteral("255.255.0.0") << 16;
    QTest::newRow("/30") << QStringLiteral("255.255.255.252") << 30;
    QTest::newRow("/32") << QStringLiteral("255.255.255.255") << 32;
    QTest::newRow("holes") << QStringLiteral("255.0.255.0") << -1;
    QTest::newRow("no mask") << QStringLiteral("mask") << -1;
}

void TestCliOnvif::prefixOfMask()
{
    QFETCH(QString, mask);
    QFETCH(int, prefix);
    QCOMPARE(FoundDevice::PrefixOfMask(mask), prefix);
    if (prefix >= 0)
        QCOMPARE(FoundDevice::MaskOfPrefix(prefix), mask);
}

QTEST_GUILESS_MAIN(TestCliOnvif)
#include "tst_cli_onvif.moc"
