#include "CCsvReader.h"
#include "CSitePlan.h"

#include <QtTest>

#include <cstring>

namespace {

// Device n: serial SNn, MAC 02:00:00:00:00:0n, address 10.0.0.n/24, gateway 10.0.0.254.
LUMO_DEVICE_INFO_MY Device(int n, const char* model = "K-VNT1C", int deviceClass = 0x1001)
{
    LUMO_DEVICE_INFO_MY device;
    std::memset(&device, 0, sizeof device);
    std::snprintf(device.serial, sizeof device.serial, "SN%d", n);
    std::snprintf(device.mac, sizeof device.mac, "02:00:00:00:00:%02X", n);
    std::snprintf(device.ipv4Address, sizeof device.ipv4Address, "10.0.0.%d", n);
    std::snprintf(device.ipv4Mask, sizeof device.ipv4Mask, "255.255.255.0");
    std::snprintf(device.ipv4Gateway, sizeof device.ipv4Gateway, "10.0.0.254");
    std::snprintf(device.deviceTypeText, sizeof device.deviceTypeText, "%s", model);
    device.deviceClass = deviceClass;
    device.port = 8000;
    device.extendedValid = 1;
    return device;
}

QList<FoundDevice> Fleet()
{
    QList<FoundDevice> fleet;
    for (int n = 1; n <= 5; ++n)
        fleet.append(Device(n));
    fleet.append(Device(6, "X-NVR8"));
    fleet.append(Device(7, "K-VNT4C", 0x9E10));
    LUMO_DEVICE_INFO_MY twin = Device(8);
    std::strcpy(twin.serial, "SN1"); // a second device with SN1's serial number
    fleet.append(twin);
    LUMO_DEVICE_INFO_MY bare = Device(9);
    bare.extendedValid = 0;
    fleet.append(bare);
    return fleet;
}

bool CheckPlan(const QByteArray& text, CSitePlan& plan, bool allModels = false)
{
    CCsvReader reader;
    if (!reader.Parse(text))
        return false;
    return plan.Read(reader.Records()) && plan.Check(Fleet(), allModels);
}

} // namespace

// The checks a site plan passes before anything is sent: each refusal names its line.
class TestSitePlan : public QObject
{
    Q_OBJECT
private slots:
    void refusesNamingTheLine_data();
    void refusesNamingTheLine();
    void acceptsAndFillsCurrentValues_data();
    void acceptsAndFillsCurrentValues();
    void ordersMovesOntoAddressesStillHeld();
    void refusesAddressesThatSwap();
    void singleEntryOfTheSetCommand();
    void problemsShowNoControlCharacters_data();
    void problemsShowNoControlCharacters();
    void deviceNamesShowNoControlCharacters();
};

void TestSitePlan::refusesNamingTheLine_data()
{
    QTest::addColumn<QByteArray>("plan");
    QTest::addColumn<QStringList>("problems");
    QTest::newRow("unknown column") << QByteArray("serial,ip,gatway\nSN2,10.0.0.20,10.0.0.1\n")
                                    << QStringList { QStringLiteral("line 1: unknown column \"gatway\"") };
    QTest::newRow("no ip column") << QByteArray("serial,mask\nSN2,255.255.255.0\n")
                                  << QStringList { QStringLiteral("line 1: the header has no ip column") };
    QTest::newRow("no device column") << QByteArray("ip\n10.0.0.20\n")
                                      << QStringList { QStringLiteral("line 1: the header has neither a serial nor a mac column") };
    QTest::newRow("header only") << QByteArray("serial,ip\n") << QStringList { QStringLiteral("the plan names no device") };
    QTest::newRow("too few fields") << QByteArray("serial,ip,mask\nSN2,10.0.0.20,255.255.255.0\nSN3,10.0.0.30\n")
                                    << QStringList { QStringLiteral("line 3: 2 fields where the header names 3 columns") };
    QTest::newRow("too many fields") << QByteArray("serial,ip\nSN2,10.0.0.20,x\n")
                                     << QStringList { QStringLiteral("line 2: 3 fields where the header names 2 columns") };
    QTest::newRow("bad address") << QByteArray("serial,ip\nSN2,10.0.0.20\nSN3,10.0.0.300\n")
                                 << QStringList { QStringLiteral("line 3: ip \"10.0.0.300\" is not an IPv4 address") };
    QTest::newRow("no address") << QByteArray("serial,ip\nSN2,\n") << QStringList { QStringLiteral("line 2: no ip address") };
    QTest::newRow("loopback address") << QByteArray("serial,ip\nSN2,127.0.0.5\n")
                                      << QStringList { QStringLiteral("line 2: ip 127.0.0.5 is a loopback") };
    QTest::newRow("bad mask") << QByteArray("serial,ip,mask\nSN2,10.0.0.20,255.0.255.0\n")
                              << QStringList { QStringLiteral("line 2: mask \"255.0.255.0\" is not a subnet mask") };
    QTest::newRow("bad gateway") << QByteArray("serial,ip,gateway\nSN2,10.0.0.20,10.0.0\n")
                                 << QStringList { QStringLiteral("line 2: gateway \"10.0.0\" is not an IPv4 address") };
    QTest::newRow("port below range") << QByteArray("serial,ip,port\nSN2,10.0.0.20,1999\n")
                                      << QStringList { QStringLiteral("line 2: port \"1999\" is not a number from 2000 to 65535") };
    QTest::newRow("bad MAC") << QByteArray("mac,ip\n02:00:00:00:02,10.0.0.20\n")
                             << QStringList { QStringLiteral("line 2: mac \"02:00:00:00:02\" is not a MAC address") };
    QTest::newRow("device not found") << QByteArray("serial,ip\nSN2,10.0.0.20\nSN42,10.0.0.42\n")
                                      << QStringList { QStringLiteral("line 3: no device with serial number SN42 answered") };
    QTest::newRow("serial and MAC of different devices") << QByteArray("serial,mac,ip\nSN2,02:00:00:00:00:03,10.0.0.20\n")
                                                         << QStringList { QStringLiteral("line 2: no device with serial number SN2 and MAC") };
    QTest::newRow("two devices share the serial") << QByteArray("serial,ip\nSN1,10.0.0.20\n")
                                                  << QStringList { QStringLiteral("line 2: 2 devices have serial number SN1; name the device by its MAC") };
    QTest::newRow("same address twice") << QByteArray("serial,ip\nSN2,10.0.0.20\nSN3,10.0.0.21\nSN4,10.0.0.20\n")
                                        << QStringList { QStringLiteral("line 4: address 10.0.0.20 is also planned on line 2") };
    QTest::newRow("same address with leading zeros") << QByteArray("serial,ip\nSN2,10.0.0.20\nSN3,010.000.000.020\n")
                                                     << QStringList { QStringLiteral("line 3: address 10.0.0.20 is also planned on line 2") };
    QTest::newRow("address of a device outside the plan") << QByteArray("serial,ip\nSN2,10.0.0.20\nSN3,10.0.0.5\n")
                                                          << QStringList { QStringLiteral("line 3: address 10.0.0.5 belongs to device SN5 (MAC 02:00:00:00:00:05), which is not in the plan") };
    QTest::newRow("address of a foreign model") << QByteArray("serial,ip\nSN2,10.0.0.6\n")
                                                << QStringList { QStringLiteral("line 2: address 10.0.0.6 belongs to device SN6") };
    QTest::newRow("same device twice") << QByteArray("serial,mac,ip\nSN2,,10.0.0.20\n,02-00-00-00-00-02,10.0.0.21\n")
                                       << QStringList { QStringLiteral("line 3: device SN2 (MAC 02:00:00:00:00:02) is already planned on line 2") };
    QTest::newRow("network address") << QByteArray("serial,ip,mask,gateway\nSN2,10.0.0.128,255.255.255.128,0.0.0.0\n")
                                     << QStringList { QStringLiteral("line 2: ip 10.0.0.128 is the network address") };
    QTest::newRow("broadcast address") << QByteArray("serial,ip\nSN2,10.0.0.255\n") << QStringList { QStringLiteral("line 2: ip 10.0.0.255 is the broadcast address") };
    QTest::newRow("kept gateway outside the new subnet") << QByteArray("serial,ip\nSN2,10.0.1.20\n")
                                                         << QStringList { QStringLiteral("line 2: gateway 10.0.0.254 is outside the subnet of ip 10.0.1.20") };
    QTest::newRow("gateway is the device") << QByteArray("serial,ip,gateway\nSN2,10.0.0.20,10.0.0.20\n")
                                           << QStringList { QStringLiteral("line 2: gateway 10.0.0.20 is the device itself") };
    QTest::newRow("foreign model") << QByteArray("serial,ip\nSN6,10.0.0.60\n") << QStringList { QStringLiteral("line 2: device SN6 (MAC 02:00:00:00:00:06) is a X-NVR8") };
    QTest::newRow("read-only class") << QByteArray("serial,ip\nSN7,10.0.0.70\n") << QStringList { QStringLiteral("line 2: device SN7 (MAC 02:00:00:00:00:07) is of class 0x9E10, which does not take") };
    QTest::newRow("gateway unknown") << QByteArray("serial,ip\nSN9,10.0.0.90\n") << QStringList { QStringLiteral("line 2: device SN9 (MAC 02:00:00:00:00:09) does not report its gateway") };
    QTest::newRow("every line problem, by line") << QByteArray("serial,ip\nSN2,10.0.0.20\nSN3,x\nSN4,10.0.0.20\nSN5,\n")
                                                 << QStringList { QStringLiteral("line 3: ip \"x\""), QStringLiteral("line 4: address 10.0.0.20 is also"),
                                                                  QStringLiteral("line 5: no ip address") };
    QTest::newRow("every device problem, by line") << QByteArray("serial,ip\nSN42,10.0.0.20\nSN2,10.0.0.5\nSN9,10.0.0.90\n")
                                                   << QStringList { QStringLiteral("line 2: no device"), QStringLiteral("line 3: address 10.0.0.5 belongs"),
                                                                    QStringLiteral("line 4: device SN9 (MAC 02:00:00:00:00:09) does not report") };
}

void TestSitePlan::refusesNamingTheLine()
{
    QFETCH(QByteArray, plan);
    QFETCH(QStringList, problems);
    CSitePlan sitePlan;
    QVERIFY(!CheckPlan(plan, sitePlan));
    QVERIFY(sitePlan.Changes().isEmpty());
    QCOMPARE(sitePlan.Problems().size(), problems.size());
    for (int i = 0; i < problems.size(); ++i)
        QVERIFY2(sitePlan.Problems()[i].startsWith(problems[i]), qPrintable(sitePlan.Problems()[i]));
}

void TestSitePlan::acceptsAndFillsCurrentValues_data()
{
    QTest::addColumn<QByteArray>("plan");
    QTest::addColumn<bool>("allModels");
    QTest::addColumn<QStringList>("expected"); // line serial address mask gateway port, per change
    QTest::newRow("current values kept") << QByteArray("serial,ip\nSN2,10.0.0.20\n") << false
                                         << QStringList { QStringLiteral("2 SN2 10.0.0.20 255.255.255.0 10.0.0.254 8000") };
    QTest::newRow("every column, normalised") << QByteArray("mac,ip,mask,gateway,port\n02-00-00-00-00-03,172.016.005.010,255.255.0.0,172.16.0.1,9000\n")
                                              << false << QStringList { QStringLiteral("2 SN3 172.16.5.10 255.255.0.0 172.16.0.1 9000") };
    QTest::newRow("no gateway") << QByteArray("serial,ip,gateway\nSN2,10.0.1.20,0.0.0.0\n") << false
                                << QStringList { QStringLiteral("2 SN2 10.0.1.20 255.255.255.0 0.0.0.0 8000") };
    QTest::newRow("own address kept, new port") << QByteArray("serial,ip,port\nSN2,10.0.0.2,8080\n") << false
                                                << QStringList { QStringLiteral("2 SN2 10.0.0.2 255.255.255.0 10.0.0.254 8080") };
    QTest::newRow("twin serial told apart by MAC") << QByteArray("serial,mac,ip\nSN1,02:00:00:00:00:08,10.0.0.80\n") << false
                                                   << QStringList { QStringLiteral("2 SN1 10.0.0.80 255.255.255.0 10.0.0.254 8000") };
    QTest::newRow("foreign model allowed") << QByteArray("serial,ip\nSN6,10.0.0.60\n") << true
                                           << QStringList { QStringLiteral("2 SN6 10.0.0.60 255.255.255.0 10.0.0.254 8000") };
    QTest::newRow("header case and blanks, blank lines") << QByteArray(" Serial , IP \n\nSN2 , 10.0.0.20 \n,\n") << false
                                                         << QStringList { QStringLiteral("3 SN2 10.0.0.20 255.255.255.0 10.0.0.254 8000") };
}

void TestSitePlan::acceptsAndFillsCurrentValues()
{
    QFETCH(QByteArray, plan);
    QFETCH(bool, allModels);
    QFETCH(QStringList, expected);
    CSitePlan sitePlan;
    QVERIFY2(CheckPlan(plan, sitePlan, allModels), qPrintable(sitePlan.Problems().join(u'\n')));
    QStringList changes;
    for (const PlannedChange& change : sitePlan.Changes())
        changes.append(QStringLiteral("%1 %2 %3 %4 %5 %6")
                           .arg(change.nLine)
                           .arg(change.device.Serial(), change.strAddress, change.strMask, change.strGateway)
                           .arg(change.nPort));
    QCOMPARE(changes, expected);
}

void TestSitePlan::ordersMovesOntoAddressesStillHeld()
{
    // SN2 takes SN3's address, SN3 takes SN4's, SN4 moves to a free one:
    // applied in plan order, two devices would share an address for a while.
    CSitePlan plan;
    QVERIFY2(CheckPlan("serial,ip\nSN2,10.0.0.3\nSN3,10.0.0.4\nSN4,10.0.0.40\nSN5,10.0.0.50\n", plan),
             qPrintable(plan.Problems().join(u'\n')));
    QList<int> lines;
    for (const PlannedChange& change : plan.Changes())
        lines.append(change.nLine);
    QCOMPARE(lines, (QList<int> { 4, 3, 2, 5 }));
}

void TestSitePlan::refusesAddressesThatSwap()
{
    CSitePlan plan;
    QVERIFY(!CheckPlan("serial,ip\nSN2,10.0.0.3\nSN3,10.0.0.2\nSN4,10.0.0.40\n", plan));
    QCOMPARE(plan.Problems().size(), 2);
    QVERIFY2(plan.Problems()[0].startsWith(QStringLiteral("line 2: address 10.0.0.3 is held by the device of line 3")),
             qPrintable(plan.Problems()[0]));
    QVERIFY2(plan.Problems()[1].startsWith(QStringLiteral("line 3: address 10.0.0.2 is held by the device of line 2")),
             qPrintable(plan.Problems()[1]));
    QVERIFY(plan.Changes().isEmpty());
}

void TestSitePlan::singleEntryOfTheSetCommand()
{
    PlanEntry entry;
    entry.strMac = QStringLiteral("02:00:00:00:00:04");
    entry.strAddress = QStringLiteral("10.0.0.5");
    CSitePlan plan;
    QVERIFY(plan.SetEntry(entry));
    QVERIFY(!plan.Check(Fleet(), false));
    // Without a line the problem reads as a sentence of its own.
    QVERIFY2(plan.Problems().front().startsWith(QStringLiteral("address 10.0.0.5 belongs to device SN5")),
             qPrintable(plan.Problems().front()));

    entry.strAddress = QStringLiteral("10.0.0.44");
    entry.strPort = QStringLiteral("70000");
    QVERIFY(!plan.SetEntry(entry));
    QVERIFY(plan.Problems().front().startsWith(QStringLiteral("port \"70000\"")));
}

void TestSitePlan::problemsShowNoControlCharacters_data()
{
    QTest::addColumn<QByteArray>("plan");
    QTest::addColumn<QString>("problem");
    QTest::newRow("window title in an ip cell") << QByteArray("serial,ip\nSN2,\x1b]0;owned\x07\n")
                                                << QStringLiteral("line 2: ip \"?]0;owned?\" is not an IPv4 address");
    QTest::newRow("clear screen as a serial") << QByteArray("serial,ip\n\x1b[2J,10.0.0.20\n")
                                              << QStringLiteral("line 2: no device with serial number ?[2J answered");
    QTest::newRow("C1 control sequence in a MAC") << QByteArray("mac,ip\n\xc2\x9b" "2J,10.0.0.20\n")
                                                  << QStringLiteral("line 2: mac \"?2J\" is not a MAC address");
    QTest::newRow("bell and return in a header") << QByteArray("serial,ip,\"x\x07\ry\"\nSN2,10.0.0.20,1\n")
                                                 << QStringLiteral("line 1: unknown column \"x??y\"");
}

void TestSitePlan::problemsShowNoControlCharacters()
{
    QFETCH(QByteArray, plan);
    QFETCH(QString, problem);
    CSitePlan sitePlan;
    QVERIFY(!CheckPlan(plan, sitePlan));
    const QString problems = sitePlan.Problems().join(u'\n');
    QVERIFY2(problems.contains(problem), qPrintable(problems));
    for (QChar c : problems)
        QVERIFY2(c == u'\n' || c.category() != QChar::Other_Control, qPrintable(problems));
}

void TestSitePlan::deviceNamesShowNoControlCharacters()
{
    LUMO_DEVICE_INFO_MY device = Device(1);
    std::strcpy(device.serial, "\x1b]0;owned\x07");
    QCOMPARE(CSitePlan::DeviceName(device), QStringLiteral("?]0;owned? (MAC 02:00:00:00:00:01)"));
}

QTEST_GUILESS_MAIN(TestSitePlan)
#include "tst_siteplan.moc"
