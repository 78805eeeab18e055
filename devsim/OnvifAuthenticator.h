#pragma once

#include <pugixml.hpp>

#include <chrono>
#include <deque>
#include <mutex>
#include <string>

namespace devsim {

struct OnvifSimDevice;

// Checks one camera's callers: a WS-UsernameToken (PasswordDigest
// Base64(SHA-1(nonce + created + password)), Created within five minutes of the
// camera's own clock) or, when the request has none (or the camera takes Digest
// only), HTTP Digest (MD5, qop=auth) against nonces the camera handed out.
class OnvifAuthenticator
{
public:
    enum class Verdict {
        Accepted,
        Missing,        // neither a token nor a Digest header: answer with a challenge
        TokenRefused,   // a UsernameToken that does not hold
        DigestRefused   // a Digest answer that does not hold
    };

    static constexpr auto kCreatedTolerance = std::chrono::minutes(5);
    static constexpr size_t kNoncesKept = 64;

    Verdict check(const pugi::xml_document& request, const std::string& strAuthorization,
                  const std::string& strMethod, const OnvifSimDevice& device);
    // A WWW-Authenticate value with a fresh nonce.
    std::string challenge();

    static std::string realm() { return "ONVIF camera"; }
    // Created time of a UsernameToken (UTC, "Z", optional fraction); -1 when unreadable.
    static long long parseCreated(const std::string& strText);
    static std::string sha1Base64(const std::string& strData);
    static std::string md5Hex(const std::string& strData);

private:
    Verdict checkToken(pugi::xml_node token, const OnvifSimDevice& device) const;
    Verdict checkDigest(const std::string& strAuthorization, const std::string& strMethod, const OnvifSimDevice& device);
    bool knowsNonce(const std::string& strNonce);

    std::mutex m_mutex;
    std::deque<std::string> m_nonces;
};

} // namespace devsim
