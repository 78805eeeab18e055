#pragma once

#include <QByteArray>
#include <QString>

// HTTP Digest access authentication (RFC 7616, RFC 2617) with MD5 and
// qop=auth, the variant ONVIF devices offer. Reads a WWW-Authenticate
// challenge and computes the Authorization header of a request.
class HttpDigest
{
public:
    struct Challenge
    {
        QString realm;
        QString nonce;
        QString opaque;
        QString algorithm; // empty or MD5
        bool bQopAuth = false;
        bool bStale = false;
    };

    // Reads a "Digest ..." challenge; false for another scheme, an unsupported
    // algorithm or a challenge without realm or nonce.
    [[nodiscard]] static bool parseChallenge(const QByteArray& header, Challenge* pChallenge);

    // The "response" value: MD5(HA1:nonce:nc:cnonce:qop:HA2) with qop=auth,
    // MD5(HA1:nonce:HA2) without.
    [[nodiscard]] static QString response(const Challenge& challenge, const QString& strUser, const QString& strPassword,
                                          const QString& strMethod, const QString& strUri, const QString& strNc,
                                          const QString& strCnonce);

    // The whole Authorization header value.
    [[nodiscard]] static QByteArray authorization(const Challenge& challenge, const QString& strUser, const QString& strPassword,
                                                  const QString& strMethod, const QString& strUri, quint32 nCount,
                                                  const QString& strCnonce);
    [[nodiscard]] static QString newCnonce();
};
