#pragma once

#include "DeviceAgent.h"
#include "DropCounter.h"
#include "FaultInjector.h"
#include "OnvifSimDevice.h"
#include "SimDevice.h"
#include "SimOptions.h"
#include "StateWriter.h"

#include <asio/io_context.hpp>
#include <asio/ip/udp.hpp>
#include <asio/signal_set.hpp>
#include <asio/steady_timer.hpp>

#include <array>
#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <queue>
#include <string>
#include <vector>

namespace devsim {

class InputEndWatcher;
class OnvifHost;
class PasswordSeal;

// Runs a whole fleet on one socket and one thread: answers inquiries after a
// random delay, carries out commands through DeviceAgent, announces at start and
// says goodbye when stopped.
class Simulator
{
public:
    Simulator(const SimOptions& options, std::vector<SimDevice> devices,
              std::vector<OnvifSimDevice> onvifDevices = {});
    ~Simulator();
    // Runs until SIGINT or SIGTERM (or the end of standard input, when asked);
    // the process exit code.
    int run();

private:
    using Clock = std::chrono::steady_clock;
    using Endpoint = asio::ip::udp::endpoint;

    struct Destination
    {
        bool bBroadcast = false;
        Endpoint unicast;
    };

    struct Scheduled
    {
        Clock::time_point due;
        uint64_t nSequence = 0;
        std::vector<uint8_t> packet;
        Destination destination;
        bool operator>(const Scheduled& other) const
        {
            return due != other.due ? due > other.due : nSequence > other.nSequence;
        }
    };

    bool openSockets();
    void receiveNext();
    void onDatagram(const uint8_t* pData, size_t nSize, const Endpoint& from);
    void onInquiry(uint32_t nId, const lumo::InquiryMessage& inquiry, const Endpoint& from);
    void onAck(uint32_t nId, const lumo::AckMessage& ack);
    void onChallengeRequest(uint32_t nId, const lumo::ChallengeRequestMessage& request, const Endpoint& from);
    void answerChallengeRequest(SimDevice& device, uint32_t nId, const lumo::ChallengeRequestMessage& request,
                                const Endpoint& from, Clock::time_point now);
    void onModify(uint32_t nId, const lumo::ModifyMessage& request, const uint8_t* pData, size_t nSize,
                  const Endpoint& from);
    void onReset(uint32_t nId, const lumo::ResetMessage& request, const uint8_t* pData, size_t nSize,
                 const Endpoint& from);
    void answerInquiry(SimDevice& device, uint32_t nId, const lumo::InquiryMessage& inquiry, const Endpoint& from);
    void afterCommand(SimDevice& device, const DeviceAgent::Outcome& outcome, const Destination& destination);

    Destination routeFor(const SimDevice& device, const Endpoint& requester) const;
    // The address failed authentications are counted against.
    static uint32_t sourceOf(const Endpoint& requester);
    void send(std::vector<uint8_t> packet, const Destination& destination, Clock::duration delay);
    void armSendTimer();
    void sendDue();
    void transmit(const std::vector<uint8_t>& packet, const Destination& destination);
    void broadcast(const std::vector<uint8_t>& packet);
    void refreshBroadcastSockets();

    std::vector<uint8_t> answerPacket(const SimDevice& device, uint32_t nId, lumo::AnswerKind kind) const;
    void announceAll();
    void stopGracefully();
    void sayGoodbye();
    void saveNow();
    void saveUnflushed();
    void hold(std::vector<uint8_t> packet, const Destination& destination);
    void startSave();
    void onSaved(uint64_t nGeneration, bool bSucceeded);
    void receiveFloor();
    bool startOnvif();
    // The ONVIF camera's entry changed: saved like any change, `done` once on disk.
    void saveOnvif(size_t nIndex, std::function<void(bool)> done);
    std::vector<OnvifSimDevice> onvifDevices() const;
    std::vector<std::string> onvifEntries() const;

    SimOptions m_options;
    std::vector<SimDevice> m_devices;
    std::map<lumo::MacBytes, size_t> m_byMac;
    std::multimap<std::string, size_t> m_bySerial;

    asio::io_context m_io;
    asio::ip::udp::socket m_socket;
    asio::ip::udp::socket m_floorSocket;
    asio::signal_set m_signals;
    asio::steady_timer m_sendTimer;
    asio::steady_timer m_saveRetryTimer;
    std::array<uint8_t, lumo::kReceiveBufferSize> m_buffer{};
    Endpoint m_from;
    std::array<uint8_t, 64> m_floorBuffer{};
    Endpoint m_floorFrom;

    std::vector<std::unique_ptr<asio::ip::udp::socket>> m_broadcastSockets;
    Clock::time_point m_broadcastSocketsAge;
    Endpoint m_broadcastOverride;
    bool m_bHasBroadcastOverride = false;

    std::priority_queue<Scheduled, std::vector<Scheduled>, std::greater<Scheduled>> m_queue;
    uint64_t m_nSequence = 0;
    FaultInjector m_faults;
    DeviceAgent m_agent;
    lumo::DropCounter m_drops;
    uint64_t m_nQueueFull = 0; // datagrams not sent because the send queue was full

    // Answers to changes wait until the state file holding them is on disk.
    struct Held
    {
        uint64_t nGeneration = 0;
        std::vector<uint8_t> packet;
        Destination destination;
    };
    std::unique_ptr<StateWriter> m_pWriter;
    std::vector<Held> m_held;
    std::vector<std::string> m_stateEntries; // each device's line of the state file
    uint64_t m_nChanges = 0;
    bool m_bSaving = false;
    std::unique_ptr<InputEndWatcher> m_pInputEndWatcher;

    // ONVIF cameras: run by the host where the build has ONVIF support, only
    // kept (and saved back) where it has not.
    std::vector<OnvifSimDevice> m_onvifDevices;
#if defined(LUMO_DEVSIM_ONVIF)
    std::unique_ptr<OnvifHost> m_pOnvif;
#endif
    std::unique_ptr<PasswordSeal> m_pSeal;
    std::vector<std::string> m_onvifEntries;
    std::vector<std::pair<uint64_t, std::function<void(bool)>>> m_afterSave;
};

} // namespace devsim
