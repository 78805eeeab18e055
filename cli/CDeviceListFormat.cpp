#include "CDeviceListFormat.h"

#include "CCsvWriter.h"
#include "Ipv4Text.h"
#include "LumoDeviceInfo.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QVariant>

#include <algorithm>

namespace {

enum class Kind { Text, Number, Flag, OnOff };

struct Column
{
    const char* header;
    const char* key;
    Kind kind;
    // The value, or an invalid QVariant when the device does not report it.
    QVariant (*value)(const LUMO_DEVICE_INFO_MY& device);
};

bool HasExtended(const LUMO_DEVICE_INFO_MY& d)
{
    return d.extendedValid == 1;
}

bool HasIpv6(const LUMO_DEVICE_INFO_MY& d)
{
    return HasExtended(d) && (d.capabilities & LUMO_CAP_IPV6);
}

QVariant Extended(const LUMO_DEVICE_INFO_MY& d, const QVariant& value)
{
    return HasExtended(d) ? value : QVariant();
}

QVariant Ipv6(const LUMO_DEVICE_INFO_MY& d, const QVariant& value)
{
    return HasIpv6(d) ? value : QVariant();
}

// ID is filled in by the caller; the slot keeps the column order of the table.
const Column kColumns[] = {
    { "ID", "id", Kind::Number, [](const LUMO_DEVICE_INFO_MY&) { return QVariant(); } },
    { "Device Type", "deviceType", Kind::Text, [](const LUMO_DEVICE_INFO_MY& d) { return QVariant(FieldLatin1(d.deviceTypeText)); } },
    { "IPv4 Address", "ipv4Address", Kind::Text, [](const LUMO_DEVICE_INFO_MY& d) { return QVariant(FieldLatin1(d.ipv4Address)); } },
    { "Port", "port", Kind::Number, [](const LUMO_DEVICE_INFO_MY& d) { return QVariant(int(d.port)); } },
    { "Software Version", "softwareVersion", Kind::Text, [](const LUMO_DEVICE_INFO_MY& d) { return QVariant(FieldLatin1(d.softwareVersion)); } },
    { "IPv4 Gateway", "ipv4Gateway", Kind::Text, [](const LUMO_DEVICE_INFO_MY& d) { return Extended(d, FieldLatin1(d.ipv4Gateway)); } },
    { "Serial Number", "serialNumber", Kind::Text, [](const LUMO_DEVICE_INFO_MY& d) { return QVariant(FieldLatin1(d.serial)); } },
    { "IPv4 Mask", "ipv4Mask", Kind::Text, [](const LUMO_DEVICE_INFO_MY& d) { return QVariant(FieldLatin1(d.ipv4Mask)); } },
    { "MAC", "mac", Kind::Text, [](const LUMO_DEVICE_INFO_MY& d) { return QVariant(FieldLatin1(d.mac)); } },
    { "Channels", "channels", Kind::Number, [](const LUMO_DEVICE_INFO_MY& d) { return QVariant(int(d.channelCount)); } },
    { "DSP Version", "dspVersion", Kind::Text, [](const LUMO_DEVICE_INFO_MY& d) { return QVariant(FieldLatin1(d.dspVersion)); } },
    { "Start Time", "startTime", Kind::Text, [](const LUMO_DEVICE_INFO_MY& d) { return QVariant(FieldLatin1(d.startTime)); } },
    { "IPv6 Address", "ipv6Address", Kind::Text, [](const LUMO_DEVICE_INFO_MY& d) { return Ipv6(d, FieldLatin1(d.ipv6Address)); } },
    { "IPv6 Gateway", "ipv6Gateway", Kind::Text, [](const LUMO_DEVICE_INFO_MY& d) { return Ipv6(d, FieldLatin1(d.ipv6Gateway)); } },
    { "IPv6 Prefix Length", "ipv6PrefixLength", Kind::Number, [](const LUMO_DEVICE_INFO_MY& d) { return Ipv6(d, int(d.ipv6PrefixLength)); } },
    { "Supports IPv6", "supportsIpv6", Kind::Flag, [](const LUMO_DEVICE_INFO_MY& d) { return Extended(d, bool(d.capabilities & LUMO_CAP_IPV6)); } },
    { "IPv6 Modifiable", "ipv6Modifiable", Kind::Flag, [](const LUMO_DEVICE_INFO_MY& d) { return Extended(d, bool(d.capabilities & LUMO_CAP_IPV6_MODIFIABLE)); } },
    { "Supports DHCP", "supportsDhcp", Kind::Flag, [](const LUMO_DEVICE_INFO_MY& d) { return Extended(d, bool(d.capabilities & LUMO_CAP_DHCP)); } },
    { "IPv4 DHCP", "ipv4Dhcp", Kind::OnOff, [](const LUMO_DEVICE_INFO_MY& d) { return Extended(d, d.ipv4Dhcp == 1); } },
};

QVariant ValueAt(const Column& column, const LUMO_DEVICE_INFO_MY& device, int id)
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
    default:
        return value.toString();
    }
}

QJsonValue JsonValue(const QVariant& value)
{
    return value.isValid() ? QJsonValue::fromVariant(value) : QJsonValue(QJsonValue::Null);
}

quint32 AddressKey(const LUMO_DEVICE_INFO_MY& device)
{
    quint32 value = 0;
    return ParseIpv4(FieldLatin1(device.ipv4Address), &value) ? value : 0xFFFFFFFFu;
}

QString Printable(QString text)
{
    for (QChar& c : text) {
        if (c.category() == QChar::Other_Control)
            c = u'?';
    }
    return text;
}

} // namespace

QStringList CDeviceListFormat::Headers()
{
    QStringList headers;
    for (const Column& column : kColumns)
        headers.append(QString::fromLatin1(column.header));
    return headers;
}

QStringList CDeviceListFormat::Keys()
{
    QStringList keys;
    for (const Column& column : kColumns)
        keys.append(QString::fromLatin1(column.key));
    return keys;
}

QStringList CDeviceListFormat::Cells(const LUMO_DEVICE_INFO_MY& device, int id)
{
    QStringList cells;
    for (const Column& column : kColumns)
        cells.append(CellText(column, ValueAt(column, device, id)));
    return cells;
}

QList<LUMO_DEVICE_INFO_MY> CDeviceListFormat::Sorted(QList<LUMO_DEVICE_INFO_MY> devices)
{
    std::sort(devices.begin(), devices.end(), [](const LUMO_DEVICE_INFO_MY& a, const LUMO_DEVICE_INFO_MY& b) {
        const quint32 left = AddressKey(a);
        const quint32 right = AddressKey(b);
        if (left != right)
            return left < right;
        if (!FieldEquals(a.serial, FieldBytes(b.serial)))
            return FieldBytes(a.serial) < FieldBytes(b.serial);
        return FieldBytes(a.mac) < FieldBytes(b.mac);
    });
    return devices;
}

QByteArray CDeviceListFormat::Csv(const QList<LUMO_DEVICE_INFO_MY>& devices)
{
    CCsvWriter writer;
    writer.AddRecord(Headers());
    int id = 0;
    for (const LUMO_DEVICE_INFO_MY& device : devices)
        writer.AddRecord(Cells(device, ++id));
    return writer.Document();
}

QByteArray CDeviceListFormat::Json(const QList<LUMO_DEVICE_INFO_MY>& devices)
{
    QJsonArray array;
    int id = 0;
    for (const LUMO_DEVICE_INFO_MY& device : devices) {
        ++id;
        QJsonObject object;
        for (const Column& column : kColumns)
            object.insert(QString::fromLatin1(column.key), JsonValue(ValueAt(column, device, id)));
        array.append(object);
    }
    return QJsonDocument(array).toJson(QJsonDocument::Indented);
}

QByteArray CDeviceListFormat::Table(const QList<LUMO_DEVICE_INFO_MY>& devices)
{
    QList<QStringList> rows { Headers() };
    int id = 0;
    for (const LUMO_DEVICE_INFO_MY& device : devices) {
        QStringList cells = Cells(device, ++id);
        cells[0] = QString::asprintf("%03d", id);
        for (QString& cell : cells)
            cell = Printable(cell);
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
