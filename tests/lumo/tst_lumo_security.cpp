// What an attacker can and cannot get from the library file and the simulated
// devices: no secret that issues restore codes, nothing to guess offline from a
// refusal, limited guessing, challenges that a flood cannot take away.
#include "DeviceAgent.h"
#include "FleetFactory.h"
#include "IpAddress.h"
#include "MakerCodeService.h"
#include "PacketCodec.h"
#include "SecurityCode.h"
#include "Crypto.h"

#include <QFile>
#include <QtTest>

#include <cstring>
#include <optional>
#include <set>

using namespace devsim;
using namespace lumo;
using namespace std::chrono_literals;

namespace {

constexpr uint32_t kToday = 20240301;
constexpr uint32_t kClient = 0x0A000001;   // 10.0.0.1
constexpr uint32_t kAttacker = 0x0A000063; // 10.0.0.99

struct Exchange
{
    ChallengeMessage challenge;
    Key key{};
};

// One device and its agent, with the client side of a command as the library does it.
struct Bench
{
    DeviceAgent agent;
    SimDevice device = FleetFactory::generated(1, "2024-05-01 08:00:00").front();
    DeviceAgent::Clock::time_point now = DeviceAgent::Clock::now();

    std::optional<Exchange> challenge(Purpose purpose, const std::string& strSecret, uint32_t nSource)
    {
        ChallengeRequestMessage request;
        request.purpose = purpose;
        request.mac = device.info.mac;
        request.serial = device.info.serial;
        Crypto::randomBytes(request.clientNonce.data(), request.clientNonce.size());
        const auto bytes = agent.challenge(device, 1, request, nSource, now);
        Exchange exchange;
        if (PacketCodec::decodeChallenge(bytes.data(), bytes.size(), &exchange.challenge) != DecodeError::None)
            return std::nullopt; // a "locked" result instead
        exchange.key = *Crypto::deriveKey(strSecret, exchange.challenge.salt, exchange.challenge.opsLimit,
                                          exchange.challenge.memLimitKib);
        return exchange;
    }

    std::vector<uint8_t> modifyBytes(const Exchange& exchange, const Key& key) const
    {
        ModifyMessage request;
        request.mac = device.info.mac;
        request.clientNonce = exchange.challenge.clientNonce;
        request.deviceNonce = exchange.challenge.deviceNonce;
        request.params.ipv4Address = *IpAddress::parseIpv4("10.20.0.77");
        request.params.ipv4Mask = *IpAddress::parseIpv4("255.255.0.0");
        request.params.port = 8000;
        return PacketCodec::encodeModify(1, request, key);
    }

    DeviceAgent::Outcome send(const std::vector<uint8_t>& bytes, uint32_t nSource)
    {
        Header header;
        PacketCodec::decodeHeader(bytes.data(), bytes.size(), &header);
        if (header.type == MessageType::Reset) {
            ResetMessage request;
            PacketCodec::decodeReset(bytes.data(), bytes.size(), &request);
            return agent.reset(device, 1, request, bytes.data(), bytes.size(), nSource, now, kToday);
        }
        ModifyMessage request;
        PacketCodec::decodeModify(bytes.data(), bytes.size(), &request);
        return agent.modify(device, 1, request, bytes.data(), bytes.size(), nSource, now);
    }

    // A whole modify under a password from one address.
    DeviceAgent::Outcome modify(const std::string& strPassword, uint32_t nSource)
    {
        const auto exchange = challenge(Purpose::Modify, strPassword, nSource);
        if (!exchange) {
            DeviceAgent::Outcome locked;
            locked.reply = agent.challenge(device, 1, ChallengeRequestMessage{Purpose::Modify, device.info.mac, {}, {}},
                                           nSource, now);
            return locked;
        }
        return send(modifyBytes(*exchange, exchange->key), nSource);
    }

    std::vector<uint8_t> resetBytes(const Exchange& exchange) const
    {
        ResetMessage request;
        request.mac = device.info.mac;
        request.serial = device.info.serial;
        request.clientNonce = exchange.challenge.clientNonce;
        request.deviceNonce = exchange.challenge.deviceNonce;
        return PacketCodec::encodeReset(1, request, exchange.key);
    }
};

ResultMessage resultOf(const DeviceAgent::Outcome& outcome)
{
    ResultMessage result;
    if (PacketCodec::decodeResult(outcome.reply.data(), outcome.reply.size(), &result) != DecodeError::None)
        result.status = ResultStatus(255);
    return result;
}

ResultStatus statusOf(const DeviceAgent::Outcome& outcome)
{
    return resultOf(outcome).status;
}

// The built library, or another file named by LUMO_SCANNED_FILE (to see the scan
// find the key in a program that does hold it, such as lumo-seccode).
QByteArray readLibraryFile()
{
    const QString strOverride = qEnvironmentVariable("LUMO_SCANNED_FILE");
    QFile file(strOverride.isEmpty() ? QStringLiteral(LUMO_LIBRARY_FILE) : strOverride);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class TestLumoSecurity : public QObject
{
    Q_OBJECT

private slots:
    void libraryHoldsNoCodeSecret();
    void codeRestoresItsOwnDeviceOnly_data();
    void codeRestoresItsOwnDeviceOnly();
    void refusalCarriesNothingFromTheSecret_data();
    void refusalCarriesNothingFromTheSecret();
    void guessesOfADayAreBoundedWhateverTheAddresses();
    void lockoutRenewedForHoursEndsAMinuteAfterTheAttack();
    void failuresLockTheAddressOut_data();
    void failuresLockTheAddressOut();
    void successResetsTheCount();
    void deviceWideLimitCoversManyAddresses();
    void challengeFloodFromOneAddressSparesAnother();
    void forgedRequestDoesNotSpendTheChallenge();
};

void TestLumoSecurity::libraryHoldsNoCodeSecret()
{
    // The attack as it was made: every 32-byte window of the file tried as the key
    // that issues reset secrets, and looked up among the devices' own secrets.
    const QByteArray library = readLibraryFile();
    QVERIFY(library.size() > 4096);
    const std::string strProbeSerial = "TL0000000001";
    const ResetCode::Secret issued = MakerCodeService::resetSecretFor(strProbeSerial);
    std::set<ResetCode::Secret> deviceSecrets;
    for (const SimDevice& device : FleetFactory::demo("2024-05-01 08:00:00"))
        deviceSecrets.insert(device.resetSecret);
    for (const SimDevice& device : FleetFactory::generated(100, "2024-05-01 08:00:00"))
        deviceSecrets.insert(device.resetSecret);
    const auto* pBytes = reinterpret_cast<const uint8_t*>(library.constData());
    for (qsizetype nAt = 0; nAt + 32 <= library.size(); ++nAt) {
        ResetCode::Secret window;
        std::memcpy(window.data(), pBytes + nAt, window.size());
        QVERIFY2(deviceSecrets.count(window) == 0, qPrintable(QStringLiteral("a reset secret at %1").arg(nAt)));
        if (ResetCode::secretFor(window.data(), window.size(), strProbeSerial) == issued)
            QFAIL(qPrintable(QStringLiteral("the issuing key at offset %1").arg(nAt)));
    }
}

void TestLumoSecurity::codeRestoresItsOwnDeviceOnly_data()
{
    QTest::addColumn<QByteArray>("code");
    QTest::addColumn<bool>("restores");
    // Device 1 is the target; device 2 a device the attacker has opened.
    const std::vector<SimDevice> fleet = FleetFactory::generated(2, "2024-05-01 08:00:00");
    const std::string strTarget = fleet[0].info.serial;
    QTest::newRow("its own code") << QByteArray::fromStdString(MakerCodeService::issue(strTarget, kToday)) << true;
    QTest::newRow("another device's code")
        << QByteArray::fromStdString(MakerCodeService::issue(fleet[1].info.serial, kToday)) << false;
    QTest::newRow("made with another device's reset secret")
        << QByteArray::fromStdString(ResetCode::forDate(fleet[1].resetSecret, strTarget, kToday)) << false;
}

void TestLumoSecurity::codeRestoresItsOwnDeviceOnly()
{
    QFETCH(QByteArray, code);
    QFETCH(bool, restores);
    Bench bench;
    const auto exchange = bench.challenge(Purpose::Reset, SecurityCode::normalise(code.toStdString()), kClient);
    QVERIFY(exchange.has_value());
    const auto outcome = bench.send(bench.resetBytes(*exchange), kClient);
    QCOMPARE(statusOf(outcome) == ResultStatus::Ok, restores);
    QCOMPARE(bench.device.passwordKey == bench.device.defaultPasswordKey, restores);
}

void TestLumoSecurity::refusalCarriesNothingFromTheSecret_data()
{
    QTest::addColumn<int>("purpose");
    QTest::newRow("modify") << int(Purpose::Modify);
    QTest::newRow("reset") << int(Purpose::Reset);
}

void TestLumoSecurity::refusalCarriesNothingFromTheSecret()
{
    // The offline guess as it was made: a request with a junk tag, then every word
    // of a list tried as the key of the refusal's tag. Even the right secret must
    // not verify it.
    QFETCH(int, purpose);
    Bench bench;
    const bool bModify = purpose == int(Purpose::Modify);
    const std::string strSecret = bModify ? std::string(FleetFactory::kGeneratedPassword)
                                          : MakerCodeService::issue(bench.device.info.serial, kToday);
    auto exchange = bench.challenge(Purpose(purpose), strSecret, kAttacker);
    QVERIFY(exchange.has_value());
    const Key rightKey = exchange->key;
    exchange->key.fill(0x42);
    const auto bytes = bModify ? bench.modifyBytes(*exchange, exchange->key) : bench.resetBytes(*exchange);
    const auto outcome = bench.send(bytes, kAttacker);
    const ResultMessage result = resultOf(outcome);
    QCOMPARE(result.status, ResultStatus::AuthFailed);
    QVERIFY(result.tag == Tag{});
    QVERIFY(!PacketCodec::verifyTag(outcome.reply.data(), outcome.reply.size(), rightKey));
    QVERIFY(std::equal(result.requestTag.begin(), result.requestTag.end(), bytes.end() - long(kTagSize)));
}

void TestLumoSecurity::failuresLockTheAddressOut_data()
{
    QTest::addColumn<int>("firstFailures");
    QTest::addColumn<int>("pauseSeconds");
    QTest::addColumn<int>("secondFailures");
    QTest::addColumn<bool>("sameAddress");
    QTest::addColumn<int>("expectedWait"); // 0: the right password is accepted
    QTest::newRow("four failures") << 4 << 0 << 0 << true << 0;
    QTest::newRow("five failures") << 5 << 0 << 0 << true << 60;
    QTest::newRow("five failures, 59 s later") << 5 << 59 << 0 << true << 1;
    QTest::newRow("five failures, 61 s later") << 5 << 61 << 0 << true << 0;
    // Anyone can send under another's address: a renewed lockout does not grow.
    QTest::newRow("second lockout as long") << 5 << 61 << 5 << true << 60;
    QTest::newRow("another address") << 5 << 0 << 0 << false << 0;
}

void TestLumoSecurity::failuresLockTheAddressOut()
{
    QFETCH(int, firstFailures);
    QFETCH(int, pauseSeconds);
    QFETCH(int, secondFailures);
    QFETCH(bool, sameAddress);
    QFETCH(int, expectedWait);
    Bench bench;
    for (int i = 0; i < firstFailures; ++i)
        QCOMPARE(statusOf(bench.modify("wrong", kAttacker)), ResultStatus::AuthFailed);
    bench.now += std::chrono::seconds(pauseSeconds);
    for (int i = 0; i < secondFailures; ++i)
        QCOMPARE(statusOf(bench.modify("wrong", kAttacker)), ResultStatus::AuthFailed);
    const auto outcome = bench.modify(FleetFactory::kGeneratedPassword, sameAddress ? kAttacker : kClient);
    const ResultMessage result = resultOf(outcome);
    QCOMPARE(result.status, expectedWait ? ResultStatus::Locked : ResultStatus::Ok);
    QCOMPARE(int(result.waitSeconds), expectedWait);
    QCOMPARE(outcome.bChanged, expectedWait == 0);
}

void TestLumoSecurity::successResetsTheCount()
{
    Bench bench;
    for (int i = 0; i < 4; ++i)
        bench.modify("wrong", kClient);
    QCOMPARE(statusOf(bench.modify(FleetFactory::kGeneratedPassword, kClient)), ResultStatus::Ok);
    for (int i = 0; i < 4; ++i)
        QCOMPARE(statusOf(bench.modify("wrong", kClient)), ResultStatus::AuthFailed);
    QCOMPARE(statusOf(bench.modify(FleetFactory::kGeneratedPassword, kClient)), ResultStatus::Ok);
    // A challenge taken before the lockout does not get round it.
    const auto early = bench.challenge(Purpose::Modify, FleetFactory::kGeneratedPassword, kClient);
    for (int i = 0; i < 5; ++i)
        bench.modify("wrong", kClient);
    QCOMPARE(statusOf(bench.send(bench.modifyBytes(*early, early->key), kClient)), ResultStatus::Locked);
}

void TestLumoSecurity::deviceWideLimitCoversManyAddresses()
{
    // Guesses from ever new (spoofed) addresses: no address reaches five failures,
    // yet the device takes no more than its per-second limit.
    Bench bench;
    for (uint32_t i = 0; i < AttemptLimiter::kDeviceFailuresPerSecond; ++i)
        QCOMPARE(statusOf(bench.modify("wrong", kAttacker + 1 + i)), ResultStatus::AuthFailed);
    const ResultMessage refused = resultOf(bench.modify(FleetFactory::kGeneratedPassword, kClient));
    QCOMPARE(refused.status, ResultStatus::Locked);
    QCOMPARE(int(refused.waitSeconds), 1);
    bench.now += std::chrono::milliseconds(1100);
    QCOMPARE(statusOf(bench.modify(FleetFactory::kGeneratedPassword, kClient)), ResultStatus::Ok);
}

void TestLumoSecurity::guessesOfADayAreBoundedWhateverTheAddresses()
{
    // A guesser on ever new addresses tries as fast as the device lets it, for a
    // day; then stops, and the installer's right password gets through within
    // a minute.
    AttemptLimiter limiter;
    const auto start = AttemptLimiter::Clock::now();
    auto now = start;
    uint32_t nAddress = 0x0B000000;
    size_t nEvaluated = 0;
    for (; now < start + std::chrono::hours(24); now += std::chrono::milliseconds(50)) {
        if (limiter.secondsRefused(++nAddress, now) != 0)
            continue;
        limiter.failed(nAddress, now);
        ++nEvaluated;
    }
    qInfo("failed guesses evaluated in a day: %zu", nEvaluated);
    QVERIFY2(nEvaluated <= size_t(AttemptLimiter::kFailureBudget) + 24 * 60 + 1, qPrintable(QString::number(nEvaluated)));
    QVERIFY(nEvaluated >= size_t(AttemptLimiter::kFailureBudget));
    const uint32_t nWait = limiter.secondsRefused(kClient, now);
    QVERIFY2(nWait >= 1 && nWait <= 60, qPrintable(QString::number(nWait)));
    QCOMPARE(limiter.secondsRefused(kClient, now + std::chrono::seconds(nWait)), 0u);
}

void TestLumoSecurity::lockoutRenewedForHoursEndsAMinuteAfterTheAttack()
{
    // An attacker under the installer's address renews its lockout the moment
    // it ends, for two hours; the device's budget runs dry on the way. Once the
    // attacker stops, the installer waits at most one lockout.
    AttemptLimiter limiter;
    auto now = AttemptLimiter::Clock::now();
    const auto end = now + std::chrono::hours(2);
    int nRenewals = 0;
    auto lastFailure = now;
    for (; now < end; now += std::chrono::seconds(1)) {
        if (limiter.secondsRefused(kClient, now) != 0)
            continue;
        for (int i = 0; i < AttemptLimiter::kFailuresToLock; ++i)
            limiter.failed(kClient, now);
        lastFailure = now;
        ++nRenewals;
    }
    const uint32_t nWait = limiter.secondsRefused(kClient, lastFailure);
    qInfo("%d renewals in two hours; the installer waits %u s after the last", nRenewals, nWait);
    QVERIFY(nRenewals > 60);
    QVERIFY2(nWait >= 1 && nWait <= 60, qPrintable(QString::number(nWait)));
    QCOMPARE(limiter.secondsRefused(kClient, lastFailure + std::chrono::seconds(60)), 0u);
}

void TestLumoSecurity::challengeFloodFromOneAddressSparesAnother()
{
    Bench bench;
    const auto exchange = bench.challenge(Purpose::Modify, FleetFactory::kGeneratedPassword, kClient);
    ChallengeRequestMessage flood{Purpose::Modify, bench.device.info.mac, {}, {}};
    // A second's worth of the flood that blocked every command: the device answers
    // only as many as a client could need and keeps the flooder's last 8.
    size_t nAnswered = 0;
    for (uint32_t i = 0; i < 30000; ++i) {
        std::memcpy(flood.clientNonce.data(), &i, sizeof(i));
        bench.now += std::chrono::microseconds(33);
        nAnswered += bench.agent.challenge(bench.device, 1, flood, kAttacker, bench.now).empty() ? 0 : 1;
    }
    QVERIFY2(nAnswered <= 2 * size_t(DeviceAgent::kChallengesPerSecond), qPrintable(QString::number(nAnswered)));
    QCOMPARE(bench.device.challenges[kAttacker].issued.size(), DeviceAgent::kMaxChallenges);
    QCOMPARE(statusOf(bench.send(bench.modifyBytes(*exchange, exchange->key), kClient)), ResultStatus::Ok);
}

void TestLumoSecurity::forgedRequestDoesNotSpendTheChallenge()
{
    // A datagram forged under the client's nonces and address, before the client's own request.
    Bench bench;
    const auto exchange = bench.challenge(Purpose::Modify, FleetFactory::kGeneratedPassword, kClient);
    Key junk;
    junk.fill(7);
    QCOMPARE(statusOf(bench.send(bench.modifyBytes(*exchange, junk), kClient)), ResultStatus::AuthFailed);
    const auto outcome = bench.send(bench.modifyBytes(*exchange, exchange->key), kClient);
    QCOMPARE(statusOf(outcome), ResultStatus::Ok);
    QVERIFY(outcome.bChanged);
    // Its retransmission gets the same answer and is not applied again.
    const auto again = bench.send(bench.modifyBytes(*exchange, exchange->key), kClient);
    QCOMPARE(again.reply, outcome.reply);
    QVERIFY(!again.bChanged);
}

QTEST_GUILESS_MAIN(TestLumoSecurity)
#include "tst_lumo_security.moc"
