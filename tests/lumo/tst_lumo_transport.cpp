// The library's sockets against adapters that come and go, inside a network
// namespace of this test's own (Linux, root): a pair of virtual Ethernet
// adapters and the loopback, nothing that reaches another machine.
#include "CommandClient.h"
#include "ReversePathFilter.h"
#include "Transport.h"

#include <QtTest>

#include <asio/io_context.hpp>
#include <asio/ip/udp.hpp>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

#if defined(__linux__)
#  include <sched.h>
#endif

using namespace std::chrono_literals;

namespace {

bool shell(const char* pCommand)
{
    return std::system(pCommand) == 0;
}

// Local port of the UDP socket bound to 10.99.0.1, from the kernel's socket table; 0 if none.
uint16_t portBoundTo10_99_0_1()
{
    std::ifstream table("/proc/net/udp");
    std::string strLine;
    std::getline(table, strLine); // column titles
    while (std::getline(table, strLine)) {
        std::istringstream fields(strLine);
        std::string strSlot;
        std::string strLocal;
        fields >> strSlot >> strLocal;
        if (strLocal.rfind("0100630A:", 0) == 0)
            return static_cast<uint16_t>(std::stoul(strLocal.substr(9), nullptr, 16));
    }
    return 0;
}

} // namespace

class TestLumoTransport : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void adapterLostWhileItsDatagramIsHandled();
    void unicastAnswersArriveOnTheClientPort();
    void strictReversePathFilterIsNamedWithAWorkingCommand();
    void stopThatOvertookACommandEndsItsWait();
};

void TestLumoTransport::initTestCase()
{
#if defined(__linux__)
    if (unshare(CLONE_NEWNET) != 0)
        QSKIP("cannot create a network namespace here (needs root)");
    if (!shell("ip link set lo up && ip link add v0 type veth peer name v1 && ip addr add 10.99.0.1/24 dev v0"
               " && ip link set v0 up && ip link set v1 up"))
        QSKIP("cannot create virtual adapters here (needs iproute2 and veth)");
    // The pair's carrier comes up a moment after both ends are set up, and the
    // library leaves out adapters that are not running yet.
    QVERIFY(QTest::qWaitFor([] { return shell("ip -o link show v0 | grep -q 'state UP'"); }, 5000));
#else
    QSKIP("network namespaces exist on Linux only");
#endif
}

void TestLumoTransport::adapterLostWhileItsDatagramIsHandled()
{
    // The handler answers every datagram with a send on every adapter, as the
    // library does when it acknowledges answers. The adapter's address is gone by
    // then, so the send fails and the adapter's channel is dropped while its own
    // datagram is being handled; the channel must outlive that handler.
    qputenv("LUMO_INTERFACES", "v0");
    qputenv("LUMO_TARGETS", "");
    qputenv("LUMO_DEVICE_PORT", "47810");
    qputenv("LUMO_CLIENT_PORT", "47811");
    const lumo::LibrarySettings settings = lumo::LibrarySettings::fromEnvironment();
    asio::io_context io;
    int nHandled = 0;
    lumo::Transport* pTransport = nullptr;
    lumo::Transport transport(
        io, settings,
        [&](const uint8_t* pData, size_t nSize, const asio::ip::udp::endpoint&) {
            ++nHandled;
            pTransport->sendToAll(std::vector<uint8_t>(pData, pData + nSize));
        },
        [] {});
    pTransport = &transport;
    QVERIFY(transport.open());
    QCOMPARE(transport.interfaceCount(), size_t(1));
    const uint16_t nPort = portBoundTo10_99_0_1();
    QVERIFY(nPort != 0);

    // Queue two datagrams on the adapter's socket, then take the address away.
    asio::ip::udp::socket sender(io, asio::ip::udp::endpoint(asio::ip::udp::v4(), 0));
    const asio::ip::udp::endpoint adapter(asio::ip::make_address_v4("10.99.0.1"), nPort);
    sender.send_to(asio::buffer(std::string("first")), adapter);
    sender.send_to(asio::buffer(std::string("second")), adapter);
    QVERIFY(shell("ip addr del 10.99.0.1/24 dev v0"));

    io.run_for(300ms);
    QCOMPARE(nHandled, 1); // the dropped channel receives nothing more
    QCOMPARE(transport.interfaceCount(), size_t(0));

    // The adapter comes back: the next look-up opens it again.
    QVERIFY(shell("ip addr add 10.99.0.1/24 dev v0"));
    transport.refreshInterfaces();
    QCOMPARE(transport.interfaceCount(), size_t(1));
    transport.close();
    io.run_for(50ms);
}

void TestLumoTransport::unicastAnswersArriveOnTheClientPort()
{
    // Devices on the adapter's subnet answer by unicast to where the inquiry came
    // from; a firewall that lets in only the client port must not hide them.
    qputenv("LUMO_INTERFACES", "v0");
    qputenv("LUMO_TARGETS", "");
    qputenv("LUMO_DEVICE_PORT", "47810");
    qputenv("LUMO_CLIENT_PORT", "47811");
    const lumo::LibrarySettings settings = lumo::LibrarySettings::fromEnvironment();
    asio::io_context io;
    std::vector<asio::ip::udp::endpoint> senders;
    lumo::Transport transport(
        io, settings, [&](const uint8_t*, size_t, const asio::ip::udp::endpoint& from) { senders.push_back(from); }, [] {});
    QVERIFY(transport.open());
    QCOMPARE(transport.interfaceCount(), size_t(1));
    QCOMPARE(portBoundTo10_99_0_1(), uint16_t(47811));

    // A device on the segment hears the inquiry from 10.99.0.1:47811 and answers there.
    asio::ip::udp::socket device(io, asio::ip::udp::endpoint(asio::ip::udp::v4(), 47810));
    transport.sendToAll(std::vector<uint8_t>{1, 2, 3});
    QTRY_VERIFY_WITH_TIMEOUT(device.available() > 0, 1000);
    std::vector<uint8_t> buffer(64);
    asio::ip::udp::endpoint requester;
    device.receive_from(asio::buffer(buffer), requester);
    QCOMPARE(requester.address().to_string(), std::string("10.99.0.1"));
    QCOMPARE(requester.port(), uint16_t(47811));
    device.send_to(asio::buffer(std::string("answer")), requester);
    io.run_for(200ms);
    QCOMPARE(senders.size(), size_t(1)); // once, on the adapter's socket only
    transport.close();
    io.run_for(50ms);
}

void TestLumoTransport::strictReversePathFilterIsNamedWithAWorkingCommand()
{
    // An adapter whose name has a dot, as VLAN adapters do ("eth0.100").
    QVERIFY(shell("ip link add vl.7 type veth peer name vl.8"));
    QVERIFY(shell("sysctl -qw net.ipv4.conf.all.rp_filter=1"));
    QCOMPARE(lumo::ReversePathFilter::mode("vl.7"), 1);
    const std::string strLine = lumo::ReversePathFilter::diagnostic("vl.7");
    QVERIFY(strLine.find("rp_filter=1) on vl.7 ") != std::string::npos);
    // The line's own command must switch the filter to loose mode.
    const size_t nCommand = strLine.find("sysctl -w ");
    QVERIFY(nCommand != std::string::npos);
    QVERIFY2(shell((strLine.substr(nCommand) + " >/dev/null").c_str()), strLine.c_str());
    QCOMPARE(lumo::ReversePathFilter::mode("vl.7"), 2);
    QVERIFY(lumo::ReversePathFilter::diagnostic("vl.7").empty());
}

void TestLumoTransport::stopThatOvertookACommandEndsItsWait()
{
    // The library has stopped its I/O thread (nothing posted runs any more) just
    // after a caller handed over its request; the caller learns of the stop soon,
    // not at its deadline.
    qputenv("LUMO_INTERFACES", "none");
    qputenv("LUMO_TARGETS", "");
    const lumo::LibrarySettings settings = lumo::LibrarySettings::fromEnvironment();
    asio::io_context io; // never run: like one whose thread has ended
    lumo::Transport transport(io, settings, [](const uint8_t*, size_t, const asio::ip::udp::endpoint&) {}, [] {});
    lumo::CommandClient commands(io, transport);
    const auto started = std::chrono::steady_clock::now();
    bool bEmpty = false;
    std::thread caller([&] {
        bEmpty = commands.exchange(7, {1, 2, 3}, [](const lumo::Header&, const uint8_t*, size_t) { return lumo::CommandClient::Verdict::Final; },
                                   started + 3s).empty();
    });
    std::this_thread::sleep_for(100ms);
    commands.cancelAll(); // what the stop does, on the I/O thread, before that thread ends
    caller.join();
    QVERIFY(bEmpty);
    QVERIFY(std::chrono::steady_clock::now() - started < 1s);
}

QTEST_GUILESS_MAIN(TestLumoTransport)
#include "tst_lumo_transport.moc"
