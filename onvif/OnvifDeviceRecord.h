#pragma once

#include <QMetaType>
#include <QString>
#include <QStringList>

// One ONVIF device as far as it is known: what discovery gave (endpoint,
// addresses, scopes) and what the device service read (identity, network).
// A plain value: it crosses threads by copy.
struct OnvifDeviceRecord
{
    enum class State {
        Discovered,        // only what discovery gave
        Read,              // the device service answered every read
        CredentialsNeeded, // the device refused the reads without (valid) credentials
        Unreachable,       // the device service did not answer within its deadline
        Failed             // the device answered with something unusable
    };

    QString endpoint;     // EndpointReference/Address, a URN: the identity
    QStringList xaddrs;   // device-service addresses from discovery
    QString host;         // host of the first usable XAddr (not the datagram's source)
    QStringList types;    // e.g. dn:NetworkVideoTransmitter, tds:Device
    QStringList scopes;
    QString scopeName;     // onvif://www.onvif.org/name/...
    QString scopeHardware; // onvif://www.onvif.org/hardware/...
    quint32 metadataVersion = 0;

    QString manufacturer;
    QString model;
    QString firmware;
    QString serialNumber;
    QString hardwareId;

    QString interfaceToken;
    QString mac;
    QString ipv4Address;
    int ipv4PrefixLength = -1;
    bool ipv4Dhcp = false;
    QString ipv4Gateway;
    int httpPort = -1;

    qint64 clockOffsetSeconds = 0; // device clock minus ours
    bool clockKnown = false;

    State state = State::Discovered;
    QString error; // why the state is not Read, when it is not

    // The device-service address to use: the http XAddr at `host`, else the first http one.
    QString deviceServiceUrl() const;
};

QString OnvifDeviceStateName(OnvifDeviceRecord::State state);

Q_DECLARE_METATYPE(OnvifDeviceRecord)
