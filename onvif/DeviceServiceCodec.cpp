#include "DeviceServiceCodec.h"
#include "OnvifEnvelope.h"
#include "OnvifNamespaces.h"
#include "WsUsernameToken.h"

#include <QTimeZone>
#include <QXmlStreamWriter>

namespace {

const QLatin1String kTds("tds");
const QLatin1String kTt("tt");

OnvifEnvelope::Declarations declarations(const WsUsernameToken* pToken)
{
    OnvifEnvelope::Declarations list = {{kTds, OnvifNs::Device}, {kTt, OnvifNs::Schema}};
    if (pToken) {
        list.append({QStringLiteral("wsse"), OnvifNs::Security});
        list.append({QStringLiteral("wsu"), OnvifNs::Utility});
    }
    return list;
}

OnvifEnvelope::Writer securityHeader(const WsUsernameToken* pToken)
{
    if (!pToken)
        return {};
    return [pToken](QXmlStreamWriter& writer) { pToken->write(writer); };
}

const OnvifXmlElement* responseOf(const OnvifEnvelope& envelope, DeviceServiceCodec::Operation operation)
{
    if (!envelope.isValid() || envelope.isFault())
        return nullptr;
    const QString strName = DeviceServiceCodec::operationName(operation) + QLatin1String("Response");
    for (const OnvifXmlElement& element : envelope.body().children)
        if (element.ns == OnvifNs::Device && element.name == strName)
            return &element;
    return nullptr;
}

int readInt(const OnvifXmlElement* pParent, QLatin1String strName, int nFallback)
{
    if (!pParent)
        return nFallback;
    bool bOk = false;
    const int nValue = pParent->childText(OnvifNs::Schema, strName).toInt(&bOk);
    return bOk ? nValue : nFallback;
}

bool isTrue(const QString& strValue)
{
    return strValue == QLatin1String("true") || strValue == QLatin1String("1");
}

// tt:Date (Year, Month, Day) and tt:Time (Hour, Minute, Second) of a tt:DateTime.
QDateTime readDateTime(const OnvifXmlElement* pDateTime)
{
    if (!pDateTime)
        return {};
    const OnvifXmlElement* pDate = pDateTime->child(OnvifNs::Schema, QLatin1String("Date"));
    const OnvifXmlElement* pTime = pDateTime->child(OnvifNs::Schema, QLatin1String("Time"));
    if (!pDate || !pTime)
        return {};
    const QDate date(readInt(pDate, QLatin1String("Year"), 0), readInt(pDate, QLatin1String("Month"), 0),
                     readInt(pDate, QLatin1String("Day"), 0));
    const QTime time(readInt(pTime, QLatin1String("Hour"), -1), readInt(pTime, QLatin1String("Minute"), -1),
                     readInt(pTime, QLatin1String("Second"), -1));
    if (!date.isValid() || !time.isValid())
        return {};
    return QDateTime(date, time, Qt::UTC);
}

void writeIpv4(QXmlStreamWriter& writer, const DeviceServiceCodec::InterfaceChange& change)
{
    writer.writeStartElement(OnvifNs::Schema, QStringLiteral("IPv4"));
    writer.writeTextElement(OnvifNs::Schema, QStringLiteral("Enabled"), QStringLiteral("true"));
    writer.writeStartElement(OnvifNs::Schema, QStringLiteral("Manual"));
    writer.writeTextElement(OnvifNs::Schema, QStringLiteral("Address"), change.ipv4Address);
    writer.writeTextElement(OnvifNs::Schema, QStringLiteral("PrefixLength"), QString::number(change.prefixLength));
    writer.writeEndElement();
    writer.writeTextElement(OnvifNs::Schema, QStringLiteral("DHCP"), QStringLiteral("false"));
    writer.writeEndElement();
}

} // namespace

QString DeviceServiceCodec::operationName(Operation operation)
{
    switch (operation) {
    case Operation::GetSystemDateAndTime: return QStringLiteral("GetSystemDateAndTime");
    case Operation::GetDeviceInformation: return QStringLiteral("GetDeviceInformation");
    case Operation::GetNetworkInterfaces: return QStringLiteral("GetNetworkInterfaces");
    case Operation::GetNetworkDefaultGateway: return QStringLiteral("GetNetworkDefaultGateway");
    case Operation::GetNetworkProtocols: return QStringLiteral("GetNetworkProtocols");
    case Operation::SetNetworkInterfaces: return QStringLiteral("SetNetworkInterfaces");
    case Operation::SetNetworkDefaultGateway: return QStringLiteral("SetNetworkDefaultGateway");
    case Operation::SystemReboot: return QStringLiteral("SystemReboot");
    }
    return QString();
}

QString DeviceServiceCodec::action(Operation operation)
{
    return OnvifNs::Device + QLatin1Char('/') + operationName(operation);
}

QByteArray DeviceServiceCodec::buildRequest(Operation operation, const WsUsernameToken* pToken)
{
    return OnvifEnvelope::build(declarations(pToken), securityHeader(pToken), [operation](QXmlStreamWriter& writer) {
        writer.writeEmptyElement(OnvifNs::Device, operationName(operation));
    });
}

QByteArray DeviceServiceCodec::buildSetNetworkInterfaces(const InterfaceChange& change, const WsUsernameToken* pToken)
{
    return OnvifEnvelope::build(declarations(pToken), securityHeader(pToken), [&change](QXmlStreamWriter& writer) {
        writer.writeStartElement(OnvifNs::Device, QStringLiteral("SetNetworkInterfaces"));
        writer.writeTextElement(OnvifNs::Device, QStringLiteral("InterfaceToken"), change.interfaceToken);
        writer.writeStartElement(OnvifNs::Device, QStringLiteral("NetworkInterface"));
        writer.writeTextElement(OnvifNs::Schema, QStringLiteral("Enabled"), QStringLiteral("true"));
        writeIpv4(writer, change);
        writer.writeEndElement();
        writer.writeEndElement();
    });
}

QByteArray DeviceServiceCodec::buildSetNetworkDefaultGateway(const QString& strGateway, const WsUsernameToken* pToken)
{
    return OnvifEnvelope::build(declarations(pToken), securityHeader(pToken), [&strGateway](QXmlStreamWriter& writer) {
        writer.writeStartElement(OnvifNs::Device, QStringLiteral("SetNetworkDefaultGateway"));
        writer.writeTextElement(OnvifNs::Device, QStringLiteral("IPv4Address"), strGateway);
        writer.writeEndElement();
    });
}

std::optional<qint64> DeviceServiceCodec::readClockOffset(const OnvifEnvelope& envelope, const QDateTime& now)
{
    const OnvifXmlElement* pResponse = responseOf(envelope, Operation::GetSystemDateAndTime);
    if (!pResponse)
        return std::nullopt;
    const OnvifXmlElement* pSystem = pResponse->child(OnvifNs::Device, QLatin1String("SystemDateAndTime"));
    if (!pSystem)
        return std::nullopt;
    // Devices without UTCDateTime give only local time; taken as UTC, it is the
    // clock the device checks UsernameToken's Created against all the same.
    QDateTime device = readDateTime(pSystem->child(OnvifNs::Schema, QLatin1String("UTCDateTime")));
    if (!device.isValid())
        device = readDateTime(pSystem->child(OnvifNs::Schema, QLatin1String("LocalDateTime")));
    if (!device.isValid())
        return std::nullopt;
    return now.secsTo(device);
}

bool DeviceServiceCodec::readDeviceInformation(const OnvifEnvelope& envelope, OnvifDeviceRecord* pRecord)
{
    const OnvifXmlElement* pResponse = responseOf(envelope, Operation::GetDeviceInformation);
    if (!pResponse)
        return false;
    pRecord->manufacturer = pResponse->childText(OnvifNs::Device, QLatin1String("Manufacturer"));
    pRecord->model = pResponse->childText(OnvifNs::Device, QLatin1String("Model"));
    pRecord->firmware = pResponse->childText(OnvifNs::Device, QLatin1String("FirmwareVersion"));
    pRecord->serialNumber = pResponse->childText(OnvifNs::Device, QLatin1String("SerialNumber"));
    pRecord->hardwareId = pResponse->childText(OnvifNs::Device, QLatin1String("HardwareId"));
    return true;
}

bool DeviceServiceCodec::readNetworkInterfaces(const OnvifEnvelope& envelope, OnvifDeviceRecord* pRecord)
{
    const OnvifXmlElement* pResponse = responseOf(envelope, Operation::GetNetworkInterfaces);
    if (!pResponse)
        return false;
    for (const OnvifXmlElement& networkInterface : pResponse->children) {
        if (!networkInterface.is(OnvifNs::Device, QLatin1String("NetworkInterfaces")))
            continue;
        if (networkInterface.childText(OnvifNs::Schema, QLatin1String("Enabled")) == QLatin1String("false"))
            continue;
        const OnvifXmlElement* pIpv4 = networkInterface.child(OnvifNs::Schema, QLatin1String("IPv4"));
        const OnvifXmlElement* pConfig = pIpv4 ? pIpv4->child(OnvifNs::Schema, QLatin1String("Config")) : nullptr;
        if (!pConfig)
            continue;
        pRecord->interfaceToken = networkInterface.attributes.value(QStringLiteral("token"));
        if (const OnvifXmlElement* pInfo = networkInterface.child(OnvifNs::Schema, QLatin1String("Info")))
            pRecord->mac = pInfo->childText(OnvifNs::Schema, QLatin1String("HwAddress"));
        pRecord->ipv4Dhcp = isTrue(pConfig->childText(OnvifNs::Schema, QLatin1String("DHCP")));
        const OnvifXmlElement* pAddress = pConfig->child(OnvifNs::Schema, pRecord->ipv4Dhcp ? QLatin1String("FromDHCP") : QLatin1String("Manual"));
        if (!pAddress)
            pAddress = pConfig->child(OnvifNs::Schema, QLatin1String("Manual"));
        if (!pAddress)
            pAddress = pConfig->child(OnvifNs::Schema, QLatin1String("FromDHCP"));
        if (pAddress) {
            pRecord->ipv4Address = pAddress->childText(OnvifNs::Schema, QLatin1String("Address"));
            pRecord->ipv4PrefixLength = readInt(pAddress, QLatin1String("PrefixLength"), -1);
        }
        return true;
    }
    return false;
}

bool DeviceServiceCodec::readNetworkDefaultGateway(const OnvifEnvelope& envelope, OnvifDeviceRecord* pRecord)
{
    const OnvifXmlElement* pResponse = responseOf(envelope, Operation::GetNetworkDefaultGateway);
    if (!pResponse)
        return false;
    const OnvifXmlElement* pGateway = pResponse->child(OnvifNs::Device, QLatin1String("NetworkGateway"));
    pRecord->ipv4Gateway = pGateway ? pGateway->childText(OnvifNs::Schema, QLatin1String("IPv4Address")) : QString();
    return true;
}

bool DeviceServiceCodec::readNetworkProtocols(const OnvifEnvelope& envelope, OnvifDeviceRecord* pRecord)
{
    const OnvifXmlElement* pResponse = responseOf(envelope, Operation::GetNetworkProtocols);
    if (!pResponse)
        return false;
    for (const OnvifXmlElement& protocol : pResponse->children) {
        if (!protocol.is(OnvifNs::Device, QLatin1String("NetworkProtocols"))
            || protocol.childText(OnvifNs::Schema, QLatin1String("Name")) != QLatin1String("HTTP")
            || !isTrue(protocol.childText(OnvifNs::Schema, QLatin1String("Enabled"))))
            continue;
        pRecord->httpPort = readInt(&protocol, QLatin1String("Port"), -1);
        return true;
    }
    return true;
}

std::optional<bool> DeviceServiceCodec::readRebootNeeded(const OnvifEnvelope& envelope)
{
    const OnvifXmlElement* pResponse = responseOf(envelope, Operation::SetNetworkInterfaces);
    if (!pResponse)
        return std::nullopt;
    return isTrue(pResponse->childText(OnvifNs::Device, QLatin1String("RebootNeeded")));
}

bool DeviceServiceCodec::isResponse(const OnvifEnvelope& envelope, Operation operation)
{
    return responseOf(envelope, operation) != nullptr;
}
