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
#include <set>

using namespace devsim;
using namespace lumo;
using namespace std::chrono_literals;

namespace {

constexpr uint32_t kOps = kMinPwhashOps;
constexpr uint32_t kMemKib = kMinPwhashMemKib;
constexpr uint32_t kToday = 20240301;

struct Exchange
{
    ChallengeMessage challenge;
    Key key{};
};

Exchange challengeFor(DeviceAgent& agent, SimDevice& device, Purpose purpose, const std::string& strSecret,
                      DeviceAgent::Clock::time_point now)
{
    ChallengeRequestMessage request;
    request.purpose = purpose;
    request.mac = device.info.mac;
    request.serial = device.info.serial;
    Crypto::randomBytes(request.clientNonce.data(), request.clientNonce.size());
    const auto bytes = agent.challenge(device, 1, request, now);
    Exchange exchange;
    PacketCodec::decodeChallenge(bytes.data(), bytes.size(), &exchange.challenge);
    exchange.key = *Crypto::deriveKey(strSecret, exchange.challenge.salt, exchange.challenge.opsLimit,
                                      exchange.challenge.memLimitKib);
    return exchange;
}

DeviceAgent::Outcome sendReset(DeviceAgent& agent, SimDevice& device, const std::string& strCode,
                               DeviceAgent::Clock::time_point now)
{
    const Exchange exchange = challengeFor(agent, device, Purpose::Reset, SecurityCode::normalise(strCode), now);
    ResetMessage request;
    request.mac = device.info.mac;
    request.serial = device.info.serial;
    request.clientNonce = exchange.challenge.clientNonce;
    request.deviceNonce = exchange.challenge.deviceNonce;
    const auto bytes = PacketCodec::encodeReset(1, request, exchange.key);
    return agent.reset(device, 1, request, bytes.data(), bytes.size(), now, kToday);
}

ResultStatus statusOf(const DeviceAgent::Outcome& outcome)
{
    ResultMessage result;
    if (PacketCodec::decodeResult(outcome.reply.data(), outcome.reply.size(), &result) != DecodeError::None)
        return ResultStatus(255);
    return result.status;
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
    DeviceAgent agent(kOps, kMemKib);
    SimDevice device = FleetFactory::generated(1, "2024-05-01 08:00:00").front();
    const auto outcome = sendReset(agent, device, code.toStdString(), DeviceAgent::Clock::now());
    QCOMPARE(statusOf(outcome) == ResultStatus::Ok, restores);
    QCOMPARE(device.strPassword == FleetFactory::kDefaultPassword, restores);
}

QTEST_GUILESS_MAIN(TestLumoSecurity)
#include "tst_lumo_security.moc"
