#include "FoundDevice.h"

#include "Ipv4Text.h"

#include <QUrl>

FoundDevice::FoundDevice(const LUMO_DEVICE_INFO_MY& info)
    : lumo(info)
{
}

FoundDevice FoundDevice::FromOnvif(const OnvifDeviceRecord& record)
{
    FoundDevice device;
    device.protocol = Protocol::Onvif;
    device.onvif = record;
    device.bHasOnvif = true;
    return device;
}

QString FoundDevice::ProtocolName() const
{
    return IsLumo() ? QStringLiteral("lumo") : QStringLiteral("onvif");
}

QString FoundDevice::Serial() const
{
    return IsLumo() ? FieldLatin1(lumo.serial) : onvif.serialNumber;
}

QString FoundDevice::Mac() const
{
    return IsLumo() ? FieldLatin1(lumo.mac) : onvif.mac;
}

QString FoundDevice::Model() const
{
    if (IsLumo())
        return FieldLatin1(lumo.deviceTypeText);
    // Before (or without) a read, the hardware scope names the model.
    return onvif.model.isEmpty() ? onvif.scopeHardware : onvif.model;
}

QString FoundDevice::Ipv4Address() const
{
    if (IsLumo())
        return FieldLatin1(lumo.ipv4Address);
    return onvif.ipv4Address.isEmpty() ? onvif.host : onvif.ipv4Address;
}

QString FoundDevice::Ipv4Mask() const
{
    return IsLumo() ? FieldLatin1(lumo.ipv4Mask) : MaskOfPrefix(onvif.ipv4PrefixLength);
}

QString FoundDevice::Ipv4Gateway() const
{
    return IsLumo() ? FieldLatin1(lumo.ipv4Gateway) : onvif.ipv4Gateway;
}

int FoundDevice::Port() const
{
    if (IsLumo())
        return int(lumo.port);
    if (onvif.httpPort > 0)
        return onvif.httpPort;
    const QUrl url(onvif.deviceServiceUrl());
    return url.isValid() && !url.host().isEmpty() ? url.port(80) : -1;
}

QString FoundDevice::Manufacturer() const
{
    return bHasOnvif ? onvif.manufacturer : QString();
}

QString FoundDevice::Endpoint() const
{
    return bHasOnvif ? onvif.endpoint : QString();
}

QStringList FoundDevice::XAddrs() const
{
    return bHasOnvif ? onvif.xaddrs : QStringList();
}

QString FoundDevice::MaskOfPrefix(int prefixLength)
{
    if (prefixLength < 0 || prefixLength > 32)
        return QString();
    return FormatIpv4(prefixLength == 0 ? 0u : 0xFFFFFFFFu << (32 - prefixLength));
}

int FoundDevice::PrefixOfMask(const QString& mask)
{
    quint32 value = 0;
    if (!ParseIpv4(mask, &value))
        return -1;
    int length = 0;
    while (length < 32 && (value & (0x80000000u >> length)))
        ++length;
    // The ones must be contiguous from the top.
    return MaskOfPrefix(length) == FormatIpv4(value) ? length : -1;
}
