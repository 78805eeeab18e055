#include "SoapResponder.h"

#include "HttpDigest.h"
#include "OnvifEnvelope.h"
#include "OnvifNamespaces.h"
#include "WsUsernameToken.h"

#include <QDateTime>
#include <QFile>
#include <QTcpServer>
#include <QTcpSocket>

namespace {

const QByteArray kNotAuthorized =
    "<?xml version=\"1.0\"?><s:Envelope xmlns:s=\"http://www.w3.org/2003/05/soap-envelope\" "
    "xmlns:ter=\"http://www.onvif.org/ver10/error\"><s:Body><s:Fault><s:Code><s:Value>s:Sender</s:Value>"
    "<s:Subcode><s:Value>ter:NotAuthorized</s:Value></s:Subcode></s:Code>"
    "<s:Reason><s:Text xml:lang=\"en\">Sender not Authorized</s:Text></s:Reason></s:Fault></s:Body></s:Envelope>";

QHash<QString, QString> digestFields(const QByteArray& header)
{
    QHash<QString, QString> fields;
    const QString strText = QString::fromUtf8(header.mid(header.indexOf(' ') + 1));
    const QStringList parts = strText.split(QLatin1Char(','));
    for (const QString& strPart : parts) {
        const int nEquals = strPart.indexOf(QLatin1Char('='));
        if (nEquals < 0)
            continue;
        QString strValue = strPart.mid(nEquals + 1).trimmed();
        if (strValue.startsWith(QLatin1Char('"')))
            strValue = strValue.mid(1, strValue.size() - 2);
        fields.insert(strPart.left(nEquals).trimmed(), strValue);
    }
    return fields;
}

QByteArray headerValue(const QByteArray& head, const QByteArray& name)
{
    const QList<QByteArray> lines = head.split('\n');
    for (const QByteArray& line : lines)
        if (line.toLower().startsWith(name.toLower() + ':'))
            return line.mid(name.size() + 1).trimmed();
    return {};
}

} // namespace

SoapResponder::SoapResponder(QObject* pParent)
    : QObject(pParent), m_pServer(new QTcpServer(this))
{
    connect(m_pServer, &QTcpServer::newConnection, this, &SoapResponder::onConnection);
}

bool SoapResponder::listen(const QHostAddress& address, quint16 nPort)
{
    return m_pServer->listen(address, nPort);
}

void SoapResponder::close()
{
    m_pServer->close();
}

quint16 SoapResponder::port() const
{
    return m_pServer->serverPort();
}

QUrl SoapResponder::url() const
{
    return QUrl(QStringLiteral("http://%1:%2/onvif/device_service").arg(m_pServer->serverAddress().toString()).arg(port()));
}

void SoapResponder::setAuth(Auth auth, const QString& strUser, const QString& strPassword)
{
    m_auth = auth;
    m_strUser = strUser;
    m_strPassword = strPassword;
}

void SoapResponder::onConnection()
{
    while (QTcpSocket* pSocket = m_pServer->nextPendingConnection()) {
        connect(pSocket, &QTcpSocket::readyRead, this, [this, pSocket]() { onData(pSocket); });
        connect(pSocket, &QTcpSocket::disconnected, pSocket, &QObject::deleteLater);
    }
}

void SoapResponder::onData(QTcpSocket* pSocket)
{
    QByteArray buffer = pSocket->property("buffer").toByteArray() + pSocket->readAll();
    pSocket->setProperty("buffer", buffer);
    const int nEnd = buffer.indexOf("\r\n\r\n");
    if (nEnd < 0)
        return;
    const QByteArray head = buffer.left(nEnd);
    const int nLength = headerValue(head, "Content-Length").toInt();
    if (buffer.size() < nEnd + 4 + nLength)
        return;
    pSocket->setProperty("buffer", QByteArray());
    answer(pSocket, head, buffer.mid(nEnd + 4, nLength));
}

void SoapResponder::answer(QTcpSocket* pSocket, const QByteArray& head, const QByteArray& body)
{
    const OnvifEnvelope envelope = OnvifEnvelope::parse(body);
    const OnvifXmlElement* pOperation = envelope.body().firstChild();
    const QString strOperation = pOperation ? pOperation->name : QString();
    const bool bToken = envelope.header().find(OnvifNs::Security, QLatin1String("UsernameToken")) != nullptr;
    operations.append(strOperation);
    withToken.append(bToken);
    bodies.append(body);
    emit received(strOperation);

    const bool bClock = strOperation == QLatin1String("GetSystemDateAndTime");
    if (m_auth == Auth::HttpDigest && !bClock && !digestValid(head)) {
        ++nChallenges;
        send(pSocket, 401, QByteArray(),
             "WWW-Authenticate: Digest realm=\"TestCam\", qop=\"auth\", nonce=\"62fb10dacb7f08aa31fc\", opaque=\"025f3a12\"\r\n");
        return;
    }
    if (m_auth == Auth::UsernameToken && !bClock && !tokenValid(body)) {
        send(pSocket, 400, kNotAuthorized);
        return;
    }
    const auto it = m_replies.constFind(strOperation);
    if (it != m_replies.constEnd()) {
        if (!it->bSilent)
            send(pSocket, it->nStatus, it->body);
        return;
    }
    if (bClock) {
        send(pSocket, 200, clockReply());
        return;
    }
    send(pSocket, 500, QByteArray());
}

bool SoapResponder::tokenValid(const QByteArray& body) const
{
    const OnvifEnvelope envelope = OnvifEnvelope::parse(body);
    const OnvifXmlElement* pToken = envelope.header().find(OnvifNs::Security, QLatin1String("UsernameToken"));
    if (!pToken || pToken->childText(OnvifNs::Security, QLatin1String("Username")) != m_strUser)
        return false;
    const QString strCreated = pToken->childText(OnvifNs::Utility, QLatin1String("Created"));
    const QByteArray nonce = QByteArray::fromBase64(pToken->childText(OnvifNs::Security, QLatin1String("Nonce")).toLatin1());
    const QString strDigest = pToken->childText(OnvifNs::Security, QLatin1String("Password"));
    // Like a camera: Created must be within a few seconds of the device's own clock.
    const QDateTime created = QDateTime::fromString(strCreated, Qt::ISODate);
    const QDateTime deviceNow = QDateTime::currentDateTimeUtc().addSecs(m_nClockOffset);
    if (!created.isValid() || qAbs(created.secsTo(deviceNow)) > 5)
        return false;
    return strDigest == WsUsernameToken::digest(nonce, strCreated, m_strPassword);
}

bool SoapResponder::digestValid(const QByteArray& head) const
{
    const QByteArray authorization = headerValue(head, "Authorization");
    if (!authorization.startsWith("Digest "))
        return false;
    const QHash<QString, QString> fields = digestFields(authorization);
    HttpDigest::Challenge challenge;
    challenge.realm = QStringLiteral("TestCam");
    challenge.nonce = QStringLiteral("62fb10dacb7f08aa31fc");
    challenge.bQopAuth = true;
    if (fields.value(QStringLiteral("username")) != m_strUser || fields.value(QStringLiteral("nonce")) != challenge.nonce
        || fields.value(QStringLiteral("opaque")) != QLatin1String("025f3a12"))
        return false;
    const QString strExpected = HttpDigest::response(challenge, m_strUser, m_strPassword, QStringLiteral("POST"),
                                                     fields.value(QStringLiteral("uri")), fields.value(QStringLiteral("nc")),
                                                     fields.value(QStringLiteral("cnonce")));
    return fields.value(QStringLiteral("response")) == strExpected;
}

QByteArray SoapResponder::clockReply() const
{
    const QDateTime now = QDateTime::currentDateTimeUtc().addSecs(m_nClockOffset);
    return QStringLiteral(
               "<?xml version=\"1.0\"?><e:Envelope xmlns:e=\"http://www.w3.org/2003/05/soap-envelope\" "
               "xmlns:tt=\"http://www.onvif.org/ver10/schema\" xmlns:tds=\"http://www.onvif.org/ver10/device/wsdl\">"
               "<e:Body><tds:GetSystemDateAndTimeResponse><tds:SystemDateAndTime><tt:DateTimeType>Manual</tt:DateTimeType>"
               "<tt:UTCDateTime><tt:Time><tt:Hour>%1</tt:Hour><tt:Minute>%2</tt:Minute><tt:Second>%3</tt:Second></tt:Time>"
               "<tt:Date><tt:Year>%4</tt:Year><tt:Month>%5</tt:Month><tt:Day>%6</tt:Day></tt:Date></tt:UTCDateTime>"
               "</tds:SystemDateAndTime></tds:GetSystemDateAndTimeResponse></e:Body></e:Envelope>")
        .arg(now.time().hour()).arg(now.time().minute()).arg(now.time().second())
        .arg(now.date().year()).arg(now.date().month()).arg(now.date().day())
        .toUtf8();
}

void SoapResponder::send(QTcpSocket* pSocket, int nStatus, const QByteArray& body, const QByteArray& extraHeaders)
{
    QByteArray response = "HTTP/1.1 " + QByteArray::number(nStatus) + (nStatus == 200 ? " OK" : " Error") + "\r\n"
        "Content-Type: application/soap+xml; charset=utf-8\r\n"
        "Content-Length: " + QByteArray::number(body.size()) + "\r\n" + extraHeaders + "Connection: close\r\n\r\n" + body;
    pSocket->write(response);
    pSocket->disconnectFromHost();
}
