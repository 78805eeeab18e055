#pragma once

#include "ProtocolConstants.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace lumo {

using MacBytes = std::array<uint8_t, kMacSize>;
using Nonce = std::array<uint8_t, kNonceSize>;
using Salt = std::array<uint8_t, kSaltSize>;
using Key = std::array<uint8_t, kKeySize>;
using Tag = std::array<uint8_t, kTagSize>;
using Ipv6Bytes = std::array<uint8_t, 16>;

// Records of the messages of protocol version 2; byte layouts are in docs/protocol.md.

struct Header
{
    MessageType type = MessageType::Inquiry;
    uint32_t transactionId = 0;
};

// Everything a device tells about itself.
struct DeviceInfo
{
    MacBytes mac{};
    std::string serial;
    std::string model;
    uint32_t ipv4Address = 0;
    uint32_t ipv4Mask = 0;
    uint32_t ipv4Gateway = 0;
    uint32_t deviceClass = 0;
    uint16_t port = 0;
    uint16_t channelCount = 0;
    std::string softwareVersion;
    std::string dspVersion;
    std::string startTime;
    Ipv6Bytes ipv6Address{};
    Ipv6Bytes ipv6Gateway{};
    uint8_t ipv6PrefixLength = 0;
    uint8_t capabilities = 0;
    uint8_t ipv4Dhcp = 0;
    uint8_t extendedValid = 0;

    bool operator==(const DeviceInfo& other) const;
    bool operator!=(const DeviceInfo& other) const { return !(*this == other); }
};

struct InquiryMessage
{
    uint8_t round = 0;
    uint16_t windowMs = 0;
    std::vector<MacBytes> targets; // empty: every device answers
};

struct AnswerMessage
{
    AnswerKind kind = AnswerKind::Reply;
    uint32_t ttlMs = 0;
    DeviceInfo device;
};

struct AckMessage
{
    std::vector<MacBytes> macs;
};

struct GoodbyeMessage
{
    MacBytes mac{};
    std::string serial;
};

struct ChallengeRequestMessage
{
    Purpose purpose = Purpose::Modify;
    MacBytes mac{};       // all zero when the target is named by serial
    std::string serial;   // empty when the target is named by MAC
    Nonce clientNonce{};
};

struct ChallengeMessage
{
    Purpose purpose = Purpose::Modify;
    MacBytes mac{};
    std::string serial;
    Nonce clientNonce{};
    Nonce deviceNonce{};
    Salt salt{};
    uint32_t opsLimit = 0;
    uint32_t memLimitKib = 0;
};

struct NetParams
{
    uint32_t ipv4Address = 0;
    uint32_t ipv4Mask = 0;
    uint32_t ipv4Gateway = 0;
    uint16_t port = 0;
    bool hasIpv6 = false;
    Ipv6Bytes ipv6Address{};
    Ipv6Bytes ipv6Gateway{};
    uint8_t ipv6PrefixLength = 0;
    uint8_t option = 0;
};

struct ModifyMessage
{
    MacBytes mac{};
    Nonce clientNonce{};
    Nonce deviceNonce{};
    NetParams params;
    Tag tag{};
};

struct ResetMessage
{
    MacBytes mac{};
    std::string serial;
    Nonce clientNonce{};
    Nonce deviceNonce{};
    Tag tag{};
};

struct ResultMessage
{
    Purpose purpose = Purpose::Modify;
    MacBytes mac{};
    Nonce clientNonce{};
    Nonce deviceNonce{};
    ResultStatus status = ResultStatus::Ok;
    uint16_t waitSeconds = 0; // status Locked only: how long the requester is refused
    Tag requestTag{};         // the tag of the request answered; zero for a challenge request
    Tag tag{};                // zero in an untagged result
};

} // namespace lumo
