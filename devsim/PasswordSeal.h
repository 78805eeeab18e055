#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

namespace devsim {

// Seals the ONVIF passwords kept in the state file. The devices must check
// WS-UsernameToken digests, which need the password itself, so a one-way hash
// (as the other devices keep) will not do; instead each password is sealed
// (libsodium secretbox) with a random key kept in a file of its own beside the
// state file, readable by its owner only. The state file alone, copied or shown,
// holds no password in clear.
class PasswordSeal
{
public:
    using KeyBytes = std::array<uint8_t, 32>;

    // A seal whose key lives in strKeyPath: read when the file exists, otherwise
    // made at random and written there. Throws std::runtime_error.
    static PasswordSeal forKeyFile(const std::string& strKeyPath);
    // The key file that belongs to a state file.
    static std::string keyPathFor(const std::string& strStatePath);

    explicit PasswordSeal(const KeyBytes& key) : m_key(key) {}

    // Base64 of nonce and box.
    std::string seal(const std::string& strPassword) const;
    // nullopt when the text was not sealed with this key.
    std::optional<std::string> open(const std::string& strSealed) const;

private:
    KeyBytes m_key;
};

} // namespace devsim
