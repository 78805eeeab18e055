#pragma once

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

// A challenge a device handed out; used once, then its result is kept so that a
// retransmitted request gets the same answer without being applied twice.
struct IssuedChallenge
{
    lumo::Purpose purpose = lumo::Purpose::Modify;
    lumo::Nonce clientNonce{};
    lumo::Nonce deviceNonce{};
    std::chrono::steady_clock::time_point issued;
    bool bConsumed = false;
    lumo::Tag requestTag{};
    std::vector<uint8_t> resultPacket;
};

// One simulated device: what it reports, its secrets and its protocol state.
struct SimDevice
{
    lumo::DeviceInfo info;
    std::string strPassword;
    std::string strDefaultPassword;
    lumo::Salt salt{};
    // Made at the factory from the serial number; the codes that restore the
    // default password are derived from it, so it opens this device alone.
    lumo::ResetCode::Secret resetSecret{};

    // Derived keys are cached: key derivation is deliberately slow.
    std::optional<lumo::Key> passwordKey;
    std::map<uint32_t, lumo::Key> resetKeys; // by date
    std::deque<IssuedChallenge> challenges;

    uint32_t nLastAckedInquiry = 0;
    uint32_t nLastAnsweredInquiry = 0;
    int nLastAnsweredRound = -1;
};

} // namespace devsim
