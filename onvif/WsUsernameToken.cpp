#include "WsUsernameToken.h"
#include "OnvifNamespaces.h"

#include <QCryptographicHash>
#include <QRandomGenerator>
#include <QXmlStreamWriter>

WsUsernameToken::WsUsernameToken(const QString& strUser, const QString& strPassword, const QByteArray& nonce, const QDateTime& created)
    : m_strUser(strUser), m_nonce(nonce), m_strCreated(formatCreated(created)),
      m_strDigest(digest(nonce, m_strCreated, strPassword))
{
}

WsUsernameToken WsUsernameToken::create(const QString& strUser, const QString& strPassword, qint64 nClockOffsetSeconds)
{
    QByteArray nonce(16, Qt::Uninitialized);
    QRandomGenerator::system()->generate(nonce.begin(), nonce.end());
    const QDateTime created = QDateTime::currentDateTimeUtc().addSecs(nClockOffsetSeconds);
    return WsUsernameToken(strUser, strPassword, nonce, created);
}

QString WsUsernameToken::digest(const QByteArray& nonce, const QString& strCreated, const QString& strPassword)
{
    QCryptographicHash hash(QCryptographicHash::Sha1);
    hash.addData(nonce);
    hash.addData(strCreated.toUtf8());
    hash.addData(strPassword.toUtf8());
    return QString::fromLatin1(hash.result().toBase64());
}

QString WsUsernameToken::formatCreated(const QDateTime& created)
{
    return created.toUTC().toString(QStringLiteral("yyyy-MM-ddTHH:mm:ssZ"));
}

void WsUsernameToken::write(QXmlStreamWriter& writer) const
{
    writer.writeStartElement(OnvifNs::Security, QStringLiteral("Security"));
    writer.writeAttribute(OnvifNs::Soap, QStringLiteral("mustUnderstand"), QStringLiteral("1"));
    writer.writeStartElement(OnvifNs::Security, QStringLiteral("UsernameToken"));
    writer.writeTextElement(OnvifNs::Security, QStringLiteral("Username"), m_strUser);
    writer.writeStartElement(OnvifNs::Security, QStringLiteral("Password"));
    writer.writeAttribute(QStringLiteral("Type"), OnvifNs::PasswordDigest);
    writer.writeCharacters(m_strDigest);
    writer.writeEndElement();
    writer.writeStartElement(OnvifNs::Security, QStringLiteral("Nonce"));
    writer.writeAttribute(QStringLiteral("EncodingType"), OnvifNs::Base64Binary);
    writer.writeCharacters(nonceBase64());
    writer.writeEndElement();
    writer.writeTextElement(OnvifNs::Utility, QStringLiteral("Created"), m_strCreated);
    writer.writeEndElement();
    writer.writeEndElement();
}
