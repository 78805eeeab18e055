#pragma once

#include "OnvifDeviceRecord.h"
#include "OnvifEnvelope.h"

#include <QByteArray>
#include <QString>
#include <QVector>

// WS-Discovery messages: the Probe we send and the ProbeMatches, Hello and Bye
// we read. Each Probe names one type with its namespace declared on the
// envelope (a probe naming both types would match only devices of both).
class ProbeCodec
{
public:
    enum class ProbeType { NetworkVideoTransmitter, Device };

    enum class Kind { ProbeMatches, Hello, Bye, Probe, Other };

    struct Message
    {
        OnvifEnvelope::Error error = OnvifEnvelope::Error::None;
        Kind kind = Kind::Other;
        QString messageId;
        QString relatesTo;
        // Each match, Hello or Bye endpoint; a ProbeMatches may hold several.
        QVector<OnvifDeviceRecord> endpoints;
        // Matches dropped because they had no endpoint address or no usable XAddrs.
        int nDroppedMatches = 0;
    };

    // Datagrams above this size are dropped unread.
    static constexpr qsizetype kMaxDatagram = 64 * 1024;

    [[nodiscard]] static QByteArray encodeProbe(ProbeType type, const QString& strMessageId);
    [[nodiscard]] static Message decode(const QByteArray& datagram);
    // A fresh "urn:uuid:..." message identifier.
    [[nodiscard]] static QString newMessageId();

    // "onvif://www.onvif.org/name/Front%20door" -> "Front door" for the given key.
    [[nodiscard]] static QString scopeValue(const QStringList& scopes, const QString& strKey);
    // The host of the first http XAddr, IPv4 preferred.
    [[nodiscard]] static QString hostOf(const QStringList& xaddrs);
};
