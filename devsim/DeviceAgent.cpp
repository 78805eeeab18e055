#include "DeviceAgent.h"

#include "Crypto.h"
#include "IpAddress.h"
#include "PacketCodec.h"
#include "ResetCode.h"
#include "SecurityCode.h"

#include <algorithm>

namespace devsim {

using namespace lumo;

const Key& DeviceAgent::resetKey(SimDevice& device, uint32_t nDate)
{
    auto it = device.resetKeys.find(nDate);
    if (it == device.resetKeys.end())
        it = device.resetKeys
                 .emplace(nDate, Crypto::deriveKey(ResetCode::forDate(device.resetSecret, device.info.serial, nDate),
                                                   device.salt, device.cost.nOps, device.cost.nMemKib)
                                     .value_or(Key{}))
                 .first;
    return it->second;
}

SourceChallenges& DeviceAgent::challengesOf(SimDevice& device, uint32_t nSource, Clock::time_point now)
{
    auto it = device.challenges.find(nSource);
    if (it == device.challenges.end()) {
        if (device.challenges.size() >= kMaxChallengeSources) {
            // Room for a new address: the one whose newest challenge is oldest goes.
            const auto newest = [](const SourceChallenges& c) { return c.issued.empty() ? c.refilled : c.issued.back().issued; };
            device.challenges.erase(std::min_element(device.challenges.begin(), device.challenges.end(),
                                                     [&](const auto& a, const auto& b) { return newest(a.second) < newest(b.second); }));
        }
        it = device.challenges.emplace(nSource, SourceChallenges{{}, kChallengesPerSecond, now}).first;
    }
    auto& issued = it->second.issued;
    issued.erase(std::remove_if(issued.begin(), issued.end(),
                                [now](const IssuedChallenge& c) { return now - c.issued > kChallengeLifetime; }),
                 issued.end());
    return it->second;
}

bool DeviceAgent::takeAllowance(SourceChallenges& source, Clock::time_point now)
{
    const double dElapsed = std::chrono::duration<double>(now - source.refilled).count();
    source.dAllowance = std::min(kChallengesPerSecond, source.dAllowance + std::max(0.0, dElapsed) * kChallengesPerSecond);
    source.refilled = now;
    if (source.dAllowance < 1)
        return false;
    source.dAllowance -= 1;
    return true;
}

namespace {

ResultMessage resultFor(const SimDevice& device, Purpose purpose, const Nonce& clientNonce, const Nonce& deviceNonce,
                        ResultStatus status)
{
    ResultMessage result;
    result.purpose = purpose;
    result.mac = device.info.mac;
    result.clientNonce = clientNonce;
    result.deviceNonce = deviceNonce;
    result.status = status;
    return result;
}

} // namespace

std::vector<uint8_t> DeviceAgent::challenge(SimDevice& device, uint32_t nId, const ChallengeRequestMessage& request,
                                            uint32_t nSource, Clock::time_point now)
{
    if (const uint32_t nSeconds = device.limiter.secondsRefused(nSource, now)) {
        ResultMessage locked = resultFor(device, request.purpose, request.clientNonce, Nonce{}, ResultStatus::Locked);
        locked.waitSeconds = uint16_t(std::min<uint32_t>(nSeconds, 0xFFFF));
        return PacketCodec::encodeUntaggedResult(nId, locked);
    }
    SourceChallenges& source = challengesOf(device, nSource, now);
    auto& challenges = source.issued;
    // A retransmitted request (same client nonce) gets the same device nonce.
    auto it = std::find_if(challenges.begin(), challenges.end(), [&](const IssuedChallenge& c) {
        return c.purpose == request.purpose && c.clientNonce == request.clientNonce;
    });
    if (it == challenges.end()) {
        if (!takeAllowance(source, now))
            return {};
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
    message.opsLimit = device.cost.nOps;
    message.memLimitKib = device.cost.nMemKib;
    return PacketCodec::encodeChallenge(nId, message);
}

IssuedChallenge* DeviceAgent::findChallenge(SimDevice& device, const Request& request, Clock::time_point now)
{
    const auto it = device.challenges.find(request.nSource);
    if (it == device.challenges.end())
        return nullptr;
    for (IssuedChallenge& c : it->second.issued)
        if (c.purpose == request.purpose && c.clientNonce == request.clientNonce
            && c.deviceNonce == request.deviceNonce && now - c.issued <= kChallengeLifetime)
            return &c;
    return nullptr;
}

std::optional<DeviceAgent::Outcome> DeviceAgent::screen(SimDevice& device, IssuedChallenge* pChallenge,
                                                        const Request& request, Clock::time_point now)
{
    Outcome outcome;
    if (pChallenge == nullptr) {
        outcome.bForged = true; // unknown or expired nonce: stale, replayed or from elsewhere
        return outcome;
    }
    if (pChallenge->bConsumed) {
        // The same request again gets the kept result; a different one under a
        // used nonce is a replay attempt and gets no answer at all.
        outcome.bForged = pChallenge->requestTag != request.tag;
        if (!outcome.bForged)
            outcome.reply = pChallenge->resultPacket;
        return outcome;
    }
    if (!pChallenge->failedResult.empty() && pChallenge->failedTag == request.tag) {
        outcome.reply = pChallenge->failedResult;
        return outcome;
    }
    if (const uint32_t nSeconds = device.limiter.secondsRefused(request.nSource, now)) {
        ResultMessage locked = resultFor(device, request.purpose, request.clientNonce, request.deviceNonce,
                                         ResultStatus::Locked);
        locked.waitSeconds = uint16_t(std::min<uint32_t>(nSeconds, 0xFFFF));
        locked.requestTag = request.tag;
        outcome.reply = PacketCodec::encodeUntaggedResult(request.nId, locked);
        outcome.status = ResultStatus::Locked;
        return outcome;
    }
    return std::nullopt;
}

DeviceAgent::Outcome DeviceAgent::refuse(SimDevice& device, IssuedChallenge& challenge, const Request& request,
                                         Clock::time_point now)
{
    // Untagged: a tag under the device's key would let anyone who sent junk guess
    // the secret offline. The challenge stays usable for the client that asked for it.
    device.limiter.failed(request.nSource, now);
    ResultMessage result = resultFor(device, request.purpose, request.clientNonce, request.deviceNonce,
                                     ResultStatus::AuthFailed);
    result.requestTag = request.tag;
    challenge.failedTag = request.tag;
    challenge.failedResult = PacketCodec::encodeUntaggedResult(request.nId, result);
    Outcome outcome;
    outcome.reply = challenge.failedResult;
    outcome.status = ResultStatus::AuthFailed;
    outcome.bForged = true;
    return outcome;
}

DeviceAgent::Outcome DeviceAgent::finish(IssuedChallenge& challenge, const Request& request, const SimDevice& device,
                                         ResultStatus status, const Key& key)
{
    ResultMessage result = resultFor(device, request.purpose, challenge.clientNonce, challenge.deviceNonce, status);
    result.requestTag = request.tag;
    challenge.bConsumed = true;
    challenge.requestTag = request.tag;
    challenge.resultPacket = PacketCodec::encodeResult(request.nId, result, key);
    Outcome outcome;
    outcome.reply = challenge.resultPacket;
    outcome.status = status;
    outcome.bChanged = status == ResultStatus::Ok;
    return outcome;
}

DeviceAgent::Outcome DeviceAgent::modify(SimDevice& device, uint32_t nId, const ModifyMessage& request,
                                         const uint8_t* pRaw, size_t nRawSize, uint32_t nSource, Clock::time_point now)
{
    const Request incoming{Purpose::Modify, request.clientNonce, request.deviceNonce, request.tag, nId, nSource};
    IssuedChallenge* pChallenge = findChallenge(device, incoming, now);
    if (auto early = screen(device, pChallenge, incoming, now))
        return *early;
    const Key& key = device.passwordKey;
    if (!PacketCodec::verifyTag(pRaw, nRawSize, key))
        return refuse(device, *pChallenge, incoming, now);
    device.limiter.succeeded(nSource);
    const ResultStatus status = validate(device, request.params);
    if (status == ResultStatus::Ok)
        apply(device, request.params);
    return finish(*pChallenge, incoming, device, status, key);
}

DeviceAgent::Outcome DeviceAgent::reset(SimDevice& device, uint32_t nId, const ResetMessage& request,
                                        const uint8_t* pRaw, size_t nRawSize, uint32_t nSource, Clock::time_point now,
                                        uint32_t nToday)
{
    const Request incoming{Purpose::Reset, request.clientNonce, request.deviceNonce, request.tag, nId, nSource};
    IssuedChallenge* pChallenge = findChallenge(device, incoming, now);
    if (auto early = screen(device, pChallenge, incoming, now))
        return *early;
    for (int nDelta : {0, -1, 1}) {
        const Key key = resetKey(device, SecurityCode::addDays(nToday, nDelta));
        if (!PacketCodec::verifyTag(pRaw, nRawSize, key))
            continue;
        device.limiter.succeeded(nSource);
        device.passwordKey = device.defaultPasswordKey;
        return finish(*pChallenge, incoming, device, ResultStatus::Ok, key);
    }
    return refuse(device, *pChallenge, incoming, now);
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
