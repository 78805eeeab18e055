#pragma once

#include "Messages.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

namespace lumo {

// The few cryptographic operations of the protocol, all from libsodium:
// Argon2id key derivation, HMAC-SHA-256 tags and random numbers.
class Crypto
{
public:
    // Safe to call repeatedly and from several threads.
    static bool initialise();

    static void randomBytes(uint8_t* pOut, size_t nSize);
    static uint32_t randomU32();
    // Uniform in [0, nBound).
    static uint32_t randomBelow(uint32_t nBound);

    // Derives the request key from a password or security code; nullopt when the
    // limits are outside what the protocol allows or memory runs out.
    static std::optional<Key> deriveKey(std::string_view strSecret, const Salt& salt,
                                        uint32_t nOpsLimit, uint32_t nMemLimitKib);

    static Tag computeTag(const Key& key, const uint8_t* pData, size_t nSize);
    static bool tagsEqual(const Tag& first, const uint8_t* pSecond);
    // A keyed hash (BLAKE2b): reset secrets and the codes derived from them.
    static std::array<uint8_t, 32> keyedHash(const uint8_t* pKey, size_t nKeySize,
                                             std::string_view strMessage);
};

} // namespace lumo
