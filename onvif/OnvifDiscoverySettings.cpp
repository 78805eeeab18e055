#include "OnvifDiscoverySettings.h"

namespace {

QStringList splitList(const QString& strText)
{
    QStringList parts = strText.split(QLatin1Char(','), Qt::SkipEmptyParts);
    for (QString& strPart : parts)
        strPart = strPart.trimmed();
    parts.removeAll(QString());
    return parts;
}

} // namespace

OnvifDiscoverySettings OnvifDiscoverySettings::fromEnvironment()
{
    const bool bOwnInterfaces = qEnvironmentVariableIsSet("ONVIF_INTERFACES");
    const QString strInterfaces = qEnvironmentVariable(bOwnInterfaces ? "ONVIF_INTERFACES" : "LUMO_INTERFACES");
    const bool bOwnTargets = qEnvironmentVariableIsSet("ONVIF_TARGETS");
    QString strTargets = QStringLiteral("127.0.0.1");
    if (bOwnTargets)
        strTargets = qEnvironmentVariable("ONVIF_TARGETS");
    else if (qEnvironmentVariableIsSet("LUMO_TARGETS"))
        strTargets = qEnvironmentVariable("LUMO_TARGETS");
    OnvifDiscoverySettings settings = fromText(strInterfaces, strTargets, bOwnTargets);
    bool bOk = false;
    const uint nListenPort = qEnvironmentVariable("ONVIF_LISTEN_PORT").toUInt(&bOk);
    if (bOk && nListenPort > 0 && nListenPort <= 65535)
        settings.nListenPort = quint16(nListenPort);
    return settings;
}

OnvifDiscoverySettings OnvifDiscoverySettings::fromText(const QString& strInterfaces, const QString& strTargets, bool bKeepPorts)
{
    OnvifDiscoverySettings settings;
    const QString strMode = strInterfaces.trimmed();
    if (!strMode.isEmpty() && strMode != QLatin1String("all")) {
        settings.bAllInterfaces = false;
        if (strMode != QLatin1String("none"))
            settings.interfaceNames = splitList(strMode);
    }
    const QStringList targets = splitList(strTargets);
    for (const QString& strTarget : targets) {
        QString strHost = strTarget;
        quint16 nPort = kPort;
        const int nColon = strTarget.lastIndexOf(QLatin1Char(':'));
        if (nColon > 0) {
            strHost = strTarget.left(nColon);
            bool bOk = false;
            const uint nValue = strTarget.mid(nColon + 1).toUInt(&bOk);
            if (!bOk || nValue == 0 || nValue > 65535)
                continue;
            if (bKeepPorts)
                nPort = quint16(nValue);
        }
        const QHostAddress address(strHost);
        if (address.protocol() == QAbstractSocket::IPv4Protocol)
            settings.targets.append({address, nPort});
    }
    return settings;
}

bool OnvifDiscoverySettings::usesInterface(const QString& strName) const
{
    return bAllInterfaces || interfaceNames.contains(strName);
}
