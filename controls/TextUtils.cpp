#include "TextUtils.h"

#include <QByteArray>
#include <QLocale>
#include <QString>
#include <QTextDocument>

QString LocalToUnicode(const char* text, bool)
{
    return QString::fromLocal8Bit(text);
}

QByteArray UnicodeToLocal(const QString& text, bool)
{
    return text.toLocal8Bit();
}

std::string UnicodeToStdString(const QString& text, bool)
{
    return text.toLocal8Bit().toStdString();
}

bool ContainsDoubleByteChar(const char* text)
{
    if (!text)
        return false;
    for (const unsigned char* p = reinterpret_cast<const unsigned char*>(text); p[0] && p[1]; ++p) {
        const bool lead = p[0] >= 0x81 && p[0] <= 0xFE;
        const bool trail = p[1] >= 0x40 && p[1] <= 0xFE;
        if (lead && trail)
            return true;
    }
    return false;
}

namespace {

QString WithUnit(const QString& number, const char* pattern)
{
    return QString::fromLatin1(pattern).arg(number, 0, u' ');
}

QString ScaledSize(quint64 bytes, int shift, int decimals, const char* pattern)
{
    const double value = double(bytes) / double(quint64(1) << shift);
    return WithUnit(QLocale().toString(value, 'f', decimals), pattern);
}

} // namespace

QString FormatFileSize(quint64 bytes)
{
    constexpr quint64 kKilo = quint64(1) << 10;
    constexpr quint64 kMega = quint64(1) << 20;
    constexpr quint64 kGiga = quint64(1) << 30;
    constexpr quint64 kTera = quint64(1) << 40;
    if (bytes >= kTera)
        return ScaledSize(bytes, 40, 3, "%1 TB");
    if (bytes >= kGiga)
        return ScaledSize(bytes, 30, 2, "%1 GB");
    if (bytes >= kMega)
        return ScaledSize(bytes, 20, 1, "%1 MB");
    if (bytes >= kKilo)
        return WithUnit(QLocale().toString(bytes / kKilo), "%1 KB");
    return QString::number(bytes);
}

QString EventTypeName(int type)
{
    switch (type) {
    case 0: return QStringLiteral("None");
    case 2: return QStringLiteral("MouseButtonPress");
    case 3: return QStringLiteral("MouseButtonRelease");
    case 4: return QStringLiteral("MouseButtonDblClick");
    case 5: return QStringLiteral("MouseMove");
    case 6: return QStringLiteral("KeyPress");
    case 7: return QStringLiteral("KeyRelease");
    case 8: return QStringLiteral("FocusIn");
    case 9: return QStringLiteral("FocusOut");
    case 10: return QStringLiteral("Enter");
    case 11: return QStringLiteral("Leave");
    case 12: return QStringLiteral("Paint");
    case 13: return QStringLiteral("Move");
    case 14: return QStringLiteral("Resize");
    case 17: return QStringLiteral("Show");
    case 18: return QStringLiteral("Hide");
    case 24: return QStringLiteral("WindowActivate");
    case 25: return QStringLiteral("WindowDeactivate");
    case 31: return QStringLiteral("Wheel");
    case 127: return QStringLiteral("HoverEnter");
    case 128: return QStringLiteral("HoverLeave");
    case 129: return QStringLiteral("HoverMove");
    default: return QString::number(type);
    }
}

QString QuoteText(const QString& text)
{
    static const QString entity = QStringLiteral("&quot;");
    return QStringLiteral("&quot;%1&quot;").arg(text).replace(entity, QStringLiteral("\""));
}

QString PlainToolTip(const QString& text)
{
    if (!Qt::mightBeRichText(text))
        return text;
    return QStringLiteral("<p style='white-space:pre'>") + text.toHtmlEscaped() + QStringLiteral("</p>");
}
