#include "Transport.h"

#include "ChildSafeSocket.h"
#include "NetworkInterfaceList.h"
#include "ReversePathFilter.h"

#include <algorithm>
#include <cstdio>

namespace lumo {

struct Transport::Channel
{
    explicit Channel(asio::io_context& io) : socket(io) {}

    asio::ip::udp::socket socket;
    std::array<uint8_t, kReceiveBufferSize> buffer{};
    asio::ip::udp::endpoint from;
    std::string strInterface;
    uint32_t nAddress = 0;
    bool bBroken = false;
};

Transport::Transport(asio::io_context& io, const LibrarySettings& settings, Handler handler, OversizeHandler oversize)
    : m_io(io), m_settings(settings), m_handler(std::move(handler)), m_oversize(std::move(oversize))
{
}

Transport::~Transport() = default;

std::shared_ptr<Transport::Channel> Transport::openChannel(const asio::ip::udp::endpoint& local, bool bReuse)
{
    auto pChannel = std::make_shared<Channel>(m_io);
    std::error_code error = ChildSafeSocket::openUdpV4(pChannel->socket);
    if (error)
        return nullptr;
    if (bReuse)
        pChannel->socket.set_option(asio::socket_base::reuse_address(true), error);
    pChannel->socket.set_option(asio::socket_base::broadcast(true), error);
    // Large enough for a burst of thousands of answers; the system may cap it.
    pChannel->socket.set_option(asio::socket_base::receive_buffer_size(4 * 1024 * 1024), error);
    pChannel->socket.bind(local, error);
    if (error)
        return nullptr;
    receiveNext(pChannel);
    return pChannel;
}

bool Transport::open()
{
    m_pListenChannel = openChannel({asio::ip::address_v4::any(), m_settings.m_nClientPort}, true);
    if (!m_pListenChannel) {
        std::fprintf(stderr, "lumo: client port %u is taken; only unicast answers will be seen\n",
                     unsigned(m_settings.m_nClientPort));
        m_pListenChannel = openChannel({asio::ip::address_v4::any(), 0}, false);
    }
    if (!m_pListenChannel)
        return false;
    if (m_settings.m_bLogInterfaces)
        logInterfaces();
    refreshInterfaces();
    return true;
}

void Transport::logInterfaces() const
{
    const std::vector<NetworkInterface> interfaces = NetworkInterfaceList::enumerate();
    if (interfaces.empty())
        std::fprintf(stderr, "lumo: no adapter with an IPv4 address is up\n");
    for (const NetworkInterface& entry : interfaces) {
        const bool bUsed = entry.bCanBroadcast && !entry.bLoopback && m_settings.usesInterface(entry.name);
        std::fprintf(stderr, "lumo: %s%s\n", NetworkInterfaceList::describe(entry).c_str(), bUsed ? " used" : "");
    }
}

// The pending receive is cancelled before the socket closes: under Wine a
// receive that completes while its socket closes can be lost, and the I/O
// completion port would then wait for it forever when the context is destroyed.
void Transport::closeChannel(Channel& channel)
{
    std::error_code error;
    channel.socket.cancel(error);
    channel.socket.close(error);
}

void Transport::close()
{
    if (m_pListenChannel)
        closeChannel(*m_pListenChannel);
    for (auto& pChannel : m_channels)
        closeChannel(*pChannel);
}

void Transport::refreshInterfaces()
{
    std::vector<NetworkInterface> current;
    for (const NetworkInterface& entry : NetworkInterfaceList::broadcastCapable())
        if (m_settings.usesInterface(entry.name))
            current.push_back(entry);

    // Close channels whose address vanished or whose sends failed.
    for (auto it = m_channels.begin(); it != m_channels.end();) {
        const bool bStillThere = std::any_of(current.begin(), current.end(), [&](const NetworkInterface& entry) {
            return entry.address == (*it)->nAddress && entry.name == (*it)->strInterface;
        });
        if (bStillThere && !(*it)->bBroken) {
            ++it;
            continue;
        }
        closeChannel(**it);
        it = m_channels.erase(it);
    }
    for (const NetworkInterface& entry : current) {
        const bool bOpen = std::any_of(m_channels.begin(), m_channels.end(),
                                       [&](const auto& pChannel) { return pChannel->nAddress == entry.address; });
        if (bOpen)
            continue;
        // On the client port, so that the unicast answers arrive on the one port a
        // firewall is told to let in; any port when that one cannot be had.
        auto pChannel = openChannel({asio::ip::address_v4(entry.address), m_settings.m_nClientPort}, true);
        if (!pChannel)
            pChannel = openChannel({asio::ip::address_v4(entry.address), 0}, false);
        if (!pChannel)
            continue; // this adapter cannot be used now; the others still are
        pChannel->strInterface = entry.name;
        pChannel->nAddress = entry.address;
        m_channels.push_back(std::move(pChannel));
        if (m_diagnosedInterfaces.insert(entry.name).second) {
            const std::string strLine = ReversePathFilter::diagnostic(entry.name);
            if (!strLine.empty())
                std::fprintf(stderr, "%s\n", strLine.c_str());
        }
    }
}

void Transport::receiveNext(const std::shared_ptr<Channel>& pChannel)
{
    Channel& channel = *pChannel;
    channel.socket.async_receive_from(
        asio::buffer(channel.buffer), channel.from, [this, pChannel](const std::error_code& error, size_t nSize) {
            if (error == asio::error::operation_aborted || !pChannel->socket.is_open())
                return;
            if (error == asio::error::message_size || (!error && nSize > kMaxDatagram))
                m_oversize();
            else if (!error)
                m_handler(pChannel->buffer.data(), nSize, pChannel->from);
            // The handler may have closed this channel (a failed send makes the
            // adapters be looked up again); a closed one receives no more.
            if (!pChannel->socket.is_open())
                return;
            // Other errors (such as a port-unreachable report on Windows) concern one
            // earlier datagram only; the socket keeps receiving.
            receiveNext(pChannel);
        });
}

void Transport::sendFrom(Channel& channel, const asio::ip::udp::endpoint& to, const std::vector<uint8_t>& packet)
{
    std::error_code error;
    channel.socket.send_to(asio::buffer(packet), to, 0, error);
    if (error && error != asio::error::would_block && error != asio::error::no_buffer_space)
        channel.bBroken = &channel != m_pListenChannel.get();
}

void Transport::sendToAll(const std::vector<uint8_t>& packet)
{
    const asio::ip::udp::endpoint broadcast(asio::ip::address_v4::broadcast(), m_settings.m_nDevicePort);
    bool bAnyBroken = false;
    for (auto& pChannel : m_channels) {
        sendFrom(*pChannel, broadcast, packet);
        bAnyBroken = bAnyBroken || pChannel->bBroken;
    }
    if (m_pListenChannel)
        for (const auto& target : m_settings.m_targets)
            sendFrom(*m_pListenChannel, target, packet);
    if (bAnyBroken)
        refreshInterfaces();
}

} // namespace lumo
