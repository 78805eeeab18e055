// How one inquiry finds devices on a lossy network, and what a goodbye means
// for answers that were still on their way.
#include "LumoTestSupport.h"
#include "PacketCodec.h"

#include <QtTest>

#include <asio/io_context.hpp>
#include <asio/ip/udp.hpp>

#include <chrono>
#include <thread>

using namespace std::chrono_literals;

namespace {

// Devices found by one inquiry: the wait ends when all came or none came for 4 s.
size_t FoundByOneInquiry(size_t nCount)
{
    ReportCollector& reports = ReportCollector::instance();
    reports.clear();
    if (LUMO_Start_V30(&ReportCollector::callback, 0, nullptr) != 1 || LUMO_SendInquiry() != 1)
        return 0;
    size_t nFound = 0;
    auto lastNew = std::chrono::steady_clock::now();
    const auto deadline = lastNew + 60s;
    while (nFound < nCount && std::chrono::steady_clock::now() - lastNew < 4s && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(20ms);
        const size_t nNow = reports.distinctDevices(LUMO_EVENT_ONLINE);
        if (nNow != nFound) {
            nFound = nNow;
            lastNew = std::chrono::steady_clock::now();
        }
    }
    LUMO_Stop();
    return nFound;
}

// A device of the test's own on the device port.
class RawDevice
{
public:
    RawDevice()
        : m_socket(m_io, asio::ip::udp::endpoint(asio::ip::make_address_v4("127.0.0.1"), TestPorts::devicePort()))
    {
        m_answer.ttlMs = 60000;
        m_answer.device.mac = {0x02, 0x4C, 0x55, 0xBB, 0x00, 0x01};
        m_answer.device.serial = "BYE00001";
        m_answer.device.model = "K-VNT1C";
    }

    // The id of the next inquiry the library sends, 0 when none comes within 2 s.
    uint32_t NextInquiry()
    {
        const auto deadline = std::chrono::steady_clock::now() + 2s;
        while (std::chrono::steady_clock::now() < deadline) {
            if (m_socket.available() == 0) {
                std::this_thread::sleep_for(2ms);
                continue;
            }
            std::vector<uint8_t> buffer(2048);
            const size_t nSize = m_socket.receive_from(asio::buffer(buffer), m_library);
            lumo::Header header;
            if (lumo::PacketCodec::decodeHeader(buffer.data(), nSize, &header) == lumo::DecodeError::None
                && header.type == lumo::MessageType::Inquiry)
                return header.transactionId;
        }
        return 0;
    }

    void Answer(uint32_t nId, lumo::AnswerKind kind)
    {
        m_answer.kind = kind;
        m_socket.send_to(asio::buffer(lumo::PacketCodec::encodeAnswer(nId, m_answer)), Library());
    }

    void Goodbye()
    {
        lumo::GoodbyeMessage goodbye;
        goodbye.mac = m_answer.device.mac;
        goodbye.serial = m_answer.device.serial;
        m_socket.send_to(asio::buffer(lumo::PacketCodec::encodeGoodbye(0x7E57, goodbye)), Library());
    }

private:
    asio::ip::udp::endpoint Library() const
    {
        return asio::ip::udp::endpoint(asio::ip::make_address_v4("127.0.0.1"), TestPorts::clientPort());
    }

    asio::io_context m_io;
    asio::ip::udp::socket m_socket;
    asio::ip::udp::endpoint m_library;
    lumo::AnswerMessage m_answer;
};

size_t Events(uint32_t nEvent)
{
    return ReportCollector::instance().countEvents(nEvent);
}

bool WaitForEvents(uint32_t nEvent, size_t nCount)
{
    return ReportCollector::instance().waitFor(
        [nEvent, nCount](const std::vector<ReceivedReport>&) { return Events(nEvent) >= nCount; }, 5s);
}

} // namespace

class TestLumoInquiry : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { TestPorts::configureLibraryForLoopback(); }
    void init() { TestPorts::moveToFreshPorts(); }
    // Runs however a test ends: no run outlives the test that started it.
    void cleanup() { LUMO_Stop(); }

    void oneInquiryFindsDevicesDespiteLoss_data()
    {
        QTest::addColumn<int>("devices");
        QTest::addColumn<QString>("loss");
        QTest::addColumn<int>("atLeast");
        QTest::newRow("1,000 at 10%") << 1000 << QStringLiteral("0.1") << 1000;
        QTest::newRow("1,000 at 30%") << 1000 << QStringLiteral("0.3") << 999;
    }

    void oneInquiryFindsDevicesDespiteLoss()
    {
        QFETCH(int, devices);
        QFETCH(QString, loss);
        QFETCH(int, atLeast);
        DevsimProcess devsim;
        QVERIFY(devsim.start({ QStringLiteral("--count"), QString::number(devices), QStringLiteral("--no-announce"),
                               QStringLiteral("--loss"), loss, QStringLiteral("--seed"), QStringLiteral("11") }));
        const size_t nFound = FoundByOneInquiry(size_t(devices));
        QVERIFY2(nFound >= size_t(atLeast), qPrintable(QStringLiteral("%1 of %2 found").arg(nFound).arg(devices)));
        QCOMPARE(Events(LUMO_EVENT_ONLINE), nFound); // each once, however many rounds
    }

    void lateReplyAfterGoodbyeLeavesTheDeviceOffline()
    {
        QVERIFY(TestPorts::waitUntilDevicePortIsFree());
        RawDevice device;
        ReportCollector::instance().clear();
        QCOMPARE(LUMO_Start_V30(&ReportCollector::callback, 0, nullptr), 1);
        QCOMPARE(LUMO_SendInquiry(), 1);
        const uint32_t nFirst = device.NextInquiry();
        QVERIFY(nFirst != 0);
        device.Answer(nFirst, lumo::AnswerKind::Reply);
        QVERIFY(WaitForEvents(LUMO_EVENT_ONLINE, 1));
        device.Goodbye();
        QVERIFY(WaitForEvents(LUMO_EVENT_OFFLINE, 1));

        // An answer to the inquiry sent before the goodbye, arriving after it.
        device.Answer(nFirst, lumo::AnswerKind::Reply);
        std::this_thread::sleep_for(500ms); // nothing is to happen: give it the time to
        QCOMPARE(Events(LUMO_EVENT_ONLINE), size_t(1));

        // Back by its own announcement.
        device.Answer(0x1234, lumo::AnswerKind::Announce);
        QVERIFY(WaitForEvents(LUMO_EVENT_ONLINE, 2));
        device.Goodbye();
        QVERIFY(WaitForEvents(LUMO_EVENT_OFFLINE, 2));

        // Back by answering a later inquiry.
        QCOMPARE(LUMO_SendInquiry(), 1);
        uint32_t nLater = 0;
        while ((nLater = device.NextInquiry()) == nFirst) {
        }
        QVERIFY(nLater != 0);
        device.Answer(nLater, lumo::AnswerKind::Reply);
        QVERIFY(WaitForEvents(LUMO_EVENT_ONLINE, 3));
        QCOMPARE(LUMO_Stop(), 1);
    }
};

QTEST_MAIN(TestLumoInquiry)
#include "tst_lumo_inquiry.moc"
