#include "PasswordSeal.h"

#include "DurableFile.h"

#include <sodium.h>

#include <fstream>
#include <iterator>
#include <stdexcept>
#include <vector>

namespace devsim {

namespace {

constexpr size_t kMaxPassword = 256;

std::string toBase64(const std::vector<uint8_t>& bytes)
{
    std::string strText(sodium_base64_encoded_len(bytes.size(), sodium_base64_VARIANT_ORIGINAL), '\0');
    sodium_bin2base64(strText.data(), strText.size(), bytes.data(), bytes.size(), sodium_base64_VARIANT_ORIGINAL);
    strText.resize(strText.size() - 1); // the terminating zero
    return strText;
}

std::optional<std::vector<uint8_t>> fromBase64(const std::string& strText, size_t nMax)
{
    std::vector<uint8_t> bytes(nMax);
    size_t nSize = 0;
    if (sodium_base642bin(bytes.data(), bytes.size(), strText.data(), strText.size(), nullptr, &nSize, nullptr,
                          sodium_base64_VARIANT_ORIGINAL)
        != 0)
        return std::nullopt;
    bytes.resize(nSize);
    return bytes;
}

} // namespace

std::string PasswordSeal::keyPathFor(const std::string& strStatePath)
{
    return strStatePath + ".key";
}

PasswordSeal PasswordSeal::forKeyFile(const std::string& strKeyPath)
{
    if (sodium_init() < 0)
        throw std::runtime_error("libsodium cannot start");
    KeyBytes key{};
    std::ifstream file(strKeyPath, std::ios::binary);
    if (file) {
        const std::string strText((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
        const auto bytes = fromBase64(strText.substr(0, strText.find_first_of("\r\n")), key.size() + 1);
        if (!bytes || bytes->size() != key.size())
            throw std::runtime_error("bad password key file " + strKeyPath);
        std::copy(bytes->begin(), bytes->end(), key.begin());
        return PasswordSeal(key);
    }
    randombytes_buf(key.data(), key.size());
    DurableFile::replace(strKeyPath, toBase64(std::vector<uint8_t>(key.begin(), key.end())) + "\n");
    return PasswordSeal(key);
}

std::string PasswordSeal::seal(const std::string& strPassword) const
{
    std::vector<uint8_t> bytes(crypto_secretbox_NONCEBYTES + crypto_secretbox_MACBYTES + strPassword.size());
    randombytes_buf(bytes.data(), crypto_secretbox_NONCEBYTES);
    crypto_secretbox_easy(bytes.data() + crypto_secretbox_NONCEBYTES,
                          reinterpret_cast<const unsigned char*>(strPassword.data()), strPassword.size(), bytes.data(),
                          m_key.data());
    return toBase64(bytes);
}

std::optional<std::string> PasswordSeal::open(const std::string& strSealed) const
{
    const auto bytes = fromBase64(strSealed, crypto_secretbox_NONCEBYTES + crypto_secretbox_MACBYTES + kMaxPassword);
    if (!bytes || bytes->size() < crypto_secretbox_NONCEBYTES + crypto_secretbox_MACBYTES)
        return std::nullopt;
    const size_t nBox = bytes->size() - crypto_secretbox_NONCEBYTES;
    std::string strPassword(nBox - crypto_secretbox_MACBYTES, '\0');
    if (crypto_secretbox_open_easy(reinterpret_cast<unsigned char*>(strPassword.data()),
                                   bytes->data() + crypto_secretbox_NONCEBYTES, nBox, bytes->data(), m_key.data())
        != 0)
        return std::nullopt;
    return strPassword;
}

} // namespace devsim
