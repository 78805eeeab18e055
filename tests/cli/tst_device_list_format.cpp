#include "CDeviceListFormat.h"

#include "CCsvReader.h"

#include "FoundDevice.h"
#include "LumoDeviceInfo.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QtTest>

#include <cstring>

namespace {

LUMO_DEVICE_INFO_MY Device(const char* serial, const char* address)
{
    LUMO_DEVICE_INFO_MY device;
    std::memset(&device, 0, sizeof device);
    std::strncpy(device.serial, serial, sizeof device.serial - 1);
    std::strncpy(device.ipv4Address, address, sizeof device.ipv4Address - 1);
    std::strcpy(device.deviceTypeText, "K-VNT1C");
    device.extendedValid = 1;
    device.capabilities = LUMO_CAP_DHCP;
    return device;
}

} // namespace

// How taldor-ip list prints devices.
class TestDeviceListFormat : public QObject
{
    Q_OBJECT
private slots:
    void ordersByAddressValue();
    void leavesOutWhatADeviceDoesNotReport();
    void tableShowsNoControlCharacters();
    void csvRunsNoFormulas_data();
    void csvRunsNoFormulas();
};

void TestDeviceListFormat::ordersByAddressValue()
{
    const QList<FoundDevice> sorted = CDeviceListFormat::Sorted(
        { Device("C", "10.0.0.10"), Device("B", "10.0.0.9"), Device("A", "10.0.0.10"), Device("D", "9.255.0.1") });
    QStringList order;
    for (const FoundDevice& device : sorted)
        order.append(device.Serial());
    QCOMPARE(order, (QStringList { QStringLiteral("D"), QStringLiteral("B"), QStringLiteral("A"), QStringLiteral("C") }));
    // IDs count in the order printed.
    QCOMPARE(CDeviceListFormat::Cells(sorted[1], 2).front(), QStringLiteral("2"));
}

void TestDeviceListFormat::leavesOutWhatADeviceDoesNotReport()
{
    LUMO_DEVICE_INFO_MY bare = Device("SN1", "10.0.0.1");
    bare.extendedValid = 0;
    std::strcpy(bare.ipv4Gateway, "10.0.0.254"); // not valid without extended information
    const QStringList cells = CDeviceListFormat::Cells(bare, 1);
    const QStringList headers = CDeviceListFormat::Headers();
    QCOMPARE(cells.size(), headers.size());
    QCOMPARE(cells[headers.indexOf(QStringLiteral("IPv4 Gateway"))], QString());
    QCOMPARE(cells[headers.indexOf(QStringLiteral("Supports DHCP"))], QString());

    const QJsonObject object = QJsonDocument::fromJson(CDeviceListFormat::Json({ bare, Device("SN2", "10.0.0.2") }))
                                   .array()
                                   .first()
                                   .toObject();
    QVERIFY(object[QStringLiteral("ipv4Gateway")].isNull());
    QVERIFY(object[QStringLiteral("supportsDhcp")].isNull());
    QCOMPARE(object[QStringLiteral("serialNumber")].toString(), QStringLiteral("SN1"));
    // Without IPv6 support the IPv6 columns stay empty, the flags say No.
    const QStringList plain = CDeviceListFormat::Cells(Device("SN2", "10.0.0.2"), 1);
    QCOMPARE(plain[headers.indexOf(QStringLiteral("IPv6 Prefix Length"))], QString());
    QCOMPARE(plain[headers.indexOf(QStringLiteral("Supports IPv6"))], QStringLiteral("No"));
    QCOMPARE(plain[headers.indexOf(QStringLiteral("Supports DHCP"))], QStringLiteral("Yes"));
}

void TestDeviceListFormat::tableShowsNoControlCharacters()
{
    LUMO_DEVICE_INFO_MY device = Device("SN1", "10.0.0.1");
    std::strcpy(device.deviceTypeText, "K\x1b]0;owned\x07");
    const QByteArray table = CDeviceListFormat::Table({ device });
    QVERIFY(!table.contains('\x1b'));
    QVERIFY(!table.contains('\x07'));
    QVERIFY(table.contains("K?]0;owned?"));
    QVERIFY(table.startsWith("ID"));
    QVERIFY(table.contains("\n001 "));
}

void TestDeviceListFormat::csvRunsNoFormulas_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::newRow("command") << QByteArray("=cmd|' /C calc'!A0");
    QTest::newRow("hyperlink") << QByteArray("=HYPERLINK(\"http://x\")");
    QTest::newRow("plus") << QByteArray("+1");
    QTest::newRow("minus") << QByteArray("-1+2");
    QTest::newRow("at") << QByteArray("@SUM(A1)");
    QTest::newRow("tab") << QByteArray("\t=1+1");
    QTest::newRow("carriage return") << QByteArray("\r=1+1");
}

void TestDeviceListFormat::csvRunsNoFormulas()
{
    QFETCH(QByteArray, text);
    LUMO_DEVICE_INFO_MY device = Device(text.constData(), "10.0.0.1");
    std::strcpy(device.deviceTypeText, text.constData());
    CCsvReader reader;
    QVERIFY(reader.Parse(CDeviceListFormat::Csv({ device })));
    QCOMPARE(reader.Records().size(), 2);
    const QStringList headers = reader.Records().front().fields;
    const QStringList cells = reader.Records().back().fields;
    const QString written = QLatin1Char('\'') + QString::fromLatin1(text);
    QCOMPARE(cells[headers.indexOf(QStringLiteral("Serial Number"))], written);
    QCOMPARE(cells[headers.indexOf(QStringLiteral("Device Type"))], written);
    // Plain texts are written as they are.
    QCOMPARE(cells[headers.indexOf(QStringLiteral("IPv4 Address"))], QStringLiteral("10.0.0.1"));
}

QTEST_GUILESS_MAIN(TestDeviceListFormat)
#include "tst_device_list_format.moc"
