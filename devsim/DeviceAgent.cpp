#include "DeviceAgent.h"

#include "Crypto.h"
#include "IpAddress.h"
#include "PacketCodec.h"
#include "ResetCode.h"
#include "SecurityCode.h"

#include <algorithm>

namespace devsim {

using namespace lumo;

DeviceAgent::DeviceAgent(uint32_t nOpsLimit, uint32_t nMemLimitKib)
    : m_nOpsLimit(nOpsLimit), m_nMemLimitKib(nMemLimitKib)
{
}

Key DeviceAgent::derive(const std::string& strSecret, const Salt& salt) const
{
    return Crypto::deriveKey(strSecret, salt, m_nOpsLimit, m_nMemLimitKib).value_or(Key{});
}

const Key& DeviceAgent::passwordKey(SimDevice& device)
{
    if (!device.passwordKey)
        device.passwordKey = derive(device.strPassword, device.salt);
    return *device.passwordKey;
}

const Key& DeviceAgent::resetKey(SimDevice& device, uint32_t nDate)
{
    auto it = device.resetKeys.find(nDate);
    if (it == device.resetKeys.end())
        it = device.resetKeys.emplace(nDate, derive(ResetCode::forDate(device.resetSecret, device.info.serial, nDate), device.salt)).first;
    return it->second;
}

std::vector<uint8_t> DeviceAgent::challenge(SimDevice& device, uint32_t nId, const ChallengeRequestMessage& request,
                                            Clock::time_point now)
{
    auto& challenges = device.challenges;
    challenges.erase(std::remove_if(challenges.begin(), challenges.end(),
                                    [now](const IssuedChallenge& c) { return now - c.issued > kChallengeLifetime; }),
                     challenges.end());
    // A retransmitted request (same client nonce) gets the same device nonce.
    auto it = std::find_if(challenges.begin(), challenges.end(), [&](const IssuedChallenge& c) {
        return c.purpose == request.purpose && c.clientNonce == request.clientNonce;
    });
    if (it == challenges.end()) {
        IssuedChallenge issued;
        issued.purpose = request.purpose;
        issued.clientNonce = request.clientNonce;
        Crypto::randomBytes(issued.deviceNonce.data(), issued.deviceNonce.size());
        issued.issued = now;
        challenges.push_back(issued);
        if (challenges.size() > kMaxChallenges)
            challenges.pop_front();
        it = challenges.end() - 1;
    }
    ChallengeMessage message;
    message.purpose = request.purpose;
    message.mac = device.info.mac;
    message.serial = device.info.serial;
    message.clientNonce = it->clientNonce;
    message.deviceNonce = it->deviceNonce;
    message.salt = device.salt;
    message.opsLimit = m_nOpsLimit;
    message.memLimitKib = m_nMemLimitKib;
    return PacketCodec::encodeChallenge(nId, message);
}

IssuedChallenge* DeviceAgent::findChallenge(SimDevice& device, Purpose purpose, const Nonce& clientNonce,
                                            const Nonce& deviceNonce, Clock::time_point now)
{
    for (IssuedChallenge& c : device.challenges)
        if (c.purpose == purpose && c.clientNonce == clientNonce && c.deviceNonce == deviceNonce
            && now - c.issued <= kChallengeLifetime)
            return &c;
    return nullptr;
}

DeviceAgent::Outcome DeviceAgent::replay(const IssuedChallenge& challenge, const Tag& requestTag)
{
    Outcome outcome;
    if (challenge.requestTag == requestTag)
        outcome.reply = challenge.resultPacket;
    // A different request under a used nonce is a replay attempt: no answer at all.
    outcome.bForged = challenge.requestTag != requestTag;
    return outcome;
}

DeviceAgent::Outcome DeviceAgent::finish(IssuedChallenge& challenge, uint32_t nId, const SimDevice& device,
                                         ResultStatus status, const Tag& requestTag, const Key& key)
{
    ResultMessage result;
    result.purpose = challenge.purpose;
    result.mac = device.info.mac;
    result.clientNonce = challenge.clientNonce;
    result.deviceNonce = challenge.deviceNonce;
    result.status = status;
    challenge.bConsumed = true;
    challenge.requestTag = requestTag;
    challenge.resultPacket = PacketCodec::encodeResult(nId, result, key);
    Outcome outcome;
    outcome.reply = challenge.resultPacket;
    outcome.status = status;
    outcome.bChanged = status == ResultStatus::Ok;
    outcome.bForged = status == ResultStatus::AuthFailed;
    return outcome;
}

DeviceAgent::Outcome DeviceAgent::modify(SimDevice& device, uint32_t nId, const ModifyMessage& request,
                                         const uint8_t* pRaw, size_t nRawSize, Clock::time_point now)
{
    IssuedChallenge* pChallenge = findChallenge(device, Purpose::Modify, request.clientNonce, request.deviceNonce, now);
    if (pChallenge == nullptr) {
        Outcome outcome;
        outcome.bForged = true; // unknown or expired nonce: stale or replayed
        return outcome;
    }
    if (pChallenge->bConsumed)
        return replay(*pChallenge, request.tag);
    const Key& key = passwordKey(device);
    if (!PacketCodec::verifyTag(pRaw, nRawSize, key))
        return finish(*pChallenge, nId, device, ResultStatus::AuthFailed, request.tag, key);
    const ResultStatus status = validate(device, request.params);
    if (status == ResultStatus::Ok)
        apply(device, request.params);
    return finish(*pChallenge, nId, device, status, request.tag, key);
}

DeviceAgent::Outcome DeviceAgent::reset(SimDevice& device, uint32_t nId, const ResetMessage& request,
                                        const uint8_t* pRaw, size_t nRawSize, Clock::time_point now, uint32_t nToday)
{
    IssuedChallenge* pChallenge = findChallenge(device, Purpose::Reset, request.clientNonce, request.deviceNonce, now);
    if (pChallenge == nullptr) {
        Outcome outcome;
        outcome.bForged = true;
        return outcome;
    }
    if (pChallenge->bConsumed)
        return replay(*pChallenge, request.tag);
    for (int nDelta : {0, -1, 1}) {
        const Key key = resetKey(device, SecurityCode::addDays(nToday, nDelta));
        if (!PacketCodec::verifyTag(pRaw, nRawSize, key))
            continue;
        device.strPassword = device.strDefaultPassword;
        device.passwordKey.reset();
        return finish(*pChallenge, nId, device, ResultStatus::Ok, request.tag, key);
    }
    return finish(*pChallenge, nId, device, ResultStatus::AuthFailed, request.tag, resetKey(device, nToday));
}

ResultStatus DeviceAgent::validate(const SimDevice& device, const NetParams& params)
{
    if (!IpAddress::isValidHost(params.ipv4Address, params.ipv4Mask)
        || !IpAddress::isValidGateway(params.ipv4Gateway, params.ipv4Address, params.ipv4Mask) || params.port == 0)
        return ResultStatus::InvalidValue;
    if (!params.hasIpv6)
        return ResultStatus::Ok;
    const uint8_t nIpv6Bits = kCapabilityIpv6 | kCapabilityIpv6Modifiable;
    if ((device.info.capabilities & nIpv6Bits) != nIpv6Bits)
        return ResultStatus::Unsupported;
    const bool bGatewayOk = params.ipv6Gateway == Ipv6Bytes{} || IpAddress::isValidIpv6Host(params.ipv6Gateway);
    if (!IpAddress::isValidIpv6Host(params.ipv6Address) || !bGatewayOk || params.ipv6PrefixLength == 0
        || params.ipv6PrefixLength > 128)
        return ResultStatus::InvalidValue;
    return ResultStatus::Ok;
}

void DeviceAgent::apply(SimDevice& device, const NetParams& params)
{
    DeviceInfo& info = device.info;
    info.ipv4Address = params.ipv4Address;
    info.ipv4Mask = params.ipv4Mask;
    info.ipv4Gateway = params.ipv4Gateway;
    info.port = params.port;
    if (params.hasIpv6) {
        info.ipv6Address = params.ipv6Address;
        info.ipv6Gateway = params.ipv6Gateway;
        info.ipv6PrefixLength = params.ipv6PrefixLength;
    }
}

} // namespace devsim
