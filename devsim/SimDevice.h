#pragma once

#include "AttemptLimiter.h"
#include "Messages.h"
#include "ResetCode.h"

#include <chrono>
#include <cstdint>
#include <deque>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace devsim {

// A challenge a device handed out; used once by a request that authenticates,
// then its result is kept so that a retransmitted request gets the same answer
// without being applied twice. A request that fails to authenticate leaves it
// unused for the client that asked for it.
struct IssuedChallenge
{
    lumo::Purpose purpose = lumo::Purpose::Modify;
    lumo::Nonce clientNonce{};
    lumo::Nonce deviceNonce{};
    std::chrono::steady_clock::time_point issued;
    bool bConsumed = false;
    lumo::Tag requestTag{};
    std::vector<uint8_t> resultPacket;
    // The last refused request, so that its retransmission is answered alike and counted once.
    lumo::Tag failedTag{};
    std::vector<uint8_t> failedResult;
};

// The challenges a device gave one source address, and how many more it may ask
// for right now (refilled at a steady rate, so that a flood costs the device little).
struct SourceChallenges
{
    std::deque<IssuedChallenge> issued;
    double dAllowance = 0;
    std::chrono::steady_clock::time_point refilled{};
};

// The cost of a device's key derivation, announced in its challenges.
struct KeyCost
{
    uint32_t nOps = lumo::kMinPwhashOps;
    uint32_t nMemKib = lumo::kMinPwhashMemKib;
};

// One simulated device: what it reports, its secrets and its protocol state.
// Passwords are kept only as the keys the protocol derives from them.
struct SimDevice
{
    lumo::DeviceInfo info;
    lumo::Salt salt{};
    KeyCost cost;
    lumo::Key passwordKey{};
    lumo::Key defaultPasswordKey{}; // what a restore sets
    // Made at the factory from the serial number; the codes that restore the
    // default password are derived from it, so it opens this device alone.
    lumo::ResetCode::Secret resetSecret{};

    // Derived keys are cached: key derivation is deliberately slow.
    std::map<uint32_t, lumo::Key> resetKeys; // by date
    // Kept per source address, so that requests from one address cannot evict another's.
    std::map<uint32_t, SourceChallenges> challenges;
    AttemptLimiter limiter;

    uint32_t nLastAckedInquiry = 0;
    uint32_t nLastAnsweredInquiry = 0;
    int nLastAnsweredRound = -1;
};

} // namespace devsim
