// ONVIF devices in the table: their rows, live beside the K-VNT ones, the form
// they fill, and what cannot be done for them.
#include "QtLumo.h"

#include "CDeviceRowItems.h"
#include "COnvifWatch.h"
#include "OnvifDiscoverySettings.h"
#include "QtLumoItemModel.h"
#include "ui_QtLumo.h"

#include <CWarnDlg.h>

#include <QDebug>
#include <QDesktopServices>
#include <QItemSelectionModel>
#include <QUrl>

namespace {

// A MAC as its twelve hex digits in capitals, whatever separators it came with.
QString MacDigits(const QString& mac)
{
    QString digits;
    digits.reserve(12);
    for (const QChar c : mac) {
        if (c.isDigit() || (c.toUpper() >= QLatin1Char('A') && c.toUpper() <= QLatin1Char('F')))
            digits.append(c.toUpper());
    }
    return digits;
}

// Whether a record's MAC field holds these digits, whatever its separators and
// case. Runs over every listed K-VNT record per ONVIF event: no allocation.
bool MacFieldHasDigits(const char* field, std::size_t width, const QString& digits)
{
    int matched = 0;
    for (std::size_t i = 0; i < width && field[i] != '\0'; ++i) {
        const QChar c = QChar::fromLatin1(field[i]).toUpper();
        if (!c.isDigit() && (c < QLatin1Char('A') || c > QLatin1Char('F')))
            continue;
        if (matched >= digits.size() || digits[matched] != c)
            return false;
        ++matched;
    }
    return matched == digits.size();
}

bool IsTwin(const OnvifDeviceRecord& record, const QString& recordMac, const LUMO_DEVICE_INFO_MY& info)
{
    if (!recordMac.isEmpty())
        return MacFieldHasDigits(info.mac, sizeof info.mac, recordMac);
    const std::size_t length = qstrnlen(info.ipv4Address, sizeof info.ipv4Address);
    return !record.host.isEmpty() && QLatin1String(info.ipv4Address, qsizetype(length)) == record.host;
}

} // namespace

bool QtLumo::StartOnvifDiscovery(const QString& user)
{
    if (m_pOnvif)
        return true;
    m_strOnvifUser = user;
    m_pOnvif = std::make_unique<COnvifWatch>();
    connect(m_pOnvif.get(), &COnvifWatch::DeviceSeen, this, &QtLumo::OnOnvifDeviceSeen);
    connect(m_pOnvif.get(), &COnvifWatch::DeviceLost, this, &QtLumo::OnOnvifDeviceLost);
    if (!m_pOnvif->Start(OnvifDiscoverySettings::fromEnvironment())) {
        qDebug() << "ONVIF discovery is off: no socket could be opened";
        m_pOnvif.reset();
        return false;
    }
    return true;
}

quint64 QtLumo::OnvifRowKey(const QString& endpoint)
{
    return DeviceKey(endpoint.toUtf8(), QByteArrayLiteral("onvif"));
}

QString QtLumo::EndpointOfRow(int row) const
{
    const QStandardItem* item = m_pModel->item(row, QtLumoItemModel::ColSource);
    return item ? item->data(QtLumoItemModel::EndpointRole).toString() : QString();
}

quint64 QtLumo::RowKeyAt(int row) const
{
    const QString endpoint = EndpointOfRow(row);
    if (!endpoint.isEmpty())
        return OnvifRowKey(endpoint);
    return DeviceKey(m_pModel->item(row, QtLumoItemModel::ColSerial)->text(),
                     m_pModel->item(row, QtLumoItemModel::ColMac)->text());
}

int QtLumo::RowOfEndpoint(const QString& endpoint) const
{
    const quint64 key = OnvifRowKey(endpoint);
    if (m_listedKeys.find(key) == m_listedKeys.end())
        return -1;
    for (std::size_t row = 0; row < m_rowKeys.size(); ++row) {
        if (m_rowKeys[row] == key && EndpointOfRow(int(row)) == endpoint)
            return int(row);
    }
    return -1;
}

bool QtLumo::IsTwinOfListedDevice(const OnvifDeviceRecord& record) const
{
    const QString mac = MacDigits(record.mac);
    for (int i = 0; i < m_deviceList.Count(); ++i) {
        if (IsTwin(record, mac, m_deviceList.At(i)))
            return true;
    }
    return false;
}

// The devices are also indexed by MAC (by address while the MAC is unknown),
// so that a K-VNT device's report finds its ONVIF twin without a walk.
void QtLumo::StoreOnvifDevice(const OnvifDeviceRecord& record)
{
    ForgetOnvifDevice(record.endpoint);
    m_onvifDevices.insert(record.endpoint, record);
    const QString mac = MacDigits(record.mac);
    if (!mac.isEmpty())
        m_onvifByMac.insert(mac, record.endpoint);
    else if (!record.host.isEmpty())
        m_onvifByHost.insert(record.host, record.endpoint);
}

void QtLumo::ForgetOnvifDevice(const QString& endpoint)
{
    const auto known = m_onvifDevices.constFind(endpoint);
    if (known == m_onvifDevices.constEnd())
        return;
    m_onvifByMac.remove(MacDigits(known->mac), endpoint);
    m_onvifByHost.remove(known->host, endpoint);
    m_onvifDevices.erase(known);
}

void QtLumo::OnOnvifDeviceSeen(OnvifDeviceRecord record)
{
    if (HoldWhileModifying([this, record] { OnOnvifDeviceSeen(record); }))
        return;
    MutexLocker lock(m_mutex);
    StoreOnvifDevice(record);
    const int row = RowOfEndpoint(record.endpoint);
    if (IsTwinOfListedDevice(record)) {
        if (row >= 0)
            RemoveOnvifRow(row);
        return;
    }
    if (row < 0) {
        AppendOnvifRow(record);
        return;
    }
    CDeviceRowItems(m_pModel, row).FillFromOnvif(row, record);
    CTableView* table = m_pUi->tableWidgetDevice;
    if (table->currentIndex().isValid() && table->currentIndex().row() == row
        && table->selectionModel()->selectedRows().size() == 1)
        ShowOnvifParam(record);
}

void QtLumo::OnOnvifDeviceLost(QString endpoint)
{
    if (HoldWhileModifying([this, endpoint] { OnOnvifDeviceLost(endpoint); }))
        return;
    MutexLocker lock(m_mutex);
    ForgetOnvifDevice(endpoint);
    const int row = RowOfEndpoint(endpoint);
    if (row >= 0)
        RemoveOnvifRow(row);
}

void QtLumo::AppendOnvifRow(const OnvifDeviceRecord& record)
{
    const int row = m_pModel->rowCount();
    CDeviceRowItems items;
    items.FillFromOnvif(row, record);
    m_pModel->insertRow(row, items.Take());
    const quint64 key = OnvifRowKey(record.endpoint);
    m_rowKeys.push_back(key);
    ++m_listedKeys[key];
    ++m_nOnvifRows;
    ++m_nDeviceCount;
    ShowDeviceCount();
}

// As an offline K-VNT row: the row turns inert and leaves with the next flush.
void QtLumo::RemoveOnvifRow(int row)
{
    CTableView* table = m_pUi->tableWidgetDevice;
    const bool shown = table->currentIndex().isValid() && table->currentIndex().row() == row;
    ForgetRowKey(row);
    m_doomedRows.push_back(row);
    MakeRowInert(row);
    if (shown)
        SetParamFormEnabled(false);
    ScheduleFlush();
    --m_nOnvifRows;
    --m_nDeviceCount;
    ShowDeviceCount();
}

// A K-VNT device just listed: an ONVIF row of the same device leaves.
void QtLumo::HideOnvifTwinsOf(const LUMO_DEVICE_INFO_MY& info)
{
    if (m_onvifDevices.isEmpty())
        return;
    const QStringList endpoints = m_onvifByMac.values(MacDigits(FieldLatin1(info.mac)))
        + m_onvifByHost.values(FieldLatin1(info.ipv4Address));
    for (const QString& endpoint : endpoints) {
        const int row = RowOfEndpoint(endpoint);
        if (row >= 0)
            RemoveOnvifRow(row);
    }
}

// A K-VNT device gone: an ONVIF device that was hidden as its twin gets its
// row. Only hidden devices are looked at, and there are few of them.
void QtLumo::ShowOnvifTwinsOf()
{
    if (m_onvifDevices.size() <= m_nOnvifRows)
        return;
    for (const OnvifDeviceRecord& record : std::as_const(m_onvifDevices)) {
        if (RowOfEndpoint(record.endpoint) < 0 && !IsTwinOfListedDevice(record))
            AppendOnvifRow(record);
    }
}

// The form for one ONVIF device: its address, mask and gateway can change; the
// port shown is its web page's, which a re-addressing keeps.
void QtLumo::ShowOnvifParam(const OnvifDeviceRecord& record)
{
    Ui::QtLumoClass& ui = *m_pUi;
    EnableEditableParams();
    ui.lineEditSerial->setText(record.serialNumber);
    ui.lineEditSerial->setCursorPosition(0);
    ui.lineEditIPAddr->setText(record.ipv4Address.isEmpty() ? record.host : record.ipv4Address);
    ui.lineEditIPMask->setText(CDeviceRowItems::MaskOfPrefix(record.ipv4PrefixLength));
    ui.lineEditPort->setText(QString::number(CDeviceRowItems::WebPort(record)));
    ui.lineEditPort->setEnabled(false);
    ui.lineEditIPGateway->setText(record.ipv4Gateway);
    ui.lineEditIPGateway->setEnabled(true);
    ClearIpv6Fields();
    SetIpv6FieldsEnabled(false);
}

void QtLumo::PressedComebackOnOnvif()
{
    CWarnDlg::ShowInformation(tr("Information"),
                              tr("The default password of an ONVIF device cannot be restored here: "
                                 "restore it on the device itself or with its maker's tool."),
                              this);
}

// The device's web page: the host of its device-service address and its HTTP port.
bool QtLumo::OpenOnvifWebPage(int row)
{
    const auto record = m_onvifDevices.constFind(EndpointOfRow(row));
    if (record == m_onvifDevices.constEnd())
        return false;
    QUrl url;
    url.setScheme(QStringLiteral("http"));
    url.setHost(QUrl(record->deviceServiceUrl()).host());
    const int port = CDeviceRowItems::WebPort(*record);
    if (port != 80)
        url.setPort(port);
    url.setPath(QStringLiteral("/"));
    qDebug() << url;
    QDesktopServices::openUrl(url);
    return true;
}
