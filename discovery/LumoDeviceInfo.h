#pragma once

#include <lumo/lumo_api.h>

#include <QByteArray>
#include <QMetaType>
#include <QString>

#include <cstdint>
#include <cstring>

// The utility's own copy of one device's record, copied by value across
// threads. Text fields are fixed-width 8-bit arrays, only as terminated as the
// discovery library made them: read them through the Field* helpers below.
struct LUMO_DEVICE_INFO_MY
{
    char serial[48];
    char mac[20];
    char ipv4Address[16];
    char ipv4Mask[16];
    int32_t deviceClass;
    int32_t port;
    int32_t channelCount;
    char softwareVersion[48];
    char dspVersion[48];
    char startTime[48];
    char deviceTypeText[24];
    char ipv4Gateway[16];
    char ipv6Address[46];
    char ipv6Gateway[46];
    uint8_t ipv6PrefixLength;
    uint8_t capabilities;
    uint8_t ipv4Dhcp;
    uint8_t extendedValid;
};

Q_DECLARE_METATYPE(LUMO_DEVICE_INFO_MY)

// Length of a fixed-width text field up to its first NUL, never past the field.
template <std::size_t N>
inline int FieldLength(const char (&field)[N])
{
    const void* nul = std::memchr(field, 0, N);
    return nul ? int(static_cast<const char*>(nul) - field) : int(N);
}

template <std::size_t N>
inline QByteArray FieldBytes(const char (&field)[N])
{
    return QByteArray(field, FieldLength(field));
}

template <std::size_t N>
inline QString FieldLatin1(const char (&field)[N])
{
    return QString::fromLatin1(field, FieldLength(field));
}

// Compares a field with an 8-bit text as the library would see it.
template <std::size_t N>
inline bool FieldEquals(const char (&field)[N], const QByteArray& text)
{
    const int len = FieldLength(field);
    return len == text.size() && std::memcmp(field, text.constData(), std::size_t(len)) == 0;
}

// Fills a record from a library report: zeroed first, then every field copied
// at its full width.
void FillDeviceInfo(LUMO_DEVICE_INFO_MY& info, const LUMO_DEVICE_REPORT& report);

// Registers the record with the meta-type system so that it can travel
// through queued connections.
void RegisterDeviceInfoMetaType();
