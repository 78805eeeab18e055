#include "CDeviceListFormat.h"

#include "CCsvWriter.h"
#include "Ipv4Text.h"
#include "FoundDevice.h"
#include "PrintableText.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QVariant>

#include <algorithm>

namespace {

enum class Kind { Text, Number, Flag, OnOff, List };

struct Column
{
    const char* header;
    const char* key;
    Kind kind;
    // The value, or an invalid QVariant when the device does not report it.
    QVariant (*value)(const FoundDevice& device);
    bool bInTable = true;
};

bool HasExtended(const FoundDevice& d)
{
    return d.IsLumo() && d.lumo.extendedValid == 1;
}

bool HasIpv6(const FoundDevice& d)
{
    return HasExtended(d) && (d.lumo.capabilities & LUMO_CAP_IPV6);
}

QVariant Extended(const FoundDevice& d, const QVariant& value)
{
    return HasExtended(d) ? value : QVariant();
}

QVariant Ipv6(const FoundDevice& d, const QVariant& value)
{
    return HasIpv6(d) ? value : QVariant();
}

// K-VNT devices report every column of the program's table; ONVIF devices
// the ones the device service gives.
QVariant Lumo(const FoundDevice& d, const QVariant& value)
{
    return d.IsLumo() ? value : QVariant();
}

QVariant Reported(const QString& text)
{
    return text.isEmpty() ? QVariant() : QVariant(text);
}

QVariant PortOf(const FoundDevice& d)
{
    return d.Port() >= 0 ? QVariant(d.Port()) : QVariant();
}

QVariant GatewayOf(const FoundDevice& d)
{
    return d.IsLumo() ? Extended(d, FieldLatin1(d.lumo.ipv4Gateway)) : Reported(d.onvif.ipv4Gateway);
}

QVariant DhcpOf(const FoundDevice& d)
{
    if (d.IsLumo())
        return Extended(d, d.lumo.ipv4Dhcp == 1);
    return d.IsOnvifRead() ? QVariant(d.onvif.ipv4Dhcp) : QVariant();
}

QVariant TextOf(const FoundDevice& d, QString (FoundDevice::*text)() const)
{
    return d.IsLumo() ? QVariant((d.*text)()) : Reported((d.*text)());
}

// ID is filled in by the caller; the slot keeps the column order of the table.
// The columns after the program's table's own are added at the end, so that
// readers of the earlier columns by position keep working.
const Column kColumns[] = {
    { "ID", "id", Kind::Number, [](const FoundDevice&) { return QVariant(); } },
    { "Device Type", "deviceType", Kind::Text, [](const FoundDevice& d) { return TextOf(d, &FoundDevice::Model); } },
    { "IPv4 Address", "ipv4Address", Kind::Text, [](const FoundDevice& d) { return TextOf(d, &FoundDevice::Ipv4Address); } },
    { "Port", "port", Kind::Number, &PortOf },
    { "Software Version", "softwareVersion", Kind::Text, [](const FoundDevice& d) { return d.IsLumo() ? QVariant(FieldLatin1(d.lumo.softwareVersion)) : Reported(d.onvif.firmware); } },
    { "IPv4 Gateway", "ipv4Gateway", Kind::Text, &GatewayOf },
    { "Serial Number", "serialNumber", Kind::Text, [](const FoundDevice& d) { return TextOf(d, &FoundDevice::Serial); } },
    { "IPv4 Mask", "ipv4Mask", Kind::Text, [](const FoundDevice& d) { return TextOf(d, &FoundDevice::Ipv4Mask); } },
    { "MAC", "mac", Kind::Text, [](const FoundDevice& d) { return TextOf(d, &FoundDevice::Mac); } },
    { "Channels", "channels", Kind::Number, [](const FoundDevice& d) { return Lumo(d, int(d.lumo.channelCount)); } },
    { "DSP Version", "dspVersion", Kind::Text, [](const FoundDevice& d) { return Lumo(d, FieldLatin1(d.lumo.dspVersion)); } },
    { "Start Time", "startTime", Kind::Text, [](const FoundDevice& d) { return Lumo(d, FieldLatin1(d.lumo.startTime)); } },
    { "IPv6 Address", "ipv6Address", Kind::Text, [](const FoundDevice& d) { return Ipv6(d, FieldLatin1(d.lumo.ipv6Address)); } },
    { "IPv6 Gateway", "ipv6Gateway", Kind::Text, [](const FoundDevice& d) { return Ipv6(d, FieldLatin1(d.lumo.ipv6Gateway)); } },
    { "IPv6 Prefix Length", "ipv6PrefixLength", Kind::Number, [](const FoundDevice& d) { return Ipv6(d, int(d.lumo.ipv6PrefixLength)); } },
    { "Supports IPv6", "supportsIpv6", Kind::Flag, [](const FoundDevice& d) { return Extended(d, bool(d.lumo.capabilities & LUMO_CAP_IPV6)); } },
    { "IPv6 Modifiable", "ipv6Modifiable", Kind::Flag, [](const FoundDevice& d) { return Extended(d, bool(d.lumo.capabilities & LUMO_CAP_IPV6_MODIFIABLE)); } },
    { "Supports DHCP", "supportsDhcp", Kind::Flag, [](const FoundDevice& d) { return Extended(d, bool(d.lumo.capabilities & LUMO_CAP_DHCP)); } },
    { "IPv4 DHCP", "ipv4Dhcp", Kind::OnOff, &DhcpOf },
    { "Protocol", "protocol", Kind::Text, [](const FoundDevice& d) { return QVariant(d.ProtocolName()); } },
    { "Manufacturer", "manufacturer", Kind::Text, [](const FoundDevice& d) { return Reported(d.Manufacturer()); } },
    { "State", "state", Kind::Text, [](const FoundDevice& d) { return d.IsOnvif() ? QVariant(OnvifDeviceStateName(d.onvif.state)) : QVariant(); } },
    // Long texts for programs: in CSV and JSON only.
    { "Endpoint", "endpoint", Kind::Text, [](const FoundDevice& d) { return Reported(d.Endpoint()); }, false },
    { "XAddrs", "xaddrs", Kind::List, [](const FoundDevice& d) { return d.bHasOnvif ? QVariant(d.XAddrs()) : QVariant(); }, false },
};

QVariant ValueAt(const Column& column, const FoundDevice& device, int id)
{
    return &column == &kColumns[0] ? QVariant(id) : column.value(device);
}

QString CellText(const Column& column, const QVariant& value)
{
    if (!value.isValid())
        return QString();
    switch (column.kind) {
    case Kind::Flag:
        return value.toBool() ? QStringLiteral("Yes") : QStringLiteral("No");
    case Kind::OnOff:
        return value.toBool() ? QStringLiteral("On") : QStringLiteral("Off");
    case Kind::List:
        return value.toStringList().join(QLatin1Char(' '));
    default:
        return value.toString();
    }
}

QJsonValue JsonValue(const QVariant& value)
{
    return value.isValid() ? QJsonValue::fromVariant(value) : QJsonValue(QJsonValue::Null);
}

quint32 AddressKey(const FoundDevice& device)
{
    quint32 value = 0;
    return ParseIpv4(device.Ipv4Address(), &value) ? value : 0xFFFFFFFFu;
}

} // namespace

QStringList CDeviceListFormat::Headers()
{
    QStringList headers;
    for (const Column& column : kColumns)
        headers.append(QString::fromLatin1(column.header));
    return headers;
}

QStringList CDeviceListFormat::TableHeaders()
{
    QStringList headers;
    for (const Column& column : kColumns) {
        if (column.bInTable)
            headers.append(QString::fromLatin1(column.header));
    }
    return headers;
}

QStringList CDeviceListFormat::Keys()
{
    QStringList keys;
    for (const Column& column : kColumns)
        keys.append(QString::fromLatin1(column.key));
    return keys;
}

QStringList CDeviceListFormat::Cells(const FoundDevice& device, int id)
{
    QStringList cells;
    for (const Column& column : kColumns)
        cells.append(CellText(column, ValueAt(column, device, id)));
    return cells;
}

QList<FoundDevice> CDeviceListFormat::Sorted(QList<FoundDevice> devices)
{
    std::stable_sort(devices.begin(), devices.end(), [](const FoundDevice& a, const FoundDevice& b) {
        const quint32 left = AddressKey(a);
        const quint32 right = AddressKey(b);
        if (left != right)
            return left < right;
        if (a.Serial() != b.Serial())
            return a.Serial().toLatin1() < b.Serial().toLatin1();
        if (a.Mac() != b.Mac())
            return a.Mac().toLatin1() < b.Mac().toLatin1();
        return a.Endpoint() < b.Endpoint();
    });
    return devices;
}

QByteArray CDeviceListFormat::Csv(const QList<FoundDevice>& devices)
{
    // Device texts come from the network; the list is opened in spreadsheets.
    CCsvWriter writer(CCsvWriter::NeutraliseFormulas);
    writer.AddRecord(Headers());
    int id = 0;
    for (const FoundDevice& device : devices)
        writer.AddRecord(Cells(device, ++id));
    return writer.Document();
}

QByteArray CDeviceListFormat::Json(const QList<FoundDevice>& devices)
{
    QJsonArray array;
    int id = 0;
    for (const FoundDevice& device : devices) {
        ++id;
        QJsonObject object;
        for (const Column& column : kColumns)
            object.insert(QString::fromLatin1(column.key), JsonValue(ValueAt(column, device, id)));
        array.append(object);
    }
    return QJsonDocument(array).toJson(QJsonDocument::Indented);
}

QByteArray CDeviceListFormat::Table(const QList<FoundDevice>& devices)
{
    QList<QStringList> rows { TableHeaders() };
    int id = 0;
    for (const FoundDevice& device : devices) {
        ++id;
        QStringList cells;
        for (const Column& column : kColumns) {
            if (column.bInTable)
                cells.append(PrintableText(CellText(column, ValueAt(column, device, id))));
        }
        cells[0] = QString::asprintf("%03d", id);
        rows.append(cells);
    }
    QList<int> widths(rows.front().size(), 0);
    for (const QStringList& row : rows) {
        for (int i = 0; i < row.size(); ++i)
            widths[i] = std::max(widths[i], int(row[i].size()));
    }
    QString text;
    for (const QStringList& row : rows) {
        QString line;
        for (int i = 0; i < row.size(); ++i)
            line += (i + 1 < row.size() ? row[i].leftJustified(widths[i] + 2) : row[i]);
        text += line.trimmed() + QLatin1Char('\n');
    }
    return text.toUtf8();
}
