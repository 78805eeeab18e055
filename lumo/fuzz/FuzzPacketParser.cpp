// libFuzzer target for one packet parser, chosen at build time by
// LUMO_FUZZ_PARSER (Header, Inquiry, Answer, ...). Besides not crashing, a datagram
// that decodes must encode back to the same bytes: the format has one spelling.
#include "PacketCodec.h"

#include <cstdlib>
#include <cstring>
#include <type_traits>

using namespace lumo;

namespace {

std::vector<uint8_t> encodeAgain(uint32_t nId, const InquiryMessage& m) { return PacketCodec::encodeInquiry(nId, m); }
std::vector<uint8_t> encodeAgain(uint32_t nId, const AnswerMessage& m) { return PacketCodec::encodeAnswer(nId, m); }
std::vector<uint8_t> encodeAgain(uint32_t nId, const AckMessage& m) { return PacketCodec::encodeAck(nId, m); }
std::vector<uint8_t> encodeAgain(uint32_t nId, const GoodbyeMessage& m) { return PacketCodec::encodeGoodbye(nId, m); }
std::vector<uint8_t> encodeAgain(uint32_t nId, const ChallengeRequestMessage& m) { return PacketCodec::encodeChallengeRequest(nId, m); }
std::vector<uint8_t> encodeAgain(uint32_t nId, const ChallengeMessage& m) { return PacketCodec::encodeChallenge(nId, m); }
std::vector<uint8_t> encodeAgain(uint32_t nId, const ModifyMessage& m) { return PacketCodec::encodeModify(nId, m, Key{}); }
std::vector<uint8_t> encodeAgain(uint32_t nId, const ResetMessage& m) { return PacketCodec::encodeReset(nId, m, Key{}); }
std::vector<uint8_t> encodeAgain(uint32_t nId, const ResultMessage& m) { return PacketCodec::encodeResult(nId, m, Key{}); }

template <typename T>
constexpr bool isSigned()
{
    return std::is_same_v<T, ModifyMessage> || std::is_same_v<T, ResetMessage> || std::is_same_v<T, ResultMessage>;
}

template <typename Message, typename Decode>
void checkRoundTrip(const uint8_t* pData, size_t nSize, Decode decode)
{
    Message message;
    if (decode(pData, nSize, &message) != DecodeError::None)
        return;
    Header header;
    if (PacketCodec::decodeHeader(pData, nSize, &header) != DecodeError::None)
        std::abort();
    const std::vector<uint8_t> again = encodeAgain(header.transactionId, message);
    // Signed messages are compared without their tag, which depends on the key.
    const size_t nCompared = isSigned<Message>() ? nSize - kTagSize : nSize;
    if (again.size() != nSize || std::memcmp(again.data(), pData, nCompared) != 0)
        std::abort();
}

} // namespace

#define LUMO_CONCAT_INNER(a, b) a##b
#define LUMO_CONCAT(a, b) LUMO_CONCAT_INNER(a, b)
#define LUMO_IS_HEADER_Header 1
#define LUMO_IS_HEADER(x) LUMO_CONCAT(LUMO_IS_HEADER_, x)

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t nSize)
{
#if LUMO_IS_HEADER(LUMO_FUZZ_PARSER) == 1
    Header header;
    PacketCodec::decodeHeader(pData, nSize, &header);
#else
    checkRoundTrip<LUMO_CONCAT(LUMO_FUZZ_PARSER, Message)>(pData, nSize, &PacketCodec::LUMO_CONCAT(decode, LUMO_FUZZ_PARSER));
#endif
    return 0;
}
