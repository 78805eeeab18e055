#pragma once

#include "SimDevice.h"

#include <chrono>
#include <cstdint>
#include <deque>
#include <optional>
#include <vector>

namespace devsim {

// What a device does with a command: hands out challenges, checks a request's
// tag against its password- or code-derived key, validates and applies new
// network parameters, restores the default password, and limits guessing per
// source address (IPv4, host order). No sockets here.
class DeviceAgent
{
public:
    using Clock = std::chrono::steady_clock;

    struct Outcome
    {
        std::vector<uint8_t> reply;
        lumo::ResultStatus status = lumo::ResultStatus::AuthFailed;
        bool bChanged = false;
        bool bForged = false;
    };

    // A challenge, a "locked" result while the source is refused, or nothing when
    // the source asks for new challenges faster than kChallengesPerSecond.
    std::vector<uint8_t> challenge(SimDevice& device, uint32_t nId, const lumo::ChallengeRequestMessage& request,
                                   uint32_t nSource, Clock::time_point now);
    Outcome modify(SimDevice& device, uint32_t nId, const lumo::ModifyMessage& request, const uint8_t* pRaw,
                   size_t nRawSize, uint32_t nSource, Clock::time_point now);
    // nToday: the device's current date (YYYYMMDD); codes of the day before and after count too.
    Outcome reset(SimDevice& device, uint32_t nId, const lumo::ResetMessage& request, const uint8_t* pRaw,
                  size_t nRawSize, uint32_t nSource, Clock::time_point now, uint32_t nToday);

    static lumo::ResultStatus validate(const SimDevice& device, const lumo::NetParams& params);
    static void apply(SimDevice& device, const lumo::NetParams& params);

    static constexpr std::chrono::seconds kChallengeLifetime{30};
    static constexpr size_t kMaxChallenges = 8;        // per source address
    static constexpr size_t kMaxChallengeSources = 64; // per device
    static constexpr double kChallengesPerSecond = 20; // new ones per source address, also the burst

private:
    struct Request
    {
        lumo::Purpose purpose;
        const lumo::Nonce& clientNonce;
        const lumo::Nonce& deviceNonce;
        const lumo::Tag& tag;
        uint32_t nId;
        uint32_t nSource;
    };

    SourceChallenges& challengesOf(SimDevice& device, uint32_t nSource, Clock::time_point now);
    static bool takeAllowance(SourceChallenges& source, Clock::time_point now);
    IssuedChallenge* findChallenge(SimDevice& device, const Request& request, Clock::time_point now);
    // The answer to a request before its tag is checked, if it gets one without.
    std::optional<Outcome> screen(SimDevice& device, IssuedChallenge* pChallenge, const Request& request,
                                  Clock::time_point now);
    Outcome refuse(SimDevice& device, IssuedChallenge& challenge, const Request& request, Clock::time_point now);
    Outcome finish(IssuedChallenge& challenge, const Request& request, const SimDevice& device,
                   lumo::ResultStatus status, const lumo::Key& key);
    static const lumo::Key& resetKey(SimDevice& device, uint32_t nDate);
};

} // namespace devsim
