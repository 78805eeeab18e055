#pragma once

#include "CommandClient.h"
#include "CommandOutcome.h"
#include "DeviceTable.h"
#include "DropCounter.h"
#include "LibrarySettings.h"
#include "ReportDispatcher.h"
#include "Transport.h"
#include "lumo/lumo_api.h"

#include <asio/executor_work_guard.hpp>
#include <asio/io_context.hpp>
#include <asio/steady_timer.hpp>

#include <atomic>
#include <deque>
#include <unordered_map>
#include <utility>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace lumo {

// One run of the library: the I/O thread, its sockets, the device table and the
// command exchanges. Reports reach the callback through a dispatcher's thread of
// its own, so that a callback never holds up the I/O thread.
class Discovery
{
public:
    Discovery(LUMO_DEVICE_CALLBACK callback, void* pUser, LibrarySettings settings);
    ~Discovery();

    bool start();
    // Returns when the I/O thread has ended and a callback under way has returned;
    // reports not yet delivered are dropped, and no callback runs afterwards.
    void stop();
    bool isCallbackThread() const;

    void sendInquiry();
    CommandOutcome modifyNetParams(const char* pMac, const char* pPassword, const LUMO_NET_PARAM_BLOCK& block);
    CommandOutcome resetPassword(const char* pSerial, const char* pCode);

    // Longest password or security code the library takes; a longer one is refused, never cut.
    static constexpr size_t kMaxSecretLength = 256;

    // Reports waiting for the callback, one per device at most, up to this many.
    static constexpr size_t kMaxPendingReports = DeviceTable::kMaxDevices;

    const DropCounter& drops() const { return m_drops; }
    uint64_t droppedReports() const { return m_reports.dropped(); }

private:
    using Clock = std::chrono::steady_clock;
    using Endpoint = asio::ip::udp::endpoint;

    void onDatagram(const uint8_t* pData, size_t nSize, const Endpoint& from);
    void onAnswer(uint32_t nId, const AnswerMessage& answer);
    // Inquiry and probe ids of the last seconds: a reply under one was asked for by this library.
    void rememberRequest(uint32_t nId, Clock::time_point now);
    bool isOwnRequest(uint32_t nId) const;
    void onGoodbye(const GoodbyeMessage& goodbye);
    // A reply to a request sent before the device said goodbye: it arrived late.
    bool isLateReply(uint32_t nId, const AnswerMessage& answer);
    void deliver(const DeviceInfo& device, uint32_t nEvent);

    void beginInquiry();
    void sendInquiryRound();
    void endInquiryRound();
    uint32_t roundWindowMs() const;
    void queueAck(const MacBytes& mac);
    void flushAcks();
    void scheduleSweep();
    void sweepLiveness();
    void sendProbe(std::vector<MacBytes> targets, Clock::time_point now);

    // The device's challenge, or nothing and the reason in *pFailure.
    std::optional<ChallengeMessage> requestChallenge(Purpose purpose, const MacBytes& mac, const std::string& strSerial,
                                                     Clock::time_point deadline, uint32_t nId, CommandOutcome* pFailure);
    CommandOutcome sendSigned(Purpose purpose, uint32_t nId, std::vector<uint8_t> packet,
                              const ChallengeMessage& challenge, const Key& key, Clock::time_point deadline);
    CommandOutcome noAnswer() const;

    LibrarySettings m_settings;
    DropCounter m_drops;

    asio::io_context m_io;
    std::optional<asio::executor_work_guard<asio::io_context::executor_type>> m_work;
    Transport m_transport;
    CommandClient m_commands;
    DeviceTable m_devices;
    asio::steady_timer m_roundTimer;
    asio::steady_timer m_ackTimer;
    asio::steady_timer m_sweepTimer;
    ReportDispatcher m_reports;
    std::thread m_thread;
    std::atomic<bool> m_bRunning{false};

    uint32_t m_nInquiryId = 0;
    uint8_t m_nRound = 0;
    // Replies to the current inquiry since its last round went out, and how many
    // rounds in a row brought none.
    size_t m_nRoundAnswers = 0;
    size_t m_nLastRoundAnswers = 0;
    int m_nSilentRounds = 0;
    uint16_t m_nFirstWindowMs = 0;
    std::vector<MacBytes> m_pendingAcks;
    // Devices refused while the table was full that only announced themselves: the
    // next sweep probes them, and those that answer take a place (the latest 200).
    std::deque<MacBytes> m_unconfirmedNewcomers;
    std::deque<std::pair<uint32_t, Clock::time_point>> m_recentRequests;
    std::unordered_map<uint32_t, Clock::time_point> m_recentRequestIds;
    // When devices (serial and MAC) last said goodbye, for as long as requests are remembered.
    std::unordered_map<std::string, Clock::time_point> m_goodbyes;
};

} // namespace lumo
