#pragma once

#include "SimDevice.h"

#include <chrono>
#include <cstdint>
#include <vector>

namespace devsim {

// What a device does with a command: hands out challenges, checks a request's
// tag against its password- or code-derived key, validates and applies new
// network parameters, restores the default password. No sockets here.
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

    DeviceAgent(uint32_t nOpsLimit, uint32_t nMemLimitKib);

    std::vector<uint8_t> challenge(SimDevice& device, uint32_t nId, const lumo::ChallengeRequestMessage& request,
                                   Clock::time_point now);
    Outcome modify(SimDevice& device, uint32_t nId, const lumo::ModifyMessage& request, const uint8_t* pRaw,
                   size_t nRawSize, Clock::time_point now);
    // nToday: the device's current date (YYYYMMDD); codes of the day before and after count too.
    Outcome reset(SimDevice& device, uint32_t nId, const lumo::ResetMessage& request, const uint8_t* pRaw,
                  size_t nRawSize, Clock::time_point now, uint32_t nToday);

    static lumo::ResultStatus validate(const SimDevice& device, const lumo::NetParams& params);
    static void apply(SimDevice& device, const lumo::NetParams& params);

    static constexpr std::chrono::seconds kChallengeLifetime{30};
    static constexpr size_t kMaxChallenges = 8;

private:
    IssuedChallenge* findChallenge(SimDevice& device, lumo::Purpose purpose, const lumo::Nonce& clientNonce,
                                   const lumo::Nonce& deviceNonce, Clock::time_point now);
    const lumo::Key& passwordKey(SimDevice& device);
    const lumo::Key& resetKey(SimDevice& device, uint32_t nDate);
    Outcome finish(IssuedChallenge& challenge, uint32_t nId, const SimDevice& device, lumo::ResultStatus status,
                   const lumo::Tag& requestTag, const lumo::Key& key);
    static Outcome replay(const IssuedChallenge& challenge, const lumo::Tag& requestTag);
    lumo::Key derive(const std::string& strSecret, const lumo::Salt& salt) const;

    uint32_t m_nOpsLimit;
    uint32_t m_nMemLimitKib;
};

} // namespace devsim
