#include "Guesser.h"

#include "Crypto.h"
#include "IpAddress.h"
#include "LumoTestSupport.h"
#include "MacAddress.h"
#include "PacketCodec.h"

#include <asio/io_context.hpp>
#include <asio/ip/udp.hpp>

#include <thread>

using namespace std::chrono_literals;

namespace {

// The client nonce an answer names: a challenge or a result; nullopt for anything else.
std::optional<lumo::Nonce> clientNonceOf(const std::vector<uint8_t>& answer)
{
    lumo::ChallengeMessage challenge;
    if (lumo::PacketCodec::decodeChallenge(answer.data(), answer.size(), &challenge) == lumo::DecodeError::None)
        return challenge.clientNonce;
    lumo::ResultMessage result;
    if (lumo::PacketCodec::decodeResult(answer.data(), answer.size(), &result) == lumo::DecodeError::None)
        return result.clientNonce;
    return std::nullopt;
}

// A socket sending from strSource (any port); error set when it cannot.
void openFrom(asio::ip::udp::socket& socket, const std::string& strSource, std::error_code& error)
{
    socket.open(asio::ip::udp::v4(), error);
    if (!error)
        socket.bind({asio::ip::make_address_v4(strSource, error), 0}, error);
}

} // namespace

Guesser::Guesser(const std::string& strMac) : m_listener(m_io)
{
    if (const auto mac = lumo::MacAddress::parse(strMac))
        m_mac = *mac;
    m_listener.open(asio::ip::udp::v4(), m_error);
    if (!m_error)
        m_listener.set_option(asio::socket_base::reuse_address(true), m_error);
    if (!m_error)
        m_listener.bind({asio::ip::address_v4::any(), TestPorts::clientPort()}, m_error);
}

bool Guesser::canSendFrom(const std::string& strSource) const
{
    asio::io_context io;
    asio::ip::udp::socket socket(io);
    std::error_code error;
    openFrom(socket, strSource, error);
    return !error;
}

std::optional<std::vector<uint8_t>> Guesser::exchange(const std::string& strSource, const std::vector<uint8_t>& request,
                                                      const lumo::Nonce& clientNonce)
{
    if (m_error)
        return std::nullopt;
    asio::ip::udp::socket sender(m_io);
    std::error_code error;
    openFrom(sender, strSource, error);
    const asio::ip::udp::endpoint device(asio::ip::make_address_v4("127.0.0.1"), TestPorts::devicePort());
    if (!error)
        sender.send_to(asio::buffer(request), device, 0, error);
    if (error)
        return std::nullopt;
    const auto deadline = std::chrono::steady_clock::now() + 2s;
    std::vector<uint8_t> answer;
    while (std::chrono::steady_clock::now() < deadline) {
        if (m_listener.available(error) == 0) {
            std::this_thread::sleep_for(1ms);
            continue;
        }
        answer.resize(lumo::kReceiveBufferSize);
        asio::ip::udp::endpoint from;
        answer.resize(m_listener.receive_from(asio::buffer(answer), from, 0, error));
        if (!error && clientNonceOf(answer) == clientNonce)
            return answer;
    }
    return std::nullopt;
}

std::vector<uint8_t> Guesser::challengeRequest(lumo::Nonce* pClientNonce)
{
    lumo::ChallengeRequestMessage request;
    request.purpose = lumo::Purpose::Modify;
    request.mac = m_mac;
    lumo::Crypto::randomBytes(request.clientNonce.data(), request.clientNonce.size());
    *pClientNonce = request.clientNonce;
    return lumo::PacketCodec::encodeChallengeRequest(++m_nId, request);
}

std::optional<lumo::ResultStatus> Guesser::guess(const std::string& strSource, const std::string& strPassword)
{
    lumo::Nonce clientNonce{};
    const std::vector<uint8_t> request = challengeRequest(&clientNonce);
    const auto challengeBytes = exchange(strSource, request, clientNonce);
    if (!challengeBytes)
        return std::nullopt;
    lumo::ChallengeMessage challenge;
    lumo::ResultMessage result;
    if (lumo::PacketCodec::decodeChallenge(challengeBytes->data(), challengeBytes->size(), &challenge)
        != lumo::DecodeError::None) {
        if (lumo::PacketCodec::decodeResult(challengeBytes->data(), challengeBytes->size(), &result)
            != lumo::DecodeError::None)
            return std::nullopt;
        return result.status;
    }
    const auto key = lumo::Crypto::deriveKey(strPassword, challenge.salt, challenge.opsLimit, challenge.memLimitKib);
    if (!key)
        return std::nullopt;
    lumo::ModifyMessage modify;
    modify.mac = m_mac;
    modify.clientNonce = challenge.clientNonce;
    modify.deviceNonce = challenge.deviceNonce;
    modify.params.ipv4Address = *lumo::IpAddress::parseIpv4("10.20.0.77");
    modify.params.ipv4Mask = *lumo::IpAddress::parseIpv4("255.255.0.0");
    modify.params.port = 8000;
    const auto resultBytes = exchange(strSource, lumo::PacketCodec::encodeModify(++m_nId, modify, *key), clientNonce);
    if (!resultBytes
        || lumo::PacketCodec::decodeResult(resultBytes->data(), resultBytes->size(), &result) != lumo::DecodeError::None)
        return std::nullopt;
    return result.status;
}

bool Guesser::deviceTellsSourcesApart()
{
    for (int i = 0; i < 6; ++i) {
        if (!canSendFrom("127.0.2." + std::to_string(2 + i))
            || guess("127.0.2." + std::to_string(2 + i), "probe") != lumo::ResultStatus::AuthFailed)
            return false;
    }
    return true;
}

bool Guesser::waitUntilAccepted(const std::string& strSource, std::chrono::milliseconds timeout)
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (std::chrono::steady_clock::now() < deadline) {
        lumo::Nonce clientNonce{};
        const std::vector<uint8_t> request = challengeRequest(&clientNonce);
        const auto answer = exchange(strSource, request, clientNonce);
        lumo::ChallengeMessage challenge;
        if (answer && lumo::PacketCodec::decodeChallenge(answer->data(), answer->size(), &challenge)
                          == lumo::DecodeError::None)
            return true;
        // Well below the 20 challenges a second one address is handed.
        std::this_thread::sleep_for(100ms);
    }
    return false;
}
