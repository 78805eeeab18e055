#include "CommandClient.h"

#include <asio/post.hpp>

#include <algorithm>

namespace lumo {

CommandClient::CommandClient(asio::io_context& io, Transport& transport)
    : m_io(io), m_transport(transport)
{
}

std::vector<uint8_t> CommandClient::exchange(uint32_t nId, std::vector<uint8_t> packet, Acceptor acceptor,
                                             Clock::time_point deadline)
{
    // A request sent after the caller has given up could still be carried out by the
    // device while the call reports failure (a slow key derivation can use up the
    // time between challenge and request).
    if (m_bCancelled || Clock::now() >= deadline)
        return {};
    auto pPending = std::make_shared<Pending>(m_io);
    pPending->nId = nId;
    pPending->packet = std::move(packet);
    pPending->acceptor = std::move(acceptor);
    std::future<std::vector<uint8_t>> future = pPending->promise.get_future();
    asio::post(m_io, [this, pPending] {
        if (m_bCancelled) {
            pPending->promise.set_value({});
            return;
        }
        m_pending[pPending->nId] = pPending;
        transmit(pPending);
    });
    // Waits in short slices: a stop that overtook the hand-over above never runs it,
    // and must not keep the caller waiting until its deadline.
    constexpr std::chrono::milliseconds kCancelCheck{50};
    for (;;) {
        if (future.wait_until(std::min(deadline, Clock::now() + kCancelCheck)) == std::future_status::ready)
            return future.get();
        if (m_bCancelled || Clock::now() >= deadline)
            break;
    }
    asio::post(m_io, [this, nId] { finish(nId, {}); });
    if (m_bCancelled)
        return {};
    std::lock_guard<std::mutex> lock(pPending->provisionalMutex);
    return pPending->provisional;
}

void CommandClient::transmit(const std::shared_ptr<Pending>& pPending)
{
    m_transport.sendToAll(pPending->packet);
    pPending->timer.expires_after(pPending->interval);
    pPending->interval = std::min(pPending->interval * 2, std::chrono::milliseconds(1600));
    std::weak_ptr<Pending> pWeak = pPending;
    pPending->timer.async_wait([this, pWeak](const std::error_code& error) {
        auto pAlive = pWeak.lock();
        if (!error && pAlive && m_pending.count(pAlive->nId) != 0)
            transmit(pAlive);
    });
}

bool CommandClient::offer(const Header& header, const uint8_t* pData, size_t nSize)
{
    const auto it = m_pending.find(header.transactionId);
    if (it == m_pending.end())
        return false;
    switch (it->second->acceptor(header, pData, nSize)) {
    case Verdict::Ignore:
        return false;
    case Verdict::Provisional: {
        std::lock_guard<std::mutex> lock(it->second->provisionalMutex);
        it->second->provisional.assign(pData, pData + nSize);
        return true;
    }
    case Verdict::Final:
        break;
    }
    finish(header.transactionId, std::vector<uint8_t>(pData, pData + nSize));
    return true;
}

void CommandClient::finish(uint32_t nId, std::vector<uint8_t> reply)
{
    const auto it = m_pending.find(nId);
    if (it == m_pending.end())
        return;
    std::shared_ptr<Pending> pPending = it->second;
    m_pending.erase(it);
    pPending->timer.cancel();
    pPending->promise.set_value(std::move(reply));
}

void CommandClient::cancelAll()
{
    m_bCancelled = true;
    while (!m_pending.empty())
        finish(m_pending.begin()->first, {});
}

} // namespace lumo
