#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>

class QXmlStreamWriter;

// WS-Security UsernameToken with PasswordDigest:
// Base64(SHA-1(nonce + created + password)), the nonce as raw bytes. Created is
// the device's time (our clock plus the offset read by GetSystemDateAndTime), so
// that a camera whose clock is wrong still accepts the token.
class WsUsernameToken
{
public:
    WsUsernameToken(const QString& strUser, const QString& strPassword, const QByteArray& nonce, const QDateTime& created);

    // A token with a fresh 16-byte nonce, created at now + the device's clock offset.
    [[nodiscard]] static WsUsernameToken create(const QString& strUser, const QString& strPassword, qint64 nClockOffsetSeconds);
    [[nodiscard]] static QString digest(const QByteArray& nonce, const QString& strCreated, const QString& strPassword);
    [[nodiscard]] static QString formatCreated(const QDateTime& created);

    [[nodiscard]] QString user() const { return m_strUser; }
    [[nodiscard]] QString nonceBase64() const { return QString::fromLatin1(m_nonce.toBase64()); }
    [[nodiscard]] QString created() const { return m_strCreated; }
    [[nodiscard]] QString passwordDigest() const { return m_strDigest; }

    // Writes wsse:Security (with the "wsse" and "wsu" prefixes declared on the envelope).
    void write(QXmlStreamWriter& writer) const;

private:
    QString m_strUser;
    QByteArray m_nonce;
    QString m_strCreated;
    QString m_strDigest;
};
