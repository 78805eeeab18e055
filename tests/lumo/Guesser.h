#pragma once

#include "Messages.h"

#include <asio/io_context.hpp>
#include <asio/ip/udp.hpp>

#include <chrono>
#include <optional>
#include <string>

// A peer that guesses a device's password the way anyone on the segment can,
// speaking the protocol itself from a source address of its choosing: a
// challenge request, a key derived from its guess, a modify under that key.
// A device answers a requester outside its subnet by broadcast to the client
// port, so the guesser listens there beside the library, as a host on the
// segment would, and picks out the answers carrying its own nonce.
class Guesser
{
public:
    explicit Guesser(const std::string& strMac);

    // Empty when it listens on the client port; otherwise why it could not.
    std::string error() const { return m_error ? m_error.message() : std::string(); }
    bool canSendFrom(const std::string& strSource) const;

    // What the device answered one guess sent from strSource: AuthFailed, or
    // Locked when it refused the address (at the challenge or the request);
    // nullopt when it did not answer within 2 s.
    std::optional<lumo::ResultStatus> guess(const std::string& strSource, const std::string& strPassword);
    // Whether the device tells loopback source addresses apart: six wrong
    // guesses from six addresses are all evaluated, none refused by the
    // lockout of one address (under Wine the device sees them as one).
    bool deviceTellsSourcesApart();
    // Waits until the device hands strSource a challenge again (its lockout over).
    bool waitUntilAccepted(const std::string& strSource, std::chrono::milliseconds timeout);

private:
    // The answer carrying clientNonce to a request sent from strSource.
    std::optional<std::vector<uint8_t>> exchange(const std::string& strSource, const std::vector<uint8_t>& request,
                                                 const lumo::Nonce& clientNonce);
    std::vector<uint8_t> challengeRequest(lumo::Nonce* pClientNonce);

    lumo::MacBytes m_mac{};
    uint32_t m_nId = 0;
    asio::io_context m_io;
    asio::ip::udp::socket m_listener;
    std::error_code m_error;
};
