#pragma once

#include "LumoDeviceInfo.h"
#include "OnvifDeviceRecord.h"

#include <QString>
#include <QStringList>

// One device as the command-line tool lists and sets it: a K-VNT device (the
// discovery library's record, with its ONVIF side when the same device also
// answered ONVIF discovery) or an ONVIF device of any make. The accessors give
// what the device reports whatever its protocol; empty texts and -1 where it
// reports nothing.
struct FoundDevice
{
    enum class Protocol { Lumo, Onvif };

    FoundDevice() = default;
    // A K-VNT device. Not explicit: lists of K-VNT records are lists of devices.
    FoundDevice(const LUMO_DEVICE_INFO_MY& info);
    static FoundDevice FromOnvif(const OnvifDeviceRecord& record);

    Protocol protocol = Protocol::Lumo;
    LUMO_DEVICE_INFO_MY lumo {};
    OnvifDeviceRecord onvif;
    bool bHasOnvif = false; // onvif holds what ONVIF discovery gave of this device

    bool IsLumo() const { return protocol == Protocol::Lumo; }
    bool IsOnvif() const { return protocol == Protocol::Onvif; }
    // An ONVIF device whose device service answered every read.
    bool IsOnvifRead() const { return IsOnvif() && onvif.state == OnvifDeviceRecord::State::Read; }
    QString ProtocolName() const;

    QString Serial() const;
    QString Mac() const;
    QString Model() const;
    QString Ipv4Address() const;
    QString Ipv4Mask() const;
    QString Ipv4Gateway() const;
    int Port() const;
    QString Manufacturer() const;
    QString Endpoint() const;
    QStringList XAddrs() const;

    // A mask from a prefix length (0 to 32), empty otherwise.
    static QString MaskOfPrefix(int prefixLength);
    // The prefix length of a subnet mask, -1 when the text is none.
    static int PrefixOfMask(const QString& mask);
};
