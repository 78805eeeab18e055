#pragma once

#include <cstddef>
#include <cstdint>

namespace lumo {

// Wire constants of discovery protocol version 2 (docs/protocol.md).
constexpr uint8_t kMagic0 = 0x4C; // 'L'
constexpr uint8_t kMagic1 = 0x55; // 'U'
constexpr uint8_t kProtocolVersion = 2;
constexpr size_t kHeaderSize = 12;
constexpr size_t kMaxDatagram = 1400;
constexpr size_t kMaxPayload = kMaxDatagram - kHeaderSize;
// The longest a device refuses a requester after failed authentications.
constexpr uint32_t kMaxLockoutSeconds = 1800;
// Room for the largest datagram UDP can carry, so that an oversized one is read
// whole and refused by its size. A smaller buffer leaves the outcome to the
// system: Windows reports an error, Wine reports success with the datagram cut
// short (and has been seen to write past such a buffer).
constexpr size_t kReceiveBufferSize = 65536;

constexpr uint16_t kDefaultDevicePort = 47810;
constexpr uint16_t kDefaultClientPort = 47811;

constexpr size_t kMacSize = 6;
constexpr size_t kNonceSize = 16;
constexpr size_t kSaltSize = 16;
constexpr size_t kKeySize = 32;
constexpr size_t kTagSize = 32;

// Longest texts on the wire: one less than the report field, which keeps room for the terminator.
constexpr size_t kMaxSerialLength = 47;
constexpr size_t kMaxModelLength = 23;
constexpr size_t kMaxVersionLength = 47;
constexpr size_t kMaxStartTimeLength = 47;

constexpr size_t kMaxTargetMacs = 200;
constexpr size_t kMaxAckMacs = 200;
constexpr uint16_t kMaxAnswerWindowMs = 5000;
// Rounds 0 to 3 make every inquiry; later ones follow only while rounds still bring answers.
constexpr uint8_t kMaxInquiryRound = 15;

// Key-derivation limits a client accepts from a device's challenge: the upper
// ones so that a forged challenge cannot make the client burn seconds or
// gigabytes, the lower ones so that it cannot make the client produce a tag
// whose password is cheap to guess offline.
constexpr uint32_t kMinPwhashOps = 2;
constexpr uint32_t kMaxPwhashOps = 4;
constexpr uint32_t kMinPwhashMemKib = 8 * 1024;
constexpr uint32_t kMaxPwhashMemKib = 64 * 1024;

enum class MessageType : uint8_t {
    Inquiry = 0x01,
    Answer = 0x02,
    Ack = 0x03,
    Goodbye = 0x04,
    ChallengeRequest = 0x10,
    Challenge = 0x11,
    Modify = 0x12,
    Reset = 0x13,
    Result = 0x14,
};

enum class Purpose : uint8_t {
    Modify = 1,
    Reset = 2,
};

enum class AnswerKind : uint8_t {
    Reply = 0,
    Announce = 1,
};

enum class ResultStatus : uint8_t {
    Ok = 0,
    AuthFailed = 1,
    InvalidValue = 2,
    StaleNonce = 3,
    Unsupported = 4,
    Locked = 5, // too many failed authentications; the result says how long to wait
};

enum class DecodeError : uint8_t {
    None = 0,
    Truncated,
    Oversized,
    BadMagic,
    UnknownVersion,
    UnknownType,
    Malformed,
    Forged,
    TableFull, // a new device while the library already keeps as many as it will
    Late,      // a reply to a request sent before its device said goodbye
    Count
};

} // namespace lumo

namespace lumo {

// Capability bits of a device, as in the report.
constexpr uint8_t kCapabilityIpv6 = 0x01;
constexpr uint8_t kCapabilityIpv6Modifiable = 0x02;
constexpr uint8_t kCapabilityDhcp = 0x04;

} // namespace lumo
