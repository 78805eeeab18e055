#pragma once

#include <QHostAddress>
#include <QPair>
#include <QStringList>
#include <QVector>

// Which adapters ONVIF discovery multicasts on and which addresses it probes
// by unicast. Read from ONVIF_INTERFACES / ONVIF_TARGETS, or, when those are
// not set, from the discovery library's LUMO_INTERFACES / LUMO_TARGETS in the
// same form: interfaces `all`, `none` or a comma-separated list of adapter
// names; targets a comma-separated list of `address[:port]` (port 3702 unless
// given; ports in LUMO_TARGETS name the other protocol's port and are ignored).
struct OnvifDiscoverySettings
{
    static constexpr quint16 kPort = 3702;

    bool bAllInterfaces = true;
    // Where Hello and Bye are listened for (ONVIF_LISTEN_PORT; 3702 unless a
    // test runs its devices on a port of its own).
    quint16 nListenPort = kPort;
    QStringList interfaceNames;
    QVector<QPair<QHostAddress, quint16>> targets;

    [[nodiscard]] static OnvifDiscoverySettings fromEnvironment();
    // From explicit texts in the environment's form (for tests and options).
    [[nodiscard]] static OnvifDiscoverySettings fromText(const QString& strInterfaces, const QString& strTargets, bool bKeepPorts);
    [[nodiscard]] bool usesInterface(const QString& strName) const;
    [[nodiscard]] bool usesNoInterface() const { return !bAllInterfaces && interfaceNames.isEmpty(); }
};
