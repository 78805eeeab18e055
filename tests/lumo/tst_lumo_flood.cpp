// A flood of made-up devices against the library over the loopback: it fills the
// table, yet real devices that answer the library's inquiry are still listed.
#include "LumoTestSupport.h"
#include "PacketCodec.h"

#include <QtTest>

#include <asio/io_context.hpp>
#include <asio/ip/udp.hpp>

#include <algorithm>
#include <atomic>
#include <mutex>
#include <set>
#include <thread>

using namespace std::chrono_literals;

namespace {

std::atomic<size_t> g_nFakeOnline{0};
std::atomic<size_t> g_nFakeOffline{0};
std::mutex g_realMutex;
std::set<std::string> g_realOnline;

void LUMO_CALL countingCallback(const LUMO_DEVICE_REPORT* pReport, void*)
{
    const char* pEnd = std::find(pReport->serial, pReport->serial + sizeof(pReport->serial), '\0');
    const std::string strSerial(pReport->serial, pEnd);
    const bool bFake = strSerial.rfind("FAKE", 0) == 0;
    if (bFake && pReport->eventCode == LUMO_EVENT_ONLINE)
        ++g_nFakeOnline;
    else if (bFake && pReport->eventCode == LUMO_EVENT_OFFLINE)
        ++g_nFakeOffline;
    else if (!bFake && pReport->eventCode == LUMO_EVENT_ONLINE) {
        std::lock_guard<std::mutex> lock(g_realMutex);
        g_realOnline.insert(strSerial);
    }
}

size_t realOnline()
{
    std::lock_guard<std::mutex> lock(g_realMutex);
    return g_realOnline.size();
}

template <typename Predicate>
bool waitUntil(Predicate predicate, std::chrono::milliseconds timeout)
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!predicate()) {
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(20ms);
    }
    return true;
}

// Announcements of nCount made-up devices claiming a day's lifetime, paced so
// that the library's socket keeps up: at most kInFlight not yet reported, few
// enough for a socket buffer of the smallest size the system grants (about
// 200 KB), since under Wine the library reads far slower than it does natively.
constexpr uint32_t kInFlight = 200;
void floodLibrary(uint32_t nCount, uint32_t nFirst = 0)
{
    asio::io_context io;
    asio::ip::udp::socket socket(io, asio::ip::udp::endpoint(asio::ip::make_address_v4("127.0.0.2"), 0));
    const asio::ip::udp::endpoint library(asio::ip::make_address_v4("127.0.0.1"), TestPorts::clientPort());
    lumo::AnswerMessage answer;
    answer.kind = lumo::AnswerKind::Announce;
    answer.ttlMs = 86400000;
    answer.device.model = "K-VNT1C";
    answer.device.ipv4Address = 0x0A630001;
    answer.device.ipv4Mask = 0xFFFF0000;
    for (uint32_t i = nFirst; i < nFirst + nCount; ++i) {
        char serial[16];
        std::snprintf(serial, sizeof(serial), "FAKE%06u", i);
        answer.device.serial = serial;
        answer.device.mac = {0x02, 0xFA, 0x00, uint8_t(i >> 16), uint8_t(i >> 8), uint8_t(i)};
        std::error_code ignored;
        socket.send_to(asio::buffer(lumo::PacketCodec::encodeAnswer(0, answer)), library, 0, ignored);
        if (i % 100 == 99 && nFirst == 0)
            waitUntil([&] { return g_nFakeOnline + kInFlight > i; }, 2s);
    }
}

} // namespace

class TestLumoFlood : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();
    void realDevicesAreListedDuringAFlood();
};

void TestLumoFlood::initTestCase()
{
    TestPorts::configureLibraryForLoopback();
    QVERIFY(QFile::exists(DevsimProcess::executable()));
}

// Runs however the test ends: no run outlives the test that started it.
void TestLumoFlood::cleanup()
{
    LUMO_Stop();
}

void TestLumoFlood::realDevicesAreListedDuringAFlood()
{
    constexpr uint32_t kFlood = 65536;
    QCOMPARE(LUMO_Start_V30(&countingCallback, 0, nullptr), 1);
    floodLibrary(kFlood + 100);
    QVERIFY2(waitUntil([] { return g_nFakeOnline >= kFlood; }, 20s), qPrintable(QString::number(g_nFakeOnline)));
    // The table is full: the real devices' announcements alone do not list them,
    // but the library probes them, and answering its probe each takes a made-up
    // device's place, without waiting for a Refresh.
    DevsimProcess devsim;
    QVERIFY(devsim.start({QStringLiteral("--count"), QStringLiteral("12")}));
    QVERIFY2(waitUntil([] { return realOnline() == 12; }, 15s), qPrintable(QString::number(realOnline())));
    QCOMPARE(g_nFakeOffline.load(), size_t(12));
    QCOMPARE(g_nFakeOnline.load(), size_t(kFlood));
    // More made-up announcements are probed too, but never answer: they stay out.
    floodLibrary(2000, 100000);
    QCOMPARE(LUMO_SendInquiry(), 1); // the real devices answer; nothing changes for them
    std::this_thread::sleep_for(1s);
    QCOMPARE(g_nFakeOnline.load(), size_t(kFlood));
    QCOMPARE(g_nFakeOffline.load(), size_t(12));
    QCOMPARE(realOnline(), size_t(12));
    QCOMPARE(LUMO_Stop(), 1);
}

QTEST_GUILESS_MAIN(TestLumoFlood)
#include "tst_lumo_flood.moc"
