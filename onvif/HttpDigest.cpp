#include "HttpDigest.h"

#include <QCryptographicHash>
#include <QRandomGenerator>
#include <QStringList>

namespace {

QString md5Hex(const QString& strText)
{
    return QString::fromLatin1(QCryptographicHash::hash(strText.toUtf8(), QCryptographicHash::Md5).toHex());
}

// Splits the parameters of a challenge: name=token or name="quoted string".
bool readParameter(const QString& strText, int* pPos, QString* pName, QString* pValue)
{
    int nPos = *pPos;
    while (nPos < strText.size() && (strText[nPos].isSpace() || strText[nPos] == QLatin1Char(',')))
        ++nPos;
    const int nEquals = strText.indexOf(QLatin1Char('='), nPos);
    if (nPos >= strText.size() || nEquals < 0)
        return false;
    *pName = strText.mid(nPos, nEquals - nPos).trimmed().toLower();
    nPos = nEquals + 1;
    while (nPos < strText.size() && strText[nPos].isSpace())
        ++nPos;
    QString strValue;
    if (nPos < strText.size() && strText[nPos] == QLatin1Char('"')) {
        ++nPos;
        while (nPos < strText.size() && strText[nPos] != QLatin1Char('"')) {
            if (strText[nPos] == QLatin1Char('\\') && nPos + 1 < strText.size())
                ++nPos;
            strValue += strText[nPos++];
        }
        ++nPos;
    } else {
        while (nPos < strText.size() && strText[nPos] != QLatin1Char(','))
            strValue += strText[nPos++];
        strValue = strValue.trimmed();
    }
    *pValue = strValue;
    *pPos = nPos;
    return true;
}

QString quoted(const QString& strValue)
{
    QString strEscaped = strValue;
    strEscaped.replace(QLatin1Char('\\'), QLatin1String("\\\\")).replace(QLatin1Char('"'), QLatin1String("\\\""));
    return QLatin1Char('"') + strEscaped + QLatin1Char('"');
}

} // namespace

bool HttpDigest::parseChallenge(const QByteArray& header, Challenge* pChallenge)
{
    const QString strHeader = QString::fromUtf8(header.left(4096)).trimmed();
    if (!strHeader.startsWith(QLatin1String("Digest "), Qt::CaseInsensitive))
        return false;
    Challenge challenge;
    int nPos = 7;
    QString strName;
    QString strValue;
    while (readParameter(strHeader, &nPos, &strName, &strValue)) {
        if (strName == QLatin1String("realm"))
            challenge.realm = strValue;
        else if (strName == QLatin1String("nonce"))
            challenge.nonce = strValue;
        else if (strName == QLatin1String("opaque"))
            challenge.opaque = strValue;
        else if (strName == QLatin1String("algorithm"))
            challenge.algorithm = strValue;
        else if (strName == QLatin1String("stale"))
            challenge.bStale = strValue.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0;
        else if (strName == QLatin1String("qop")) {
            const QStringList options = strValue.split(QLatin1Char(','));
            for (const QString& strOption : options)
                if (strOption.trimmed() == QLatin1String("auth"))
                    challenge.bQopAuth = true;
        }
    }
    if (challenge.realm.isNull() || challenge.nonce.isEmpty())
        return false;
    if (!challenge.algorithm.isEmpty() && challenge.algorithm.compare(QLatin1String("MD5"), Qt::CaseInsensitive) != 0)
        return false;
    *pChallenge = challenge;
    return true;
}

QString HttpDigest::response(const Challenge& challenge, const QString& strUser, const QString& strPassword,
                             const QString& strMethod, const QString& strUri, const QString& strNc,
                             const QString& strCnonce)
{
    const QString strHa1 = md5Hex(strUser + QLatin1Char(':') + challenge.realm + QLatin1Char(':') + strPassword);
    const QString strHa2 = md5Hex(strMethod + QLatin1Char(':') + strUri);
    if (!challenge.bQopAuth)
        return md5Hex(strHa1 + QLatin1Char(':') + challenge.nonce + QLatin1Char(':') + strHa2);
    return md5Hex(strHa1 + QLatin1Char(':') + challenge.nonce + QLatin1Char(':') + strNc + QLatin1Char(':')
                  + strCnonce + QLatin1String(":auth:") + strHa2);
}

QByteArray HttpDigest::authorization(const Challenge& challenge, const QString& strUser, const QString& strPassword,
                                     const QString& strMethod, const QString& strUri, quint32 nCount,
                                     const QString& strCnonce)
{
    const QString strNc = QStringLiteral("%1").arg(nCount, 8, 16, QLatin1Char('0'));
    QString strHeader = QLatin1String("Digest username=") + quoted(strUser)
        + QLatin1String(", realm=") + quoted(challenge.realm)
        + QLatin1String(", nonce=") + quoted(challenge.nonce)
        + QLatin1String(", uri=") + quoted(strUri)
        + QLatin1String(", algorithm=MD5")
        + QLatin1String(", response=") + quoted(response(challenge, strUser, strPassword, strMethod, strUri, strNc, strCnonce));
    if (challenge.bQopAuth)
        strHeader += QLatin1String(", qop=auth, nc=") + strNc + QLatin1String(", cnonce=") + quoted(strCnonce);
    if (!challenge.opaque.isEmpty())
        strHeader += QLatin1String(", opaque=") + quoted(challenge.opaque);
    return strHeader.toUtf8();
}

QString HttpDigest::newCnonce()
{
    QByteArray bytes(8, Qt::Uninitialized);
    QRandomGenerator::system()->generate(bytes.begin(), bytes.end());
    return QString::fromLatin1(bytes.toHex());
}
