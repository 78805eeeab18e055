#include "Discovery.h"

#include "Crypto.h"
#include "IpAddress.h"
#include "MacAddress.h"
#include "PacketCodec.h"
#include "ReportBuilder.h"
#include "SecurityCode.h"

#include <asio/post.hpp>

#include <algorithm>
#include <cstring>

namespace lumo {

namespace {

// Inquiry rounds: each round widens the answer window eightfold; devices already
// acknowledged stay silent, so later rounds only carry the answers lost before.
// After the first four, rounds go on while they still bring answers (a lossy
// network), until three in a row bring none or the round numbers run out. Each
// round goes out three times: one lost datagram would silence a whole round, and a
// device answers a round it hears more than once only once.
constexpr int kInquiryRounds = 4;
constexpr int kSilentRoundsToStop = 3;
constexpr int kCopiesOfEachRound = 3;
constexpr uint16_t kMinFirstWindowMs = 4;
constexpr uint16_t kMaxFirstWindowMs = 500;
constexpr uint16_t kMaxWindowMs = 2000;
constexpr std::chrono::milliseconds kRoundGuard{150};
constexpr std::chrono::milliseconds kAckDelay{10};
constexpr std::chrono::milliseconds kSweepInterval{100};
constexpr uint16_t kProbeWindowMs = 50;
// Replies to an inquiry arrive within its rounds (at most about 7 s), to a probe within 50 ms.
constexpr std::chrono::seconds kRequestMemory{15};

std::string boundedText(const char* pText, size_t nMaxLength)
{
    if (pText == nullptr)
        return {};
    size_t nLength = 0;
    while (nLength < nMaxLength && pText[nLength] != '\0')
        ++nLength;
    return std::string(pText, nLength);
}

template <size_t N>
std::string fieldText(const char (&field)[N])
{
    return boundedText(field, N);
}

// The texts of a parameter block as parameters; nullopt when one does not parse.
std::optional<NetParams> parseParams(const LUMO_NET_PARAM_BLOCK& block)
{
    NetParams params;
    const auto address = IpAddress::parseIpv4(fieldText(block.ipv4Address));
    const auto mask = IpAddress::parseIpv4(fieldText(block.ipv4Mask));
    const std::string strGateway = fieldText(block.ipv4Gateway);
    const auto gateway = strGateway.empty() ? std::optional<uint32_t>(0) : IpAddress::parseIpv4(strGateway);
    if (!address || !mask || !gateway)
        return std::nullopt;
    params.ipv4Address = *address;
    params.ipv4Mask = *mask;
    params.ipv4Gateway = *gateway;
    params.port = block.port;
    params.option = block.optionByte;
    const std::string strIpv6 = fieldText(block.ipv6Address);
    const std::string strIpv6Gateway = fieldText(block.ipv6Gateway);
    // Without an IPv6 address the device keeps its IPv6 settings: whatever prefix
    // length the block holds is not sent, so it cannot make the request malformed.
    if (!strIpv6.empty()) {
        const auto ipv6 = IpAddress::parseIpv6(strIpv6);
        const auto ipv6Gateway = strIpv6Gateway.empty() ? std::optional<Ipv6Bytes>(Ipv6Bytes{})
                                                         : IpAddress::parseIpv6(strIpv6Gateway);
        // A prefix the device would refuse is refused here, before anything is sent.
        const bool bPrefixValid = block.ipv6PrefixLength >= 1 && block.ipv6PrefixLength <= 128;
        if (!ipv6 || !ipv6Gateway || !bPrefixValid)
            return std::nullopt;
        params.hasIpv6 = true;
        params.ipv6Address = *ipv6;
        params.ipv6Gateway = *ipv6Gateway;
        params.ipv6PrefixLength = block.ipv6PrefixLength;
    }
    return params;
}

uint32_t nonZeroId()
{
    uint32_t nId = 0;
    while (nId == 0)
        nId = Crypto::randomU32();
    return nId;
}

} // namespace

Discovery::Discovery(LUMO_DEVICE_CALLBACK callback, void* pUser, LibrarySettings settings)
    : m_settings(std::move(settings))
    , m_transport(
          m_io, m_settings, [this](const uint8_t* pData, size_t nSize, const Endpoint& from) { onDatagram(pData, nSize, from); },
          [this] { m_drops.count(DecodeError::Oversized); })
    , m_commands(m_io, m_transport)
    , m_roundTimer(m_io)
    , m_ackTimer(m_io)
    , m_sweepTimer(m_io)
    , m_reports(callback, pUser, kMaxPendingReports)
{
}

Discovery::~Discovery()
{
    stop();
}

bool Discovery::start()
{
    if (!Crypto::initialise() || !m_transport.open())
        return false;
    m_work.emplace(m_io.get_executor());
    scheduleSweep();
    m_bRunning = true;
    m_reports.start();
    m_thread = std::thread([this] { m_io.run(); });
    return true;
}

void Discovery::stop()
{
    if (!m_thread.joinable())
        return;
    m_bRunning = false;
    // Queued reports go at once; a callback under way may block for long, so it is
    // waited for only once commands have been ended and the I/O thread is gone.
    m_reports.close();
    asio::post(m_io, [this] {
        m_commands.cancelAll();
        m_roundTimer.cancel();
        m_ackTimer.cancel();
        m_sweepTimer.cancel();
        m_transport.close();
        m_io.stop();
    });
    m_thread.join();
    m_reports.stop();
}

bool Discovery::isCallbackThread() const
{
    return m_reports.isDeliveryThread();
}

void Discovery::sendInquiry()
{
    asio::post(m_io, [this] { beginInquiry(); });
}

void Discovery::beginInquiry()
{
    // Acknowledgements still waiting answer the inquiry before this one; sent under
    // the new id they would silence those devices for the whole new inquiry.
    flushAcks();
    m_transport.refreshInterfaces();
    m_nInquiryId = nonZeroId();
    rememberRequest(m_nInquiryId, Clock::now());
    m_nRound = 0;
    m_nRoundAnswers = 0;
    m_nLastRoundAnswers = 0;
    m_nSilentRounds = 0;
    // 50 microseconds per known device: a large known population spreads its answers wider.
    const size_t nScaled = m_devices.size() / 20;
    m_nFirstWindowMs = static_cast<uint16_t>(std::clamp<size_t>(nScaled, kMinFirstWindowMs, kMaxFirstWindowMs));
    sendInquiryRound();
}

void Discovery::sendInquiryRound()
{
    const uint32_t nWindow = roundWindowMs();
    InquiryMessage inquiry;
    inquiry.round = m_nRound;
    inquiry.windowMs = static_cast<uint16_t>(nWindow);
    const std::vector<uint8_t> datagram = PacketCodec::encodeInquiry(m_nInquiryId, inquiry);
    for (int i = 0; i < kCopiesOfEachRound; ++i)
        m_transport.sendToAll(datagram);
    m_nLastRoundAnswers = m_nRoundAnswers;
    m_nRoundAnswers = 0;
    ++m_nRound;
    m_roundTimer.expires_after(std::chrono::milliseconds(nWindow) + kRoundGuard);
    const uint32_t nInquiryId = m_nInquiryId;
    m_roundTimer.async_wait([this, nInquiryId](const std::error_code& error) {
        if (!error && nInquiryId == m_nInquiryId)
            endInquiryRound();
    });
}

void Discovery::endInquiryRound()
{
    m_nSilentRounds = m_nRoundAnswers == 0 ? m_nSilentRounds + 1 : 0;
    const bool bStandard = m_nRound < kInquiryRounds;
    const bool bStillAnswered = m_nSilentRounds < kSilentRoundsToStop && m_nRound <= kMaxInquiryRound;
    if (bStandard || bStillAnswered)
        sendInquiryRound();
}

// The standard rounds widen from the first window; a later round only waits
// for the devices still answering, spread as the first window spreads a population.
uint32_t Discovery::roundWindowMs() const
{
    if (m_nRound >= kInquiryRounds) {
        const size_t nExpected = std::max(m_nRoundAnswers, m_nLastRoundAnswers) / 20;
        return uint32_t(std::clamp<size_t>(nExpected, kMinFirstWindowMs, kMaxFirstWindowMs));
    }
    uint32_t nWindow = m_nFirstWindowMs;
    for (int i = 0; i < m_nRound; ++i)
        nWindow = std::min<uint32_t>(nWindow * 8, kMaxWindowMs);
    return nWindow;
}

void Discovery::onDatagram(const uint8_t* pData, size_t nSize, const Endpoint& from)
{
    Header header;
    if (!m_drops.acceptHeader(pData, nSize, &header))
        return;
    DecodeError error = DecodeError::None;
    switch (header.type) {
    case MessageType::Answer: {
        AnswerMessage answer;
        error = PacketCodec::decodeAnswer(pData, nSize, &answer);
        if (error == DecodeError::None)
            onAnswer(header.transactionId, answer);
        break;
    }
    case MessageType::Goodbye: {
        GoodbyeMessage goodbye;
        error = PacketCodec::decodeGoodbye(pData, nSize, &goodbye);
        if (error == DecodeError::None)
            onGoodbye(goodbye);
        break;
    }
    case MessageType::Challenge:
    case MessageType::Result:
        if (!m_commands.offer(header, pData, nSize))
            error = DecodeError::Forged; // unsolicited, stale or failing its check
        break;
    default:
        break; // requests of this or another client, heard through broadcast
    }
    m_drops.count(error);
}

void Discovery::rememberRequest(uint32_t nId, Clock::time_point now)
{
    while (!m_recentRequests.empty() && now - m_recentRequests.front().second > kRequestMemory) {
        m_recentRequestIds.erase(m_recentRequests.front().first);
        m_recentRequests.pop_front();
    }
    for (auto it = m_goodbyes.begin(); it != m_goodbyes.end();)
        it = now - it->second > kRequestMemory ? m_goodbyes.erase(it) : std::next(it);
    m_recentRequests.emplace_back(nId, now);
    m_recentRequestIds[nId] = now;
}

bool Discovery::isOwnRequest(uint32_t nId) const
{
    return nId == m_nInquiryId || m_recentRequestIds.count(nId) != 0;
}

namespace {

std::string goodbyeKey(const MacBytes& mac, const std::string& strSerial)
{
    return std::string(mac.begin(), mac.end()) + strSerial;
}

} // namespace

bool Discovery::isLateReply(uint32_t nId, const AnswerMessage& answer)
{
    const auto goodbye = m_goodbyes.find(goodbyeKey(answer.device.mac, answer.device.serial));
    if (goodbye == m_goodbyes.end())
        return false;
    if (answer.kind == AnswerKind::Announce) {
        m_goodbyes.erase(goodbye); // back by its own word
        return false;
    }
    const auto request = m_recentRequestIds.find(nId);
    return request == m_recentRequestIds.end() || request->second <= goodbye->second;
}

void Discovery::onAnswer(uint32_t nId, const AnswerMessage& answer)
{
    if (isLateReply(nId, answer)) {
        m_drops.count(DecodeError::Late);
        return;
    }
    if (answer.kind == AnswerKind::Reply && nId == m_nInquiryId) {
        queueAck(answer.device.mac);
        ++m_nRoundAnswers;
    }
    const auto origin = answer.kind == AnswerKind::Reply && isOwnRequest(nId) ? DeviceTable::Origin::Asked
                                                                              : DeviceTable::Origin::Unsolicited;
    const DeviceTable::Heard heard = m_devices.heard(answer.device, answer.ttlMs, origin, Clock::now());
    if (heard.displaced)
        deliver(*heard.displaced, LUMO_EVENT_OFFLINE);
    switch (heard.change) {
    case DeviceTable::Change::Online:
        deliver(answer.device, LUMO_EVENT_ONLINE);
        break;
    case DeviceTable::Change::Update:
        deliver(answer.device, LUMO_EVENT_UPDATE);
        break;
    case DeviceTable::Change::None:
        break;
    case DeviceTable::Change::Refused:
        m_drops.count(DecodeError::TableFull);
        if (origin == DeviceTable::Origin::Unsolicited) {
            m_unconfirmedNewcomers.push_back(answer.device.mac);
            if (m_unconfirmedNewcomers.size() > kMaxTargetMacs)
                m_unconfirmedNewcomers.pop_front();
        }
        break;
    }
}

void Discovery::onGoodbye(const GoodbyeMessage& goodbye)
{
    m_goodbyes[goodbyeKey(goodbye.mac, goodbye.serial)] = Clock::now();
    if (auto device = m_devices.forget(goodbye.mac, goodbye.serial))
        deliver(*device, LUMO_EVENT_OFFLINE);
}

void Discovery::deliver(const DeviceInfo& device, uint32_t nEvent)
{
    if (!m_bRunning)
        return;
    m_reports.post(ReportBuilder::build(device, nEvent));
}

void Discovery::queueAck(const MacBytes& mac)
{
    m_pendingAcks.push_back(mac);
    if (m_pendingAcks.size() >= kMaxAckMacs) {
        flushAcks();
        return;
    }
    if (m_pendingAcks.size() == 1) {
        m_ackTimer.expires_after(kAckDelay);
        m_ackTimer.async_wait([this](const std::error_code& error) {
            if (!error)
                flushAcks();
        });
    }
}

void Discovery::flushAcks()
{
    m_ackTimer.cancel();
    if (m_pendingAcks.empty())
        return;
    AckMessage ack;
    ack.macs.swap(m_pendingAcks);
    m_transport.sendToAll(PacketCodec::encodeAck(m_nInquiryId, ack));
}

void Discovery::scheduleSweep()
{
    m_sweepTimer.expires_after(kSweepInterval);
    m_sweepTimer.async_wait([this](const std::error_code& error) {
        if (error)
            return;
        sweepLiveness();
        scheduleSweep();
    });
}

void Discovery::sweepLiveness()
{
    const Clock::time_point now = Clock::now();
    for (const DeviceInfo& device : m_devices.expire(now))
        deliver(device, LUMO_EVENT_OFFLINE);
    const std::vector<MacBytes> due = m_devices.takeDueProbes(now);
    for (size_t nFirst = 0; nFirst < due.size(); nFirst += kMaxTargetMacs)
        sendProbe({due.begin() + long(nFirst), due.begin() + long(std::min(due.size(), nFirst + kMaxTargetMacs))}, now);
    if (!m_unconfirmedNewcomers.empty()) {
        sendProbe({m_unconfirmedNewcomers.begin(), m_unconfirmedNewcomers.end()}, now);
        m_unconfirmedNewcomers.clear();
    }
}

void Discovery::sendProbe(std::vector<MacBytes> targets, Clock::time_point now)
{
    InquiryMessage probe;
    probe.windowMs = kProbeWindowMs;
    probe.targets = std::move(targets);
    const uint32_t nProbeId = nonZeroId();
    rememberRequest(nProbeId, now);
    m_transport.sendToAll(PacketCodec::encodeInquiry(nProbeId, probe));
}

namespace {

CommandOutcome outcomeOf(const ResultMessage& result)
{
    switch (result.status) {
    case ResultStatus::Ok:
        return {};
    case ResultStatus::AuthFailed:
        return CommandOutcome::failure(LUMO_ERROR_AUTH_FAILED);
    case ResultStatus::InvalidValue:
        return CommandOutcome::failure(LUMO_ERROR_VALUE_REFUSED);
    case ResultStatus::Unsupported:
        return CommandOutcome::failure(LUMO_ERROR_UNSUPPORTED);
    case ResultStatus::Locked:
        // An untagged refusal could come from anyone; no wait beyond what the
        // protocol allows is believed.
        return CommandOutcome::failure(LUMO_ERROR_LOCKED,
                                       std::clamp<uint32_t>(result.waitSeconds, 1, kMaxLockoutSeconds));
    case ResultStatus::StaleNonce:
        break;
    }
    return CommandOutcome::failure(LUMO_ERROR_NO_ANSWER);
}

// Whether a device signs a result of this status (it does for every answer to an
// authenticated request).
bool isTagged(ResultStatus status)
{
    return status == ResultStatus::Ok || status == ResultStatus::InvalidValue || status == ResultStatus::Unsupported;
}

// A secret as the caller handed it, or nullopt when it is longer than the library takes.
std::optional<std::string> secretText(const char* pSecret)
{
    std::string strSecret = boundedText(pSecret, Discovery::kMaxSecretLength + 1);
    if (strSecret.size() > Discovery::kMaxSecretLength)
        return std::nullopt;
    return strSecret;
}

} // namespace

CommandOutcome Discovery::noAnswer() const
{
    return CommandOutcome::failure(m_bRunning ? LUMO_ERROR_NO_ANSWER : LUMO_ERROR_NOT_RUNNING);
}

std::optional<ChallengeMessage> Discovery::requestChallenge(Purpose purpose, const MacBytes& mac,
                                                            const std::string& strSerial, Clock::time_point deadline,
                                                            uint32_t nId, CommandOutcome* pFailure)
{
    ChallengeRequestMessage request;
    request.purpose = purpose;
    request.mac = mac;
    request.serial = strSerial;
    Crypto::randomBytes(request.clientNonce.data(), request.clientNonce.size());
    using Verdict = CommandClient::Verdict;
    auto pChallenge = std::make_shared<ChallengeMessage>();
    auto pLocked = std::make_shared<ResultMessage>();
    const auto reply = m_commands.exchange(
        nId, PacketCodec::encodeChallengeRequest(nId, request),
        [request, pChallenge, pLocked](const Header& header, const uint8_t* pData, size_t nSize) {
            if (header.type == MessageType::Result) {
                // A device that refuses this computer for now says so instead of a
                // challenge; anyone who saw the request could say the same, so the
                // challenge is still awaited.
                ResultMessage result;
                if (PacketCodec::decodeResult(pData, nSize, &result) != DecodeError::None
                    || result.status != ResultStatus::Locked || result.purpose != request.purpose
                    || result.clientNonce != request.clientNonce
                    || (request.purpose == Purpose::Modify && result.mac != request.mac))
                    return Verdict::Ignore;
                *pLocked = result;
                return Verdict::Provisional;
            }
            ChallengeMessage challenge;
            if (header.type != MessageType::Challenge
                || PacketCodec::decodeChallenge(pData, nSize, &challenge) != DecodeError::None)
                return Verdict::Ignore;
            const bool bTargetMatches = request.purpose == Purpose::Modify ? challenge.mac == request.mac
                                                                           : challenge.serial == request.serial;
            if (challenge.purpose != request.purpose || challenge.clientNonce != request.clientNonce || !bTargetMatches)
                return Verdict::Ignore;
            *pChallenge = challenge;
            return Verdict::Final;
        },
        deadline);
    Header header;
    if (reply.empty() || PacketCodec::decodeHeader(reply.data(), reply.size(), &header) != DecodeError::None) {
        *pFailure = noAnswer();
        return std::nullopt;
    }
    if (header.type == MessageType::Result) {
        *pFailure = outcomeOf(*pLocked);
        return std::nullopt;
    }
    return *pChallenge;
}

CommandOutcome Discovery::sendSigned(Purpose purpose, uint32_t nId, std::vector<uint8_t> packet,
                                     const ChallengeMessage& challenge, const Key& key, Clock::time_point deadline)
{
    Tag requestTag{};
    std::copy(packet.end() - long(kTagSize), packet.end(), requestTag.begin());
    auto pResult = std::make_shared<ResultMessage>();
    const auto reply = m_commands.exchange(
        nId, std::move(packet),
        [purpose, challenge, key, requestTag, pResult](const Header& header, const uint8_t* pData, size_t nSize) {
            using Verdict = CommandClient::Verdict;
            ResultMessage result;
            if (header.type != MessageType::Result
                || PacketCodec::decodeResult(pData, nSize, &result) != DecodeError::None)
                return Verdict::Ignore;
            // Only the answer to this very request counts: a refusal of someone
            // else's request under our nonces must not end ours.
            if (result.purpose != purpose || result.mac != challenge.mac || result.clientNonce != challenge.clientNonce
                || result.deviceNonce != challenge.deviceNonce || result.requestTag != requestTag)
                return Verdict::Ignore;
            // Refusals carry no tag (a tag under the device's key would let anyone
            // guess the secret offline), so anyone who saw the request could send
            // one: they stand only if no tagged answer comes before the deadline.
            // Every other answer must prove the device's key.
            if (!isTagged(result.status)) {
                *pResult = result;
                return Verdict::Provisional;
            }
            if (!PacketCodec::verifyTag(pData, nSize, key))
                return Verdict::Ignore;
            *pResult = result;
            return Verdict::Final;
        },
        deadline);
    if (reply.empty())
        return noAnswer();
    return outcomeOf(*pResult);
}

CommandOutcome Discovery::modifyNetParams(const char* pMac, const char* pPassword, const LUMO_NET_PARAM_BLOCK& block)
{
    if (!m_bRunning)
        return CommandOutcome::failure(LUMO_ERROR_NOT_RUNNING);
    const auto mac = MacAddress::parse(boundedText(pMac, 64));
    const auto strPassword = secretText(pPassword);
    if (!mac || pPassword == nullptr || !strPassword)
        return CommandOutcome::failure(LUMO_ERROR_BAD_ARGUMENT);
    const auto params = parseParams(block);
    if (!params)
        return CommandOutcome::failure(LUMO_ERROR_VALUE_REFUSED);
    const Clock::time_point deadline = Clock::now() + m_settings.m_commandTimeout;
    const uint32_t nId = nonZeroId();
    CommandOutcome failure;
    const auto challenge = requestChallenge(Purpose::Modify, *mac, {}, deadline, nId, &failure);
    if (!challenge)
        return failure;
    const auto key = Crypto::deriveKey(*strPassword, challenge->salt, challenge->opsLimit, challenge->memLimitKib);
    if (!key)
        return noAnswer();
    ModifyMessage request;
    request.mac = challenge->mac;
    request.clientNonce = challenge->clientNonce;
    request.deviceNonce = challenge->deviceNonce;
    request.params = *params;
    return sendSigned(Purpose::Modify, nId, PacketCodec::encodeModify(nId, request, *key), *challenge, *key, deadline);
}

CommandOutcome Discovery::resetPassword(const char* pSerial, const char* pCode)
{
    if (!m_bRunning)
        return CommandOutcome::failure(LUMO_ERROR_NOT_RUNNING);
    const std::string strSerial = boundedText(pSerial, kMaxSerialLength + 1);
    const auto strCode = secretText(pCode);
    if (strSerial.empty() || strSerial.size() > kMaxSerialLength || pCode == nullptr || !strCode)
        return CommandOutcome::failure(LUMO_ERROR_BAD_ARGUMENT);
    const Clock::time_point deadline = Clock::now() + m_settings.m_commandTimeout;
    const uint32_t nId = nonZeroId();
    CommandOutcome failure;
    const auto challenge = requestChallenge(Purpose::Reset, MacBytes{}, strSerial, deadline, nId, &failure);
    if (!challenge)
        return failure;
    const auto key = Crypto::deriveKey(SecurityCode::normalise(*strCode), challenge->salt, challenge->opsLimit,
                                       challenge->memLimitKib);
    if (!key)
        return noAnswer();
    ResetMessage request;
    request.mac = challenge->mac;
    request.serial = strSerial;
    request.clientNonce = challenge->clientNonce;
    request.deviceNonce = challenge->deviceNonce;
    return sendSigned(Purpose::Reset, nId, PacketCodec::encodeReset(nId, request, *key), *challenge, *key, deadline);
}

} // namespace lumo
