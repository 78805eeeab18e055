// The simulated device's command handling, fleet files and options, without sockets.
#include "DeviceAgent.h"
#include "FleetFactory.h"
#include "FleetStore.h"
#include "IpAddress.h"
#include "PacketCodec.h"
#include "MakerCodeService.h"
#include "SecurityCode.h"
#include "SimOptions.h"
#include "UtcCalendar.h"
#include "Crypto.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QtTest>

#include <fstream>
#include <set>

using namespace devsim;
using namespace lumo;
using namespace std::chrono_literals;

namespace {

constexpr uint32_t kSource = 0x0A000001; // 10.0.0.1

struct Exchange
{
    ChallengeMessage challenge;
    Key key{};
};

// The client side of a challenge, as the library does it.
Exchange challengeFor(DeviceAgent& agent, SimDevice& device, Purpose purpose, const std::string& strSecret,
                      DeviceAgent::Clock::time_point now)
{
    ChallengeRequestMessage request;
    request.purpose = purpose;
    request.mac = device.info.mac;
    request.serial = device.info.serial;
    Crypto::randomBytes(request.clientNonce.data(), request.clientNonce.size());
    const auto bytes = agent.challenge(device, 1, request, kSource, now);
    Exchange exchange;
    PacketCodec::decodeChallenge(bytes.data(), bytes.size(), &exchange.challenge);
    exchange.key = *Crypto::deriveKey(strSecret, exchange.challenge.salt, exchange.challenge.opsLimit,
                                      exchange.challenge.memLimitKib);
    return exchange;
}

ModifyMessage modifyRequest(const Exchange& exchange, const char* pAddress, const char* pMask, const char* pGateway, uint16_t nPort)
{
    ModifyMessage request;
    request.mac = exchange.challenge.mac;
    request.clientNonce = exchange.challenge.clientNonce;
    request.deviceNonce = exchange.challenge.deviceNonce;
    request.params.ipv4Address = IpAddress::parseIpv4(pAddress).value_or(0);
    request.params.ipv4Mask = IpAddress::parseIpv4(pMask).value_or(0);
    request.params.ipv4Gateway = IpAddress::parseIpv4(pGateway).value_or(0);
    request.params.port = nPort;
    return request;
}

DeviceAgent::Outcome sendModify(DeviceAgent& agent, SimDevice& device, const Exchange& exchange,
                                const ModifyMessage& request, DeviceAgent::Clock::time_point now)
{
    const auto bytes = PacketCodec::encodeModify(1, request, exchange.key);
    ModifyMessage decoded;
    PacketCodec::decodeModify(bytes.data(), bytes.size(), &decoded);
    return agent.modify(device, 1, decoded, bytes.data(), bytes.size(), kSource, now);
}

DeviceAgent::Outcome sendReset(DeviceAgent& agent, SimDevice& device, const Exchange& exchange, uint32_t nToday,
                               DeviceAgent::Clock::time_point now)
{
    ResetMessage request;
    request.mac = device.info.mac;
    request.serial = device.info.serial;
    request.clientNonce = exchange.challenge.clientNonce;
    request.deviceNonce = exchange.challenge.deviceNonce;
    const auto bytes = PacketCodec::encodeReset(1, request, exchange.key);
    ResetMessage decoded;
    PacketCodec::decodeReset(bytes.data(), bytes.size(), &decoded);
    return agent.reset(device, 1, decoded, bytes.data(), bytes.size(), kSource, now, nToday);
}

ResultStatus statusOf(const DeviceAgent::Outcome& outcome)
{
    ResultMessage result;
    if (PacketCodec::decodeResult(outcome.reply.data(), outcome.reply.size(), &result) != DecodeError::None)
        return ResultStatus(255);
    return result.status;
}

// Devices keep passwords only as keys: whether this password gives the device's key.
bool hasPassword(const SimDevice& device, const char* pPassword)
{
    return Crypto::deriveKey(pPassword, device.salt, device.cost.nOps, device.cost.nMemKib) == device.passwordKey;
}

SimDevice testDevice()
{
    return FleetFactory::generated(1, "2024-05-01 08:00:00").front();
}

} // namespace

class TestLumoDevsim : public QObject
{
    Q_OBJECT

private slots:
    void utcCalendar_data();
    void utcCalendar();
    void challengeIsStableForRetransmission();
    void modifyWithRightPasswordApplies();
    void retransmittedModifyIsAnsweredButNotReapplied();
    void modifyWithWrongPasswordIsRefused();
    void modifyWithInvalidValuesIsRefused();
    void ipv6NeedsTheCapability();
    void ipv6IsLeftAloneOrRefusedWhole_data();
    void ipv6IsLeftAloneOrRefusedWhole();
    void expiredChallengeGetsNoAnswer();
    void resetAcceptsCodesOfOneDayEitherSide();
    void resetRefusesOlderCodes();
    void fleetSurvivesSaveAndLoad();
    void badFleetFilesAreRefused();
    void stateFileIsPrivateWithoutSecretsInClear();
    void demoFleetCoversEveryKindOfRow();
    void optionsParse();
};

void TestLumoDevsim::challengeIsStableForRetransmission()
{
    DeviceAgent agent;
    SimDevice device = testDevice();
    ChallengeRequestMessage request;
    request.purpose = Purpose::Modify;
    request.mac = device.info.mac;
    request.clientNonce.fill(1);
    const auto now = DeviceAgent::Clock::now();
    const auto first = agent.challenge(device, 1, request, kSource, now);
    QCOMPARE(agent.challenge(device, 1, request, kSource, now), first);
    request.clientNonce.fill(2);
    QVERIFY(agent.challenge(device, 1, request, kSource, now) != first);
    for (int i = 0; i < 20; ++i) {
        request.clientNonce.fill(uint8_t(10 + i));
        agent.challenge(device, 1, request, kSource, now);
    }
    QCOMPARE(device.challenges[kSource].issued.size(), DeviceAgent::kMaxChallenges);
}

void TestLumoDevsim::modifyWithRightPasswordApplies()
{
    DeviceAgent agent;
    SimDevice device = testDevice();
    const auto now = DeviceAgent::Clock::now();
    const Exchange exchange = challengeFor(agent, device, Purpose::Modify, FleetFactory::kGeneratedPassword, now);
    const auto outcome = sendModify(agent, device, exchange, modifyRequest(exchange, "10.1.0.64", "255.255.255.0", "10.1.0.1", 8080), now);
    QCOMPARE(statusOf(outcome), ResultStatus::Ok);
    QVERIFY(outcome.bChanged);
    QVERIFY(PacketCodec::verifyTag(outcome.reply.data(), outcome.reply.size(), exchange.key));
    QCOMPARE(IpAddress::formatIpv4(device.info.ipv4Address), std::string("10.1.0.64"));
    QCOMPARE(IpAddress::formatIpv4(device.info.ipv4Gateway), std::string("10.1.0.1"));
    QCOMPARE(device.info.port, uint16_t(8080));
}

void TestLumoDevsim::retransmittedModifyIsAnsweredButNotReapplied()
{
    DeviceAgent agent;
    SimDevice device = testDevice();
    const auto now = DeviceAgent::Clock::now();
    const Exchange exchange = challengeFor(agent, device, Purpose::Modify, FleetFactory::kGeneratedPassword, now);
    const ModifyMessage request = modifyRequest(exchange, "10.1.0.64", "255.255.255.0", "10.1.0.1", 8000);
    const auto first = sendModify(agent, device, exchange, request, now);
    device.info.port = 9999; // a later change must survive the retransmission
    const auto again = sendModify(agent, device, exchange, request, now);
    QCOMPARE(again.reply, first.reply);
    QVERIFY(!again.bChanged);
    QCOMPARE(device.info.port, uint16_t(9999));
    // Another request under the used nonce is a replay: no answer, counted as forged.
    const auto replayed = sendModify(agent, device, exchange, modifyRequest(exchange, "10.1.0.65", "255.255.255.0", "10.1.0.1", 8000), now);
    QVERIFY(replayed.reply.empty());
    QVERIFY(replayed.bForged);
    QCOMPARE(IpAddress::formatIpv4(device.info.ipv4Address), std::string("10.1.0.64"));
}

void TestLumoDevsim::modifyWithWrongPasswordIsRefused()
{
    DeviceAgent agent;
    SimDevice device = testDevice();
    const DeviceInfo before = device.info;
    const auto now = DeviceAgent::Clock::now();
    const Exchange exchange = challengeFor(agent, device, Purpose::Modify, "guess", now);
    const auto outcome = sendModify(agent, device, exchange, modifyRequest(exchange, "10.1.0.64", "255.255.255.0", "10.1.0.1", 8000), now);
    QCOMPARE(statusOf(outcome), ResultStatus::AuthFailed);
    QVERIFY(outcome.bForged);
    QVERIFY(!outcome.bChanged);
    QVERIFY(device.info == before);
}

void TestLumoDevsim::modifyWithInvalidValuesIsRefused()
{
    DeviceAgent agent;
    SimDevice device = testDevice();
    const DeviceInfo before = device.info;
    const auto now = DeviceAgent::Clock::now();
    const char* cases[][3] = {{"10.1.0.64", "255.255.0.255", "0.0.0.0"},
                              {"10.1.0.255", "255.255.255.0", "0.0.0.0"},
                              {"10.1.0.64", "255.255.255.0", "10.2.0.1"},
                              {"0.0.0.0", "255.255.255.0", "0.0.0.0"}};
    for (const auto& values : cases) {
        const Exchange exchange = challengeFor(agent, device, Purpose::Modify, FleetFactory::kGeneratedPassword, now);
        const auto outcome = sendModify(agent, device, exchange, modifyRequest(exchange, values[0], values[1], values[2], 8000), now);
        QCOMPARE(statusOf(outcome), ResultStatus::InvalidValue);
    }
    const Exchange exchange = challengeFor(agent, device, Purpose::Modify, FleetFactory::kGeneratedPassword, now);
    const auto outcome = sendModify(agent, device, exchange, modifyRequest(exchange, "10.1.0.64", "255.255.255.0", "", 0), now);
    QCOMPARE(statusOf(outcome), ResultStatus::InvalidValue);
    QVERIFY(device.info == before);
}

void TestLumoDevsim::ipv6NeedsTheCapability()
{
    DeviceAgent agent;
    SimDevice device = testDevice();
    device.info.capabilities = kCapabilityIpv6; // shown, not modifiable
    const auto now = DeviceAgent::Clock::now();
    Exchange exchange = challengeFor(agent, device, Purpose::Modify, FleetFactory::kGeneratedPassword, now);
    ModifyMessage request = modifyRequest(exchange, "10.1.0.64", "255.255.255.0", "10.1.0.1", 8000);
    request.params.hasIpv6 = true;
    request.params.ipv6Address = *IpAddress::parseIpv6("fd00::64");
    request.params.ipv6PrefixLength = 64;
    QCOMPARE(statusOf(sendModify(agent, device, exchange, request, now)), ResultStatus::Unsupported);
    device.info.capabilities = kCapabilityIpv6 | kCapabilityIpv6Modifiable;
    exchange = challengeFor(agent, device, Purpose::Modify, FleetFactory::kGeneratedPassword, now);
    request.clientNonce = exchange.challenge.clientNonce;
    request.deviceNonce = exchange.challenge.deviceNonce;
    QCOMPARE(statusOf(sendModify(agent, device, exchange, request, now)), ResultStatus::Ok);
    QCOMPARE(IpAddress::formatIpv6(device.info.ipv6Address), std::string("fd00::64"));
}

void TestLumoDevsim::ipv6IsLeftAloneOrRefusedWhole_data()
{
    QTest::addColumn<int>("capabilities");
    QTest::addColumn<QByteArray>("ipv6");
    QTest::addColumn<int>("prefix");
    QTest::addColumn<int>("status");
    const int nModifiable = kCapabilityIpv6 | kCapabilityIpv6Modifiable;
    const int nOk = int(ResultStatus::Ok);
    const int nInvalid = int(ResultStatus::InvalidValue);
    QTest::newRow("no address, prefix 0, no IPv6") << 0 << QByteArray() << 0 << nOk;
    QTest::newRow("no address, prefix 0, modifiable") << nModifiable << QByteArray() << 0 << nOk;
    QTest::newRow("no address, prefix 64, shown only") << int(kCapabilityIpv6) << QByteArray() << 64 << nOk;
    QTest::newRow("address, prefix 0") << nModifiable << QByteArray("fd00::64") << 0 << nInvalid;
    QTest::newRow("address, prefix 129") << nModifiable << QByteArray("fd00::64") << 129 << nInvalid;
    QTest::newRow("address, prefix 128") << nModifiable << QByteArray("fd00::64") << 128 << nOk;
}

void TestLumoDevsim::ipv6IsLeftAloneOrRefusedWhole()
{
    // An empty IPv6 address leaves the device's IPv6 settings as they are whatever
    // the prefix length; a prefix the device refuses fails the whole modify.
    QFETCH(int, capabilities);
    QFETCH(QByteArray, ipv6);
    QFETCH(int, prefix);
    QFETCH(int, status);
    DeviceAgent agent;
    SimDevice device = testDevice();
    device.info.capabilities = uint8_t(capabilities);
    device.info.ipv6Address = *IpAddress::parseIpv6("fd00:20::1");
    device.info.ipv6PrefixLength = 64;
    const DeviceInfo before = device.info;
    const auto now = DeviceAgent::Clock::now();
    const Exchange exchange = challengeFor(agent, device, Purpose::Modify, FleetFactory::kGeneratedPassword, now);
    ModifyMessage request = modifyRequest(exchange, "10.1.0.64", "255.255.255.0", "10.1.0.1", 8000);
    request.params.hasIpv6 = !ipv6.isEmpty();
    if (request.params.hasIpv6)
        request.params.ipv6Address = *IpAddress::parseIpv6(ipv6.toStdString());
    request.params.ipv6PrefixLength = uint8_t(prefix);
    const auto outcome = sendModify(agent, device, exchange, request, now);
    QCOMPARE(int(statusOf(outcome)), status);
    if (status != int(ResultStatus::Ok)) {
        QVERIFY(device.info == before);
        return;
    }
    QCOMPARE(IpAddress::formatIpv4(device.info.ipv4Address), std::string("10.1.0.64"));
    const std::string strExpected = ipv6.isEmpty() ? std::string("fd00:20::1") : ipv6.toStdString();
    QCOMPARE(IpAddress::formatIpv6(device.info.ipv6Address), strExpected);
    QCOMPARE(int(device.info.ipv6PrefixLength), ipv6.isEmpty() ? 64 : prefix);
}

void TestLumoDevsim::expiredChallengeGetsNoAnswer()
{
    DeviceAgent agent;
    SimDevice device = testDevice();
    const auto now = DeviceAgent::Clock::now();
    const Exchange exchange = challengeFor(agent, device, Purpose::Modify, FleetFactory::kGeneratedPassword, now);
    const auto later = now + DeviceAgent::kChallengeLifetime + 1s;
    const auto outcome = sendModify(agent, device, exchange, modifyRequest(exchange, "10.1.0.64", "255.255.255.0", "10.1.0.1", 8000), later);
    QVERIFY(outcome.reply.empty());
    QVERIFY(!outcome.bChanged);
}

void TestLumoDevsim::resetAcceptsCodesOfOneDayEitherSide()
{
    const uint32_t nToday = 20240301;
    for (int nDelta : {-1, 0, 1}) {
        DeviceAgent agent;
        SimDevice device = testDevice();
        const auto now = DeviceAgent::Clock::now();
        const std::string strCode = MakerCodeService::issue(device.info.serial, SecurityCode::addDays(nToday, nDelta));
        const Exchange exchange = challengeFor(agent, device, Purpose::Reset, strCode, now);
        const auto outcome = sendReset(agent, device, exchange, nToday, now);
        QCOMPARE(statusOf(outcome), ResultStatus::Ok);
        QVERIFY(PacketCodec::verifyTag(outcome.reply.data(), outcome.reply.size(), exchange.key));
        QVERIFY(hasPassword(device, FleetFactory::kDefaultPassword));
    }
}

void TestLumoDevsim::resetRefusesOlderCodes()
{
    DeviceAgent agent;
    SimDevice device = testDevice();
    const auto now = DeviceAgent::Clock::now();
    for (int nDelta : {-2, 2}) {
        const std::string strCode = MakerCodeService::issue(device.info.serial, SecurityCode::addDays(20240301, nDelta));
        const Exchange exchange = challengeFor(agent, device, Purpose::Reset, strCode, now);
        QCOMPARE(statusOf(sendReset(agent, device, exchange, 20240301, now)), ResultStatus::AuthFailed);
    }
    QVERIFY(hasPassword(device, FleetFactory::kGeneratedPassword));
}

void TestLumoDevsim::fleetSurvivesSaveAndLoad()
{
    QTemporaryDir dir;
    const std::string strPath = dir.filePath(QStringLiteral("fleet.json")).toStdString();
    const std::vector<SimDevice> fleet = FleetFactory::demo("2024-05-01 08:00:00");
    FleetStore::save(strPath, fleet);
    QVERIFY(!QFile::exists(QString::fromStdString(strPath + ".tmp")));
    const std::vector<SimDevice> loaded = FleetStore::load(strPath);
    QCOMPARE(loaded.size(), fleet.size());
    for (size_t i = 0; i < fleet.size(); ++i) {
        QVERIFY(loaded[i].info == fleet[i].info);
        QVERIFY(loaded[i].passwordKey == fleet[i].passwordKey);
        QVERIFY(loaded[i].defaultPasswordKey == fleet[i].defaultPasswordKey);
        QVERIFY(loaded[i].resetSecret == fleet[i].resetSecret);
        QVERIFY(loaded[i].salt == fleet[i].salt);
    }
    // Saving over an existing file replaces it whole.
    std::vector<SimDevice> changed = loaded;
    changed[0].info.port = 9000;
    FleetStore::save(strPath, changed);
    QCOMPARE(FleetStore::load(strPath)[0].info.port, uint16_t(9000));
    // A save that fails leaves the state as it was and no temporary file behind.
    const QString strBlocked = dir.filePath(QStringLiteral("blocked"));
    QVERIFY(QDir().mkdir(strBlocked)); // the rename onto a directory fails
    QVERIFY_THROWS_EXCEPTION(std::exception, FleetStore::save(strBlocked.toStdString(), fleet));
    QVERIFY(QFileInfo(strBlocked).isDir());
    QVERIFY(!QFile::exists(strBlocked + QStringLiteral(".tmp")));
    QCOMPARE(FleetStore::load(strPath)[0].info.port, uint16_t(9000));
}

void TestLumoDevsim::stateFileIsPrivateWithoutSecretsInClear()
{
    QTemporaryDir dir;
    const QString strPath = dir.filePath(QStringLiteral("fleet.json"));
    QFile file(strPath);
    QVERIFY(file.open(QIODevice::WriteOnly)); // an existing file, readable by everyone
    file.close();
    QVERIFY(QFile::setPermissions(strPath, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther));
    std::vector<SimDevice> fleet = FleetFactory::demo("2024-05-01 08:00:00");
    FleetStore::save(strPath.toStdString(), fleet);
#if !defined(Q_OS_WIN) // Windows keeps access in ACLs, which the permission bits do not show
    QCOMPARE(QFile::permissions(strPath) & ~(QFile::ReadUser | QFile::WriteUser), QFile::ReadOwner | QFile::WriteOwner);
#endif
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray content = file.readAll();
    QVERIFY(!content.contains(FleetFactory::kDemoPassword));
    QVERIFY(!content.contains("\"password\""));
    QVERIFY(!content.contains(QByteArray::fromStdString(MakerCodeService::issue(fleet[0].info.serial, SecurityCode::today()))));
    // The old form is read: its clear passwords become keys under its salt.
    const auto old = FleetStore::fromJson(R"({"version":1,"devices":[{"serial":"A","mac":"02:00:00:00:00:01",
        "password":"pw-old","salt":"000102030405060708090a0b0c0d0e0f"}]})");
    QVERIFY(hasPassword(old[0], "pw-old"));
    QVERIFY(old[0].resetSecret == MakerCodeService::resetSecretFor("A")); // the codes of lumo-seccode keep working
    QVERIFY(old[0].defaultPasswordKey == *Crypto::deriveKey("admin", old[0].salt, old[0].cost.nOps, old[0].cost.nMemKib));
    QVERIFY(FleetStore::toJson(old).find("pw-old") == std::string::npos);
}

void TestLumoDevsim::badFleetFilesAreRefused()
{
    QVERIFY_THROWS_EXCEPTION(std::runtime_error, FleetStore::fromJson("not json"));
    QVERIFY_THROWS_EXCEPTION(std::runtime_error, FleetStore::fromJson(R"({"version":3,"devices":[]})"));
    QVERIFY_THROWS_EXCEPTION(std::runtime_error, FleetStore::fromJson(R"({"version":1,"devices":[{"serial":"A","mac":"zz"}]})"));
    QVERIFY_THROWS_EXCEPTION(std::runtime_error, FleetStore::fromJson(R"({"version":1,"devices":[{"mac":"02:00:00:00:00:01"}]})"));
    QVERIFY_THROWS_EXCEPTION(std::runtime_error,
                             FleetStore::fromJson(R"({"version":1,"devices":[{"serial":"A","mac":"02:00:00:00:00:01","ipv4":{"address":"1.2.3"}}]})"));
    QVERIFY_THROWS_EXCEPTION(std::runtime_error,
                             FleetStore::fromJson(R"({"version":1,"devices":[{"serial":"A","mac":"02:00:00:00:00:01","port":"x"}]})"));
    QVERIFY_THROWS_EXCEPTION(std::runtime_error, FleetStore::load("/nonexistent/fleet.json"));
    QCOMPARE(FleetStore::fromJson(R"({"version":1,"devices":[{"serial":"A","mac":"02:00:00:00:00:01"}]})").size(), size_t(1));
}

void TestLumoDevsim::demoFleetCoversEveryKindOfRow()
{
    const std::vector<SimDevice> fleet = FleetFactory::demo("2024-05-01 08:00:00");
    QVERIFY(fleet.size() >= 10 && fleet.size() <= 14);
    bool bAccepted = false, bForeign = false, bReadOnly = false, bNoExtended = false, bIpv6 = false, bNoIpv6 = false;
    bool bDhcpOn = false, bDhcpOff = false;
    std::set<uint32_t> addresses;
    std::set<std::pair<std::string, MacBytes>> identities;
    size_t nSharedAddress = 0;
    for (const SimDevice& device : fleet) {
        const DeviceInfo& info = device.info;
        const bool bAcceptedModel = info.model == "K-VNT1C" || info.model == "K-VNT4C";
        bAccepted |= bAcceptedModel;
        bForeign |= !bAcceptedModel;
        bReadOnly |= info.deviceClass >= 0x9D00 && info.deviceClass <= 0x9FFF;
        bNoExtended |= info.extendedValid == 0;
        bIpv6 |= (info.capabilities & kCapabilityIpv6) != 0;
        bNoIpv6 |= (info.capabilities & kCapabilityIpv6) == 0;
        bDhcpOn |= info.ipv4Dhcp == 1;
        bDhcpOff |= (info.capabilities & kCapabilityDhcp) && info.ipv4Dhcp == 0;
        nSharedAddress += addresses.insert(info.ipv4Address).second ? 0 : 1;
        identities.insert({info.serial, info.mac});
        QVERIFY(hasPassword(device, FleetFactory::kDemoPassword));
    }
    QVERIFY(bAccepted && bForeign && bReadOnly && bNoExtended && bIpv6 && bNoIpv6 && bDhcpOn && bDhcpOff);
    QVERIFY(nSharedAddress >= 1);
    QCOMPARE(identities.size(), fleet.size());
}

void TestLumoDevsim::optionsParse()
{
    std::string strError;
    auto options = SimOptions::parse({"--demo", "--state", "/tmp/x.json"}, strError);
    QVERIFY(options.has_value());
    QVERIFY(options->bDemo);
    QCOMPARE(options->strBindAddress, std::string("127.0.0.1"));
    QCOMPARE(options->strBroadcastAddress, std::string("127.255.255.255"));
    options = SimOptions::parse({"--count", "10000", "--loss", "0.1", "--duplicate", "0.5", "--delay-ms", "20"}, strError);
    QVERIFY(options.has_value());
    QCOMPARE(options->nCount, size_t(10000));
    QCOMPARE(options->dLoss, 0.1);
    QVERIFY(options->strBindAddress.empty());
    QVERIFY(!SimOptions::parse({"--count", "10001"}, strError).has_value());
    QVERIFY(!SimOptions::parse({"--count", "0"}, strError).has_value());
    QVERIFY(!SimOptions::parse({"--loss", "1.5", "--count", "2"}, strError).has_value());
    QVERIFY(!SimOptions::parse({"--count"}, strError).has_value());
    QVERIFY(!SimOptions::parse({"--frobnicate"}, strError).has_value());
    QVERIFY(!SimOptions::parse({}, strError).has_value());
}

// The cameras' clocks: seconds since the epoch to UTC fields and back, across
// leap days, century years and before the epoch.
void TestLumoDevsim::utcCalendar_data()
{
    QTest::addColumn<qint64>("seconds");
    QTest::addColumn<QString>("utc"); // yyyy-MM-dd hh:mm:ss, weekday 0 = Sunday
    QTest::newRow("epoch") << qint64(0) << QStringLiteral("1970-01-01 00:00:00 4");
    QTest::newRow("a second before") << qint64(-1) << QStringLiteral("1969-12-31 23:59:59 3");
    QTest::newRow("leap day of 2000") << qint64(951782400) << QStringLiteral("2000-02-29 00:00:00 2");
    QTest::newRow("end of a leap year") << qint64(1735689599) << QStringLiteral("2024-12-31 23:59:59 2");
    QTest::newRow("2100, no leap year") << qint64(4107542400) << QStringLiteral("2100-03-01 00:00:00 1");
    QTest::newRow("1900") << qint64(-2208988800) << QStringLiteral("1900-01-01 00:00:00 1");
}

void TestLumoDevsim::utcCalendar()
{
    QFETCH(qint64, seconds);
    QFETCH(QString, utc);
    const std::tm parts = UtcCalendar::fromSeconds(seconds);
    QCOMPARE(QString::asprintf("%04d-%02d-%02d %02d:%02d:%02d %d", parts.tm_year + 1900, parts.tm_mon + 1, parts.tm_mday,
                               parts.tm_hour, parts.tm_min, parts.tm_sec, parts.tm_wday),
             utc);
    QCOMPARE(qint64(UtcCalendar::toSeconds(parts)), seconds);
    // Fields out of range carry over, as timegm's do: month 12 is next January.
    std::tm carried = parts;
    carried.tm_mon += 12;
    carried.tm_year -= 1;
    QCOMPARE(qint64(UtcCalendar::toSeconds(carried)), seconds);
}

QTEST_GUILESS_MAIN(TestLumoDevsim)
#include "tst_lumo_devsim.moc"
