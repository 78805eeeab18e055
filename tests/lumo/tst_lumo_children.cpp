// Sockets of the library are not handed to child processes: a child started
// during a run must not keep the client port bound after the run has ended.
#include "ChildSafeSocket.h"
#include "LumoTestSupport.h"

#include <QtTest>

#include <asio/io_context.hpp>
#include <asio/ip/udp.hpp>

class TestLumoChildren : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();
    void childOfARunDoesNotKeepItsPort_data();
    void childOfARunDoesNotKeepItsPort();
};

void TestLumoChildren::initTestCase()
{
    TestPorts::configureLibraryForLoopback();
}

void TestLumoChildren::cleanup()
{
    LUMO_Stop();
}

void TestLumoChildren::childOfARunDoesNotKeepItsPort_data()
{
    QTest::addColumn<bool>("bLibrary");
    QTest::newRow("library run") << true;
    QTest::newRow("socket of the protocol code") << false;
}

void TestLumoChildren::childOfARunDoesNotKeepItsPort()
{
    QFETCH(bool, bLibrary);
    const uint16_t nPort = TestPorts::clientPort();
    QVERIFY(TestPorts::isFree(nPort));

    asio::io_context io;
    asio::ip::udp::socket own(io);
    if (bLibrary) {
        QCOMPARE(LUMO_Start_V30(&ReportCollector::callback, 0, nullptr), 1);
    } else {
        QVERIFY(!lumo::ChildSafeSocket::openUdpV4(own));
        own.set_option(asio::socket_base::reuse_address(true));
        own.bind({asio::ip::address_v4::any(), nPort});
    }
    QVERIFY(!TestPorts::isFree(nPort));

    // The simulator stands for any child: it lives on after the run ends.
    DevsimProcess child;
    QVERIFY(child.start({QStringLiteral("--count"), QStringLiteral("1")}));
    if (bLibrary)
        QCOMPARE(LUMO_Stop(), 1);
    else
        own.close();
    QVERIFY2(TestPorts::isFree(nPort), "a child process still holds the port");
    QVERIFY(child.stop());
}

QTEST_GUILESS_MAIN(TestLumoChildren)
#include "tst_lumo_children.moc"
