#pragma once

#include "OnvifDeviceRecord.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <optional>

class OnvifEnvelope;
class WsUsernameToken;

// Requests of the ONVIF device service (tds) and the reading of their answers
// into a device record. Building and reading only: the transport is elsewhere.
class DeviceServiceCodec
{
public:
    enum class Operation {
        GetSystemDateAndTime,
        GetDeviceInformation,
        GetNetworkInterfaces,
        GetNetworkDefaultGateway,
        GetNetworkProtocols,
        SetNetworkInterfaces,
        SetNetworkDefaultGateway,
        SystemReboot
    };

    struct InterfaceChange
    {
        QString interfaceToken;
        QString ipv4Address;
        int prefixLength = 24;
    };

    [[nodiscard]] static QString operationName(Operation operation);
    // The SOAP 1.2 action, carried in the Content-Type's action parameter.
    [[nodiscard]] static QString action(Operation operation);

    // A request without parameters (the Get* reads and SystemReboot).
    [[nodiscard]] static QByteArray buildRequest(Operation operation, const WsUsernameToken* pToken);
    // Manual IPv4 address and prefix, DHCP off.
    [[nodiscard]] static QByteArray buildSetNetworkInterfaces(const InterfaceChange& change, const WsUsernameToken* pToken);
    [[nodiscard]] static QByteArray buildSetNetworkDefaultGateway(const QString& strGateway, const WsUsernameToken* pToken);

    // Device UTC minus our UTC at `now`, from a GetSystemDateAndTimeResponse.
    [[nodiscard]] static std::optional<qint64> readClockOffset(const OnvifEnvelope& envelope, const QDateTime& now);
    [[nodiscard]] static bool readDeviceInformation(const OnvifEnvelope& envelope, OnvifDeviceRecord* pRecord);
    // The first enabled interface with IPv4: token, MAC, address, prefix, DHCP.
    [[nodiscard]] static bool readNetworkInterfaces(const OnvifEnvelope& envelope, OnvifDeviceRecord* pRecord);
    [[nodiscard]] static bool readNetworkDefaultGateway(const OnvifEnvelope& envelope, OnvifDeviceRecord* pRecord);
    // The HTTP port from the enabled HTTP protocol.
    [[nodiscard]] static bool readNetworkProtocols(const OnvifEnvelope& envelope, OnvifDeviceRecord* pRecord);
    // RebootNeeded of a SetNetworkInterfacesResponse; nullopt when it is not one.
    [[nodiscard]] static std::optional<bool> readRebootNeeded(const OnvifEnvelope& envelope);
    // Whether the body holds the named operation's response element.
    [[nodiscard]] static bool isResponse(const OnvifEnvelope& envelope, Operation operation);
};
