#include "PacketCodec.h"

#include "ByteReader.h"
#include "ByteWriter.h"
#include "Crypto.h"

namespace lumo {

namespace {

constexpr uint32_t kMinTtlMs = 100;
constexpr uint32_t kMaxTtlMs = 24u * 3600u * 1000u;

bool isKnownType(uint8_t nType)
{
    switch (static_cast<MessageType>(nType)) {
    case MessageType::Inquiry:
    case MessageType::Answer:
    case MessageType::Ack:
    case MessageType::Goodbye:
    case MessageType::ChallengeRequest:
    case MessageType::Challenge:
    case MessageType::Modify:
    case MessageType::Reset:
    case MessageType::Result:
        return true;
    }
    return false;
}

bool isValidPurpose(uint8_t nPurpose)
{
    return nPurpose == uint8_t(Purpose::Modify) || nPurpose == uint8_t(Purpose::Reset);
}

bool isZeroMac(const MacBytes& mac)
{
    for (uint8_t b : mac)
        if (b != 0)
            return false;
    return true;
}

ByteWriter beginMessage(MessageType type, uint32_t nId)
{
    ByteWriter writer;
    writer.putU8(kMagic0);
    writer.putU8(kMagic1);
    writer.putU8(kProtocolVersion);
    writer.putU8(static_cast<uint8_t>(type));
    writer.putU32(nId);
    writer.putU16(0); // payload length, patched by finishMessage
    writer.putU16(0); // reserved
    return writer;
}

std::vector<uint8_t> finishMessage(ByteWriter& writer)
{
    writer.patchU16(8, static_cast<uint16_t>(writer.size() - kHeaderSize));
    return writer.take();
}

std::vector<uint8_t> finishSignedMessage(ByteWriter& writer, const Key& key)
{
    writer.patchU16(8, static_cast<uint16_t>(writer.size() + kTagSize - kHeaderSize));
    const Tag tag = Crypto::computeTag(key, writer.bytes().data(), writer.size());
    writer.putBytes(tag.data(), tag.size());
    return writer.take();
}

template <size_t N>
void putArray(ByteWriter& writer, const std::array<uint8_t, N>& bytes)
{
    writer.putBytes(bytes.data(), bytes.size());
}

template <size_t N>
void getArray(ByteReader& reader, std::array<uint8_t, N>& bytes)
{
    reader.getBytes(bytes.data(), bytes.size());
}

// Runs the header checks, then the payload reader; the reader must succeed and
// consume the payload exactly.
template <typename ReadPayload>
DecodeError decodeMessage(const uint8_t* pData, size_t nSize, MessageType expected, ReadPayload readPayload)
{
    Header header;
    const DecodeError headerError = PacketCodec::decodeHeader(pData, nSize, &header);
    if (headerError != DecodeError::None)
        return headerError;
    if (header.type != expected)
        return DecodeError::UnknownType;
    ByteReader reader(pData + kHeaderSize, nSize - kHeaderSize);
    const bool bValid = readPayload(reader);
    if (!reader.ok())
        return DecodeError::Truncated;
    if (!bValid || !reader.atEnd())
        return DecodeError::Malformed;
    return DecodeError::None;
}

void writeDeviceInfo(ByteWriter& writer, const DeviceInfo& device)
{
    putArray(writer, device.mac);
    writer.putText(device.serial);
    writer.putText(device.model);
    writer.putU32(device.ipv4Address);
    writer.putU32(device.ipv4Mask);
    writer.putU32(device.ipv4Gateway);
    writer.putU32(device.deviceClass);
    writer.putU16(device.port);
    writer.putU16(device.channelCount);
    writer.putText(device.softwareVersion);
    writer.putText(device.dspVersion);
    writer.putText(device.startTime);
    putArray(writer, device.ipv6Address);
    putArray(writer, device.ipv6Gateway);
    writer.putU8(device.ipv6PrefixLength);
    writer.putU8(device.capabilities);
    writer.putU8(device.ipv4Dhcp);
    writer.putU8(device.extendedValid);
}

bool readDeviceInfo(ByteReader& reader, DeviceInfo& device)
{
    getArray(reader, device.mac);
    device.serial = reader.getText(kMaxSerialLength);
    device.model = reader.getText(kMaxModelLength);
    device.ipv4Address = reader.getU32();
    device.ipv4Mask = reader.getU32();
    device.ipv4Gateway = reader.getU32();
    device.deviceClass = reader.getU32();
    device.port = reader.getU16();
    device.channelCount = reader.getU16();
    device.softwareVersion = reader.getText(kMaxVersionLength);
    device.dspVersion = reader.getText(kMaxVersionLength);
    device.startTime = reader.getText(kMaxStartTimeLength);
    getArray(reader, device.ipv6Address);
    getArray(reader, device.ipv6Gateway);
    device.ipv6PrefixLength = reader.getU8();
    device.capabilities = reader.getU8();
    device.ipv4Dhcp = reader.getU8();
    device.extendedValid = reader.getU8();
    return !isZeroMac(device.mac) && !device.serial.empty() && device.ipv6PrefixLength <= 128
        && device.capabilities <= 0x07 && device.ipv4Dhcp <= 1 && device.extendedValid <= 1;
}

void writeMacList(ByteWriter& writer, const std::vector<MacBytes>& macs)
{
    writer.putU16(static_cast<uint16_t>(macs.size()));
    for (const MacBytes& mac : macs)
        putArray(writer, mac);
}

bool readMacList(ByteReader& reader, std::vector<MacBytes>& macs, size_t nMaxCount)
{
    const size_t nCount = reader.getU16();
    if (nCount > nMaxCount || nCount * kMacSize > reader.remaining())
        return false;
    macs.resize(nCount);
    for (MacBytes& mac : macs)
        getArray(reader, mac);
    return true;
}

} // namespace

bool DeviceInfo::operator==(const DeviceInfo& other) const
{
    return mac == other.mac && serial == other.serial && model == other.model
        && ipv4Address == other.ipv4Address && ipv4Mask == other.ipv4Mask
        && ipv4Gateway == other.ipv4Gateway && deviceClass == other.deviceClass
        && port == other.port && channelCount == other.channelCount
        && softwareVersion == other.softwareVersion && dspVersion == other.dspVersion
        && startTime == other.startTime && ipv6Address == other.ipv6Address
        && ipv6Gateway == other.ipv6Gateway && ipv6PrefixLength == other.ipv6PrefixLength
        && capabilities == other.capabilities && ipv4Dhcp == other.ipv4Dhcp
        && extendedValid == other.extendedValid;
}

DecodeError PacketCodec::decodeHeader(const uint8_t* pData, size_t nSize, Header* pHeader)
{
    if (pData == nullptr || nSize < kHeaderSize)
        return DecodeError::Truncated;
    if (nSize > kMaxDatagram)
        return DecodeError::Oversized;
    if (pData[0] != kMagic0 || pData[1] != kMagic1)
        return DecodeError::BadMagic;
    if (pData[2] != kProtocolVersion)
        return DecodeError::UnknownVersion;
    if (!isKnownType(pData[3]))
        return DecodeError::UnknownType;
    ByteReader reader(pData + 4, kHeaderSize - 4);
    const uint32_t nId = reader.getU32();
    const size_t nPayloadLength = reader.getU16();
    const uint16_t nReserved = reader.getU16();
    if (nPayloadLength > nSize - kHeaderSize)
        return DecodeError::Truncated;
    if (nPayloadLength < nSize - kHeaderSize || nReserved != 0)
        return DecodeError::Malformed;
    pHeader->type = static_cast<MessageType>(pData[3]);
    pHeader->transactionId = nId;
    return DecodeError::None;
}

std::vector<uint8_t> PacketCodec::encodeInquiry(uint32_t nId, const InquiryMessage& message)
{
    ByteWriter writer = beginMessage(MessageType::Inquiry, nId);
    writer.putU8(message.round);
    writer.putU16(message.windowMs);
    writer.putU8(0); // flags
    writeMacList(writer, message.targets);
    return finishMessage(writer);
}

DecodeError PacketCodec::decodeInquiry(const uint8_t* pData, size_t nSize, InquiryMessage* pOut)
{
    return decodeMessage(pData, nSize, MessageType::Inquiry, [pOut](ByteReader& reader) {
        pOut->round = reader.getU8();
        pOut->windowMs = reader.getU16();
        const uint8_t nFlags = reader.getU8();
        const bool bListOk = readMacList(reader, pOut->targets, kMaxTargetMacs);
        return bListOk && nFlags == 0 && pOut->round <= kMaxInquiryRound && pOut->windowMs <= kMaxAnswerWindowMs;
    });
}

std::vector<uint8_t> PacketCodec::encodeAnswer(uint32_t nId, const AnswerMessage& message)
{
    ByteWriter writer = beginMessage(MessageType::Answer, nId);
    writer.putU8(static_cast<uint8_t>(message.kind));
    writer.putU32(message.ttlMs);
    writeDeviceInfo(writer, message.device);
    return finishMessage(writer);
}

DecodeError PacketCodec::decodeAnswer(const uint8_t* pData, size_t nSize, AnswerMessage* pOut)
{
    return decodeMessage(pData, nSize, MessageType::Answer, [pOut](ByteReader& reader) {
        const uint8_t nKind = reader.getU8();
        pOut->kind = static_cast<AnswerKind>(nKind);
        pOut->ttlMs = reader.getU32();
        const bool bDeviceOk = readDeviceInfo(reader, pOut->device);
        return bDeviceOk && nKind <= uint8_t(AnswerKind::Announce) && pOut->ttlMs >= kMinTtlMs
            && pOut->ttlMs <= kMaxTtlMs;
    });
}

std::vector<uint8_t> PacketCodec::encodeAck(uint32_t nId, const AckMessage& message)
{
    ByteWriter writer = beginMessage(MessageType::Ack, nId);
    writeMacList(writer, message.macs);
    return finishMessage(writer);
}

DecodeError PacketCodec::decodeAck(const uint8_t* pData, size_t nSize, AckMessage* pOut)
{
    return decodeMessage(pData, nSize, MessageType::Ack, [pOut](ByteReader& reader) {
        return readMacList(reader, pOut->macs, kMaxAckMacs) && !pOut->macs.empty();
    });
}

std::vector<uint8_t> PacketCodec::encodeGoodbye(uint32_t nId, const GoodbyeMessage& message)
{
    ByteWriter writer = beginMessage(MessageType::Goodbye, nId);
    putArray(writer, message.mac);
    writer.putText(message.serial);
    return finishMessage(writer);
}

DecodeError PacketCodec::decodeGoodbye(const uint8_t* pData, size_t nSize, GoodbyeMessage* pOut)
{
    return decodeMessage(pData, nSize, MessageType::Goodbye, [pOut](ByteReader& reader) {
        getArray(reader, pOut->mac);
        pOut->serial = reader.getText(kMaxSerialLength);
        return !isZeroMac(pOut->mac) && !pOut->serial.empty();
    });
}

std::vector<uint8_t> PacketCodec::encodeChallengeRequest(uint32_t nId, const ChallengeRequestMessage& message)
{
    ByteWriter writer = beginMessage(MessageType::ChallengeRequest, nId);
    writer.putU8(static_cast<uint8_t>(message.purpose));
    putArray(writer, message.mac);
    writer.putText(message.serial);
    putArray(writer, message.clientNonce);
    return finishMessage(writer);
}

DecodeError PacketCodec::decodeChallengeRequest(const uint8_t* pData, size_t nSize, ChallengeRequestMessage* pOut)
{
    return decodeMessage(pData, nSize, MessageType::ChallengeRequest, [pOut](ByteReader& reader) {
        const uint8_t nPurpose = reader.getU8();
        pOut->purpose = static_cast<Purpose>(nPurpose);
        getArray(reader, pOut->mac);
        pOut->serial = reader.getText(kMaxSerialLength);
        getArray(reader, pOut->clientNonce);
        // A modify names its device by MAC, a reset by serial number.
        const bool bTargetOk = pOut->purpose == Purpose::Modify ? !isZeroMac(pOut->mac) : !pOut->serial.empty();
        return isValidPurpose(nPurpose) && bTargetOk;
    });
}

std::vector<uint8_t> PacketCodec::encodeChallenge(uint32_t nId, const ChallengeMessage& message)
{
    ByteWriter writer = beginMessage(MessageType::Challenge, nId);
    writer.putU8(static_cast<uint8_t>(message.purpose));
    putArray(writer, message.mac);
    writer.putText(message.serial);
    putArray(writer, message.clientNonce);
    putArray(writer, message.deviceNonce);
    putArray(writer, message.salt);
    writer.putU32(message.opsLimit);
    writer.putU32(message.memLimitKib);
    return finishMessage(writer);
}

DecodeError PacketCodec::decodeChallenge(const uint8_t* pData, size_t nSize, ChallengeMessage* pOut)
{
    return decodeMessage(pData, nSize, MessageType::Challenge, [pOut](ByteReader& reader) {
        const uint8_t nPurpose = reader.getU8();
        pOut->purpose = static_cast<Purpose>(nPurpose);
        getArray(reader, pOut->mac);
        pOut->serial = reader.getText(kMaxSerialLength);
        getArray(reader, pOut->clientNonce);
        getArray(reader, pOut->deviceNonce);
        getArray(reader, pOut->salt);
        pOut->opsLimit = reader.getU32();
        pOut->memLimitKib = reader.getU32();
        return isValidPurpose(nPurpose) && !isZeroMac(pOut->mac) && !pOut->serial.empty()
            && pOut->opsLimit >= kMinPwhashOps && pOut->opsLimit <= kMaxPwhashOps
            && pOut->memLimitKib >= kMinPwhashMemKib && pOut->memLimitKib <= kMaxPwhashMemKib;
    });
}

std::vector<uint8_t> PacketCodec::encodeModify(uint32_t nId, const ModifyMessage& message, const Key& key)
{
    ByteWriter writer = beginMessage(MessageType::Modify, nId);
    putArray(writer, message.mac);
    putArray(writer, message.clientNonce);
    putArray(writer, message.deviceNonce);
    const NetParams& params = message.params;
    writer.putU32(params.ipv4Address);
    writer.putU32(params.ipv4Mask);
    writer.putU32(params.ipv4Gateway);
    writer.putU16(params.port);
    writer.putU8(params.hasIpv6 ? 1 : 0);
    putArray(writer, params.ipv6Address);
    putArray(writer, params.ipv6Gateway);
    writer.putU8(params.ipv6PrefixLength);
    writer.putU8(params.option);
    return finishSignedMessage(writer, key);
}

DecodeError PacketCodec::decodeModify(const uint8_t* pData, size_t nSize, ModifyMessage* pOut)
{
    return decodeMessage(pData, nSize, MessageType::Modify, [pOut](ByteReader& reader) {
        getArray(reader, pOut->mac);
        getArray(reader, pOut->clientNonce);
        getArray(reader, pOut->deviceNonce);
        NetParams& params = pOut->params;
        params.ipv4Address = reader.getU32();
        params.ipv4Mask = reader.getU32();
        params.ipv4Gateway = reader.getU32();
        params.port = reader.getU16();
        const uint8_t nHasIpv6 = reader.getU8();
        params.hasIpv6 = nHasIpv6 == 1;
        getArray(reader, params.ipv6Address);
        getArray(reader, params.ipv6Gateway);
        params.ipv6PrefixLength = reader.getU8();
        params.option = reader.getU8();
        getArray(reader, pOut->tag);
        return !isZeroMac(pOut->mac) && nHasIpv6 <= 1 && params.ipv6PrefixLength <= 128;
    });
}

std::vector<uint8_t> PacketCodec::encodeReset(uint32_t nId, const ResetMessage& message, const Key& key)
{
    ByteWriter writer = beginMessage(MessageType::Reset, nId);
    putArray(writer, message.mac);
    writer.putText(message.serial);
    putArray(writer, message.clientNonce);
    putArray(writer, message.deviceNonce);
    return finishSignedMessage(writer, key);
}

DecodeError PacketCodec::decodeReset(const uint8_t* pData, size_t nSize, ResetMessage* pOut)
{
    return decodeMessage(pData, nSize, MessageType::Reset, [pOut](ByteReader& reader) {
        getArray(reader, pOut->mac);
        pOut->serial = reader.getText(kMaxSerialLength);
        getArray(reader, pOut->clientNonce);
        getArray(reader, pOut->deviceNonce);
        getArray(reader, pOut->tag);
        return !isZeroMac(pOut->mac) && !pOut->serial.empty();
    });
}

namespace {

ByteWriter resultWithoutTag(uint32_t nId, const ResultMessage& message)
{
    ByteWriter writer = beginMessage(MessageType::Result, nId);
    writer.putU8(static_cast<uint8_t>(message.purpose));
    putArray(writer, message.mac);
    putArray(writer, message.clientNonce);
    putArray(writer, message.deviceNonce);
    writer.putU8(static_cast<uint8_t>(message.status));
    writer.putU16(message.waitSeconds);
    putArray(writer, message.requestTag);
    return writer;
}

} // namespace

std::vector<uint8_t> PacketCodec::encodeResult(uint32_t nId, const ResultMessage& message, const Key& key)
{
    ByteWriter writer = resultWithoutTag(nId, message);
    return finishSignedMessage(writer, key);
}

std::vector<uint8_t> PacketCodec::encodeUntaggedResult(uint32_t nId, const ResultMessage& message)
{
    ByteWriter writer = resultWithoutTag(nId, message);
    const Tag zero{};
    writer.putBytes(zero.data(), zero.size());
    return finishMessage(writer);
}

DecodeError PacketCodec::decodeResult(const uint8_t* pData, size_t nSize, ResultMessage* pOut)
{
    return decodeMessage(pData, nSize, MessageType::Result, [pOut](ByteReader& reader) {
        const uint8_t nPurpose = reader.getU8();
        pOut->purpose = static_cast<Purpose>(nPurpose);
        getArray(reader, pOut->mac);
        getArray(reader, pOut->clientNonce);
        getArray(reader, pOut->deviceNonce);
        const uint8_t nStatus = reader.getU8();
        pOut->status = static_cast<ResultStatus>(nStatus);
        pOut->waitSeconds = reader.getU16();
        getArray(reader, pOut->requestTag);
        getArray(reader, pOut->tag);
        const bool bLocked = pOut->status == ResultStatus::Locked;
        return isValidPurpose(nPurpose) && nStatus <= uint8_t(ResultStatus::Locked)
            && bLocked == (pOut->waitSeconds != 0);
    });
}

bool PacketCodec::verifyTag(const uint8_t* pData, size_t nSize, const Key& key)
{
    if (nSize < kHeaderSize + kTagSize)
        return false;
    const Tag expected = Crypto::computeTag(key, pData, nSize - kTagSize);
    return Crypto::tagsEqual(expected, pData + nSize - kTagSize);
}

} // namespace lumo
