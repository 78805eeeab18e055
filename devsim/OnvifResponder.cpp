#include "OnvifResponder.h"

#include "ChildSafeSocket.h"
#include "IpAddress.h"
#include "OnvifDiscoveryMessages.h"
#include "OnvifFleet.h"
#include "OnvifXml.h"

#include <asio/ip/multicast.hpp>

namespace devsim {

OnvifResponder::OnvifResponder(asio::io_context& io, const OnvifFleet& fleet, Settings settings)
    : m_fleet(fleet), m_settings(std::move(settings)), m_socket(io), m_groupSocket(io), m_delayTimer(io),
      m_random(m_settings.nSeed)
{
}

bool OnvifResponder::open(std::string& strError)
{
    std::error_code error = lumo::ChildSafeSocket::openUdpV4(m_socket);
    m_socket.set_option(asio::socket_base::reuse_address(true), error);
    m_socket.set_option(asio::socket_base::broadcast(true), error);
    m_socket.set_option(asio::ip::multicast::hops(1), error);
    const asio::ip::address_v4 bindAddress(m_settings.nBindAddress);
    m_socket.bind({bindAddress, m_settings.nPort}, error);
    if (error) {
        strError = "cannot use the discovery port " + std::to_string(m_settings.nPort) + ": " + error.message();
        return false;
    }
    if (m_settings.nBindAddress != 0 && !lumo::IpAddress::isLoopback(m_settings.nBindAddress)) {
        m_socket.set_option(asio::ip::multicast::outbound_interface(bindAddress), error);
        if (!openGroupSocket(strError))
            return false;
    }
    receive(m_socket, m_buffer, m_from);
    return true;
}

bool OnvifResponder::openGroupSocket(std::string& strError)
{
    // A socket bound to one unicast address sees no multicast: the group's own
    // socket receives the probes sent to the group, joined on this adapter only.
    const asio::ip::address_v4 group = asio::ip::make_address_v4(kGroup);
    std::error_code error = lumo::ChildSafeSocket::openUdpV4(m_groupSocket);
    m_groupSocket.set_option(asio::socket_base::reuse_address(true), error);
    m_groupSocket.bind({group, m_settings.nPort}, error);
    if (!error)
        m_groupSocket.set_option(asio::ip::multicast::join_group(group, asio::ip::address_v4(m_settings.nBindAddress)),
                                 error);
    if (error) {
        strError = "cannot join the discovery group: " + error.message();
        return false;
    }
    receive(m_groupSocket, m_groupBuffer, m_groupFrom);
    return true;
}

void OnvifResponder::close()
{
    std::error_code ignored;
    m_delayTimer.cancel();
    m_delayedMatches.clear();
    m_socket.cancel(ignored);
    m_groupSocket.cancel(ignored);
    m_socket.close(ignored);
    m_groupSocket.close(ignored);
}

void OnvifResponder::receive(asio::ip::udp::socket& socket, std::array<char, kMaxDatagram + 1>& buffer, Endpoint& from)
{
    socket.async_receive_from(asio::buffer(buffer), from, [this, &socket, &buffer, &from](const std::error_code& error,
                                                                                            size_t nSize) {
        if (error == asio::error::operation_aborted || !socket.is_open())
            return;
        if (!error && nSize <= kMaxDatagram)
            onDatagram(buffer.data(), nSize, from);
        else
            ++m_nDropped;
        receive(socket, buffer, from);
    });
}

void OnvifResponder::onDatagram(const char* pData, size_t nSize, const Endpoint& from)
{
    pugi::xml_document probe;
    if (!OnvifXml::parseEnvelope(probe, pData, nSize, kMaxDatagram)) {
        ++m_nDropped;
        return;
    }
    const std::string strMessageId = OnvifDiscoveryMessages::probeMessageId(probe);
    if (strMessageId.empty())
        return; // a Hello, Bye or match of another device
    for (size_t i = 0; i < m_fleet.size(); ++i) {
        const OnvifSimDevice device = m_fleet.snapshot(i);
        if (!device.bUp || !OnvifDiscoveryMessages::matches(probe, device))
            continue;
        if (m_settings.dLoss > 0 && m_lossDraw(m_random) < m_settings.dLoss)
            continue;
        sendMatch(OnvifDiscoveryMessages::probeMatches(device, strMessageId, ++m_nMessageNumber), from);
    }
}

// Cameras wait a random time before answering a multicast probe, so that the
// answers of many do not arrive at once; the simulator does the same when asked.
void OnvifResponder::sendMatch(std::string strReply, const Endpoint& to)
{
    if (m_settings.maxReplyDelay.count() <= 0) {
        std::error_code error;
        m_socket.send_to(asio::buffer(strReply), to, 0, error);
        return;
    }
    const auto delay = std::chrono::milliseconds(
        std::uniform_int_distribution<long long>(0, m_settings.maxReplyDelay.count())(m_random));
    const auto due = std::chrono::steady_clock::now() + delay;
    const bool bEarliest = m_delayedMatches.empty() || due < m_delayedMatches.begin()->first;
    m_delayedMatches.emplace(due, std::make_pair(std::move(strReply), to));
    if (!bEarliest)
        return;
    m_delayTimer.expires_at(due);
    m_delayTimer.async_wait([this](const std::error_code& error) {
        if (!error)
            sendDueMatches();
    });
}

void OnvifResponder::sendDueMatches()
{
    const auto now = std::chrono::steady_clock::now();
    while (!m_delayedMatches.empty() && m_delayedMatches.begin()->first <= now) {
        const auto& [strReply, to] = m_delayedMatches.begin()->second;
        std::error_code error;
        m_socket.send_to(asio::buffer(strReply), to, 0, error);
        m_delayedMatches.erase(m_delayedMatches.begin());
    }
    if (m_delayedMatches.empty())
        return;
    m_delayTimer.expires_at(m_delayedMatches.begin()->first);
    m_delayTimer.async_wait([this](const std::error_code& error) {
        if (!error)
            sendDueMatches();
    });
}

void OnvifResponder::hello(size_t nIndex)
{
    announce(OnvifDiscoveryMessages::hello(m_fleet.snapshot(nIndex), ++m_nMessageNumber));
}

void OnvifResponder::byeAll()
{
    for (size_t i = 0; i < m_fleet.size(); ++i)
        announce(OnvifDiscoveryMessages::bye(m_fleet.snapshot(i), ++m_nMessageNumber));
}

void OnvifResponder::announce(const std::string& strMessage)
{
    if (!m_socket.is_open())
        return;
    std::error_code error;
    asio::ip::address_v4 target = asio::ip::make_address_v4(kGroup);
    if (!m_settings.strBroadcastAddress.empty())
        target = asio::ip::make_address_v4(m_settings.strBroadcastAddress, error);
    if (!error)
        m_socket.send_to(asio::buffer(strMessage), Endpoint(target, m_settings.nPort), 0, error);
}

} // namespace devsim
