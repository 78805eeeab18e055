#include "OnvifAuthenticator.h"

#include "OnvifSimDevice.h"
#include "OnvifXml.h"
#include "UtcCalendar.h"

#include <nettle/md5.h>
#include <nettle/sha1.h>
#include <sodium.h>

#include <cstdio>
#include <ctime>
#include <map>
#include <vector>

namespace devsim {

namespace {

std::string toHex(const uint8_t* pData, size_t nSize)
{
    std::string strHex(nSize * 2 + 1, '\0');
    sodium_bin2hex(strHex.data(), strHex.size(), pData, nSize);
    strHex.pop_back();
    return strHex;
}

std::vector<uint8_t> fromBase64(const std::string& strText)
{
    std::vector<uint8_t> bytes(strText.size());
    size_t nSize = 0;
    if (sodium_base642bin(bytes.data(), bytes.size(), strText.data(), strText.size(), " \t\r\n", &nSize, nullptr,
                          sodium_base64_VARIANT_ORIGINAL)
        != 0)
        return {};
    bytes.resize(nSize);
    return bytes;
}

bool sameText(const std::string& strFirst, const std::string& strSecond)
{
    return strFirst.size() == strSecond.size() && sodium_memcmp(strFirst.data(), strSecond.data(), strFirst.size()) == 0;
}

// The parameters of "Digest name=value, name="quoted value", ...".
std::map<std::string, std::string> digestParameters(const std::string& strHeader)
{
    std::map<std::string, std::string> parameters;
    if (strHeader.size() > 4096 || strHeader.compare(0, 7, "Digest ") != 0)
        return parameters;
    size_t nPos = 7;
    while (nPos < strHeader.size()) {
        while (nPos < strHeader.size() && (strHeader[nPos] == ' ' || strHeader[nPos] == ','))
            ++nPos;
        const size_t nEquals = strHeader.find('=', nPos);
        if (nEquals == std::string::npos)
            break;
        std::string strName = strHeader.substr(nPos, nEquals - nPos);
        for (char& c : strName)
            c = char(std::tolower(static_cast<unsigned char>(c)));
        nPos = nEquals + 1;
        std::string strValue;
        if (nPos < strHeader.size() && strHeader[nPos] == '"') {
            for (++nPos; nPos < strHeader.size() && strHeader[nPos] != '"'; ++nPos) {
                if (strHeader[nPos] == '\\' && nPos + 1 < strHeader.size())
                    ++nPos;
                strValue += strHeader[nPos];
            }
            ++nPos;
        } else {
            const size_t nEnd = strHeader.find(',', nPos);
            strValue = strHeader.substr(nPos, nEnd == std::string::npos ? std::string::npos : nEnd - nPos);
            while (!strValue.empty() && strValue.back() == ' ')
                strValue.pop_back();
            nPos = nEnd == std::string::npos ? strHeader.size() : nEnd;
        }
        parameters[strName] = strValue;
    }
    return parameters;
}

} // namespace

std::string OnvifAuthenticator::sha1Base64(const std::string& strData)
{
    sha1_ctx context;
    sha1_init(&context);
    sha1_update(&context, strData.size(), reinterpret_cast<const uint8_t*>(strData.data()));
    uint8_t digest[SHA1_DIGEST_SIZE];
    sha1_digest(&context, sizeof(digest), digest);
    std::string strText(sodium_base64_encoded_len(sizeof(digest), sodium_base64_VARIANT_ORIGINAL), '\0');
    sodium_bin2base64(strText.data(), strText.size(), digest, sizeof(digest), sodium_base64_VARIANT_ORIGINAL);
    strText.pop_back();
    return strText;
}

std::string OnvifAuthenticator::md5Hex(const std::string& strData)
{
    md5_ctx context;
    md5_init(&context);
    md5_update(&context, strData.size(), reinterpret_cast<const uint8_t*>(strData.data()));
    uint8_t digest[MD5_DIGEST_SIZE];
    md5_digest(&context, sizeof(digest), digest);
    return toHex(digest, sizeof(digest));
}

long long OnvifAuthenticator::parseCreated(const std::string& strText)
{
    std::tm parts{};
    char zone = 0;
    int nRead = 0;
    if (std::sscanf(strText.c_str(), "%4d-%2d-%2dT%2d:%2d:%2d%n", &parts.tm_year, &parts.tm_mon, &parts.tm_mday,
                    &parts.tm_hour, &parts.tm_min, &parts.tm_sec, &nRead)
        != 6)
        return -1;
    size_t nPos = size_t(nRead);
    if (nPos < strText.size() && strText[nPos] == '.')
        for (++nPos; nPos < strText.size() && std::isdigit(static_cast<unsigned char>(strText[nPos])); ++nPos) {
        }
    zone = nPos < strText.size() ? strText[nPos] : 0;
    if (zone != 'Z' || nPos + 1 != strText.size())
        return -1;
    parts.tm_year -= 1900;
    parts.tm_mon -= 1;
    return static_cast<long long>(UtcCalendar::toSeconds(parts));
}

OnvifAuthenticator::Verdict OnvifAuthenticator::check(const pugi::xml_document& request,
                                                      const std::string& strAuthorization,
                                                      const std::string& strMethod, const OnvifSimDevice& device)
{
    const pugi::xml_node security = OnvifXml::child(OnvifXml::header(request), OnvifXml::kSecurity, "Security");
    const pugi::xml_node token = OnvifXml::child(security, OnvifXml::kSecurity, "UsernameToken");
    if (token && !device.bDigestOnly)
        return checkToken(token, device);
    if (!strAuthorization.empty())
        return checkDigest(strAuthorization, strMethod, device);
    return Verdict::Missing;
}

OnvifAuthenticator::Verdict OnvifAuthenticator::checkToken(pugi::xml_node token, const OnvifSimDevice& device) const
{
    const std::string strUser = OnvifXml::childText(token, OnvifXml::kSecurity, "Username");
    const pugi::xml_node password = OnvifXml::child(token, OnvifXml::kSecurity, "Password");
    const std::string strType = password.attribute("Type").value();
    const std::string strNonce = OnvifXml::childText(token, OnvifXml::kSecurity, "Nonce");
    const std::string strCreated = OnvifXml::childText(token, OnvifXml::kUtility, "Created");
    const long long nCreated = parseCreated(strCreated);
    const long long nDeviceNow = static_cast<long long>(std::time(nullptr)) + device.nClockOffsetSeconds;
    const long long nTolerance = std::chrono::duration_cast<std::chrono::seconds>(kCreatedTolerance).count();
    const std::vector<uint8_t> nonce = fromBase64(strNonce);
    if (strUser != device.strUser || nCreated < 0 || nonce.empty() || nCreated > nDeviceNow + nTolerance
        || nCreated < nDeviceNow - nTolerance)
        return Verdict::TokenRefused;
    if (strType.size() < 15 || strType.compare(strType.size() - 15, 15, "#PasswordDigest") != 0)
        return Verdict::TokenRefused;
    const std::string strExpected
        = sha1Base64(std::string(nonce.begin(), nonce.end()) + strCreated + device.strPassword);
    std::string strGiven = password.text().get();
    strGiven.erase(0, strGiven.find_first_not_of(" \t\r\n"));
    strGiven.erase(strGiven.find_last_not_of(" \t\r\n") + 1);
    return sameText(strExpected, strGiven) ? Verdict::Accepted : Verdict::TokenRefused;
}

OnvifAuthenticator::Verdict OnvifAuthenticator::checkDigest(const std::string& strAuthorization,
                                                            const std::string& strMethod, const OnvifSimDevice& device)
{
    std::map<std::string, std::string> parameters = digestParameters(strAuthorization);
    const std::string strNonce = parameters["nonce"];
    if (parameters["username"] != device.strUser || parameters["realm"] != realm() || !knowsNonce(strNonce)
        || parameters["qop"] != "auth" || parameters["nc"].empty() || parameters["cnonce"].empty())
        return Verdict::DigestRefused;
    const std::string strAlgorithm = parameters["algorithm"];
    if (!strAlgorithm.empty() && strAlgorithm != "MD5")
        return Verdict::DigestRefused;
    const std::string strHa1 = md5Hex(device.strUser + ":" + realm() + ":" + device.strPassword);
    const std::string strHa2 = md5Hex(strMethod + ":" + parameters["uri"]);
    const std::string strExpected
        = md5Hex(strHa1 + ":" + strNonce + ":" + parameters["nc"] + ":" + parameters["cnonce"] + ":auth:" + strHa2);
    return sameText(strExpected, parameters["response"]) ? Verdict::Accepted : Verdict::DigestRefused;
}

bool OnvifAuthenticator::knowsNonce(const std::string& strNonce)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    for (const std::string& strKnown : m_nonces)
        if (strKnown == strNonce)
            return true;
    return false;
}

std::string OnvifAuthenticator::challenge()
{
    uint8_t bytes[16];
    randombytes_buf(bytes, sizeof(bytes));
    const std::string strNonce = toHex(bytes, sizeof(bytes));
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_nonces.push_back(strNonce);
        if (m_nonces.size() > kNoncesKept)
            m_nonces.pop_front();
    }
    return "Digest realm=\"" + realm() + "\", qop=\"auth\", algorithm=MD5, nonce=\"" + strNonce + "\"";
}

} // namespace devsim
