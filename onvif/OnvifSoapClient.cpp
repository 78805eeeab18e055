#include "OnvifSoapClient.h"
#include "WsUsernameToken.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>

#include <memory>
#include <optional>

struct OnvifSoapClient::Pending
{
    QUrl url;
    DeviceServiceCodec::Operation operation;
    bool bAuthenticate = false;
    Builder builder;
    Handler handler;
    bool bDigestTried = false;
    bool bTooLarge = false;
    bool bTimedOut = false;
};

OnvifSoapClient::OnvifSoapClient(QNetworkAccessManager* pManager, QObject* pParent)
    : QObject(pParent), m_pManager(pManager ? pManager : new QNetworkAccessManager(this))
{
}

void OnvifSoapClient::setCredentials(const QString& strUser, const QString& strPassword)
{
    m_strUser = strUser;
    m_strPassword = strPassword;
    m_bHaveChallenge = false;
}

void OnvifSoapClient::call(const QUrl& url, DeviceServiceCodec::Operation operation, bool bAuthenticate,
                           const Builder& builder, const Handler& handler)
{
    auto pPending = std::make_shared<Pending>();
    pPending->url = url;
    pPending->operation = operation;
    pPending->bAuthenticate = bAuthenticate && hasCredentials();
    pPending->builder = builder;
    pPending->handler = handler;
    send(pPending);
}

void OnvifSoapClient::send(const std::shared_ptr<Pending>& pPending)
{
    pPending->bTooLarge = false;
    pPending->bTimedOut = false;
    std::optional<WsUsernameToken> token;
    if (pPending->bAuthenticate)
        token = WsUsernameToken::create(m_strUser, m_strPassword, m_nClockOffset);
    const QByteArray body = pPending->builder(token ? &*token : nullptr);

    QNetworkRequest request(pPending->url);
    request.setHeader(QNetworkRequest::ContentTypeHeader,
                      QStringLiteral("application/soap+xml; charset=utf-8; action=\"%1\"")
                          .arg(DeviceServiceCodec::action(pPending->operation)));
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::ManualRedirectPolicy);
    request.setAttribute(QNetworkRequest::Http2AllowedAttribute, false);
    if (pPending->bAuthenticate && m_bHaveChallenge) {
        QString strUri = pPending->url.path(QUrl::FullyEncoded);
        if (strUri.isEmpty())
            strUri = QStringLiteral("/");
        request.setRawHeader("Authorization", HttpDigest::authorization(m_challenge, m_strUser, m_strPassword,
                                                                        QStringLiteral("POST"), strUri,
                                                                        ++m_nDigestCount, HttpDigest::newCnonce()));
    }
    QNetworkReply* pReply = m_pManager->post(request, body);
    connect(pReply, &QNetworkReply::downloadProgress, pReply, [pReply, pPending](qint64 nReceived, qint64 nTotal) {
        if (nReceived > kMaxBody || nTotal > kMaxBody) {
            pPending->bTooLarge = true;
            pReply->abort();
        }
    });
    QTimer::singleShot(m_nDeadlineMs, pReply, [pReply, pPending]() {
        pPending->bTimedOut = true;
        pReply->abort();
    });
    connect(pReply, &QNetworkReply::finished, this, [this, pReply, pPending]() { finish(pPending, pReply); });
}

void OnvifSoapClient::finish(const std::shared_ptr<Pending>& pPending, QNetworkReply* pReply)
{
    pReply->deleteLater();
    if (retryWithDigest(pPending, pReply))
        return;
    const Result result = readResult(pReply, pPending->bTooLarge, pPending->bTimedOut);
    pPending->handler(result);
}

bool OnvifSoapClient::retryWithDigest(const std::shared_ptr<Pending>& pPending, QNetworkReply* pReply)
{
    const int nStatus = pReply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (nStatus != 401 || pPending->bDigestTried || !hasCredentials())
        return false;
    HttpDigest::Challenge challenge;
    if (!HttpDigest::parseChallenge(pReply->rawHeader("WWW-Authenticate"), &challenge))
        return false;
    pPending->bDigestTried = true;
    pPending->bAuthenticate = true;
    m_challenge = challenge;
    m_bHaveChallenge = true;
    m_nDigestCount = 0;
    send(pPending);
    return true;
}

OnvifSoapClient::Result OnvifSoapClient::readResult(QNetworkReply* pReply, bool bTooLarge, bool bTimedOut) const
{
    Result result;
    result.nHttpStatus = pReply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (bTimedOut) {
        result.outcome = Outcome::Timeout;
        result.error = QStringLiteral("no answer within %1 ms").arg(m_nDeadlineMs);
        return result;
    }
    if (bTooLarge) {
        result.outcome = Outcome::TooLarge;
        result.error = QStringLiteral("answer larger than %1 bytes").arg(kMaxBody);
        return result;
    }
    if (result.nHttpStatus == 401 || result.nHttpStatus == 403) {
        result.outcome = Outcome::Unauthorized;
        result.error = QStringLiteral("HTTP %1").arg(result.nHttpStatus);
        return result;
    }
    if (result.nHttpStatus == 0) {
        result.outcome = Outcome::NetworkError;
        result.error = pReply->errorString();
        return result;
    }
    OnvifEnvelope::Limits limits;
    limits.maxBytes = kMaxBody;
    result.envelope = OnvifEnvelope::parse(pReply->read(kMaxBody + 1), limits);
    if (!result.envelope.isValid()) {
        result.outcome = result.nHttpStatus >= 300 ? Outcome::NetworkError : Outcome::Malformed;
        result.error = result.nHttpStatus >= 300 ? QStringLiteral("HTTP %1").arg(result.nHttpStatus)
                                                 : OnvifEnvelope::errorName(result.envelope.error());
        return result;
    }
    if (result.envelope.isFault()) {
        const QString strFault = result.envelope.faultText();
        const bool bAuth = strFault.contains(QLatin1String("NotAuthorized"))
            || strFault.contains(QLatin1String("FailedAuthentication"));
        result.outcome = bAuth ? Outcome::Unauthorized : Outcome::Fault;
        result.error = strFault;
        return result;
    }
    result.outcome = Outcome::Ok;
    return result;
}

QString OnvifSoapClient::outcomeName(Outcome outcome)
{
    switch (outcome) {
    case Outcome::Ok: return QStringLiteral("ok");
    case Outcome::Fault: return QStringLiteral("fault");
    case Outcome::Unauthorized: return QStringLiteral("unauthorized");
    case Outcome::Timeout: return QStringLiteral("timeout");
    case Outcome::NetworkError: return QStringLiteral("network error");
    case Outcome::TooLarge: return QStringLiteral("too large");
    case Outcome::Malformed: return QStringLiteral("malformed");
    }
    return QString();
}
