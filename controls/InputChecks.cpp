#include "InputChecks.h"

#include <QRegularExpression>
#include <QString>
#include <QStringList>

namespace {

bool IsDigitOfBase(QChar c, int base)
{
    if (c >= u'0' && c <= u'9')
        return true;
    if (base != 16)
        return false;
    return (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F');
}

// Reads a part of an address as an unsigned number. Only plain digits of the
// base count: QString::toUInt alone would also take blanks, a '+' sign and,
// in base 16, a "0x" prefix.
bool ReadAddressNumber(const QString& part, int base, uint* value)
{
    if (part.isEmpty())
        return false;
    for (QChar c : part) {
        if (!IsDigitOfBase(c, base))
            return false;
    }
    bool ok = false;
    *value = part.toUInt(&ok, base);
    return ok;
}

bool AreValidHostParts(const QStringList& parts)
{
    for (const QString& part : parts) {
        uint value = 0;
        if (!ReadAddressNumber(part, 10, &value) || value > 255)
            return false;
    }
    return parts.at(3).toUInt() != 0;
}

QStringList SplitDotted(const QString& text)
{
    return text.split(u'.', Qt::KeepEmptyParts, Qt::CaseSensitive);
}

// Reads the four numbers of a dotted address at the start of the text (what
// follows the match is not looked at); false when there is none or one of them
// does not convert (too long for an int), so an overflow can never read as 0.
bool ReadLeadingDottedNumbers(const QString& text, int values[4])
{
    static const QRegularExpression pattern(QStringLiteral("(\\d+)(\\.)(\\d+)(\\.)(\\d+)(\\.)(\\d+)"));
    const QRegularExpressionMatch match = pattern.match(text);
    if (!match.hasMatch() || match.capturedStart(0) != 0)
        return false;
    for (int i = 0; i < 4; ++i) {
        bool ok = false;
        values[i] = match.captured(1 + 2 * i).toInt(&ok);
        if (!ok)
            return false;
    }
    return true;
}

bool IsValidIPv6Part(const QStringList& parts, int i)
{
    const QString& part = parts.at(i);
    const int last = parts.size() - 1;
    if (part.isEmpty()) {
        // A leading or trailing ':' is only allowed as half of "::".
        if (i == last)
            return parts.at(i - 1).isEmpty();
        if (i == 0)
            return parts.at(1).isEmpty();
        return true;
    }
    uint value = 0;
    if (ReadAddressNumber(part, 16, &value) && value <= 0xFFFF)
        return true;
    return i == last && IsValidIPv4(part);
}

} // namespace

bool IsValidIPv4(const QString& text)
{
    const QStringList parts = SplitDotted(text);
    return parts.size() == 4 && AreValidHostParts(parts);
}

bool IsValidGateway(const QString& text)
{
    const QStringList parts = SplitDotted(text);
    if (parts.size() != 4)
        return false;
    if (text == QLatin1String("0.0.0.0"))
        return true;
    return AreValidHostParts(parts);
}

bool IsValidSubnetMask(const QString& text)
{
    static const QRegularExpression pattern(QRegularExpression::anchoredPattern(QStringLiteral(
        "(254|252|248|240|224|192|128|0)\\.0\\.0\\.0|"
        "255\\.(254|252|248|240|224|192|128|0)\\.0\\.0|"
        "255\\.255\\.(254|252|248|240|224|192|128|0)\\.0|"
        "255\\.255\\.255\\.(254|252|248|240|224|192|128|0)")));
    return pattern.match(text).hasMatch();
}

bool IsValidIPv6(const QString& text)
{
    QString address = text;
    const int zone = address.lastIndexOf(u'%');
    if (zone >= 0)
        address.truncate(zone);

    const QStringList parts = address.split(u':', Qt::KeepEmptyParts, Qt::CaseSensitive);
    const int partCount = parts.size();
    if (partCount < 3 || partCount > 8)
        return false;

    const int doubleColons = address.count(QStringLiteral("::"));
    if (partCount == 8 && doubleColons > 1)
        return false;
    if (doubleColons != 1) {
        const int needed = address.contains(u'.') ? 7 : 8;
        if (partCount < needed)
            return false;
    }

    for (int i = partCount - 1; i >= 0; --i) {
        if (!IsValidIPv6Part(parts, i))
            return false;
    }
    return true;
}

bool CheckIPByRegExp(const QString& text)
{
    static const QRegularExpression foreign(QStringLiteral("[^0-9.]"));
    if (text.contains(foreign))
        return false;
    if (text.count(u'.') != 3)
        return false;
    int values[4];
    if (!ReadLeadingDottedNumbers(text, values))
        return false;
    for (int value : values) {
        if (value >= 256)
            return false;
    }
    return values[3] != 0;
}

bool IsMulticastIP(const QString& text)
{
    int values[4];
    if (!ReadLeadingDottedNumbers(text, values))
        return false;
    for (int value : values) {
        if (value > 255)
            return false;
    }
    return values[0] >= 224 && values[0] <= 239;
}

bool IsValidMAC(const QString& text)
{
    static const QRegularExpression pattern(QRegularExpression::anchoredPattern(QStringLiteral(
        "[0-9A-Fa-f]{2}:[0-9A-Fa-f]{2}:[0-9A-Fa-f]{2}:[0-9A-Fa-f]{2}:[0-9A-Fa-f]{2}:[0-9A-Fa-f]{2}")));
    return pattern.match(text).hasMatch();
}

bool IsValidFileName(const QString& text)
{
    static const QString illegal = QStringLiteral("'\\/:*?\"<>|");
    for (QChar c : text) {
        if (illegal.contains(c))
            return false;
    }
    return true;
}

bool IsValidDayOfMonth(int month, int day)
{
    if (month == 2)
        return day != 30 && day != 31;
    if (month == 4 || month == 6 || month == 9 || month == 11)
        return day != 31;
    return true;
}
