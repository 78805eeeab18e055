#include "Crypto.h"

#include <sodium.h>

namespace lumo {

bool Crypto::initialise()
{
    return sodium_init() >= 0;
}

void Crypto::randomBytes(uint8_t* pOut, size_t nSize)
{
    initialise();
    randombytes_buf(pOut, nSize);
}

uint32_t Crypto::randomU32()
{
    initialise();
    return randombytes_random();
}

uint32_t Crypto::randomBelow(uint32_t nBound)
{
    if (nBound <= 1)
        return 0;
    initialise();
    return randombytes_uniform(nBound);
}

std::optional<Key> Crypto::deriveKey(std::string_view strSecret, const Salt& salt,
                                     uint32_t nOpsLimit, uint32_t nMemLimitKib)
{
    if (nOpsLimit < kMinPwhashOps || nOpsLimit > kMaxPwhashOps
        || nMemLimitKib < kMinPwhashMemKib || nMemLimitKib > kMaxPwhashMemKib)
        return std::nullopt;
    initialise();
    Key key{};
    const int nResult = crypto_pwhash(key.data(), key.size(), strSecret.data(), strSecret.size(),
                                      salt.data(), nOpsLimit, size_t(nMemLimitKib) * 1024u,
                                      crypto_pwhash_ALG_ARGON2ID13);
    if (nResult != 0)
        return std::nullopt;
    return key;
}

Tag Crypto::computeTag(const Key& key, const uint8_t* pData, size_t nSize)
{
    static_assert(kTagSize == crypto_auth_hmacsha256_BYTES, "tag size");
    static_assert(kKeySize == crypto_auth_hmacsha256_KEYBYTES, "key size");
    Tag tag{};
    crypto_auth_hmacsha256(tag.data(), pData, nSize, key.data());
    return tag;
}

bool Crypto::tagsEqual(const Tag& first, const uint8_t* pSecond)
{
    return sodium_memcmp(first.data(), pSecond, first.size()) == 0;
}

std::array<uint8_t, 32> Crypto::keyedHash(const uint8_t* pKey, size_t nKeySize, std::string_view strMessage)
{
    initialise();
    std::array<uint8_t, 32> hash{};
    crypto_generichash(hash.data(), hash.size(), reinterpret_cast<const unsigned char*>(strMessage.data()),
                       strMessage.size(), pKey, nKeySize);
    return hash;
}

} // namespace lumo
