// Device records, the discovery binding and the discovery callback.
#include "CLumoDeviceSink.h"
#include "CLumoDiscovery.h"
#include "DeviceReports.h"
#include "LumoDeviceCallback.h"
#include "LumoDeviceInfo.h"
#include "LumoDouble.h"

#include <QList>
#include <QSet>
#include <QtTest>

#include <cstring>

namespace {

// Records what the callback hands to the panel.
class RecordingSink : public CLumoDeviceSink
{
public:
    bool acceptAll = false;
    QSet<quint32> excluded;
    QList<LUMO_DEVICE_INFO_MY> appended, online, updated;
    QList<QPair<QString, QString>> offline;

    bool IsExcludedDeviceClass(quint32 code) const override { return excluded.contains(code); }
    bool IsAcceptedModel(const QString& type) const override
    {
        return acceptAll || type == QLatin1String("K-VNT1C") || type == QLatin1String("K-VNT4C");
    }
    void AppendDeviceRecord(const LUMO_DEVICE_INFO_MY& info) override { appended.append(info); }
    void EmitDeviceOnline(const LUMO_DEVICE_INFO_MY& info) override { online.append(info); }
    void EmitDeviceUpdate(const LUMO_DEVICE_INFO_MY& info) override { updated.append(info); }
    void EmitDeviceOffline(const QString& serial, const QString& mac) override { offline.append({ serial, mac }); }
    int Events() const { return int(online.size() + updated.size() + offline.size()); }
};

bool AllZero(const void* data, std::size_t from, std::size_t to)
{
    const auto* bytes = static_cast<const unsigned char*>(data);
    for (std::size_t i = from; i < to; ++i) {
        if (bytes[i] != 0)
            return false;
    }
    return true;
}

const QString kDoubleFile = QStringLiteral(LUMO_DOUBLE_FILE);
const QString kIncompleteFile = QStringLiteral(LUMO_INCOMPLETE_FILE);

} // namespace

class TestDiscovery : public QObject
{
    Q_OBJECT

private:
    RecordingSink m_sink;

private slots:
    void init()
    {
        m_sink = RecordingSink();
        g_pQtLumo = &m_sink;
        LumoDouble_Reset();
        CLumoDiscovery::SetLibraryFileName(kDoubleFile);
    }
    void cleanup() { g_pQtLumo = nullptr; }

    void netParamBlockWithoutIpv6()
    {
        LUMO_NET_PARAM_BLOCK block;
        std::memset(&block, 0xAA, sizeof block);
        CLumoDiscovery::BuildNetParamBlock(block, "192.168.1.64", "255.255.255.0", "8000", "192.168.1.1",
                                           nullptr, nullptr, 0, 0);
        const auto* bytes = reinterpret_cast<const unsigned char*>(&block);
        QCOMPARE(bytes[304], 0x40);
        QCOMPARE(bytes[305], 0x1F);
        QVERIFY(AllZero(&block, 48, 304));
        QVERIFY(AllZero(&block, 306, 436));
        QCOMPARE(QByteArray(block.ipv4Address), QByteArray("192.168.1.64"));
        QCOMPARE(QByteArray(block.ipv4Mask), QByteArray("255.255.255.0"));
        QCOMPARE(QByteArray(block.ipv4Gateway), QByteArray("192.168.1.1"));
        QVERIFY(AllZero(&block, 13, 16)); // nothing after the terminator
    }

    void netParamBlockWithIpv6AndLowBytes()
    {
        LUMO_NET_PARAM_BLOCK block;
        CLumoDiscovery::BuildNetParamBlock(block, "10.0.0.2", "255.0.0.0", "65535", nullptr, "fd00::2", "fd00::1",
                                           0x140, 0x1FF);
        const auto* bytes = reinterpret_cast<const unsigned char*>(&block);
        QCOMPARE(QByteArray(block.ipv6Address), QByteArray("fd00::2"));
        QCOMPARE(QByteArray(block.ipv6Gateway), QByteArray("fd00::1"));
        QCOMPARE(bytes[306], 0x40); // low 8 bits of the prefix length
        QCOMPARE(bytes[307], 0xFF); // low 8 bits of the option
        QCOMPARE(block.port, quint16(65535));
        QVERIFY(AllZero(&block, 32, 48)); // a null gateway leaves its field zero
        QVERIFY(AllZero(&block, 308, 436));
    }

    void netParamBlockPortConversion_data()
    {
        QTest::addColumn<QByteArray>("port");
        QTest::addColumn<int>("expected");
        QTest::newRow("plain") << QByteArray("8000") << 8000;
        QTest::newRow("leading digits") << QByteArray("80ab") << 80;
        QTest::newRow("leading blanks") << QByteArray("  554") << 554;
        QTest::newRow("no digits") << QByteArray("port") << 0;
        QTest::newRow("empty") << QByteArray("") << 0;
        QTest::newRow("low 16 bits") << QByteArray("65537") << 1;
    }
    void netParamBlockPortConversion()
    {
        QFETCH(QByteArray, port);
        QFETCH(int, expected);
        LUMO_NET_PARAM_BLOCK block;
        CLumoDiscovery::BuildNetParamBlock(block, nullptr, nullptr, port.constData(), nullptr, nullptr, nullptr, 0, 0);
        QCOMPARE(int(block.port), expected);
    }

    void netParamBlockCutsOverlongTexts()
    {
        LUMO_NET_PARAM_BLOCK block;
        const QByteArray longAddress(40, '9');
        const QByteArray longIpv6(300, 'f');
        CLumoDiscovery::BuildNetParamBlock(block, longAddress.constData(), longAddress.constData(), "8000",
                                           longAddress.constData(), longIpv6.constData(), longIpv6.constData(), 64, 0);
        // Each text stops one byte short of its field's end, which stays a NUL,
        // and the next field is untouched by the text before it.
        QCOMPARE(FieldLength(block.ipv4Address), 15);
        QCOMPARE(FieldLength(block.ipv4Mask), 15);
        QCOMPARE(FieldLength(block.ipv4Gateway), 15);
        QCOMPARE(FieldLength(block.ipv6Address), 127);
        QCOMPARE(FieldLength(block.ipv6Gateway), 127);
        QCOMPARE(block.port, quint16(8000));
        QCOMPARE(int(block.ipv6PrefixLength), 64);
        QVERIFY(AllZero(&block, 308, 436));
    }

    void bindingStartsWithCallbackAndUserData()
    {
        CLumoDiscovery discovery;
        int marker = 0;
        discovery.Init(LumoDeviceCallback, &marker);
        QVERIFY(discovery.Start());
        QCOMPARE(LumoDouble_CallCount(LumoDoubleStart), 1);
        QVERIFY(LumoDouble_Callback() == &LumoDeviceCallback);
        QCOMPARE(LumoDouble_StartFlags(), 0);
        QCOMPARE(LumoDouble_UserData(), static_cast<void*>(&marker));
        discovery.Reset();
        QVERIFY(!discovery.Callback());
        QVERIFY(!discovery.UserData());
    }

    void bindingReducesResultsToBool_data()
    {
        QTest::addColumn<int>("result");
        QTest::addColumn<bool>("expected");
        QTest::newRow("1") << 1 << true;
        QTest::newRow("0") << 0 << false;
        QTest::newRow("2") << 2 << false;
        QTest::newRow("-1") << -1 << false;
    }
    void bindingReducesResultsToBool()
    {
        QFETCH(int, result);
        QFETCH(bool, expected);
        CLumoDiscovery discovery;
        discovery.Init(LumoDeviceCallback, nullptr);
        LumoDouble_SetResult(LumoDoubleStart, result);
        QCOMPARE(discovery.Start(), expected);

        for (int function : { int(LumoDoubleModify), int(LumoDoubleReset), int(LumoDoubleSendInquiry), int(LumoDoubleStop) })
            LumoDouble_SetResult(function, result);
        QCOMPARE(discovery.ModifyNetParam("00:1A:2B:00:00:01", "10.0.0.5", "255.0.0.0", "secret", "8000",
                                          "10.0.0.1", nullptr, nullptr, 0, 0), expected);
        QCOMPARE(QByteArray(LumoDouble_LastText(0)), QByteArray("00:1A:2B:00:00:01"));
        QCOMPARE(QByteArray(LumoDouble_LastText(1)), QByteArray("secret"));
        QCOMPARE(QByteArray(LumoDouble_LastBlock()->ipv4Address), QByteArray("10.0.0.5"));
        QCOMPARE(LumoDouble_LastBlock()->port, quint16(8000));

        QCOMPARE(discovery.ResetDefaultPassword("SN00000001", "12345678"), expected);
        QCOMPARE(QByteArray(LumoDouble_LastText(0)), QByteArray("SN00000001"));
        QCOMPARE(QByteArray(LumoDouble_LastText(1)), QByteArray("12345678"));
        QCOMPARE(discovery.SendInquiry(), expected);
        QCOMPARE(discovery.Stop(), expected);
    }

    void bindingWithoutLibraryStaysOff()
    {
        CLumoDiscovery::SetLibraryFileName(QStringLiteral("liblumo_missing_for_tests.so"));
        CLumoDiscovery discovery;
        discovery.Init(LumoDeviceCallback, nullptr);
        QVERIFY(!discovery.Start());
        QVERIFY(!discovery.SendInquiry());
        QVERIFY(!discovery.ModifyNetParam("m", nullptr, nullptr, "p", "8000", nullptr, nullptr, nullptr, 0, 0));
        QVERIFY(!discovery.ResetDefaultPassword("s", "c"));
        QVERIFY(!discovery.Stop());
        QCOMPARE(LumoDouble_CallCount(LumoDoubleStart), 0);
    }

    void bindingWithMissingFunctionStaysOff()
    {
        CLumoDiscovery::SetLibraryFileName(kIncompleteFile);
        CLumoDiscovery discovery;
        discovery.Init(LumoDeviceCallback, nullptr);
        QVERIFY(!discovery.Start());
        QVERIFY(!discovery.SendInquiry());
    }

    void callbackIgnoresNullReportAndMissingPanel()
    {
        LumoDeviceCallback(nullptr, nullptr);
        QCOMPARE(m_sink.Events(), 0);
        g_pQtLumo = nullptr;
        const LUMO_DEVICE_REPORT report = MakeReport(1);
        LumoDeviceCallback(&report, nullptr);
        QCOMPARE(m_sink.Events(), 0);
    }

    void callbackEventCodes_data()
    {
        QTest::addColumn<quint32>("event");
        QTest::addColumn<int>("online");
        QTest::addColumn<int>("updated");
        QTest::addColumn<int>("offline");
        QTest::newRow("0") << 0u << 0 << 0 << 0;
        QTest::newRow("1 online") << 1u << 1 << 0 << 0;
        QTest::newRow("2 update") << 2u << 0 << 1 << 0;
        QTest::newRow("3 offline") << 3u << 0 << 0 << 1;
        QTest::newRow("4 online") << 4u << 1 << 0 << 0;
        QTest::newRow("5") << 5u << 0 << 0 << 0;
        QTest::newRow("huge") << 0xFFFFFFFFu << 0 << 0 << 0;
    }
    void callbackEventCodes()
    {
        QFETCH(quint32, event);
        QFETCH(int, online);
        QFETCH(int, updated);
        QFETCH(int, offline);
        const LUMO_DEVICE_REPORT report = MakeReport(7, event);
        LumoDeviceCallback(&report, nullptr);
        QCOMPARE(int(m_sink.online.size()), online);
        QCOMPARE(int(m_sink.appended.size()), online); // only online reports are stored
        QCOMPARE(int(m_sink.updated.size()), updated);
        QCOMPARE(int(m_sink.offline.size()), offline);
        if (offline) {
            QCOMPARE(m_sink.offline.first().first, SerialOf(7));
            QCOMPARE(m_sink.offline.first().second, MacOf(7));
        }
    }

    void callbackFiltersOnlineAndUpdateButNotOffline()
    {
        ReportFields fields;
        fields.model = "K-VNT9X";
        for (quint32 event : { 1u, 2u, 4u }) {
            fields.event = event;
            const LUMO_DEVICE_REPORT report = MakeReport(fields);
            LumoDeviceCallback(&report, nullptr);
        }
        QCOMPARE(m_sink.Events(), 0);
        QVERIFY(m_sink.appended.isEmpty());

        fields.model = "K-VNT4C";
        fields.deviceClass = 0x9E10;
        m_sink.excluded.insert(0x9E10);
        fields.event = 1;
        const LUMO_DEVICE_REPORT excludedClass = MakeReport(fields);
        LumoDeviceCallback(&excludedClass, nullptr);
        QCOMPARE(m_sink.Events(), 0);

        fields.model = "K-VNT9X";
        fields.event = 3;
        const LUMO_DEVICE_REPORT offline = MakeReport(fields);
        LumoDeviceCallback(&offline, nullptr);
        QCOMPARE(m_sink.offline.size(), 1);
    }

    void callbackModelMatchIsExactAndBounded()
    {
        // A model field without terminator must not read on into the next field.
        LUMO_DEVICE_REPORT report = MakeReport(3);
        m_sink.acceptAll = true;
        std::memset(report.deviceTypeText, 'K', sizeof report.deviceTypeText);
        std::memset(report.reserved2, 'Z', sizeof report.reserved2);
        LumoDeviceCallback(&report, nullptr);
        QCOMPARE(m_sink.online.size(), 1);
        QCOMPARE(FieldLatin1(m_sink.online.first().deviceTypeText), QString(24, QLatin1Char('K')));

        m_sink.acceptAll = false;
        SetReportText(report.deviceTypeText, "k-vnt1c");
        LumoDeviceCallback(&report, nullptr);
        SetReportText(report.deviceTypeText, "K-VNT1C ");
        LumoDeviceCallback(&report, nullptr);
        QCOMPARE(m_sink.online.size(), 1);
    }

    void callbackPlausibilityCheck()
    {
        LUMO_DEVICE_REPORT report = MakeReport(5);
        report.leading[0] = '\0';
        LumoDeviceCallback(&report, nullptr);
        QCOMPARE(m_sink.online.size(), 1); // an empty first field passes

        // Texts running from offset 0 to past 288 without a NUL: every checked
        // field is 64 characters or longer.
        std::memset(&report, 'x', 300);
        QVERIFY(!IsPlausibleReport(report));
        LumoDeviceCallback(&report, nullptr);
        QCOMPARE(m_sink.Events(), 1);

        // One NUL in the start-time field makes it shorter than 64.
        report.startTime[10] = '\0';
        QVERIFY(IsPlausibleReport(report));
        // The start-time window reaches the event code, so a valid (small) code
        // always ends it early: such reports are never dropped.
        std::memset(&report, 'x', 300);
        report.eventCode = LUMO_EVENT_ONLINE;
        SetReportText(report.deviceTypeText, "K-VNT1C");
        QVERIFY(IsPlausibleReport(report));
        LumoDeviceCallback(&report, nullptr);
        QCOMPARE(m_sink.online.size(), 2);
    }

    void callbackCopiesUnterminatedFieldsAtTheirWidth()
    {
        LUMO_DEVICE_REPORT report = MakeReport(9);
        std::memset(report.serial, 'S', sizeof report.serial);
        std::memset(report.mac, 'M', sizeof report.mac);
        report.eventCode = LUMO_EVENT_OFFLINE;
        LumoDeviceCallback(&report, nullptr);
        QCOMPARE(m_sink.offline.size(), 1);
        QCOMPARE(m_sink.offline.first().first, QString(48, QLatin1Char('S')));
        QCOMPARE(m_sink.offline.first().second, QString(20, QLatin1Char('M')));

        report.eventCode = LUMO_EVENT_ONLINE;
        LumoDeviceCallback(&report, nullptr);
        QCOMPARE(FieldBytes(m_sink.online.first().serial), QByteArray(48, 'S'));
        QCOMPARE(FieldBytes(m_sink.online.first().mac), QByteArray(20, 'M'));
    }

    void callbackRecordCarriesAllFields()
    {
        ReportFields fields;
        fields.number = 12;
        fields.extendedValid = 0;
        fields.capabilities = 0x05;
        fields.deviceClass = 0x4912;
        fields.port = 37777;
        const LUMO_DEVICE_REPORT report = MakeReport(fields);
        LumoDeviceCallback(&report, nullptr);
        QCOMPARE(m_sink.online.size(), 1);
        const LUMO_DEVICE_INFO_MY& info = m_sink.online.first();
        QCOMPARE(FieldLatin1(info.serial), SerialOf(12));
        QCOMPARE(FieldLatin1(info.mac), MacOf(12));
        QCOMPARE(FieldLatin1(info.ipv4Address), Ipv4Of(12));
        QCOMPARE(FieldLatin1(info.ipv4Mask), QStringLiteral("255.0.0.0"));
        QCOMPARE(info.deviceClass, 0x4912);
        QCOMPARE(info.port, 37777);
        QCOMPARE(info.channelCount, 4);
        QCOMPARE(FieldLatin1(info.softwareVersion), QStringLiteral("V2.4.1 build 260101"));
        QCOMPARE(FieldLatin1(info.dspVersion), QStringLiteral("V1.0.7"));
        QCOMPARE(FieldLatin1(info.startTime), QStringLiteral("2026-12-01 08:00:00"));
        QCOMPARE(FieldLatin1(info.deviceTypeText), QStringLiteral("K-VNT1C"));
        // Without extended information the record still carries what the report had.
        QCOMPARE(FieldLatin1(info.ipv4Gateway), QStringLiteral("10.0.0.254"));
        QCOMPARE(FieldLatin1(info.ipv6Address), QStringLiteral("fd00::10"));
        QCOMPARE(int(info.ipv6PrefixLength), 64);
        QCOMPARE(int(info.capabilities), 0x05);
        QCOMPARE(int(info.ipv4Dhcp), 1);
        QCOMPARE(int(info.extendedValid), 0);
        QVERIFY(std::memcmp(&m_sink.appended.first(), &info, sizeof info) == 0);
    }
};

QTEST_GUILESS_MAIN(TestDiscovery)
#include "tst_discovery.moc"
