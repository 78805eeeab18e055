#include "OnvifDeviceRecord.h"

#include <QUrl>

QString OnvifDeviceRecord::deviceServiceUrl() const
{
    // The XAddr the host was taken from (IPv4 preferred), else the first http one.
    for (const QString& strAddress : xaddrs) {
        const QUrl url(strAddress);
        if (url.isValid() && url.scheme() == QLatin1String("http") && !host.isEmpty() && url.host() == host)
            return strAddress;
    }
    for (const QString& strAddress : xaddrs) {
        const QUrl url(strAddress);
        if (url.isValid() && url.scheme() == QLatin1String("http") && !url.host().isEmpty())
            return strAddress;
    }
    return xaddrs.isEmpty() ? QString() : xaddrs.first();
}

QString OnvifDeviceStateName(OnvifDeviceRecord::State state)
{
    switch (state) {
    case OnvifDeviceRecord::State::Discovered: return QStringLiteral("discovered");
    case OnvifDeviceRecord::State::Read: return QStringLiteral("read");
    case OnvifDeviceRecord::State::CredentialsNeeded: return QStringLiteral("credentials needed");
    case OnvifDeviceRecord::State::Unreachable: return QStringLiteral("unreachable");
    case OnvifDeviceRecord::State::Failed: return QStringLiteral("failed");
    }
    return QString();
}
