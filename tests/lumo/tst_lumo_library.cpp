// The library's device table (events, liveness) and report filling.
#include "DeviceTable.h"
#include "IpAddress.h"
#include "ReportBuilder.h"

#include <QtTest>

#include <cstring>

using namespace lumo;
using namespace std::chrono_literals;

namespace {

constexpr auto kAsked = DeviceTable::Origin::Asked;
constexpr auto kUnsolicited = DeviceTable::Origin::Unsolicited;

DeviceInfo device(uint8_t nLast, const char* pSerial)
{
    DeviceInfo info;
    info.mac = {0x02, 0, 0, 0, 0, nLast};
    info.serial = pSerial;
    info.model = "K-VNT1C";
    info.ipv4Address = *IpAddress::parseIpv4("192.168.1.64");
    info.ipv4Mask = *IpAddress::parseIpv4("255.255.255.0");
    return info;
}

} // namespace

class TestLumoLibrary : public QObject
{
    Q_OBJECT

private slots:
    void onlineOnceThenUpdatesOnlyOnChange();
    void identityIsSerialAndMacNotAddress();
    void goodbyeForgetsOnce();
    void madeUpDevicesCannotGrowTheTableWithoutBound();
    void fullTableMakesRoomOnlyForAskedDevices_data();
    void fullTableMakesRoomOnlyForAskedDevices();
    void lifetimeIsCapped();
    void probesAtTheLifetimeFractions();
    void silenceBeyondLifetimeExpires();
    void reportFieldsLandAtTheirOffsets();
    void longTextsStayTerminatedInTheirFields();
};

void TestLumoLibrary::onlineOnceThenUpdatesOnlyOnChange()
{
    DeviceTable table;
    const auto now = DeviceTable::Clock::now();
    DeviceInfo info = device(1, "A");
    QCOMPARE(table.heard(info, 1000, kAsked, now).change, DeviceTable::Change::Online);
    QCOMPARE(table.heard(info, 1000, kAsked, now).change, DeviceTable::Change::None);
    info.port = 8080;
    QCOMPARE(table.heard(info, 1000, kAsked, now).change, DeviceTable::Change::Update);
    QCOMPARE(table.heard(info, 1000, kAsked, now).change, DeviceTable::Change::None);
    QCOMPARE(table.size(), size_t(1));
}

void TestLumoLibrary::identityIsSerialAndMacNotAddress()
{
    DeviceTable table;
    const auto now = DeviceTable::Clock::now();
    QCOMPARE(table.heard(device(1, "A"), 1000, kAsked, now).change, DeviceTable::Change::Online);
    QCOMPARE(table.heard(device(2, "A"), 1000, kAsked, now).change, DeviceTable::Change::Online); // same serial, other MAC
    QCOMPARE(table.heard(device(1, "B"), 1000, kAsked, now).change, DeviceTable::Change::Online); // same MAC, other serial
    DeviceInfo moved = device(1, "A");
    moved.ipv4Address = *IpAddress::parseIpv4("10.1.0.64");
    QCOMPARE(table.heard(moved, 1000, kAsked, now).change, DeviceTable::Change::Update);
    QCOMPARE(table.size(), size_t(3));
}

void TestLumoLibrary::goodbyeForgetsOnce()
{
    DeviceTable table;
    const auto now = DeviceTable::Clock::now();
    table.heard(device(1, "A"), 1000, kAsked, now);
    const auto forgotten = table.forget(device(1, "A").mac, "A");
    QVERIFY(forgotten.has_value());
    QCOMPARE(forgotten->serial, std::string("A"));
    QVERIFY(!table.forget(device(1, "A").mac, "A").has_value());
    QCOMPARE(table.heard(device(1, "A"), 1000, kAsked, now).change, DeviceTable::Change::Online); // back after a goodbye
}

void TestLumoLibrary::madeUpDevicesCannotGrowTheTableWithoutBound()
{
    DeviceTable table;
    const auto now = DeviceTable::Clock::now();
    DeviceInfo info = device(1, "FLOOD");
    for (uint32_t i = 0; i < DeviceTable::kMaxDevices; ++i) {
        info.mac = {0x02, 0x66, uint8_t(i >> 24), uint8_t(i >> 16), uint8_t(i >> 8), uint8_t(i)};
        QCOMPARE(table.heard(info, 86400000, kAsked, now).change, DeviceTable::Change::Online);
    }
    info.mac = {0x02, 0x77, 0, 0, 0, 1};
    QCOMPARE(table.heard(info, 86400000, kAsked, now).change, DeviceTable::Change::Refused);
    QCOMPARE(table.size(), DeviceTable::kMaxDevices);
    // Known devices keep being heard and updated.
    info.mac = {0x02, 0x66, 0, 0, 0, 7};
    QCOMPARE(table.heard(info, 86400000, kAsked, now).change, DeviceTable::Change::None);
    info.port = 8081;
    QCOMPARE(table.heard(info, 86400000, kAsked, now).change, DeviceTable::Change::Update);
    // A place that frees up takes a new device again.
    QVERIFY(table.forget(info.mac, info.serial).has_value());
    info.mac = {0x02, 0x77, 0, 0, 0, 1};
    QCOMPARE(table.heard(info, 86400000, kAsked, now).change, DeviceTable::Change::Online);
}

namespace {

// A table filled with made-up devices of one origin, all heard at `now` with a 10 s lifetime.
void fill(DeviceTable& table, DeviceTable::Origin origin, DeviceTable::Clock::time_point now)
{
    DeviceInfo info = device(1, "FLOOD");
    for (uint32_t i = 0; i < DeviceTable::kMaxDevices; ++i) {
        info.mac = {0x02, 0x66, uint8_t(i >> 24), uint8_t(i >> 16), uint8_t(i >> 8), uint8_t(i)};
        table.heard(info, 10000, origin, now);
    }
}

} // namespace

void TestLumoLibrary::fullTableMakesRoomOnlyForAskedDevices_data()
{
    QTest::addColumn<bool>("floodAsked");
    QTest::addColumn<int>("probedMsBefore"); // -1: no probe sent to the flood
    QTest::addColumn<bool>("newcomerAsked");
    QTest::addColumn<bool>("listed");
    QTest::newRow("announced flood, device answering our inquiry") << false << -1 << true << true;
    QTest::newRow("announced flood, announced device") << false << -1 << false << false;
    QTest::newRow("answering flood, device answering our inquiry") << true << -1 << true << false;
    QTest::newRow("flood that missed its probe") << true << 1500 << true << true;
    QTest::newRow("flood probed a moment ago") << true << 100 << true << false;
}

void TestLumoLibrary::fullTableMakesRoomOnlyForAskedDevices()
{
    QFETCH(bool, floodAsked);
    QFETCH(int, probedMsBefore);
    QFETCH(bool, newcomerAsked);
    QFETCH(bool, listed);
    DeviceTable table;
    const auto start = DeviceTable::Clock::now();
    fill(table, floodAsked ? kAsked : kUnsolicited, start);
    auto now = start + 1000ms;
    if (probedMsBefore >= 0) {
        QCOMPARE(table.takeDueProbes(start + 8300ms).size(), DeviceTable::kMaxDevices);
        now = start + 8300ms + std::chrono::milliseconds(probedMsBefore);
    }
    const DeviceTable::Heard heard = table.heard(device(9, "REAL"), 120000, newcomerAsked ? kAsked : kUnsolicited, now);
    QCOMPARE(heard.change, listed ? DeviceTable::Change::Online : DeviceTable::Change::Refused);
    QCOMPARE(heard.displaced.has_value(), listed);
    if (listed)
        QCOMPARE(heard.displaced->serial, std::string("FLOOD"));
    QCOMPARE(table.size(), DeviceTable::kMaxDevices);
}

void TestLumoLibrary::lifetimeIsCapped()
{
    // A made-up device claiming a day keeps its place an hour at most.
    DeviceTable table;
    const auto start = DeviceTable::Clock::now();
    table.heard(device(1, "A"), 86400000, kUnsolicited, start);
    const auto hour = std::chrono::milliseconds(DeviceTable::kMaxLifetimeMs);
    QVERIFY(table.expire(start + hour - 1ms).empty());
    QCOMPARE(table.expire(start + hour).size(), size_t(1));
}

void TestLumoLibrary::probesAtTheLifetimeFractions()
{
    DeviceTable table;
    const auto start = DeviceTable::Clock::now();
    table.heard(device(1, "A"), 10000, kAsked, start);
    QVERIFY(table.takeDueProbes(start + 7900ms).empty());
    QCOMPARE(table.takeDueProbes(start + 8250ms).size(), size_t(1)); // 80 % (+ up to 2 %)
    QVERIFY(table.takeDueProbes(start + 8250ms).empty());
    QCOMPARE(table.takeDueProbes(start + 8750ms).size(), size_t(1)); // 85 %
    QCOMPARE(table.takeDueProbes(start + 9250ms).size(), size_t(1)); // 90 %
    QCOMPARE(table.takeDueProbes(start + 9750ms).size(), size_t(1)); // 95 %
    QVERIFY(table.takeDueProbes(start + 9990ms).empty());            // four probes, no more
    table.heard(device(1, "A"), 10000, kAsked, start + 9990ms);               // an answer starts over
    QVERIFY(table.takeDueProbes(start + 10000ms).empty());
    QCOMPARE(table.takeDueProbes(start + 18300ms).size(), size_t(1));
}

void TestLumoLibrary::silenceBeyondLifetimeExpires()
{
    DeviceTable table;
    const auto start = DeviceTable::Clock::now();
    table.heard(device(1, "A"), 1000, kAsked, start);
    table.heard(device(2, "B"), 5000, kAsked, start);
    QVERIFY(table.expire(start + 999ms).empty());
    const auto expired = table.expire(start + 1000ms);
    QCOMPARE(expired.size(), size_t(1));
    QCOMPARE(expired.front().serial, std::string("A"));
    QCOMPARE(table.size(), size_t(1));
}

void TestLumoLibrary::reportFieldsLandAtTheirOffsets()
{
    DeviceInfo info = device(0xAB, "TL0000000009");
    info.ipv4Gateway = *IpAddress::parseIpv4("192.168.1.1");
    info.deviceClass = 0x9E10;
    info.port = 8000;
    info.channelCount = 4;
    info.softwareVersion = "V2";
    info.capabilities = 0x05;
    info.ipv6Address = *IpAddress::parseIpv6("fd00::9");
    info.ipv6PrefixLength = 64;
    info.ipv4Dhcp = 1;
    info.extendedValid = 1;
    const LUMO_DEVICE_REPORT report = ReportBuilder::build(info, LUMO_EVENT_UPDATE);
    const char* pBytes = reinterpret_cast<const char*>(&report);
    QCOMPARE(QByteArray(pBytes + 12), QByteArray("TL0000000009"));
    QCOMPARE(QByteArray(pBytes + 60), QByteArray("02:00:00:00:00:AB"));
    QCOMPARE(QByteArray(pBytes + 80), QByteArray("192.168.1.64"));
    QCOMPARE(QByteArray(pBytes + 96), QByteArray("255.255.255.0"));
    uint32_t nValue = 0;
    std::memcpy(&nValue, pBytes + 112, 4);
    QCOMPARE(nValue, 0x9E10u);
    std::memcpy(&nValue, pBytes + 116, 4);
    QCOMPARE(nValue, 8000u);
    std::memcpy(&nValue, pBytes + 272, 4);
    QCOMPARE(nValue, uint32_t(LUMO_EVENT_UPDATE));
    QCOMPARE(QByteArray(pBytes + 276), QByteArray("K-VNT1C"));
    QCOMPARE(QByteArray(pBytes + 324), QByteArray("192.168.1.1"));
    QCOMPARE(QByteArray(pBytes + 340), QByteArray("fd00::9"));
    QCOMPARE(uint8_t(pBytes[432]), uint8_t(64));
    QCOMPARE(uint8_t(pBytes[433]), uint8_t(0x05));
    QCOMPARE(uint8_t(pBytes[434]), uint8_t(1));
    QCOMPARE(uint8_t(pBytes[435]), uint8_t(1));
    QVERIFY(std::strlen(report.leading) < 12);
    // Without the IPv6 capability the IPv6 texts stay empty.
    info.capabilities = 0;
    QCOMPARE(ReportBuilder::build(info, LUMO_EVENT_ONLINE).ipv6Address[0], '\0');
}

void TestLumoLibrary::longTextsStayTerminatedInTheirFields()
{
    DeviceInfo info = device(1, "A");
    info.serial = std::string(47, 'S');
    info.model = std::string(23, 'M');
    info.softwareVersion = std::string(60, 'V'); // longer than the wire allows: still cut
    const LUMO_DEVICE_REPORT report = ReportBuilder::build(info, LUMO_EVENT_ONLINE);
    QCOMPARE(strnlen(report.serial, sizeof(report.serial)), size_t(47));
    QCOMPARE(strnlen(report.deviceTypeText, sizeof(report.deviceTypeText)), size_t(23));
    QCOMPARE(strnlen(report.softwareVersion, sizeof(report.softwareVersion)), size_t(47));
    QCOMPARE(report.dspVersion[0], '\0');
}

QTEST_GUILESS_MAIN(TestLumoLibrary)
#include "tst_lumo_library.moc"
