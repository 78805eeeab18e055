#pragma once

#include <asio/io_context.hpp>
#include <asio/ip/udp.hpp>
#include <asio/steady_timer.hpp>

#include <array>
#include <chrono>
#include <map>
#include <random>
#include <cstdint>
#include <string>

namespace devsim {

class OnvifFleet;

// WS-Discovery for the simulated cameras, on the simulator's thread: answers
// Probes (unicast to the prober, one ProbeMatches per matching camera, RelatesTo
// the probe's MessageID) and sends Hello and Bye. Bound to the simulator's
// address; on an adapter address (not loopback, not any) a second socket bound
// to 239.255.255.250 joins the group there, and Hello and Bye are multicast out
// of that adapter. Otherwise they go to the simulator's broadcast address when
// it has one, else to the group.
class OnvifResponder
{
public:
    static constexpr size_t kMaxDatagram = 64 * 1024;
    static constexpr const char* kGroup = "239.255.255.250";

    struct Settings
    {
        uint32_t nBindAddress = 0; // 0: any
        uint16_t nPort = 3702;
        std::string strBroadcastAddress; // empty: multicast
        double dLoss = 0.0;              // share of probe matches not sent, as a lossy network would
        std::chrono::milliseconds maxReplyDelay{0}; // each match waits a random time up to this
        unsigned nSeed = 0;
    };

    OnvifResponder(asio::io_context& io, const OnvifFleet& fleet, Settings settings);

    // false with the reason in strError when the port cannot be used.
    bool open(std::string& strError);
    void close();
    void hello(size_t nIndex);
    void byeAll();
    uint64_t dropped() const { return m_nDropped; }

private:
    using Endpoint = asio::ip::udp::endpoint;

    bool openGroupSocket(std::string& strError);
    void receive(asio::ip::udp::socket& socket, std::array<char, kMaxDatagram + 1>& buffer, Endpoint& from);
    void onDatagram(const char* pData, size_t nSize, const Endpoint& from);
    void announce(const std::string& strMessage);
    void sendMatch(std::string strReply, const Endpoint& to);
    void sendDueMatches();

    const OnvifFleet& m_fleet;
    Settings m_settings;
    asio::ip::udp::socket m_socket;
    asio::ip::udp::socket m_groupSocket;
    std::array<char, kMaxDatagram + 1> m_buffer{};
    std::array<char, kMaxDatagram + 1> m_groupBuffer{};
    Endpoint m_from;
    Endpoint m_groupFrom;
    unsigned m_nMessageNumber = 0;
    uint64_t m_nDropped = 0;
    // Matches waiting for their random delay to pass, by when they are due.
    std::multimap<std::chrono::steady_clock::time_point, std::pair<std::string, Endpoint>> m_delayedMatches;
    asio::steady_timer m_delayTimer;
    std::mt19937 m_random;
    std::uniform_real_distribution<double> m_lossDraw{0.0, 1.0};
};

} // namespace devsim
