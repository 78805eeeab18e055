#pragma once

#include "Messages.h"
#include "Transport.h"

#include <asio/io_context.hpp>
#include <asio/steady_timer.hpp>

#include <atomic>
#include <chrono>
#include <functional>
#include <future>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

namespace lumo {

// Request/answer exchanges of the modify and reset commands. A caller thread hands
// over a request and blocks; the I/O thread sends it, retransmits it with back-off
// (200, 400, 800 ms ...) until an acceptable answer arrives, and wakes the caller.
// The caller never waits past its deadline.
//
// An answer that anyone who saw the request could have forged (a refusal, which
// carries no tag) is only provisional: the exchange goes on until an answer that
// proves itself arrives, and the provisional one is returned at the deadline.
class CommandClient
{
public:
    using Clock = std::chrono::steady_clock;
    enum class Verdict { Ignore, Provisional, Final };
    // Decides on the I/O thread whether and how a datagram answers the request.
    using Acceptor = std::function<Verdict(const Header& header, const uint8_t* pData, size_t nSize)>;

    CommandClient(asio::io_context& io, Transport& transport);

    // Any thread but the I/O thread. The final answer; at the deadline the last
    // provisional one; empty when there was none or on stop.
    std::vector<uint8_t> exchange(uint32_t nId, std::vector<uint8_t> packet, Acceptor acceptor,
                                  Clock::time_point deadline);
    // I/O thread: true when the datagram completed a pending exchange.
    bool offer(const Header& header, const uint8_t* pData, size_t nSize);
    // I/O thread: ends every pending exchange with failure; later ones fail at once.
    void cancelAll();

private:
    struct Pending
    {
        explicit Pending(asio::io_context& io) : timer(io) {}
        uint32_t nId = 0;
        std::vector<uint8_t> packet;
        Acceptor acceptor;
        std::promise<std::vector<uint8_t>> promise;
        asio::steady_timer timer;
        std::chrono::milliseconds interval{200};
        std::mutex provisionalMutex;
        std::vector<uint8_t> provisional;
    };

    void transmit(const std::shared_ptr<Pending>& pPending);
    void finish(uint32_t nId, std::vector<uint8_t> reply);

    asio::io_context& m_io;
    Transport& m_transport;
    std::map<uint32_t, std::shared_ptr<Pending>> m_pending;
    std::atomic<bool> m_bCancelled{false};
};

} // namespace lumo
