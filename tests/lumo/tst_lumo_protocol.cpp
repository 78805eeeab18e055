// Message codec, parsers and the protocol's helper rules.
#include "ByteReader.h"
#include "Crypto.h"
#include "IpAddress.h"
#include "MacAddress.h"
#include "NetworkInterfaceList.h"
#include "PacketCodec.h"
#include "MakerCodeService.h"
#include "SecurityCode.h"

#include <QtTest>

using namespace lumo;

namespace {

DeviceInfo sampleDevice()
{
    DeviceInfo device;
    device.mac = {0x02, 0x4C, 0x55, 0x01, 0x02, 0x03};
    device.serial = "TL0000000042";
    device.model = "K-VNT4C";
    device.ipv4Address = *IpAddress::parseIpv4("192.168.1.64");
    device.ipv4Mask = *IpAddress::parseIpv4("255.255.255.0");
    device.ipv4Gateway = *IpAddress::parseIpv4("192.168.1.1");
    device.deviceClass = 0x9E10;
    device.port = 8000;
    device.channelCount = 4;
    device.softwareVersion = "V2.3.1";
    device.dspVersion = "V1.4.0";
    device.startTime = "2024-05-01 08:00:00";
    device.ipv6Address = *IpAddress::parseIpv6("fd00::42");
    device.ipv6Gateway = *IpAddress::parseIpv6("fd00::1");
    device.ipv6PrefixLength = 64;
    device.capabilities = 7;
    device.ipv4Dhcp = 1;
    device.extendedValid = 1;
    return device;
}

std::vector<uint8_t> sampleAnswer()
{
    AnswerMessage answer;
    answer.kind = AnswerKind::Reply;
    answer.ttlMs = 120000;
    answer.device = sampleDevice();
    return PacketCodec::encodeAnswer(77, answer);
}

Key sampleKey(uint8_t nSeed)
{
    Key key{};
    for (size_t i = 0; i < key.size(); ++i)
        key[i] = uint8_t(nSeed + i);
    return key;
}

// Sets the header's payload length to match a datagram cut or grown to nSize.
void fixLength(std::vector<uint8_t>& datagram)
{
    const size_t nPayload = datagram.size() - kHeaderSize;
    datagram[8] = uint8_t(nPayload >> 8);
    datagram[9] = uint8_t(nPayload);
}

} // namespace

class TestLumoProtocol : public QObject
{
    Q_OBJECT

private slots:
    void answerRoundTripsEveryField();
    void everyMessageRoundTrips();
    void headerErrorsAreClassified();
    void everyTruncationOfAnAnswerIsRejected();
    void trailingBytesAreRejected();
    void textsAreLengthAndCharacterChecked();
    void outOfRangeValuesAreRejected();
    void macListsAreBounded();
    void tagCoversEveryByte();
    void readerLatchesFailure();
    void ipv4ParsingIsStrict_data();
    void ipv4ParsingIsStrict();
    void addressRules();
    void macTextRoundTrips();
    void securityCodeDependsOnSerialAndDate();
    void dateArithmetic();
    void keyDerivationRespectsLimits();
    void maskFromPrefixLength_data();
    void maskFromPrefixLength();
    void loopbackIsListedButNeverBroadcastOn();
};

void TestLumoProtocol::answerRoundTripsEveryField()
{
    const std::vector<uint8_t> datagram = sampleAnswer();
    AnswerMessage decoded;
    QCOMPARE(PacketCodec::decodeAnswer(datagram.data(), datagram.size(), &decoded), DecodeError::None);
    QVERIFY(decoded.device == sampleDevice());
    QCOMPARE(decoded.ttlMs, 120000u);
    Header header;
    QCOMPARE(PacketCodec::decodeHeader(datagram.data(), datagram.size(), &header), DecodeError::None);
    QCOMPARE(header.transactionId, 77u);
    QCOMPARE(header.type, MessageType::Answer);
    DeviceInfo changed = sampleDevice();
    changed.ipv4Dhcp = 0;
    QVERIFY(changed != sampleDevice());
}

void TestLumoProtocol::everyMessageRoundTrips()
{
    InquiryMessage inquiry;
    inquiry.round = 2;
    inquiry.windowMs = 256;
    inquiry.targets = {sampleDevice().mac, {1, 2, 3, 4, 5, 6}};
    auto bytes = PacketCodec::encodeInquiry(5, inquiry);
    InquiryMessage inquiryOut;
    QCOMPARE(PacketCodec::decodeInquiry(bytes.data(), bytes.size(), &inquiryOut), DecodeError::None);
    QCOMPARE(inquiryOut.round, uint8_t(2));
    QCOMPARE(inquiryOut.windowMs, uint16_t(256));
    QVERIFY(inquiryOut.targets == inquiry.targets);

    ChallengeRequestMessage request;
    request.purpose = Purpose::Reset;
    request.serial = "TL1";
    request.clientNonce.fill(9);
    bytes = PacketCodec::encodeChallengeRequest(6, request);
    ChallengeRequestMessage requestOut;
    QCOMPARE(PacketCodec::decodeChallengeRequest(bytes.data(), bytes.size(), &requestOut), DecodeError::None);
    QCOMPARE(requestOut.serial, std::string("TL1"));
    QVERIFY(requestOut.clientNonce == request.clientNonce);

    ChallengeMessage challenge;
    challenge.purpose = Purpose::Modify;
    challenge.mac = sampleDevice().mac;
    challenge.serial = "TL1";
    challenge.deviceNonce.fill(3);
    challenge.salt.fill(4);
    challenge.opsLimit = 2;
    challenge.memLimitKib = 8192;
    bytes = PacketCodec::encodeChallenge(7, challenge);
    ChallengeMessage challengeOut;
    QCOMPARE(PacketCodec::decodeChallenge(bytes.data(), bytes.size(), &challengeOut), DecodeError::None);
    QVERIFY(challengeOut.salt == challenge.salt);
    QCOMPARE(challengeOut.memLimitKib, 8192u);

    ModifyMessage modify;
    modify.mac = sampleDevice().mac;
    modify.params.ipv4Address = 0x0A010040;
    modify.params.port = 8080;
    modify.params.hasIpv6 = true;
    modify.params.ipv6PrefixLength = 48;
    bytes = PacketCodec::encodeModify(8, modify, sampleKey(1));
    ModifyMessage modifyOut;
    QCOMPARE(PacketCodec::decodeModify(bytes.data(), bytes.size(), &modifyOut), DecodeError::None);
    QCOMPARE(modifyOut.params.ipv4Address, 0x0A010040u);
    QCOMPARE(modifyOut.params.port, uint16_t(8080));
    QVERIFY(modifyOut.params.hasIpv6);
    QVERIFY(PacketCodec::verifyTag(bytes.data(), bytes.size(), sampleKey(1)));
    QVERIFY(!PacketCodec::verifyTag(bytes.data(), bytes.size(), sampleKey(2)));

    ResetMessage reset;
    reset.mac = sampleDevice().mac;
    reset.serial = "TL1";
    bytes = PacketCodec::encodeReset(9, reset, sampleKey(5));
    ResetMessage resetOut;
    QCOMPARE(PacketCodec::decodeReset(bytes.data(), bytes.size(), &resetOut), DecodeError::None);
    QCOMPARE(resetOut.serial, std::string("TL1"));

    ResultMessage result;
    result.purpose = Purpose::Reset;
    result.mac = sampleDevice().mac;
    result.status = ResultStatus::InvalidValue;
    bytes = PacketCodec::encodeResult(10, result, sampleKey(6));
    ResultMessage resultOut;
    QCOMPARE(PacketCodec::decodeResult(bytes.data(), bytes.size(), &resultOut), DecodeError::None);
    QCOMPARE(resultOut.status, ResultStatus::InvalidValue);

    GoodbyeMessage goodbye;
    goodbye.mac = sampleDevice().mac;
    goodbye.serial = "TL1";
    bytes = PacketCodec::encodeGoodbye(0, goodbye);
    GoodbyeMessage goodbyeOut;
    QCOMPARE(PacketCodec::decodeGoodbye(bytes.data(), bytes.size(), &goodbyeOut), DecodeError::None);
    QVERIFY(goodbyeOut.mac == goodbye.mac);

    AckMessage ack;
    ack.macs = {sampleDevice().mac};
    bytes = PacketCodec::encodeAck(11, ack);
    AckMessage ackOut;
    QCOMPARE(PacketCodec::decodeAck(bytes.data(), bytes.size(), &ackOut), DecodeError::None);
    QVERIFY(ackOut.macs == ack.macs);
    // A message decoded as another type is refused.
    QCOMPARE(PacketCodec::decodeGoodbye(bytes.data(), bytes.size(), &goodbyeOut), DecodeError::UnknownType);
}

void TestLumoProtocol::headerErrorsAreClassified()
{
    std::vector<uint8_t> datagram = sampleAnswer();
    AnswerMessage out;
    auto variant = datagram;
    variant[0] = 'X';
    QCOMPARE(PacketCodec::decodeAnswer(variant.data(), variant.size(), &out), DecodeError::BadMagic);
    variant = datagram;
    variant[2] = 1; // the version before results said how long a lockout lasts
    QCOMPARE(PacketCodec::decodeAnswer(variant.data(), variant.size(), &out), DecodeError::UnknownVersion);
    variant = datagram;
    variant[3] = 0x55;
    QCOMPARE(PacketCodec::decodeAnswer(variant.data(), variant.size(), &out), DecodeError::UnknownType);
    variant = datagram;
    variant[10] = 1; // reserved
    QCOMPARE(PacketCodec::decodeAnswer(variant.data(), variant.size(), &out), DecodeError::Malformed);
    variant = datagram;
    variant[9] = uint8_t(variant[9] + 1); // claims one byte more than sent
    QCOMPARE(PacketCodec::decodeAnswer(variant.data(), variant.size(), &out), DecodeError::Truncated);
    variant = datagram;
    variant.resize(kMaxDatagram + 1, 0);
    QCOMPARE(PacketCodec::decodeAnswer(variant.data(), variant.size(), &out), DecodeError::Oversized);
    QCOMPARE(PacketCodec::decodeAnswer(nullptr, 0, &out), DecodeError::Truncated);
}

void TestLumoProtocol::everyTruncationOfAnAnswerIsRejected()
{
    const std::vector<uint8_t> datagram = sampleAnswer();
    for (size_t nSize = 0; nSize < datagram.size(); ++nSize) {
        std::vector<uint8_t> cut(datagram.begin(), datagram.begin() + long(nSize));
        AnswerMessage out;
        QVERIFY2(PacketCodec::decodeAnswer(cut.data(), cut.size(), &out) != DecodeError::None, qPrintable(QString::number(nSize)));
        if (nSize >= kHeaderSize) {
            fixLength(cut); // a consistent header over a short payload
            QVERIFY2(PacketCodec::decodeAnswer(cut.data(), cut.size(), &out) != DecodeError::None, qPrintable(QString::number(nSize)));
        }
    }
}

void TestLumoProtocol::trailingBytesAreRejected()
{
    std::vector<uint8_t> datagram = sampleAnswer();
    datagram.push_back(0);
    fixLength(datagram);
    AnswerMessage out;
    QCOMPARE(PacketCodec::decodeAnswer(datagram.data(), datagram.size(), &out), DecodeError::Malformed);
}

void TestLumoProtocol::textsAreLengthAndCharacterChecked()
{
    DeviceInfo device = sampleDevice();
    device.serial = std::string(kMaxSerialLength, 'S');
    AnswerMessage answer{AnswerKind::Reply, 1000, device};
    auto datagram = PacketCodec::encodeAnswer(1, answer);
    AnswerMessage out;
    QCOMPARE(PacketCodec::decodeAnswer(datagram.data(), datagram.size(), &out), DecodeError::None);

    answer.device.serial = std::string(kMaxSerialLength + 1, 'S');
    datagram = PacketCodec::encodeAnswer(1, answer);
    QVERIFY(PacketCodec::decodeAnswer(datagram.data(), datagram.size(), &out) != DecodeError::None);

    answer.device.serial = std::string("TL\n01");
    datagram = PacketCodec::encodeAnswer(1, answer);
    QVERIFY(PacketCodec::decodeAnswer(datagram.data(), datagram.size(), &out) != DecodeError::None);

    answer.device.serial = std::string("TL\0" "01", 5);
    datagram = PacketCodec::encodeAnswer(1, answer);
    QVERIFY(PacketCodec::decodeAnswer(datagram.data(), datagram.size(), &out) != DecodeError::None);

    answer.device.serial.clear();
    datagram = PacketCodec::encodeAnswer(1, answer);
    QCOMPARE(PacketCodec::decodeAnswer(datagram.data(), datagram.size(), &out), DecodeError::Malformed);
}

void TestLumoProtocol::outOfRangeValuesAreRejected()
{
    AnswerMessage answer{AnswerKind::Reply, 1000, sampleDevice()};
    AnswerMessage out;
    auto check = [&](const AnswerMessage& message) {
        const auto datagram = PacketCodec::encodeAnswer(1, message);
        return PacketCodec::decodeAnswer(datagram.data(), datagram.size(), &out);
    };
    QCOMPARE(check(answer), DecodeError::None);
    AnswerMessage bad = answer;
    bad.device.ipv6PrefixLength = 129;
    QCOMPARE(check(bad), DecodeError::Malformed);
    bad = answer;
    bad.device.extendedValid = 2;
    QCOMPARE(check(bad), DecodeError::Malformed);
    bad = answer;
    bad.device.capabilities = 0x08;
    QCOMPARE(check(bad), DecodeError::Malformed);
    bad = answer;
    bad.ttlMs = 0;
    QCOMPARE(check(bad), DecodeError::Malformed);
    bad = answer;
    bad.device.mac = MacBytes{};
    QCOMPARE(check(bad), DecodeError::Malformed);
    bad = answer;
    bad.kind = static_cast<AnswerKind>(9);
    QCOMPARE(check(bad), DecodeError::Malformed);

    ChallengeMessage challenge;
    challenge.mac = sampleDevice().mac;
    challenge.serial = "TL1";
    challenge.opsLimit = kMaxPwhashOps + 1; // would let a forger stall the client
    challenge.memLimitKib = 8192;
    auto datagram = PacketCodec::encodeChallenge(1, challenge);
    ChallengeMessage challengeOut;
    QCOMPARE(PacketCodec::decodeChallenge(datagram.data(), datagram.size(), &challengeOut), DecodeError::Malformed);
    // A forger must not get a tag whose password is cheap to guess offline either.
    challenge.opsLimit = 1;
    datagram = PacketCodec::encodeChallenge(1, challenge);
    QCOMPARE(PacketCodec::decodeChallenge(datagram.data(), datagram.size(), &challengeOut), DecodeError::Malformed);
    challenge.opsLimit = 2;
    challenge.memLimitKib = 8;
    datagram = PacketCodec::encodeChallenge(1, challenge);
    QCOMPARE(PacketCodec::decodeChallenge(datagram.data(), datagram.size(), &challengeOut), DecodeError::Malformed);
    challenge.memLimitKib = 8191;
    datagram = PacketCodec::encodeChallenge(1, challenge);
    QCOMPARE(PacketCodec::decodeChallenge(datagram.data(), datagram.size(), &challengeOut), DecodeError::Malformed);
    challenge.memLimitKib = 8192;
    datagram = PacketCodec::encodeChallenge(1, challenge);
    QCOMPARE(PacketCodec::decodeChallenge(datagram.data(), datagram.size(), &challengeOut), DecodeError::None);

    InquiryMessage inquiry;
    inquiry.windowMs = kMaxAnswerWindowMs + 1;
    datagram = PacketCodec::encodeInquiry(1, inquiry);
    InquiryMessage inquiryOut;
    QCOMPARE(PacketCodec::decodeInquiry(datagram.data(), datagram.size(), &inquiryOut), DecodeError::Malformed);
}

void TestLumoProtocol::macListsAreBounded()
{
    InquiryMessage inquiry;
    inquiry.targets.assign(kMaxTargetMacs, sampleDevice().mac);
    auto datagram = PacketCodec::encodeInquiry(1, inquiry);
    InquiryMessage out;
    QCOMPARE(PacketCodec::decodeInquiry(datagram.data(), datagram.size(), &out), DecodeError::None);
    QCOMPARE(out.targets.size(), kMaxTargetMacs);
    inquiry.targets.push_back(sampleDevice().mac);
    datagram = PacketCodec::encodeInquiry(1, inquiry);
    QVERIFY(PacketCodec::decodeInquiry(datagram.data(), datagram.size(), &out) != DecodeError::None);
    // A count larger than the bytes that follow.
    inquiry.targets.assign(2, sampleDevice().mac);
    datagram = PacketCodec::encodeInquiry(1, inquiry);
    datagram[kHeaderSize + 5] = 3;
    QVERIFY(PacketCodec::decodeInquiry(datagram.data(), datagram.size(), &out) != DecodeError::None);
    AckMessage ack; // an empty acknowledgement means nothing
    datagram = PacketCodec::encodeAck(1, ack);
    AckMessage ackOut;
    QCOMPARE(PacketCodec::decodeAck(datagram.data(), datagram.size(), &ackOut), DecodeError::Malformed);
}

void TestLumoProtocol::tagCoversEveryByte()
{
    ModifyMessage modify;
    modify.mac = sampleDevice().mac;
    modify.params.ipv4Address = 0x0A010040;
    const Key key = sampleKey(7);
    const auto datagram = PacketCodec::encodeModify(3, modify, key);
    QVERIFY(PacketCodec::verifyTag(datagram.data(), datagram.size(), key));
    for (size_t i = 0; i < datagram.size(); ++i) {
        auto forged = datagram;
        forged[i] ^= 0x01;
        QVERIFY2(!PacketCodec::verifyTag(forged.data(), forged.size(), key), qPrintable(QString::number(i)));
    }
    QVERIFY(!PacketCodec::verifyTag(datagram.data(), kHeaderSize, key));
}

void TestLumoProtocol::readerLatchesFailure()
{
    const uint8_t data[] = {0x01, 0x02, 0x03};
    ByteReader reader(data, sizeof(data));
    QCOMPARE(reader.getU16(), uint16_t(0x0102));
    QCOMPARE(reader.getU32(), 0u);
    QVERIFY(!reader.ok());
    QCOMPARE(reader.getU8(), uint8_t(0)); // the byte left is not handed out after a failure
    const uint8_t text[] = {5, 'a', 'b'};
    ByteReader textReader(text, sizeof(text));
    QVERIFY(textReader.getText(10).empty());
    QVERIFY(!textReader.ok());
}

void TestLumoProtocol::ipv4ParsingIsStrict_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<bool>("valid");
    QTest::newRow("plain") << QByteArray("192.168.1.64") << true;
    QTest::newRow("zeros") << QByteArray("0.0.0.0") << true;
    QTest::newRow("octet too big") << QByteArray("192.168.1.256") << false;
    QTest::newRow("three parts") << QByteArray("192.168.1") << false;
    QTest::newRow("five parts") << QByteArray("1.2.3.4.5") << false;
    QTest::newRow("four digits") << QByteArray("1.2.3.0004") << false;
    QTest::newRow("space") << QByteArray(" 1.2.3.4") << false;
    QTest::newRow("sign") << QByteArray("1.2.+3.4") << false;
    QTest::newRow("empty part") << QByteArray("1..3.4") << false;
    QTest::newRow("empty") << QByteArray("") << false;
}

void TestLumoProtocol::ipv4ParsingIsStrict()
{
    QFETCH(QByteArray, text);
    QFETCH(bool, valid);
    const auto address = IpAddress::parseIpv4(text.toStdString());
    QCOMPARE(address.has_value(), valid);
    if (valid)
        QCOMPARE(QByteArray::fromStdString(IpAddress::formatIpv4(*address)), text);
}

void TestLumoProtocol::addressRules()
{
    const auto ip = [](const char* pText) { return *IpAddress::parseIpv4(pText); };
    QVERIFY(IpAddress::isValidMask(ip("255.255.255.0")));
    QVERIFY(IpAddress::isValidMask(ip("255.255.255.252")));
    QVERIFY(!IpAddress::isValidMask(ip("255.255.255.254")));
    QVERIFY(!IpAddress::isValidMask(ip("255.0.255.0")));
    QVERIFY(!IpAddress::isValidMask(0));
    QVERIFY(IpAddress::isValidHost(ip("10.1.0.64"), ip("255.255.255.0")));
    QVERIFY(!IpAddress::isValidHost(ip("10.1.0.0"), ip("255.255.255.0")));
    QVERIFY(!IpAddress::isValidHost(ip("10.1.0.255"), ip("255.255.255.0")));
    QVERIFY(!IpAddress::isValidHost(ip("127.0.0.5"), ip("255.0.0.0")));
    QVERIFY(!IpAddress::isValidHost(ip("0.1.2.3"), ip("255.0.0.0")));
    QVERIFY(IpAddress::isValidGateway(0, ip("10.1.0.64"), ip("255.255.255.0")));
    QVERIFY(IpAddress::isValidGateway(ip("10.1.0.1"), ip("10.1.0.64"), ip("255.255.255.0")));
    QVERIFY(!IpAddress::isValidGateway(ip("10.1.1.1"), ip("10.1.0.64"), ip("255.255.255.0")));
    QVERIFY(IpAddress::isSameSubnet(ip("192.168.77.64"), ip("192.168.77.1"), ip("255.255.255.0")));
    QVERIFY(!IpAddress::isSameSubnet(ip("192.168.77.64"), ip("10.1.0.1"), ip("255.255.255.0")));
    QVERIFY(IpAddress::parseIpv6("fd00::1").has_value());
    QVERIFY(!IpAddress::parseIpv6("fd00::1::2").has_value());
    QVERIFY(!IpAddress::parseIpv6("fe80::1%eth0").has_value());
    QVERIFY(!IpAddress::isValidIpv6Host(*IpAddress::parseIpv6("ff02::1")));
    QCOMPARE(IpAddress::formatIpv6(*IpAddress::parseIpv6("FD00:0:0::42")), std::string("fd00::42"));
}

void TestLumoProtocol::macTextRoundTrips()
{
    const auto mac = MacAddress::parse("02-4c-55-0a-FF-00");
    QVERIFY(mac.has_value());
    QCOMPARE(MacAddress::format(*mac), std::string("02:4C:55:0A:FF:00"));
    QVERIFY(!MacAddress::parse("02:4C:55:0A:FF").has_value());
    QVERIFY(!MacAddress::parse("02:4C:55:0A:FF:0G").has_value());
    QVERIFY(!MacAddress::parse("02:4C:55:0A:FF:000").has_value());
    QVERIFY(!MacAddress::parse("024C550AFF00abcde").has_value());
}

void TestLumoProtocol::securityCodeDependsOnSerialAndDate()
{
    const std::string strCode = MakerCodeService::issue("TL0000000001", 20240501);
    QCOMPARE(strCode.size(), size_t(10));
    QCOMPARE(strCode.find_first_not_of("23456789ABCDEFGHJKLMNPQRSTUVWXYZ"), std::string::npos);
    QCOMPARE(MakerCodeService::issue("TL0000000001", 20240501), strCode);
    QVERIFY(MakerCodeService::issue("TL0000000001", 20240502) != strCode);
    QVERIFY(MakerCodeService::issue("TL0000000002", 20240501) != strCode);
    QCOMPARE(SecurityCode::normalise("ab cd-ef"), std::string("ABCDEF"));
}

void TestLumoProtocol::dateArithmetic()
{
    QCOMPARE(SecurityCode::addDays(20240229, 1), 20240301u);
    QCOMPARE(SecurityCode::addDays(20240301, -1), 20240229u);
    QCOMPARE(SecurityCode::addDays(20231231, 1), 20240101u);
    QCOMPARE(SecurityCode::addDays(20240101, -1), 20231231u);
    QCOMPARE(SecurityCode::addDays(20230228, 1), 20230301u);
    QVERIFY(SecurityCode::parseDate("20240229").has_value());
    QVERIFY(!SecurityCode::parseDate("20230229").has_value());
    QVERIFY(!SecurityCode::parseDate("20241301").has_value());
    QVERIFY(!SecurityCode::parseDate("2024051").has_value());
    QVERIFY(!SecurityCode::parseDate("2024-5-1").has_value());
    QVERIFY(SecurityCode::parseDate(std::to_string(SecurityCode::today())).has_value());
}

void TestLumoProtocol::keyDerivationRespectsLimits()
{
    Salt salt{};
    salt.fill(1);
    const auto key = Crypto::deriveKey("secret", salt, kMinPwhashOps, kMinPwhashMemKib);
    QVERIFY(key.has_value());
    QVERIFY(Crypto::deriveKey("secret", salt, kMinPwhashOps, kMinPwhashMemKib) == key);
    QVERIFY(Crypto::deriveKey("secret2", salt, kMinPwhashOps, kMinPwhashMemKib) != key);
    salt.fill(2);
    QVERIFY(Crypto::deriveKey("secret", salt, kMinPwhashOps, kMinPwhashMemKib) != key);
    QVERIFY(!Crypto::deriveKey("secret", salt, kMaxPwhashOps + 1, kMinPwhashMemKib).has_value());
    QVERIFY(!Crypto::deriveKey("secret", salt, kMinPwhashOps, kMaxPwhashMemKib + 1).has_value());
    // Below the floor: a forged challenge cannot make the key cheap.
    QVERIFY(!Crypto::deriveKey("secret", salt, 1, kMinPwhashMemKib).has_value());
    QVERIFY(!Crypto::deriveKey("secret", salt, kMinPwhashOps, 64).has_value());
}

void TestLumoProtocol::maskFromPrefixLength_data()
{
    QTest::addColumn<int>("prefix");
    QTest::addColumn<QString>("mask");
    QTest::newRow("none") << 0 << "0.0.0.0";
    QTest::newRow("one bit") << 1 << "128.0.0.0";
    QTest::newRow("loopback") << 8 << "255.0.0.0";
    QTest::newRow("class C") << 24 << "255.255.255.0";
    QTest::newRow("point to point") << 31 << "255.255.255.254";
    QTest::newRow("host") << 32 << "255.255.255.255";
    QTest::newRow("past 32") << 33 << "0.0.0.0";
    QTest::newRow("IPv6-sized") << 64 << "0.0.0.0";
}

// The Windows adapter list reports prefix lengths; a shift by 32 would be undefined.
void TestLumoProtocol::maskFromPrefixLength()
{
    QFETCH(int, prefix);
    QFETCH(QString, mask);
    const uint32_t nMask = NetworkInterfaceList::maskFromPrefixLength(static_cast<unsigned long>(prefix));
    QCOMPARE(QString::fromStdString(IpAddress::formatIpv4(nMask)), mask);
}

void TestLumoProtocol::loopbackIsListedButNeverBroadcastOn()
{
    const std::vector<NetworkInterface> all = NetworkInterfaceList::enumerate();
    const auto loopback = std::find_if(all.begin(), all.end(),
                                       [](const NetworkInterface& entry) { return entry.address == 0x7F000001u; });
    QVERIFY(loopback != all.end());
    QVERIFY(loopback->bLoopback);
    QCOMPARE(loopback->netmask, 0xFF000000u);
    const std::string strLine = NetworkInterfaceList::describe(*loopback);
    QVERIFY2(strLine.find(" address 127.0.0.1 mask 255.0.0.0 loopback") != std::string::npos, strLine.c_str());
    for (const NetworkInterface& entry : NetworkInterfaceList::broadcastCapable())
        QVERIFY(!entry.bLoopback && entry.address != 0x7F000001u);
}

QTEST_GUILESS_MAIN(TestLumoProtocol)
#include "tst_lumo_protocol.moc"
