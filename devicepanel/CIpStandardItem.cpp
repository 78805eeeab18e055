#include "CIpStandardItem.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

constexpr int kKeyParts = 4;

// Leading-digit conversion: blanks and a sign allowed, stops at the first
// non-digit, no digits gives 0; out-of-range values saturate instead of
// overflowing.
int LeadingInt(const char* begin, const char* end)
{
    char buffer[32];
    const std::size_t length = std::min<std::size_t>(std::size_t(end - begin), sizeof buffer - 1);
    std::memcpy(buffer, begin, length);
    buffer[length] = '\0';
    const long value = std::strtol(buffer, nullptr, 10);
    if (value > 999999999L)
        return 999999999;
    if (value < -99999999L)
        return -99999999;
    return int(value);
}

// Writes the key into out (which holds at least 4 * 11 + 1 characters) and
// returns its length. A text with fewer parts gives a shorter key, which
// still orders as plain text does.
int FormatKey(const QByteArray& latin1, char* out, std::size_t outSize)
{
    const char* cursor = latin1.constData();
    const char* const end = cursor + latin1.size();
    int written = 0;
    for (int part = 0; part < kKeyParts; ++part) {
        const char* dot = static_cast<const char*>(std::memchr(cursor, '.', std::size_t(end - cursor)));
        const char* partEnd = dot ? dot : end;
        written += std::snprintf(out + written, outSize - std::size_t(written), "%03d", LeadingInt(cursor, partEnd));
        if (!dot)
            break;
        cursor = dot + 1;
    }
    return written;
}

} // namespace

CIpStandardItem::CIpStandardItem(const QString& text)
    : QStandardItem(text)
{
}

CIpStandardItem::~CIpStandardItem() = default;

QByteArray CIpStandardItem::AddressKey(const QString& text)
{
    char key[64];
    const int length = FormatKey(text.toLatin1(), key, sizeof key);
    return QByteArray(key, length);
}

bool CIpStandardItem::operator<(const QStandardItem& other) const
{
    char left[64];
    char right[64];
    const int leftLength = FormatKey(text().toLatin1(), left, sizeof left);
    const int rightLength = FormatKey(other.text().toLatin1(), right, sizeof right);
    const int common = std::min(leftLength, rightLength);
    const int order = std::memcmp(left, right, std::size_t(common));
    return order < 0 || (order == 0 && leftLength < rightLength);
}
