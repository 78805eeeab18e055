#include "Simulator.h"

#include "ChildSafeSocket.h"
#include "Crypto.h"
#include "DurableFile.h"
#include "FleetStore.h"
#include "InputEndWatcher.h"
#include "IpAddress.h"
#include "NetworkInterfaceList.h"
#include "OnvifFleetStore.h"
#include "PacketCodec.h"
#include "PasswordSeal.h"
#include "SecurityCode.h"

#include <asio/post.hpp>

#if defined(LUMO_DEVSIM_ONVIF)
#  include "OnvifHost.h"
#endif

#include <cstdio>
#include <exception>
#include <string>

namespace devsim {

using namespace lumo;

namespace {

constexpr auto kAnnounceSpread = std::chrono::milliseconds(1000);
constexpr auto kBroadcastSocketsMaxAge = std::chrono::seconds(2);
constexpr size_t kMaxFloorCount = 20000;
// Anyone can send inquiries, each with a fresh id, and every device answers each
// one after a delay: the delayed datagrams are bounded (about 30 MB), far above
// what the inquiry rounds of a 10,000-device fleet keep waiting.
constexpr size_t kMaxQueued = 100000;
constexpr auto kSaveRetry = std::chrono::seconds(1);

} // namespace

Simulator::Simulator(const SimOptions& options, std::vector<SimDevice> devices,
                     std::vector<OnvifSimDevice> onvifDevices)
    : m_options(options)
    , m_devices(std::move(devices))
    , m_socket(m_io)
    , m_floorSocket(m_io)
    , m_signals(m_io, SIGINT, SIGTERM)
    , m_sendTimer(m_io)
    , m_saveRetryTimer(m_io)
    , m_faults(options.dLoss, options.dDuplicate, std::chrono::milliseconds(options.nDelayMs),
               options.nSeed ? options.nSeed : Crypto::randomU32())
{
    for (size_t i = 0; i < m_devices.size(); ++i) {
        m_devices[i].limiter = AttemptLimiter(std::chrono::milliseconds(options.nLockoutMs), options.nFailureBudget);
        m_byMac.emplace(m_devices[i].info.mac, i);
        m_bySerial.emplace(m_devices[i].info.serial, i);
    }
    m_onvifDevices = std::move(onvifDevices);
    if (!m_options.strStatePath.empty())
        m_pSeal = std::make_unique<PasswordSeal>(
            PasswordSeal::forKeyFile(PasswordSeal::keyPathFor(m_options.strStatePath)));
}

Simulator::~Simulator() = default;

bool Simulator::openSockets()
{
    std::error_code error;
    asio::ip::address_v4 bindAddress = asio::ip::address_v4::any();
    if (!m_options.strBindAddress.empty())
        bindAddress = asio::ip::make_address_v4(m_options.strBindAddress, error);
    if (!m_options.strBroadcastAddress.empty()) {
        m_broadcastOverride = {asio::ip::make_address_v4(m_options.strBroadcastAddress, error), m_options.nClientPort};
        m_bHasBroadcastOverride = true;
    }
    if (error) {
        std::fprintf(stderr, "lumo-devsim: bad address: %s\n", error.message().c_str());
        return false;
    }
    error = ChildSafeSocket::openUdpV4(m_socket);
    m_socket.set_option(asio::socket_base::broadcast(true), error);
    m_socket.set_option(asio::socket_base::receive_buffer_size(4 * 1024 * 1024), error);
    m_socket.set_option(asio::socket_base::send_buffer_size(4 * 1024 * 1024), error);
    m_socket.bind({bindAddress, m_options.nDevicePort}, error);
    if (error) {
        std::fprintf(stderr, "lumo-devsim: cannot use port %u: %s\n", unsigned(m_options.nDevicePort),
                     error.message().c_str());
        return false;
    }
    if (m_options.nFloorPort != 0) {
        error = ChildSafeSocket::openUdpV4(m_floorSocket);
        m_floorSocket.set_option(asio::socket_base::send_buffer_size(4 * 1024 * 1024), error);
        m_floorSocket.bind({bindAddress, m_options.nFloorPort}, error);
        if (error) {
            std::fprintf(stderr, "lumo-devsim: cannot use floor port: %s\n", error.message().c_str());
            return false;
        }
        receiveFloor();
    }
    return true;
}

int Simulator::run()
{
    if (!Crypto::initialise() || !openSockets())
        return 1;
    if (!m_options.strStatePath.empty()) {
        for (const SimDevice& device : m_devices)
            m_stateEntries.push_back(FleetStore::deviceEntry(device));
        m_onvifEntries = OnvifFleetStore::entries(m_onvifDevices, *m_pSeal);
        m_pWriter = std::make_unique<StateWriter>(m_options.strStatePath, [this](uint64_t nGeneration, bool bOk) {
            asio::post(m_io, [this, nGeneration, bOk] { onSaved(nGeneration, bOk); });
        });
    }
    m_signals.async_wait([this](const std::error_code& error, int) {
        if (!error)
            stopGracefully();
    });
    if (m_options.bStopOnInputEnd)
        m_pInputEndWatcher = std::make_unique<InputEndWatcher>(m_io, [this] { stopGracefully(); });
    receiveNext();
    if (!startOnvif())
        return 1;
    if (m_options.bAnnounce)
        announceAll();
    std::printf("lumo-devsim: %zu devices on %s:%u\nready\n", m_devices.size(),
                m_socket.local_endpoint().address().to_string().c_str(), unsigned(m_options.nDevicePort));
    std::fflush(stdout);
    m_io.run();
    std::fprintf(stderr, "lumo-devsim: stopped; %llu datagrams dropped, %llu not sent (send queue full)\n",
                 (unsigned long long)m_drops.total(), (unsigned long long)m_nQueueFull);
    return 0;
}

void Simulator::receiveNext()
{
    m_socket.async_receive_from(asio::buffer(m_buffer), m_from, [this](const std::error_code& error, size_t nSize) {
        if (error == asio::error::operation_aborted)
            return;
        if (error == asio::error::message_size || (!error && nSize > kMaxDatagram))
            m_drops.count(DecodeError::Oversized);
        else if (!error && !m_faults.dropIncoming())
            onDatagram(m_buffer.data(), nSize, m_from);
        receiveNext();
    });
}

void Simulator::onDatagram(const uint8_t* pData, size_t nSize, const Endpoint& from)
{
    Header header;
    if (!m_drops.acceptHeader(pData, nSize, &header))
        return;
    DecodeError error = DecodeError::None;
    switch (header.type) {
    case MessageType::Inquiry: {
        InquiryMessage inquiry;
        if ((error = PacketCodec::decodeInquiry(pData, nSize, &inquiry)) == DecodeError::None)
            onInquiry(header.transactionId, inquiry, from);
        break;
    }
    case MessageType::Ack: {
        AckMessage ack;
        if ((error = PacketCodec::decodeAck(pData, nSize, &ack)) == DecodeError::None)
            onAck(header.transactionId, ack);
        break;
    }
    case MessageType::ChallengeRequest: {
        ChallengeRequestMessage request;
        if ((error = PacketCodec::decodeChallengeRequest(pData, nSize, &request)) == DecodeError::None)
            onChallengeRequest(header.transactionId, request, from);
        break;
    }
    case MessageType::Modify: {
        ModifyMessage request;
        if ((error = PacketCodec::decodeModify(pData, nSize, &request)) == DecodeError::None)
            onModify(header.transactionId, request, pData, nSize, from);
        break;
    }
    case MessageType::Reset: {
        ResetMessage request;
        if ((error = PacketCodec::decodeReset(pData, nSize, &request)) == DecodeError::None)
            onReset(header.transactionId, request, pData, nSize, from);
        break;
    }
    default:
        break; // answers of other devices heard through broadcast
    }
    m_drops.count(error);
}

void Simulator::onInquiry(uint32_t nId, const InquiryMessage& inquiry, const Endpoint& from)
{
    if (inquiry.targets.empty()) {
        for (SimDevice& device : m_devices)
            answerInquiry(device, nId, inquiry, from);
        return;
    }
    for (const MacBytes& mac : inquiry.targets) {
        const auto it = m_byMac.find(mac);
        if (it != m_byMac.end())
            answerInquiry(m_devices[it->second], nId, inquiry, from);
    }
}

void Simulator::answerInquiry(SimDevice& device, uint32_t nId, const InquiryMessage& inquiry, const Endpoint& from)
{
    // Acknowledged devices stay silent for the rest of that inquiry; the same
    // round heard twice (two adapters, broadcast and unicast) is answered once.
    if (device.nLastAckedInquiry == nId)
        return;
    if (device.nLastAnsweredInquiry == nId && device.nLastAnsweredRound >= int(inquiry.round))
        return;
    device.nLastAnsweredInquiry = nId;
    device.nLastAnsweredRound = inquiry.round;
    const auto jitter = std::chrono::milliseconds(Crypto::randomBelow(uint32_t(inquiry.windowMs) + 1));
    send(answerPacket(device, nId, AnswerKind::Reply), routeFor(device, from), jitter);
}

void Simulator::onAck(uint32_t nId, const AckMessage& ack)
{
    for (const MacBytes& mac : ack.macs) {
        const auto it = m_byMac.find(mac);
        if (it != m_byMac.end())
            m_devices[it->second].nLastAckedInquiry = nId;
    }
}

void Simulator::onChallengeRequest(uint32_t nId, const ChallengeRequestMessage& request, const Endpoint& from)
{
    const Clock::time_point now = Clock::now();
    if (request.purpose == Purpose::Modify) {
        const auto it = m_byMac.find(request.mac);
        if (it != m_byMac.end()) {
            SimDevice& device = m_devices[it->second];
            answerChallengeRequest(device, nId, request, from, now);
        }
        return;
    }
    const auto range = m_bySerial.equal_range(request.serial);
    for (auto it = range.first; it != range.second; ++it) {
        SimDevice& device = m_devices[it->second];
        answerChallengeRequest(device, nId, request, from, now);
    }
}

void Simulator::answerChallengeRequest(SimDevice& device, uint32_t nId, const ChallengeRequestMessage& request,
                                       const Endpoint& from, Clock::time_point now)
{
    std::vector<uint8_t> reply = m_agent.challenge(device, nId, request, sourceOf(from), now);
    if (reply.empty())
        m_drops.count(DecodeError::Forged); // asking faster than a client does
    else
        send(std::move(reply), routeFor(device, from), Clock::duration::zero());
}

void Simulator::onModify(uint32_t nId, const ModifyMessage& request, const uint8_t* pData, size_t nSize,
                         const Endpoint& from)
{
    const auto it = m_byMac.find(request.mac);
    if (it == m_byMac.end())
        return;
    SimDevice& device = m_devices[it->second];
    // The answer travels the way the request came, decided before the address changes.
    const Destination destination = routeFor(device, from);
    afterCommand(device, m_agent.modify(device, nId, request, pData, nSize, sourceOf(from), Clock::now()), destination);
}

void Simulator::onReset(uint32_t nId, const ResetMessage& request, const uint8_t* pData, size_t nSize,
                        const Endpoint& from)
{
    const auto it = m_byMac.find(request.mac);
    if (it == m_byMac.end() || m_devices[it->second].info.serial != request.serial)
        return;
    SimDevice& device = m_devices[it->second];
    const Destination destination = routeFor(device, from);
    afterCommand(device,
                 m_agent.reset(device, nId, request, pData, nSize, sourceOf(from), Clock::now(), SecurityCode::today()),
                 destination);
}

void Simulator::afterCommand(SimDevice& device, const DeviceAgent::Outcome& outcome, const Destination& destination)
{
    if (outcome.bForged)
        m_drops.count(DecodeError::Forged);
    const bool bDurable = m_pWriter && !m_options.bAckBeforeSave;
    if (outcome.bChanged && !bDurable) {
        send(outcome.reply, destination, Clock::duration::zero());
        if (m_pWriter)
            saveUnflushed();
        send(answerPacket(device, 0, AnswerKind::Announce), Destination{true, {}}, Clock::duration::zero());
        return;
    }
    if (outcome.bChanged) {
        // "Done" and the announcement go out only once the change is on disk.
        m_stateEntries[size_t(&device - m_devices.data())] = FleetStore::deviceEntry(device);
        ++m_nChanges;
        hold(outcome.reply, destination);
        hold(answerPacket(device, 0, AnswerKind::Announce), Destination{true, {}});
        if (!m_bSaving)
            startSave();
        return;
    }
    if (outcome.reply.empty())
        return;
    // The answer to a retransmitted request may repeat a "done" still waiting for its save.
    if (!m_held.empty())
        hold(outcome.reply, destination);
    else
        send(outcome.reply, destination, Clock::duration::zero());
}

void Simulator::hold(std::vector<uint8_t> packet, const Destination& destination)
{
    m_held.push_back(Held{m_nChanges, std::move(packet), destination});
}

void Simulator::startSave()
{
    m_bSaving = true;
    m_pWriter->submit(m_nChanges, FleetStore::document(m_stateEntries, m_onvifEntries));
}

void Simulator::onSaved(uint64_t nGeneration, bool bSucceeded)
{
    m_bSaving = false;
    if (!bSucceeded) {
        // Nothing is acknowledged that is not on disk: the answers wait for a later save.
        m_saveRetryTimer.expires_after(kSaveRetry);
        // An ONVIF camera answers with a fault rather than wait that long.
        for (auto& entry : m_afterSave)
            entry.second(false);
        m_afterSave.clear();
        m_saveRetryTimer.async_wait([this](const std::error_code& error) {
            if (!error && !m_bSaving)
                startSave();
        });
        return;
    }
    std::vector<Held> stillHeld;
    for (Held& held : m_held) {
        if (held.nGeneration > nGeneration)
            stillHeld.push_back(std::move(held));
        else
            send(std::move(held.packet), held.destination, Clock::duration::zero());
    }
    m_held.swap(stillHeld);
    std::vector<std::pair<uint64_t, std::function<void(bool)>>> stillWaiting;
    for (auto& entry : m_afterSave) {
        if (entry.first > nGeneration)
            stillWaiting.push_back(std::move(entry));
        else
            entry.second(true);
    }
    m_afterSave.swap(stillWaiting);
    if (m_nChanges > nGeneration)
        startSave();
}

uint32_t Simulator::sourceOf(const Endpoint& requester)
{
    return requester.address().is_v4() ? requester.address().to_v4().to_uint() : 0;
}

Simulator::Destination Simulator::routeFor(const SimDevice& device, const Endpoint& requester) const
{
    // A device reaches a requester on its own subnet directly; any other requester
    // it can only reach by broadcast on the segment it shares with it.
    const uint32_t nRequester = requester.address().is_v4() ? requester.address().to_v4().to_uint() : 0;
    if (IpAddress::isSameSubnet(nRequester, device.info.ipv4Address, device.info.ipv4Mask))
        return Destination{false, requester};
    return Destination{true, {}};
}

std::vector<uint8_t> Simulator::answerPacket(const SimDevice& device, uint32_t nId, AnswerKind kind) const
{
    AnswerMessage answer;
    answer.kind = kind;
    answer.ttlMs = m_options.nTtlMs;
    answer.device = device.info;
    return PacketCodec::encodeAnswer(nId, answer);
}

void Simulator::send(std::vector<uint8_t> packet, const Destination& destination, Clock::duration delay)
{
    delay += m_faults.delay();
    if (delay <= Clock::duration::zero()) {
        transmit(packet, destination);
        return;
    }
    if (m_queue.size() >= kMaxQueued) {
        if (m_nQueueFull++ == 0)
            std::fprintf(stderr, "lumo-devsim: send queue full (%zu waiting); further datagrams are not sent\n", kMaxQueued);
        return;
    }
    const bool bWasEarliest = m_queue.empty() || Clock::now() + delay < m_queue.top().due;
    m_queue.push(Scheduled{Clock::now() + delay, m_nSequence++, std::move(packet), destination});
    if (bWasEarliest)
        armSendTimer();
}

void Simulator::armSendTimer()
{
    m_sendTimer.expires_at(m_queue.top().due);
    m_sendTimer.async_wait([this](const std::error_code& error) {
        if (!error)
            sendDue();
    });
}

void Simulator::sendDue()
{
    const Clock::time_point now = Clock::now();
    while (!m_queue.empty() && m_queue.top().due <= now) {
        transmit(m_queue.top().packet, m_queue.top().destination);
        m_queue.pop();
    }
    if (!m_queue.empty())
        armSendTimer();
}

void Simulator::transmit(const std::vector<uint8_t>& packet, const Destination& destination)
{
    if (m_faults.dropOutgoing())
        return;
    const int nCopies = m_faults.duplicateOutgoing() ? 2 : 1;
    for (int i = 0; i < nCopies; ++i) {
        if (destination.bBroadcast) {
            broadcast(packet);
        } else {
            std::error_code error;
            m_socket.send_to(asio::buffer(packet), destination.unicast, 0, error);
        }
    }
}

void Simulator::broadcast(const std::vector<uint8_t>& packet)
{
    std::error_code error;
    if (m_bHasBroadcastOverride) {
        m_socket.send_to(asio::buffer(packet), m_broadcastOverride, 0, error);
        return;
    }
    if (m_broadcastSockets.empty() || Clock::now() - m_broadcastSocketsAge > kBroadcastSocketsMaxAge)
        refreshBroadcastSockets();
    const Endpoint everyone(asio::ip::address_v4::broadcast(), m_options.nClientPort);
    for (auto& pSocket : m_broadcastSockets)
        pSocket->send_to(asio::buffer(packet), everyone, 0, error);
}

void Simulator::refreshBroadcastSockets()
{
    // One socket per adapter address: the system sends a limited broadcast out of
    // the adapter that owns the socket's source address.
    m_broadcastSockets.clear();
    m_broadcastSocketsAge = Clock::now();
    for (const NetworkInterface& entry : NetworkInterfaceList::broadcastCapable()) {
        auto pSocket = std::make_unique<asio::ip::udp::socket>(m_io);
        std::error_code error;
        error = ChildSafeSocket::openUdpV4(*pSocket);
        pSocket->set_option(asio::socket_base::broadcast(true), error);
        pSocket->set_option(asio::socket_base::send_buffer_size(1024 * 1024), error);
        pSocket->bind({asio::ip::address_v4(entry.address), 0}, error);
        if (!error)
            m_broadcastSockets.push_back(std::move(pSocket));
    }
}

void Simulator::announceAll()
{
    for (const SimDevice& device : m_devices) {
        const auto spread = std::chrono::milliseconds(Crypto::randomBelow(uint32_t(kAnnounceSpread.count())));
        send(answerPacket(device, 0, AnswerKind::Announce), Destination{true, {}}, spread);
    }
}

void Simulator::stopGracefully()
{
    if (m_io.stopped())
        return;
    sayGoodbye();
#if defined(LUMO_DEVSIM_ONVIF)
    if (m_pOnvif)
        m_pOnvif->stop();
#endif
    saveNow();
    // Receives are cancelled before the sockets close with the simulator: under
    // Wine a receive completing during the close can be lost, and the context's
    // destruction would wait for it forever.
    std::error_code ignored;
    m_socket.cancel(ignored);
    m_floorSocket.cancel(ignored);
    m_io.stop();
}

void Simulator::sayGoodbye()
{
    for (const SimDevice& device : m_devices) {
        GoodbyeMessage goodbye;
        goodbye.mac = device.info.mac;
        goodbye.serial = device.info.serial;
        transmit(PacketCodec::encodeGoodbye(0, goodbye), Destination{true, {}});
    }
}

void Simulator::saveUnflushed()
{
    try {
        DurableFile::replaceWithoutFlush(m_options.strStatePath, FleetStore::toJson(m_devices, onvifEntries()));
    } catch (const std::exception& error) {
        std::fprintf(stderr, "lumo-devsim: %s\n", error.what());
    }
}

void Simulator::saveNow()
{
    if (!m_pWriter)
        return;
    m_pWriter.reset(); // finishes the save under way
    try {
        FleetStore::save(m_options.strStatePath, m_devices, onvifEntries());
    } catch (const std::exception& error) {
        std::fprintf(stderr, "lumo-devsim: %s\n", error.what());
    }
}

void Simulator::receiveFloor()
{
    // Benchmark floor: "FLOOR <count> <size>" is answered by <count> datagrams of
    // <size> bytes, sent as fast as the socket takes them.
    m_floorSocket.async_receive_from(
        asio::buffer(m_floorBuffer), m_floorFrom, [this](const std::error_code& error, size_t nSize) {
            if (error == asio::error::operation_aborted)
                return;
            unsigned nCount = 0;
            unsigned nBytes = 0;
            const std::string strRequest(reinterpret_cast<const char*>(m_floorBuffer.data()), error ? 0 : nSize);
            if (std::sscanf(strRequest.c_str(), "FLOOR %u %u", &nCount, &nBytes) == 2 && nCount <= kMaxFloorCount
                && nBytes >= 1 && nBytes <= kMaxDatagram) {
                std::vector<uint8_t> payload(nBytes, 0x5A);
                std::error_code sendError;
                for (unsigned i = 0; i < nCount; ++i)
                    m_floorSocket.send_to(asio::buffer(payload), m_floorFrom, 0, sendError);
            }
            receiveFloor();
        });
}

} // namespace devsim

namespace devsim {

std::vector<OnvifSimDevice> Simulator::onvifDevices() const
{
#if defined(LUMO_DEVSIM_ONVIF)
    if (m_pOnvif)
        return m_pOnvif->devices();
#endif
    return m_onvifDevices;
}

std::vector<std::string> Simulator::onvifEntries() const
{
    return m_pSeal ? OnvifFleetStore::entries(onvifDevices(), *m_pSeal) : std::vector<std::string>();
}

void Simulator::saveOnvif(size_t nIndex, std::function<void(bool)> done)
{
    if (!m_pWriter) {
        done(true);
        return;
    }
    m_onvifEntries[nIndex] = OnvifFleetStore::deviceEntry(onvifDevices().at(nIndex), *m_pSeal);
    ++m_nChanges;
    m_afterSave.emplace_back(m_nChanges, std::move(done));
    if (!m_bSaving)
        startSave();
}

bool Simulator::startOnvif()
{
    if (m_onvifDevices.empty())
        return true;
#if defined(LUMO_DEVSIM_ONVIF)
    OnvifResponder::Settings settings;
    settings.nBindAddress = m_socket.local_endpoint().address().to_v4().to_uint();
    settings.nPort = m_options.nOnvifPort;
    settings.strBroadcastAddress = m_options.strBroadcastAddress;
    settings.dLoss = m_options.dLoss;
    settings.maxReplyDelay = std::chrono::milliseconds(m_options.nOnvifReplyDelayMs);
    settings.nSeed = m_options.nSeed;
    m_pOnvif = std::make_unique<OnvifHost>(m_io, m_onvifDevices, settings,
                                           [this](size_t nIndex, std::function<void(bool)> done) {
                                               saveOnvif(nIndex, std::move(done));
                                           });
    std::string strError;
    if (!m_pOnvif->start(strError)) {
        std::fprintf(stderr, "lumo-devsim: ONVIF: %s\n", strError.c_str());
        m_pOnvif.reset();
        return false;
    }
    std::printf("lumo-devsim: %zu ONVIF cameras, discovery on port %u\n", m_pOnvif->size(),
                unsigned(m_options.nOnvifPort));
#else
    std::fprintf(stderr, "lumo-devsim: this build has no ONVIF support; the state file's %zu ONVIF cameras stay silent\n",
                 m_onvifDevices.size());
#endif
    return true;
}

} // namespace devsim
