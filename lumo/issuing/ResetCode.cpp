#include "ResetCode.h"

#include "Crypto.h"

namespace lumo {

namespace {

constexpr char kAlphabet[] = "23456789ABCDEFGHJKLMNPQRSTUVWXYZ";

} // namespace

std::string ResetCode::forDate(const Secret& secret, std::string_view strSerial, uint32_t nDate)
{
    const std::string strMessage = std::string(strSerial) + '|' + std::to_string(nDate);
    const auto hash = Crypto::keyedHash(secret.data(), secret.size(), strMessage);
    uint64_t nBits = 0;
    for (int i = 0; i < 8; ++i)
        nBits = (nBits << 8) | hash[size_t(i)];
    std::string strCode;
    for (size_t i = 0; i < kLength; ++i) {
        strCode += kAlphabet[nBits & 31];
        nBits >>= 5;
    }
    return strCode;
}

ResetCode::Secret ResetCode::secretFor(const uint8_t* pIssuingKey, size_t nKeySize, std::string_view strSerial)
{
    return Crypto::keyedHash(pIssuingKey, nKeySize, "reset-secret|" + std::string(strSerial));
}

} // namespace lumo
