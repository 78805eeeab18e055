#include "CDeviceRowItems.h"

#include "CIdStandardItem.h"
#include "CIpStandardItem.h"
#include "LumoDeviceInfo.h"
#include "OnvifDeviceRecord.h"
#include "QtLumoItemModel.h"

#include <QCoreApplication>
#include <QStandardItem>
#include <QStandardItemModel>
#include <QUrl>

#include <utility>

namespace {

using M = QtLumoItemModel;

QString YesNo(bool yes)
{
    return yes ? QCoreApplication::translate("QtLumo", "Yes") : QCoreApplication::translate("QtLumo", "No");
}

QString DhcpText(bool on)
{
    return on ? QCoreApplication::translate("QtLumo", "ON") : QCoreApplication::translate("QtLumo", "OFF");
}

} // namespace

CDeviceRowItems::CDeviceRowItems(QStandardItemModel* model, int row) : m_pModel(model), m_nRow(row) {}

CDeviceRowItems::CDeviceRowItems()
{
    m_items.append(new CIdStandardItem);
    for (int column = 1; column < M::ColumnCount; ++column)
        m_items.append(new QStandardItem);
}

CDeviceRowItems::~CDeviceRowItems()
{
    qDeleteAll(m_items);
}

QStandardItem* CDeviceRowItems::At(int column)
{
    return m_pModel ? m_pModel->item(m_nRow, column) : m_items[column];
}

void CDeviceRowItems::Replace(int column, QStandardItem* item)
{
    if (m_pModel) {
        m_pModel->setItem(m_nRow, column, item);
        return;
    }
    delete m_items[column];
    m_items[column] = item;
}

QList<QStandardItem*> CDeviceRowItems::Take()
{
    return std::exchange(m_items, {});
}

QString CDeviceRowItems::Padded(const char* format, int value)
{
    return QString::asprintf(format, value);
}

QString CDeviceRowItems::MaskOfPrefix(int prefixLength)
{
    if (prefixLength < 0 || prefixLength > 32)
        return QString();
    const quint32 mask = prefixLength == 0 ? 0 : ~quint32(0) << (32 - prefixLength);
    return QStringLiteral("%1.%2.%3.%4").arg(mask >> 24).arg(mask >> 16 & 0xFF).arg(mask >> 8 & 0xFF).arg(mask & 0xFF);
}

int CDeviceRowItems::WebPort(const OnvifDeviceRecord& record)
{
    if (record.httpPort > 0)
        return record.httpPort;
    return QUrl(record.deviceServiceUrl()).port(80);
}

void CDeviceRowItems::SetText(int column, const QString& text)
{
    At(column)->setText(text);
}

void CDeviceRowItems::SetAddressText(int column, const QString& text)
{
    if (At(column)->text().isEmpty())
        Replace(column, new CIpStandardItem(text));
    else
        SetText(column, text);
}

void CDeviceRowItems::NumberIfEmpty(int rowNumber)
{
    if (At(M::ColId)->text().isEmpty())
        SetText(M::ColId, Padded("%03d", rowNumber + 1));
}

void CDeviceRowItems::FillExtendedColumns(const LUMO_DEVICE_INFO_MY& info)
{
    if (info.extendedValid == 0) {
        for (int column : { M::ColIpv4Gateway, M::ColIpv6Address, M::ColIpv6Gateway, M::ColIpv6PrefixLength,
                            M::ColSupportsIpv6, M::ColSupportsDhcp, M::ColSupportsIpv6Modify, M::ColIpv4Dhcp })
            SetText(column, QString());
        return;
    }
    if (info.extendedValid != 1)
        return;
    SetAddressText(M::ColIpv4Gateway, FieldLatin1(info.ipv4Gateway));
    SetText(M::ColIpv6Address, FieldLatin1(info.ipv6Address));
    SetText(M::ColIpv6Gateway, FieldLatin1(info.ipv6Gateway));
    SetText(M::ColIpv6PrefixLength, Padded("%2d", info.ipv6PrefixLength));
    const bool supportsIpv6 = info.capabilities & LUMO_CAP_IPV6;
    SetText(M::ColSupportsIpv6, YesNo(supportsIpv6));
    if (!supportsIpv6) {
        for (int column : { M::ColIpv6Address, M::ColIpv6Gateway, M::ColIpv6PrefixLength })
            SetText(column, QString());
    }
    SetText(M::ColSupportsDhcp, YesNo(info.capabilities & LUMO_CAP_DHCP));
    SetText(M::ColSupportsIpv6Modify, YesNo(info.capabilities & LUMO_CAP_IPV6_MODIFIABLE));
    SetText(M::ColIpv4Dhcp, DhcpText(info.ipv4Dhcp == 1));
}

void CDeviceRowItems::MakeOnlySerialEditable()
{
    for (int column = 0; column < M::ColumnCount; ++column) {
        QStandardItem* item = At(column);
        item->setFlags(item->flags() & ~Qt::ItemIsEditable);
    }
    At(M::ColSerial)->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEditable | Qt::ItemIsEnabled);
}

void CDeviceRowItems::FillFromRecord(int rowNumber, const LUMO_DEVICE_INFO_MY& info)
{
    NumberIfEmpty(rowNumber);
    SetText(M::ColDeviceType, FieldLatin1(info.deviceTypeText));
    SetAddressText(M::ColIpv4Address, FieldLatin1(info.ipv4Address));
    SetText(M::ColPort, Padded("%5d", info.port));
    const QString serial = FieldLatin1(info.serial);
    At(M::ColSerial)->setData(serial, M::ReportedSerialRole);
    SetText(M::ColSerial, serial);
    SetAddressText(M::ColIpv4Mask, FieldLatin1(info.ipv4Mask));
    SetText(M::ColMac, FieldLatin1(info.mac));
    SetText(M::ColChannels, Padded("%2d", info.channelCount));
    SetText(M::ColSoftwareVersion, FieldLatin1(info.softwareVersion));
    SetText(M::ColDspVersion, FieldLatin1(info.dspVersion));
    SetText(M::ColStartTime, FieldLatin1(info.startTime));
    FillExtendedColumns(info);
    SetText(M::ColSource, QCoreApplication::translate("QtLumo", "K-VNT"));
    MakeOnlySerialEditable();
}

// Only the columns with an ONVIF counterpart are filled; the others stay empty.
// Before the device service is read, discovery's hardware scope stands for the
// model and the device-service host for the address.
void CDeviceRowItems::FillFromOnvif(int rowNumber, const OnvifDeviceRecord& record)
{
    const bool read = !record.model.isEmpty();
    NumberIfEmpty(rowNumber);
    SetText(M::ColDeviceType, read ? record.model : record.scopeHardware);
    SetAddressText(M::ColIpv4Address, record.ipv4Address.isEmpty() ? record.host : record.ipv4Address);
    SetText(M::ColPort, Padded("%5d", WebPort(record)));
    SetText(M::ColSoftwareVersion, record.firmware);
    SetAddressText(M::ColIpv4Gateway, record.ipv4Gateway);
    At(M::ColSerial)->setData(record.serialNumber, M::ReportedSerialRole);
    SetText(M::ColSerial, record.serialNumber);
    SetAddressText(M::ColIpv4Mask, MaskOfPrefix(record.ipv4PrefixLength));
    SetText(M::ColMac, record.mac);
    SetText(M::ColIpv4Dhcp, record.ipv4Address.isEmpty() ? QString() : DhcpText(record.ipv4Dhcp));
    QStandardItem* source = At(M::ColSource);
    source->setData(record.endpoint, M::EndpointRole);
    SetText(M::ColSource, record.manufacturer.isEmpty()
                              ? QCoreApplication::translate("QtLumo", "ONVIF")
                              : QCoreApplication::translate("QtLumo", "ONVIF (%1)").arg(record.manufacturer));
    MakeOnlySerialEditable();
}

void CDeviceRowItems::FillNewAddress(int rowNumber, const QString& address, const QString& mask, const QString& port,
                                     const QString& gateway)
{
    NumberIfEmpty(rowNumber);
    SetAddressText(M::ColIpv4Address, address);
    SetText(M::ColPort, port);
    SetText(M::ColIpv4Mask, mask);
    SetText(M::ColIpv4Gateway, gateway);
    MakeOnlySerialEditable();
}
