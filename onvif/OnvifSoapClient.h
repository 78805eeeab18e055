#pragma once

#include "DeviceServiceCodec.h"
#include "HttpDigest.h"
#include "OnvifEnvelope.h"

#include <QObject>
#include <QString>
#include <QUrl>

#include <functional>

class QNetworkAccessManager;
class QNetworkReply;
class WsUsernameToken;

// Posts SOAP requests to one device service and reads the answers: every call
// has a deadline and a bounded body. With credentials a request carries a
// UsernameToken (Created from the device's clock through the offset); a 401
// with a Digest challenge is answered once with HTTP Digest, and the challenge
// is reused for the calls that follow.
class OnvifSoapClient : public QObject
{
    Q_OBJECT

public:
    enum class Outcome { Ok, Fault, Unauthorized, Timeout, NetworkError, TooLarge, Malformed };

    struct Result
    {
        Outcome outcome = Outcome::NetworkError;
        int nHttpStatus = 0;
        OnvifEnvelope envelope;
        QString error; // fault text, network error or parse error
    };

    using Builder = std::function<QByteArray(const WsUsernameToken* pToken)>;
    using Handler = std::function<void(const Result&)>;

    static constexpr qsizetype kMaxBody = 1024 * 1024;
    static constexpr int kDefaultDeadlineMs = 5000;

    // Without a manager of the caller's, the client makes and owns its own.
    explicit OnvifSoapClient(QNetworkAccessManager* pManager, QObject* pParent = nullptr);

    void setCredentials(const QString& strUser, const QString& strPassword);
    [[nodiscard]] bool hasCredentials() const { return !m_strUser.isEmpty(); }
    void setClockOffset(qint64 nSeconds) { m_nClockOffset = nSeconds; }
    [[nodiscard]] qint64 clockOffset() const { return m_nClockOffset; }
    void setDeadline(int nMs) { m_nDeadlineMs = nMs; }
    [[nodiscard]] int deadline() const { return m_nDeadlineMs; }

    // Sends one request; `bAuthenticate` adds the UsernameToken when there are
    // credentials. The handler runs exactly once, within the deadline (plus
    // one Digest retry's deadline).
    void call(const QUrl& url, DeviceServiceCodec::Operation operation, bool bAuthenticate,
              const Builder& builder, const Handler& handler);

    [[nodiscard]] static QString outcomeName(Outcome outcome);

private:
    struct Pending;
    void send(const std::shared_ptr<Pending>& pPending);
    void finish(const std::shared_ptr<Pending>& pPending, QNetworkReply* pReply);
    [[nodiscard]] bool retryWithDigest(const std::shared_ptr<Pending>& pPending, QNetworkReply* pReply);
    [[nodiscard]] Result readResult(QNetworkReply* pReply, bool bTooLarge, bool bTimedOut) const;

    QNetworkAccessManager* m_pManager;
    QString m_strUser;
    QString m_strPassword;
    qint64 m_nClockOffset = 0;
    int m_nDeadlineMs = kDefaultDeadlineMs;
    bool m_bHaveChallenge = false;
    HttpDigest::Challenge m_challenge;
    quint32 m_nDigestCount = 0;
};
