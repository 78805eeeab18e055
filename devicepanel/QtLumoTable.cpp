// The device table: rows from discovery events, their removal and
// numbering, ordering, the header and the serial-cell protection.
#include "QtLumo.h"

#include "CDeviceRowItems.h"
#include "QtLumoItemModel.h"
#include "ui_QtLumo.h"

#include <QDebug>
#include <QHashFunctions>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QStandardItem>
#include <QTimer>

#include <algorithm>
#include <functional>
#include <limits>

namespace {

// How long rows of offline devices wait to leave together with those of
// further offline events; short enough that nobody sees them linger.
constexpr int kRowRemovalDelayMs = 30;
// Rows deleted in one pass of the event loop at the most.
constexpr int kMaxRowsRemovedPerPass = 2000;

} // namespace
void QtLumo::SetupRowRemoval()
{
    m_pFlushTimer = new QTimer(this);
    m_pFlushTimer->setSingleShot(true);
    m_pFlushTimer->setInterval(kRowRemovalDelayMs);
    connect(m_pFlushTimer, &QTimer::timeout, this, &QtLumo::FlushRemovedRows);
}

quint64 QtLumo::DeviceKey(const QString& serial, const QString& mac)
{
    return DeviceKey(serial.toLatin1(), mac.toLatin1());
}

quint64 QtLumo::DeviceKey(const QByteArray& serial, const QByteArray& mac)
{
    const std::size_t seed = qHashBits(mac.constData(), std::size_t(mac.size()));
    // Never 0, which marks a row that is on its way out.
    return quint64(qHashBits(serial.constData(), std::size_t(serial.size()), seed)) | 1u;
}

void QtLumo::ShowDeviceCount()
{
    qDebug().nospace().noquote() << "===ws===" << m_nDeviceCount;
    m_pUi->m_pLabelCount->setText(QString::number(m_nDeviceCount));
}

void QtLumo::AppendDeviceRow(const LUMO_DEVICE_INFO_MY& info, quint64 key)
{
    // The row is assembled before it enters the model, so that the view hears
    // of it once instead of once per cell.
    const int row = m_pModel->rowCount();
    CDeviceRowItems items;
    items.FillFromRecord(row, info);
    m_pModel->insertRow(row, items.Take());
    m_rowKeys.push_back(key);
    ++m_listedKeys[key];
}

void QtLumo::FillDeviceRow(int row, const LUMO_DEVICE_INFO_MY& info)
{
    CDeviceRowItems(m_pModel, row).FillFromRecord(row, info);
}

// Rewrites the cells that a successful network change alters.
void QtLumo::UpdateDeviceRow(int row, const QString& address, const QString& mask, int port, const QString& gateway)
{
    CDeviceRowItems(m_pModel, row).FillNewAddress(row, address, mask, CDeviceRowItems::Padded("%5d", port), gateway);
}

QList<int> QtLumo::RowsOfDevice(const QString& serial, const QString& mac) const
{
    QList<int> rows;
    const quint64 key = DeviceKey(serial, mac);
    // Most online reports are of devices not listed yet: those need no walk.
    if (m_listedKeys.find(key) == m_listedKeys.end())
        return rows;
    for (std::size_t row = 0; row < m_rowKeys.size(); ++row) {
        if (m_rowKeys[row] != key)
            continue;
        const int r = int(row);
        if (m_pModel->item(r, QtLumoItemModel::ColSerial)->text() == serial
            && m_pModel->item(r, QtLumoItemModel::ColMac)->text() == mac)
            rows.append(r);
    }
    return rows;
}

void QtLumo::RebuildRowKeys()
{
    const int rowCount = m_pModel->rowCount();
    m_rowKeys.assign(std::size_t(rowCount), 0);
    m_listedKeys.clear();
    for (int row = 0; row < rowCount; ++row) {
        const quint64 key = RowKeyAt(row);
        m_rowKeys[std::size_t(row)] = key;
        ++m_listedKeys[key];
    }
}

void QtLumo::OnDeviceOnline(LUMO_DEVICE_INFO_MY dev_info)
{
    if (HoldWhileModifying([this, dev_info] { OnDeviceOnline(dev_info); }))
        return;
    MutexLocker lock(m_mutex);
    const quint64 key = DeviceKey(FieldBytes(dev_info.serial), FieldBytes(dev_info.mac));
    const QList<int> rows = m_listedKeys.count(key) ? RowsOfDevice(FieldLatin1(dev_info.serial), FieldLatin1(dev_info.mac))
                                                    : QList<int>();
    if (!rows.isEmpty()) {
        // Reported online while it is listed (a host's report, or a device
        // back after an offline event that was lost): the listed device is
        // refreshed, and the record the report added replaces the old one.
        KeepOneRecordOf(dev_info);
        RefreshListedDevice(rows.first(), dev_info);
        return;
    }
    AppendDeviceRow(dev_info, key);
    ++m_nDeviceCount;
    ShowDeviceCount();
    HideOnvifTwinsOf(dev_info);
}

void QtLumo::KeepOneRecordOf(const LUMO_DEVICE_INFO_MY& info)
{
    const QByteArray serial = FieldBytes(info.serial);
    const QByteArray mac = FieldBytes(info.mac);
    const int first = m_deviceList.IndexOf(serial, mac, m_deviceList.Count());
    const int last = m_deviceList.LastIndexOf(serial, mac);
    if (last > first)
        m_deviceList.RemoveAt(last);
    if (first >= 0)
        m_deviceList.Replace(first, info);
}

void QtLumo::OnDeviceOffline(QString strDeviceSer, QString strDeviceMac)
{
    if (HoldWhileModifying([this, strDeviceSer, strDeviceMac] { OnDeviceOffline(strDeviceSer, strDeviceMac); }))
        return;
    MutexLocker lock(m_mutex);
    const int rowCount = m_pModel->rowCount() - int(m_doomedRows.size());
    if (rowCount <= 0)
        return;

    const int record = m_deviceList.IndexOf(strDeviceSer.toLatin1(), strDeviceMac.toLatin1(), rowCount);
    if (record >= 0)
        m_deviceList.RemoveAt(record);

    const QList<int> rows = RowsOfDevice(strDeviceSer, strDeviceMac);
    for (int row : rows) {
        ForgetRowKey(row);
        m_doomedRows.push_back(row);
        MakeRowInert(row);
    }
    if (!rows.isEmpty() && m_pUi->lineEditSerial->isVisible() && m_pUi->lineEditSerial->text() == strDeviceSer)
        SetParamFormEnabled(false);
    // The rows leave, and the remaining ones are renumbered 001, 002, ... in
    // their current order, together with those of the offline events that
    // arrive in the next few milliseconds.
    ScheduleFlush();

    m_nDeviceCount -= int(rows.size());
    ShowDeviceCount();
    if (!rows.isEmpty())
        ShowOnvifTwinsOf();
}

void QtLumo::ForgetRowKey(int row)
{
    quint64& key = m_rowKeys[std::size_t(row)];
    const auto listed = m_listedKeys.find(key);
    if (listed != m_listedKeys.end() && --listed->second == 0)
        m_listedKeys.erase(listed);
    key = 0;
}

// A row waiting to leave can no longer be selected or act for its device:
// the rows below it keep their places until it is gone, so its position no
// longer says which record is whose. Views ask for the flags on each click, and
// the row is gone before a repaint would matter, so no change is announced.
void QtLumo::MakeRowInert(int row)
{
    {
        const QSignalBlocker blocker(m_pModel);
        for (int column = 0; column < QtLumoItemModel::ColumnCount; ++column)
            m_pModel->item(row, column)->setFlags(Qt::NoItemFlags);
    }

    QItemSelectionModel* selection = m_pUi->tableWidgetDevice->selectionModel();
    if (selection->isRowSelected(row, QModelIndex()))
        selection->select(m_pModel->index(row, 0), QItemSelectionModel::Deselect | QItemSelectionModel::Rows);
    if (selection->currentIndex().row() == row)
        selection->clearCurrentIndex();
}

bool QtLumo::IsRowLeaving(int row) const
{
    return row >= 0 && std::size_t(row) < m_rowKeys.size() && m_rowKeys[std::size_t(row)] == 0;
}

void QtLumo::ScheduleFlush()
{
    m_bFlushPending = true;
    if (!m_pFlushTimer->isActive())
        m_pFlushTimer->start();
}

void QtLumo::FlushRemovedRows()
{
    if (HoldWhileModifying([this] { FlushRemovedRows(); }))
        return;
    MutexLocker lock(m_mutex);
    if (!m_bFlushPending)
        return;
    if (!RemoveDoomedRows(kMaxRowsRemovedPerPass)) {
        // Deleting a whole table's items at once would hold the GUI thread
        // too long: the rest goes in the next passes.
        m_pFlushTimer->start(0);
        return;
    }
    m_bFlushPending = false;
    m_pFlushTimer->setInterval(kRowRemovalDelayMs);
    RenumberRows();
}

void QtLumo::FlushAllRemovedRows()
{
    MutexLocker lock(m_mutex);
    if (!m_bFlushPending)
        return;
    m_pFlushTimer->stop();
    RemoveDoomedRows(std::numeric_limits<int>::max());
    m_bFlushPending = false;
    m_pFlushTimer->setInterval(kRowRemovalDelayMs);
    RenumberRows();
}

bool QtLumo::RemoveDoomedRows(int maxRows)
{
    // Bottom-up, one call per run of neighbouring rows, so that the rows
    // still waiting keep their numbers.
    std::sort(m_doomedRows.begin(), m_doomedRows.end(), std::greater<int>());
    std::size_t done = 0;
    int budget = maxRows;
    while (done < m_doomedRows.size() && budget > 0) {
        std::size_t runEnd = done + 1;
        while (runEnd < m_doomedRows.size() && runEnd - done < std::size_t(budget)
               && m_doomedRows[runEnd] == m_doomedRows[runEnd - 1] - 1)
            ++runEnd;
        const int count = int(runEnd - done);
        const int first = m_doomedRows[runEnd - 1];
        m_pModel->removeRows(first, count);
        m_rowKeys.erase(m_rowKeys.begin() + first, m_rowKeys.begin() + first + count);
        budget -= count;
        done = runEnd;
    }
    m_doomedRows.erase(m_doomedRows.begin(), m_doomedRows.begin() + std::ptrdiff_t(done));
    return m_doomedRows.empty();
}

void QtLumo::RenumberRows()
{
    // Each item would announce its own change; one announcement for the
    // column is enough for the view.
    const int rowCount = m_pModel->rowCount();
    int first = -1;
    int last = -1;
    {
        const QSignalBlocker blocker(m_pModel);
        for (int row = 0; row < rowCount; ++row) {
            QStandardItem* item = m_pModel->item(row, QtLumoItemModel::ColId);
            const QString id = CDeviceRowItems::Padded("%03d", row + 1);
            if (item->text() == id)
                continue;
            item->setText(id);
            first = first < 0 ? row : first;
            last = row;
        }
    }
    if (first >= 0)
        emit m_pModel->dataChanged(m_pModel->index(first, QtLumoItemModel::ColId),
                                   m_pModel->index(last, QtLumoItemModel::ColId));
}

void QtLumo::OnDeviceUpdate(LUMO_DEVICE_INFO_MY dev_info)
{
    if (HoldWhileModifying([this, dev_info] { OnDeviceUpdate(dev_info); }))
        return;
    MutexLocker lock(m_mutex);
    const int rowCount = m_pModel->rowCount();
    if (rowCount < 0)
        return;

    const QByteArray serial = FieldBytes(dev_info.serial);
    const QByteArray mac = FieldBytes(dev_info.mac);
    const int record = m_deviceList.IndexOf(serial, mac, rowCount);
    if (record >= 0)
        m_deviceList.Replace(record, dev_info);

    const QList<int> rows = RowsOfDevice(QString::fromLatin1(serial), QString::fromLatin1(mac));
    if (!rows.isEmpty())
        RefreshListedDevice(rows.first(), dev_info);
}

// Writes a listed device's new report into its row and, when it is the one
// device shown in the form, into the form.
void QtLumo::RefreshListedDevice(int row, const LUMO_DEVICE_INFO_MY& dev_info)
{
    FillDeviceRow(row, dev_info);

    CTableView* table = m_pUi->tableWidgetDevice;
    if (table->currentIndex().isValid() && table->currentIndex().row() == row
        && table->selectionModel()->selectedRows().size() == 1)
        ShowDeviceParam(row, QtLumoItemModel::ColSerial);
}

void QtLumo::SortTable(int iIndex)
{
    MutexLocker lock(m_mutex);
    // Sorting must see the rows and numbers the last offline events left.
    FlushAllRemovedRows();
    QHeaderView* header = m_pUi->tableWidgetDevice->header();
    header->setSortIndicatorShown(true);
    m_pModel->sort(iIndex, header->sortIndicatorOrder());
    RebuildRowKeys();
}

void QtLumo::OnHeaderPress(int logicalIndex)
{
    QHeaderView* header = m_pUi->tableWidgetDevice->header();
    if (logicalIndex == 0) {
        header->setSectionsMovable(false);
        return;
    }
    m_headerState = header->saveState();
    header->setSectionsMovable(true);
}

void QtLumo::OnHeaderCountChanged(int logicalIndex, int oldVisualIndex, int newVisualIndex)
{
    if (logicalIndex < 0 || (oldVisualIndex != 0 && newVisualIndex != 0))
        return;
    m_pUi->tableWidgetDevice->header()->restoreState(m_headerState);
}

void QtLumo::ResetData(const QModelIndex& mindexPre, const QModelIndex& mindexNow)
{
    RestoreReportedSerials(mindexPre, mindexNow);
    if (m_strEditBackup.isEmpty())
        return;
    if (!m_editBackupIndex.isValid()) {
        m_strEditBackup.clear();
        return;
    }
    // Only the serial-number cell whose text was remembered gets it back; a
    // change elsewhere leaves the remembered text waiting.
    if (mindexPre.row() != m_editBackupIndex.row() || mindexPre.column() != m_editBackupIndex.column())
        return;
    const QString text = std::exchange(m_strEditBackup, QString());
    m_pUi->tableWidgetDevice->SetCellText(m_editBackupIndex.row(), m_editBackupIndex.column(), text);
    m_editBackupIndex = QPersistentModelIndex();
}

// However the serial-number editor was opened (double-click, F2, typing), the
// cell shows what the device reported once the edit is committed; the panel
// finds a device's row by that text.
void QtLumo::RestoreReportedSerials(const QModelIndex& first, const QModelIndex& last)
{
    const int column = QtLumoItemModel::ColSerial;
    if (!first.isValid() || column < first.column() || column > last.column())
        return;
    for (int row = first.row(); row <= last.row(); ++row) {
        const QStandardItem* item = m_pModel->item(row, column);
        const QVariant reported = item ? item->data(QtLumoItemModel::ReportedSerialRole) : QVariant();
        if (reported.isValid() && item->text() != reported.toString())
            m_pUi->tableWidgetDevice->SetCellText(row, column, reported.toString());
    }
}
