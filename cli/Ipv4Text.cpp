#include "Ipv4Text.h"

#include <QString>
#include <QStringList>

bool ParseIpv4(const QString& text, quint32* value)
{
    const QStringList parts = text.split(u'.');
    if (parts.size() != 4)
        return false;
    quint32 result = 0;
    for (const QString& part : parts) {
        if (part.isEmpty())
            return false;
        for (QChar c : part) {
            if (c < u'0' || c > u'9')
                return false;
        }
        bool ok = false;
        const uint number = part.toUInt(&ok);
        if (!ok || number > 255)
            return false;
        result = (result << 8) | number;
    }
    *value = result;
    return true;
}

QString FormatIpv4(quint32 value)
{
    return QStringLiteral("%1.%2.%3.%4")
        .arg(value >> 24)
        .arg((value >> 16) & 0xFF)
        .arg((value >> 8) & 0xFF)
        .arg(value & 0xFF);
}

QString NormalisedIpv4(const QString& text)
{
    quint32 value = 0;
    return ParseIpv4(text, &value) ? FormatIpv4(value) : text;
}
