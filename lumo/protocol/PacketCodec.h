#pragma once

#include "Messages.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace lumo {

// Encodes and decodes datagrams of protocol version 2. Decoders check the header,
// the declared payload length against the datagram, every field length and value
// range, and that the payload is consumed exactly; anything else is an error.
class PacketCodec
{
public:
    // Header checks shared by every message; on success pHeader holds type and id.
    static DecodeError decodeHeader(const uint8_t* pData, size_t nSize, Header* pHeader);

    static std::vector<uint8_t> encodeInquiry(uint32_t nId, const InquiryMessage& message);
    static std::vector<uint8_t> encodeAnswer(uint32_t nId, const AnswerMessage& message);
    static std::vector<uint8_t> encodeAck(uint32_t nId, const AckMessage& message);
    static std::vector<uint8_t> encodeGoodbye(uint32_t nId, const GoodbyeMessage& message);
    static std::vector<uint8_t> encodeChallengeRequest(uint32_t nId, const ChallengeRequestMessage& message);
    static std::vector<uint8_t> encodeChallenge(uint32_t nId, const ChallengeMessage& message);
    // Signed messages: the tag is computed over every byte before it with the given key.
    static std::vector<uint8_t> encodeModify(uint32_t nId, const ModifyMessage& message, const Key& key);
    static std::vector<uint8_t> encodeReset(uint32_t nId, const ResetMessage& message, const Key& key);
    static std::vector<uint8_t> encodeResult(uint32_t nId, const ResultMessage& message, const Key& key);
    // A result under no key (its tag all zero): a refusal that must not carry
    // anything derived from the device's secret.
    static std::vector<uint8_t> encodeUntaggedResult(uint32_t nId, const ResultMessage& message);

    static DecodeError decodeInquiry(const uint8_t* pData, size_t nSize, InquiryMessage* pOut);
    static DecodeError decodeAnswer(const uint8_t* pData, size_t nSize, AnswerMessage* pOut);
    static DecodeError decodeAck(const uint8_t* pData, size_t nSize, AckMessage* pOut);
    static DecodeError decodeGoodbye(const uint8_t* pData, size_t nSize, GoodbyeMessage* pOut);
    static DecodeError decodeChallengeRequest(const uint8_t* pData, size_t nSize, ChallengeRequestMessage* pOut);
    static DecodeError decodeChallenge(const uint8_t* pData, size_t nSize, ChallengeMessage* pOut);
    static DecodeError decodeModify(const uint8_t* pData, size_t nSize, ModifyMessage* pOut);
    static DecodeError decodeReset(const uint8_t* pData, size_t nSize, ResetMessage* pOut);
    static DecodeError decodeResult(const uint8_t* pData, size_t nSize, ResultMessage* pOut);

    // True when the last kTagSize bytes are the keyed tag of the bytes before them.
    static bool verifyTag(const uint8_t* pData, size_t nSize, const Key& key);
};

} // namespace lumo
