#pragma once

#include "LibrarySettings.h"
#include "ProtocolConstants.h"

#include <asio/io_context.hpp>
#include <asio/ip/udp.hpp>

#include <array>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace lumo {

// The library's sockets. One socket on the client port of every address receives
// the broadcast answers; one socket bound to each broadcast-capable adapter's
// address and the client port sends limited broadcasts out of exactly that adapter
// (the system routes 255.255.255.255 by the bound source address) and receives the
// unicast answers to them. All of them run on the one I/O thread.
class Transport
{
public:
    using Handler = std::function<void(const uint8_t* pData, size_t nSize, const asio::ip::udp::endpoint& from)>;
    using OversizeHandler = std::function<void()>;

    Transport(asio::io_context& io, const LibrarySettings& settings, Handler handler, OversizeHandler oversize);
    ~Transport();

    bool open();
    void close();
    // Picks up adapters that appeared and drops those that went away.
    void refreshInterfaces();
    // Every adapter's limited broadcast and every configured target.
    void sendToAll(const std::vector<uint8_t>& packet);
    size_t interfaceCount() const { return m_channels.size(); }

private:
    struct Channel;

    std::shared_ptr<Channel> openChannel(const asio::ip::udp::endpoint& local, bool bReuse);
    static void closeChannel(Channel& channel);
    // The pending receive shares ownership of its channel: a channel dropped while
    // one of its datagrams is being handled (a send from the handler failed and the
    // adapters were looked up again) lives until that handler has returned.
    void receiveNext(const std::shared_ptr<Channel>& pChannel);
    void sendFrom(Channel& channel, const asio::ip::udp::endpoint& to, const std::vector<uint8_t>& packet);
    void logInterfaces() const;

    asio::io_context& m_io;
    const LibrarySettings& m_settings;
    Handler m_handler;
    OversizeHandler m_oversize;
    std::shared_ptr<Channel> m_pListenChannel;
    std::vector<std::shared_ptr<Channel>> m_channels;
    std::set<std::string> m_diagnosedInterfaces;
};

} // namespace lumo
