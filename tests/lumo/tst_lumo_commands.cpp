// Modify and reset between the library and the simulator as a client sees them:
// the reason of a failure, the lockout after repeated failures, guessing peers,
// a command during a challenge flood, and acknowledged changes surviving a
// killed simulator.
#include "Crypto.h"
#include "Guesser.h"
#include "LumoTestSupport.h"
#include "PacketCodec.h"

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

#include <asio/io_context.hpp>
#include <asio/ip/udp.hpp>

#include <atomic>
#include <cstring>
#include <thread>

using namespace std::chrono_literals;

namespace {

constexpr const char* kPassword = "admin1234"; // of generated fleets
constexpr const char* kUnknownMac = "02:4C:55:EE:EE:EE";

bool startLibrary()
{
    ReportCollector::instance().clear();
    return LUMO_Start_V30(&ReportCollector::callback, 0, nullptr) == 1;
}

unsigned reasonOfLastError()
{
    return LUMO_ERROR_REASON(LUMO_GetLastError());
}

} // namespace

class TestLumoCommands : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void lastErrorNamesTheReason_data();
    void lastErrorNamesTheReason();
    void lastErrorBelongsToTheCallingThread();
    void lockoutSeenFromTheClient();
    void spoofedLockoutEndsSoonAfterTheAttack();
    void guessingFromManyAddressesIsBoundedByTheBudget();
    void modifyCompletesDuringChallengeFlood();
    void acknowledgedChangeSurvivesKill_data();
    void acknowledgedChangeSurvivesKill();
    void oldStateFileIsRewrittenWithoutPasswords();
    void unsavedChangeIsNotAcknowledged();

private:
    QTemporaryDir m_tempDir;
};

void TestLumoCommands::initTestCase()
{
    TestPorts::configureLibraryForLoopback();
    qputenv("LUMO_COMMAND_TIMEOUT_MS", "1500");
    QVERIFY(QFile::exists(DevsimProcess::executable()));
    QVERIFY(m_tempDir.isValid());
}

// Each test function on ports of its own: a simulator an earlier one killed
// may hold its port a while longer under Wine, and late answers to an earlier
// run's inquiries must not be counted in this one's.
void TestLumoCommands::init()
{
    TestPorts::moveToFreshPorts();
}

void TestLumoCommands::cleanup()
{
    LUMO_Stop();
}

void TestLumoCommands::lastErrorNamesTheReason_data()
{
    QTest::addColumn<QByteArray>("mac");
    QTest::addColumn<QByteArray>("password");
    QTest::addColumn<QByteArray>("address");
    QTest::addColumn<QByteArray>("ipv6");
    QTest::addColumn<int>("prefix");
    QTest::addColumn<unsigned>("reason");
    const QByteArray device1 = QByteArray::fromStdString(macOf(1)); // IPv4 only
    const QByteArray unknown(kUnknownMac);
    const QByteArray good("10.20.0.200");
    // Rows aimed at a MAC nobody has would end in "no answer" if anything were sent.
    QTest::newRow("wrong password") << device1 << QByteArray("admin") << good << QByteArray() << 0 << unsigned(LUMO_ERROR_AUTH_FAILED);
    QTest::newRow("address refused by the device") << device1 << QByteArray(kPassword) << QByteArray("10.20.255.255") << QByteArray() << 0 << unsigned(LUMO_ERROR_VALUE_REFUSED);
    QTest::newRow("IPv6 the device cannot change") << device1 << QByteArray(kPassword) << good << QByteArray("fd00::5") << 64 << unsigned(LUMO_ERROR_UNSUPPORTED);
    QTest::newRow("unknown device") << unknown << QByteArray(kPassword) << good << QByteArray() << 0 << unsigned(LUMO_ERROR_NO_ANSWER);
    QTest::newRow("IPv6 prefix 0, not sent") << unknown << QByteArray(kPassword) << good << QByteArray("fd00::5") << 0 << unsigned(LUMO_ERROR_VALUE_REFUSED);
    QTest::newRow("IPv6 prefix 129, not sent") << unknown << QByteArray(kPassword) << good << QByteArray("fd00::5") << 129 << unsigned(LUMO_ERROR_VALUE_REFUSED);
    QTest::newRow("unparsable address, not sent") << unknown << QByteArray(kPassword) << QByteArray("10.20.0") << QByteArray() << 0 << unsigned(LUMO_ERROR_VALUE_REFUSED);
    QTest::newRow("password of 257 bytes, not sent") << unknown << QByteArray(257, 'p') << good << QByteArray() << 0 << unsigned(LUMO_ERROR_BAD_ARGUMENT);
    QTest::newRow("password of 256 bytes, sent") << unknown << QByteArray(256, 'p') << good << QByteArray() << 0 << unsigned(LUMO_ERROR_NO_ANSWER);
    QTest::newRow("malformed MAC") << QByteArray("02:4C:55") << QByteArray(kPassword) << good << QByteArray() << 0 << unsigned(LUMO_ERROR_BAD_ARGUMENT);
}

void TestLumoCommands::lastErrorNamesTheReason()
{
    QFETCH(QByteArray, mac);
    QFETCH(QByteArray, password);
    QFETCH(QByteArray, address);
    QFETCH(QByteArray, ipv6);
    QFETCH(int, prefix);
    QFETCH(unsigned, reason);
    DevsimProcess devsim;
    QVERIFY(devsim.start({QStringLiteral("--count"), QStringLiteral("2"), QStringLiteral("--no-announce")}));
    QVERIFY(startLibrary());
    LUMO_NET_PARAM_BLOCK block = makeParamBlock(address.constData(), "255.255.0.0", "10.20.0.1", 8000);
    std::strncpy(block.ipv6Address, ipv6.constData(), sizeof(block.ipv6Address) - 1);
    block.ipv6PrefixLength = uint8_t(prefix);
    QCOMPARE(LUMO_ModifyDeviceNetParam(mac.constData(), password.constData(), &block), 0);
    QCOMPARE(reasonOfLastError(), reason);
    QCOMPARE(LUMO_ERROR_SECONDS(LUMO_GetLastError()), 0u);
}

void TestLumoCommands::lastErrorBelongsToTheCallingThread()
{
    QCOMPARE(LUMO_SendInquiry(), 0);
    QCOMPARE(reasonOfLastError(), unsigned(LUMO_ERROR_NOT_RUNNING));
    QVERIFY(startLibrary());
    // Checked on the test's own thread: a failed check returns from the function it is in.
    int nOtherResult = -1;
    unsigned nOtherReason = 0;
    std::thread other([&] {
        nOtherResult = LUMO_ModifyDeviceNetParam(kUnknownMac, kPassword, nullptr);
        nOtherReason = reasonOfLastError();
    });
    other.join();
    QCOMPARE(nOtherResult, 0);
    QCOMPARE(nOtherReason, unsigned(LUMO_ERROR_BAD_ARGUMENT));
    QCOMPARE(reasonOfLastError(), unsigned(LUMO_ERROR_NOT_RUNNING));
}

void TestLumoCommands::lockoutSeenFromTheClient()
{
    // Five wrong passwords, then the right one refused with the seconds left, then
    // accepted once the lockout (4 s here, 60 s on a device) has passed. Each
    // refusal takes the whole command time (1.5 s), since only the deadline
    // makes an untagged refusal stand.
    DevsimProcess devsim;
    QVERIFY(devsim.start({QStringLiteral("--count"), QStringLiteral("2"), QStringLiteral("--no-announce"),
                          QStringLiteral("--lockout-ms"), QStringLiteral("4000")}));
    QVERIFY(startLibrary());
    const LUMO_NET_PARAM_BLOCK block = makeParamBlock("10.20.0.201", "255.255.0.0", "10.20.0.1", 8000);
    const std::string strMac = macOf(2);
    for (int i = 0; i < 5; ++i) {
        QCOMPARE(LUMO_ModifyDeviceNetParam(strMac.c_str(), "guess", &block), 0);
        QCOMPARE(reasonOfLastError(), unsigned(LUMO_ERROR_AUTH_FAILED));
    }
    const auto lockedAt = std::chrono::steady_clock::now();
    QCOMPARE(LUMO_ModifyDeviceNetParam(strMac.c_str(), kPassword, &block), 0);
    QCOMPARE(reasonOfLastError(), unsigned(LUMO_ERROR_LOCKED));
    const unsigned nSecondsLeft = LUMO_ERROR_SECONDS(LUMO_GetLastError());
    QVERIFY2(nSecondsLeft >= 1 && nSecondsLeft <= 4, qPrintable(QString::number(nSecondsLeft)));
    int nRefused = 1;
    while (LUMO_ModifyDeviceNetParam(strMac.c_str(), kPassword, &block) == 0) {
        // A call under way when the lockout ends gets its challenge late and may
        // run out of time before the result (seen on a busy machine).
        const unsigned nReason = reasonOfLastError();
        QVERIFY2(nReason == LUMO_ERROR_LOCKED || nReason == LUMO_ERROR_NO_ANSWER, qPrintable(QString::number(nReason)));
        QVERIFY(std::chrono::steady_clock::now() - lockedAt < 15s);
        ++nRefused;
        std::this_thread::sleep_for(250ms);
    }
    const auto waited = std::chrono::steady_clock::now() - lockedAt;
    QVERIFY(waited >= 1500ms);
    qInfo("right password refused %d times, accepted after %lld ms", nRefused,
          (long long)std::chrono::duration_cast<std::chrono::milliseconds>(waited).count());
}

void TestLumoCommands::spoofedLockoutEndsSoonAfterTheAttack()
{
    // An attacker sends wrong guesses under the installer's own address (here
    // the same loopback address) and renews the lockout each time it ends. Once
    // it stops, the installer's next modify goes through: the lockout left (at
    // most 1 s here) ends within the command's 5 s, and the library keeps
    // asking until then. A lockout doubling with each renewal would be 16 s.
    DevsimProcess devsim;
    QVERIFY(devsim.start({QStringLiteral("--count"), QStringLiteral("2"), QStringLiteral("--no-announce"),
                          QStringLiteral("--lockout-ms"), QStringLiteral("1000")}));
    qputenv("LUMO_COMMAND_TIMEOUT_MS", "5000");
    const bool bStarted = startLibrary();
    qputenv("LUMO_COMMAND_TIMEOUT_MS", "1500");
    QVERIFY(bStarted);
    Guesser attacker(macOf(2));
    QVERIFY2(attacker.error().empty(), attacker.error().c_str());
    constexpr int kRenewals = 5;
    for (int nRenewal = 0; nRenewal < kRenewals; ++nRenewal) {
        QVERIFY2(attacker.waitUntilAccepted("127.0.0.1", 30s), "the lockout never ended");
        for (int i = 0; i < 5; ++i)
            QCOMPARE(attacker.guess("127.0.0.1", "guess " + std::to_string(i)), lumo::ResultStatus::AuthFailed);
    }
    const auto stoppedAt = std::chrono::steady_clock::now();
    const LUMO_NET_PARAM_BLOCK block = makeParamBlock("10.20.0.202", "255.255.0.0", "10.20.0.1", 8000);
    const int nResult = LUMO_ModifyDeviceNetParam(macOf(2).c_str(), kPassword, &block);
    const auto waited = std::chrono::steady_clock::now() - stoppedAt;
    qInfo("after %d renewals the installer's modify returned %d, %lld ms after the attack", kRenewals, nResult,
          (long long)std::chrono::duration_cast<std::chrono::milliseconds>(waited).count());
    QVERIFY2(nResult == 1, qPrintable(QStringLiteral("reason %1, %2 s left").arg(reasonOfLastError())
                                          .arg(LUMO_ERROR_SECONDS(LUMO_GetLastError()))));
}

void TestLumoCommands::guessingFromManyAddressesIsBoundedByTheBudget()
{
    // A guesser on ever new loopback addresses, one guess each, so that no
    // address is ever locked out: the device evaluates no more guesses than its
    // budget (20 here, 200 on a device) and then refuses everyone, the
    // installer's right password included, with the seconds until it regains one.
    DevsimProcess devsim;
    QVERIFY(devsim.start({QStringLiteral("--count"), QStringLiteral("2"), QStringLiteral("--no-announce"),
                          QStringLiteral("--failure-budget"), QStringLiteral("20")}));
    QVERIFY(startLibrary());
    Guesser guesser(macOf(2));
    QVERIFY2(guesser.error().empty(), guesser.error().c_str());
    if (!guesser.canSendFrom("127.0.1.2"))
        QSKIP("this system sends from 127.0.0.1 only");
    int nEvaluated = 0;
    int nRefused = 0;
    for (int nAddress = 0; nAddress < 40; ++nAddress) {
        // 1 s apart per address; the per-second device-wide limit stays out of the way.
        const std::string strSource = "127.0.1." + std::to_string(2 + nAddress);
        const auto status = guesser.guess(strSource, "guess " + std::to_string(nAddress));
        QVERIFY2(status, "the device did not answer");
        if (*status == lumo::ResultStatus::AuthFailed)
            ++nEvaluated;
        else if (*status == lumo::ResultStatus::Locked)
            ++nRefused;
        // Six guesses, far within the budget: a refusal here is the
        // per-address lockout, so the device saw one source for them all.
        if (nAddress == 5 && nRefused > 0)
            QSKIP("the device sees the guesser's loopback addresses as one (as under Wine)");
        if (nAddress % 15 == 14)
            std::this_thread::sleep_for(1100ms);
    }
    qInfo("of 40 guesses from 40 addresses the device evaluated %d and refused %d", nEvaluated, nRefused);
    // The budget regains one failure a minute; the test may run into one.
    QVERIFY2(nEvaluated >= 20 && nEvaluated <= 21, qPrintable(QString::number(nEvaluated)));
    const LUMO_NET_PARAM_BLOCK block = makeParamBlock("10.20.0.203", "255.255.0.0", "10.20.0.1", 8000);
    QCOMPARE(LUMO_ModifyDeviceNetParam(macOf(2).c_str(), kPassword, &block), 0);
    QCOMPARE(reasonOfLastError(), unsigned(LUMO_ERROR_LOCKED));
    const unsigned nSeconds = LUMO_ERROR_SECONDS(LUMO_GetLastError());
    QVERIFY2(nSeconds >= 1 && nSeconds <= 60, qPrintable(QString::number(nSeconds)));
}

void TestLumoCommands::modifyCompletesDuringChallengeFlood()
{
    // Another address floods the device with challenge requests; the library's
    // modifies from 127.0.0.1 all complete.
    DevsimProcess devsim;
    QVERIFY(devsim.start({QStringLiteral("--count"), QStringLiteral("3"), QStringLiteral("--no-announce")}));
    QVERIFY(startLibrary());
    // The flood must come from an address of its own, or it spends the
    // library's allowance of challenges and the test says nothing.
    Guesser probe(macOf(3));
    QVERIFY2(probe.error().empty(), probe.error().c_str());
    if (!probe.deviceTellsSourcesApart())
        QSKIP("the device sees the flood's loopback address as the library's (as under Wine)");
    std::atomic<bool> bFlooding{true};
    std::atomic<uint64_t> nSent{0};
    std::thread flooder([&] {
        asio::io_context io;
        asio::ip::udp::socket socket(io, asio::ip::udp::endpoint(asio::ip::make_address_v4("127.0.0.2"), 0));
        const asio::ip::udp::endpoint device(asio::ip::make_address_v4("127.0.0.1"), TestPorts::devicePort());
        lumo::ChallengeRequestMessage request;
        request.purpose = lumo::Purpose::Modify;
        request.mac = {0x02, 0x4C, 0x55, 0x00, 0x00, 0x02};
        std::error_code ignored;
        // 30,000 a second, in slices every 10 ms.
        constexpr uint32_t kSlice = 300;
        auto slice = std::chrono::steady_clock::now();
        for (uint32_t n = 1; bFlooding; ++n) {
            std::memcpy(request.clientNonce.data(), &n, sizeof(n));
            socket.send_to(asio::buffer(lumo::PacketCodec::encodeChallengeRequest(n, request)), device, 0, ignored);
            ++nSent;
            if (n % kSlice == 0) {
                slice += 10ms;
                std::this_thread::sleep_until(slice);
            }
        }
    });
    const auto started = std::chrono::steady_clock::now();
    int nSucceeded = 0;
    QStringList failures;
    for (int i = 0; i < 5; ++i) {
        const std::string strAddress = "10.20.0." + std::to_string(210 + i);
        const LUMO_NET_PARAM_BLOCK block = makeParamBlock(strAddress.c_str(), "255.255.0.0", "10.20.0.1", 8000);
        const int nResult = LUMO_ModifyDeviceNetParam(macOf(2).c_str(), kPassword, &block);
        nSucceeded += nResult;
        if (nResult == 0)
            failures << QStringLiteral("reason %1").arg(reasonOfLastError());
    }
    const double dSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    bFlooding = false;
    flooder.join();
    qInfo("%d of 5 modifies during a flood of %.0f challenge requests/s", nSucceeded, double(nSent) / dSeconds);
    QVERIFY2(nSucceeded == 5, qPrintable(failures.join(QStringLiteral(", "))));
}

void TestLumoCommands::acknowledgedChangeSurvivesKill_data()
{
    QTest::addColumn<int>("devices");
    QTest::newRow("50 devices") << 50;
    QTest::newRow("3,000 devices") << 3000;
}

void TestLumoCommands::acknowledgedChangeSurvivesKill()
{
    // SIGKILL right after "done": the change must already be in the state file.
    QFETCH(int, devices);
    // LUMO_KILL_MODE=--ack-before-save shows the old way losing changes.
    const QStringList mode = qEnvironmentVariable("LUMO_KILL_MODE").split(QLatin1Char(' '), Qt::SkipEmptyParts);
    const int nRuns = qEnvironmentVariableIntValue("LUMO_KILL_RUNS") > 0 ? qEnvironmentVariableIntValue("LUMO_KILL_RUNS") : 20;
    const QString strState = m_tempDir.filePath(QStringLiteral("killed-%1.json").arg(devices));
    QFile::remove(strState);
    QVERIFY(startLibrary());
    int nAcknowledged = 0;
    int nLost = 0;
    for (int nRun = 0; nRun < nRuns; ++nRun) {
        // Under Wine the port of a killed simulator can stay bound for a while
        // after its process has ended; the next run then takes fresh ports, and
        // the library with it.
        if (!TestPorts::isFree(TestPorts::devicePort())) {
            LUMO_Stop();
            TestPorts::moveToFreshPorts();
            QVERIFY(startLibrary());
        }
        DevsimProcess devsim;
        QVERIFY(devsim.start(QStringList{QStringLiteral("--count"), QString::number(devices), QStringLiteral("--no-announce"),
                                         QStringLiteral("--state"), strState} + mode));
        const int nDevice = 1 + (nRun * 7) % devices;
        const std::string strAddress = "10.20.200." + std::to_string(10 + nRun);
        const LUMO_NET_PARAM_BLOCK block = makeParamBlock(strAddress.c_str(), "255.255.0.0", "10.20.0.1", 8000);
        const bool bAcknowledged = LUMO_ModifyDeviceNetParam(macOf(nDevice).c_str(), kPassword, &block) == 1;
        devsim.kill();
        if (!bAcknowledged)
            continue;
        ++nAcknowledged;
        if (addressInState(strState, serialOf(nDevice)) != QString::fromStdString(strAddress))
            ++nLost;
    }
    qInfo("%d devices %s: %d of %d runs acknowledged, %d acknowledged changes lost", devices, qPrintable(mode.join(QLatin1Char(' '))),
          nAcknowledged, nRuns, nLost);
    QCOMPARE(nLost, 0);
    QCOMPARE(nAcknowledged, nRuns);
}

void TestLumoCommands::oldStateFileIsRewrittenWithoutPasswords()
{
    // A state file of the old form: a password in clear, readable by everyone.
    const QString strState = m_tempDir.filePath(QStringLiteral("old-form.json"));
    QFile file(strState);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(R"({"version":1,"devices":[{"serial":"TL0000000001","mac":"02:4C:55:00:00:01",
        "ipv4":{"address":"10.20.0.11","mask":"255.255.0.0","gateway":"10.20.0.1"},
        "password":"old-secret-pw","defaultPassword":"admin","salt":"000102030405060708090a0b0c0d0e0f"}]})");
    file.close();
    QVERIFY(QFile::setPermissions(strState, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther));
    DevsimProcess devsim;
    QVERIFY(devsim.start({QStringLiteral("--state"), strState, QStringLiteral("--no-announce")}));
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray content = file.readAll();
    file.close();
    QVERIFY(!content.contains("old-secret-pw"));
    QVERIFY(!content.contains("\"password\""));
    QVERIFY(content.contains("\"passwordKey\""));
#if !defined(Q_OS_WIN) // Windows keeps access in ACLs, which the permission bits do not show
    QCOMPARE(QFile::permissions(strState) & ~(QFile::ReadUser | QFile::WriteUser), QFile::ReadOwner | QFile::WriteOwner);
#endif
    QVERIFY(startLibrary());
    const LUMO_NET_PARAM_BLOCK block = makeParamBlock("10.20.0.12", "255.255.0.0", "10.20.0.1", 8000);
    QCOMPARE(LUMO_ModifyDeviceNetParam(macOf(1).c_str(), "old-secret-pw", &block), 1);
    QCOMPARE(addressInState(strState, serialOf(1)), QStringLiteral("10.20.0.12"));
}

void TestLumoCommands::unsavedChangeIsNotAcknowledged()
{
    // While the state file cannot be written (a folder, not empty, where its
    // temporary file goes), the device applies the change but does not say "done";
    // once saving works again the change reaches the disk.
    const QString strState = m_tempDir.filePath(QStringLiteral("unsaved.json"));
    QFile::remove(strState);
    DevsimProcess devsim;
    QVERIFY(devsim.start({QStringLiteral("--count"), QStringLiteral("2"), QStringLiteral("--no-announce"),
                          QStringLiteral("--state"), strState}));
    QDir blocker(strState + QStringLiteral(".tmp"));
    QVERIFY(blocker.mkpath(QStringLiteral("inside")));
    QVERIFY(startLibrary());
    const LUMO_NET_PARAM_BLOCK block = makeParamBlock("10.20.0.222", "255.255.0.0", "10.20.0.1", 8000);
    QCOMPARE(LUMO_ModifyDeviceNetParam(macOf(1).c_str(), kPassword, &block), 0);
    QCOMPARE(reasonOfLastError(), unsigned(LUMO_ERROR_NO_ANSWER));
    QVERIFY(addressInState(strState, serialOf(1)) != QStringLiteral("10.20.0.222"));
    QVERIFY(blocker.removeRecursively());
    QTRY_COMPARE_WITH_TIMEOUT(addressInState(strState, serialOf(1)), QStringLiteral("10.20.0.222"), 10000);
}

QTEST_GUILESS_MAIN(TestLumoCommands)
#include "tst_lumo_commands.moc"
