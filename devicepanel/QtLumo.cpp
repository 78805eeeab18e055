#include "QtLumo.h"

#include "CIpStandardItem.h"
#include "LumoDeviceCallback.h"
#include "QtLumoItemModel.h"
#include "ui_QtLumo.h"

#include <CRegExpValidator.h>
#include <ZelDso.h>

#include <QDebug>
#include <QDesktopServices>
#include <QHashFunctions>
#include <QHeaderView>
#include <QIntValidator>
#include <QItemSelectionModel>
#include <QStandardItem>
#include <QTimer>
#include <QUrl>

#include <algorithm>
#include <functional>
#include <limits>

namespace {

constexpr quint32 kReadOnlyClassFirst = 0x9D00;
constexpr quint32 kReadOnlyClassLast = 0x9FFF;
constexpr int kAddressByteLimit = 39;
// How long rows of offline devices wait to leave together with those of
// further offline events; short enough that nobody sees them linger.
constexpr int kRowRemovalDelayMs = 30;
// Rows deleted in one pass of the event loop at the most.
constexpr int kMaxRowsRemovedPerPass = 2000;

bool InRange(quint32 code, quint32 first, quint32 last)
{
    return code >= first && code <= last;
}

bool IsReadOnlyClass(qint32 deviceClass)
{
    return InRange(quint32(deviceClass), kReadOnlyClassFirst, kReadOnlyClassLast);
}

QString Padded(const char* format, int value)
{
    return QString::asprintf(format, value);
}

// Access to the 19 items of one row, either already in the model or still
// being assembled for a new row.
class RowItems
{
public:
    virtual ~RowItems() = default;
    virtual QStandardItem* At(int column) = 0;
    virtual void Replace(int column, QStandardItem* item) = 0;
};

class ModelRowItems : public RowItems
{
public:
    ModelRowItems(QStandardItemModel* model, int row) : m_pModel(model), m_nRow(row) {}
    QStandardItem* At(int column) override { return m_pModel->item(m_nRow, column); }
    void Replace(int column, QStandardItem* item) override { m_pModel->setItem(m_nRow, column, item); }

private:
    QStandardItemModel* m_pModel;
    int m_nRow;
};

class NewRowItems : public RowItems
{
public:
    NewRowItems()
    {
        for (int column = 0; column < QtLumoItemModel::ColumnCount; ++column)
            m_items.append(new QStandardItem);
    }
    QStandardItem* At(int column) override { return m_items[column]; }
    void Replace(int column, QStandardItem* item) override
    {
        delete m_items[column];
        m_items[column] = item;
    }
    QList<QStandardItem*> Take() { return std::exchange(m_items, {}); }

private:
    QList<QStandardItem*> m_items;
};

void SetText(RowItems& row, int column, const QString& text)
{
    row.At(column)->setText(text);
}

// The first fill of an address cell swaps the plain item for one that orders
// by address value; later fills only change its text.
void SetAddressText(RowItems& row, int column, const QString& text)
{
    if (row.At(column)->text().isEmpty())
        row.Replace(column, new CIpStandardItem(text));
    else
        SetText(row, column, text);
}

QString YesNo(bool yes)
{
    return yes ? QtLumo::tr("Yes") : QtLumo::tr("No");
}

void FillExtendedColumns(RowItems& row, const LUMO_DEVICE_INFO_MY& info)
{
    using M = QtLumoItemModel;
    if (info.extendedValid == 0) {
        for (int column : { M::ColIpv4Gateway, M::ColIpv6Address, M::ColIpv6Gateway, M::ColIpv6PrefixLength,
                            M::ColSupportsIpv6, M::ColSupportsDhcp, M::ColSupportsIpv6Modify, M::ColIpv4Dhcp })
            SetText(row, column, QString());
        return;
    }
    if (info.extendedValid != 1)
        return;
    SetAddressText(row, M::ColIpv4Gateway, FieldLatin1(info.ipv4Gateway));
    SetText(row, M::ColIpv6Address, FieldLatin1(info.ipv6Address));
    SetText(row, M::ColIpv6Gateway, FieldLatin1(info.ipv6Gateway));
    SetText(row, M::ColIpv6PrefixLength, Padded("%2d", info.ipv6PrefixLength));
    const bool supportsIpv6 = info.capabilities & LUMO_CAP_IPV6;
    SetText(row, M::ColSupportsIpv6, YesNo(supportsIpv6));
    if (!supportsIpv6) {
        for (int column : { M::ColIpv6Address, M::ColIpv6Gateway, M::ColIpv6PrefixLength })
            SetText(row, column, QString());
    }
    SetText(row, M::ColSupportsDhcp, YesNo(info.capabilities & LUMO_CAP_DHCP));
    SetText(row, M::ColSupportsIpv6Modify, YesNo(info.capabilities & LUMO_CAP_IPV6_MODIFIABLE));
    SetText(row, M::ColIpv4Dhcp, info.ipv4Dhcp == 1 ? QtLumo::tr("ON") : QtLumo::tr("OFF"));
}

void FillRowItems(RowItems& row, int rowNumber, const LUMO_DEVICE_INFO_MY& info)
{
    using M = QtLumoItemModel;
    if (row.At(M::ColId)->text().isEmpty())
        SetText(row, M::ColId, Padded("%03d", rowNumber + 1));
    SetText(row, M::ColDeviceType, FieldLatin1(info.deviceTypeText));
    SetAddressText(row, M::ColIpv4Address, FieldLatin1(info.ipv4Address));
    SetText(row, M::ColPort, Padded("%5d", info.port));
    SetText(row, M::ColSerial, FieldLatin1(info.serial));
    SetAddressText(row, M::ColIpv4Mask, FieldLatin1(info.ipv4Mask));
    SetText(row, M::ColMac, FieldLatin1(info.mac));
    SetText(row, M::ColChannels, Padded("%2d", info.channelCount));
    SetText(row, M::ColSoftwareVersion, FieldLatin1(info.softwareVersion));
    SetText(row, M::ColDspVersion, FieldLatin1(info.dspVersion));
    SetText(row, M::ColStartTime, FieldLatin1(info.startTime));
    FillExtendedColumns(row, info);

    for (int column = 0; column < M::ColumnCount; ++column) {
        QStandardItem* item = row.At(column);
        item->setFlags(item->flags() & ~Qt::ItemIsEditable);
    }
    row.At(M::ColSerial)->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEditable | Qt::ItemIsEnabled);
}

} // namespace

// Holds the panel mutex for a scope; the mutex admits repeated locking by the
// thread that holds it.
class QtLumo::MutexLocker
{
public:
    explicit MutexLocker(ZEL_MUTEX_T& mutex) : m_mutex(mutex) { ZEL_MutexLock(&m_mutex); }
    ~MutexLocker() { ZEL_MutexUnlock(&m_mutex); }
    MutexLocker(const MutexLocker&) = delete;
    MutexLocker& operator=(const MutexLocker&) = delete;

private:
    ZEL_MUTEX_T& m_mutex;
};

QtLumo::QtLumo(QWidget* parent, int classFilter, int /*hostValue1*/, int /*hostValue2*/, int /*hostValue3*/)
    : QWidget(parent)
    , m_pUi(std::make_unique<Ui::QtLumoClass>())
{
    m_pUi->setupUi(this);
    SetupInputLimits();
    SetupTableModel();
    ConnectSignals();

    m_pFlushTimer = new QTimer(this);
    m_pFlushTimer->setSingleShot(true);
    m_pFlushTimer->setInterval(kRowRemovalDelayMs);
    connect(m_pFlushTimer, &QTimer::timeout, this, &QtLumo::FlushRemovedRows);

    m_classFilter = classFilter;
    ZEL_MutexCreate(&m_mutex, -1);
    g_pQtLumo = this;

    PrepareTable();
    if (!StartDiscovery())
        return;
    m_bDiscoveryRunning = true;
    OnManualUpdate();
    SetParamFormEnabled(false);
    m_nDeviceCount = 0;
}

QtLumo::~QtLumo()
{
    m_discovery.Stop();
    m_discovery.Reset();
    CLumoDeviceSink* self = this;
    g_pQtLumo.compare_exchange_strong(self, nullptr);
    ZEL_MutexDestroy(&m_mutex);
    delete m_pModel;
    m_pModel = nullptr;
}

void QtLumo::SetupInputLimits()
{
    Ui::QtLumoClass& ui = *m_pUi;
    ui.lineEditPort->setMaxLength(5);
    ui.lineEditIPAddr->setValidator(new CRegExpValidator(kAddressByteLimit, this));
    ui.lineEditIPMask->setValidator(new CRegExpValidator(kAddressByteLimit, this));
    ui.lineEditPort->setValidator(new QIntValidator(2000, 65535, this));
    ui.lineEditPort->setToolTip(tr("Device port ranges from 2000 to 65535."));
    ui.lineEditPort_Password->setMaxLength(16);
    ui.m_pDefaultPwdLEdit->setMaxLength(32);
    ui.m_pDefaultPwdLEdit->setEchoMode(QLineEdit::Password);
    ui.tableWidgetDevice->header()->setSortIndicatorShown(true);
    ui.tableWidgetDevice->header()->setSortIndicator(0, Qt::AscendingOrder);
    ui.lineEditIPv6Mask->setValidator(new QIntValidator(0, 64, this));
}

void QtLumo::SetupTableModel()
{
    CTableView* table = m_pUi->tableWidgetDevice;
    m_pModel = new QtLumoItemModel(table);
    connect(m_pModel, &QAbstractItemModel::dataChanged, this, &QtLumo::ResetData);
    table->setModel(m_pModel);
    table->header()->setSortIndicator(0, Qt::AscendingOrder);
    table->setSelectionMode(QAbstractItemView::ExtendedSelection);
}

void QtLumo::ConnectSignals()
{
    CTableView* table = m_pUi->tableWidgetDevice;
    QHeaderView* header = table->header();
    connect(header, &QHeaderView::sectionMoved, this, &QtLumo::OnHeaderCountChanged);
    connect(header, &QHeaderView::sectionPressed, this, &QtLumo::OnHeaderPress);
    connect(table, &QAbstractItemView::doubleClicked, this, &QtLumo::OnClickAction);
    connect(table, &CTableView::SignalClickRelease, this, &QtLumo::OnDeviceTableClicked);
    connect(table->selectionModel(), &QItemSelectionModel::currentChanged, this, &QtLumo::OnItemChanged);
    connect(header, &QHeaderView::sectionClicked, this, &QtLumo::SortTable);

    connect(m_pUi->pushButtonModifyNetwork, &QPushButton::clicked, this, &QtLumo::OnModifyNetPara);
    connect(m_pUi->pushButtonModifyPassword, &QPushButton::clicked, this, &QtLumo::OnDefaultPassword);
    connect(m_pUi->pushButtonManualUpdate, &QPushButton::clicked, this, &QtLumo::OnManualUpdate);

    RegisterDeviceInfoMetaType();
    connect(this, &QtLumo::DeviceOnlineSignal, this, &QtLumo::OnDeviceOnline);
    connect(this, &QtLumo::DeviceOfflineSignal, this, &QtLumo::OnDeviceOffline);
    connect(this, &QtLumo::DeviceUpdateSignal, this, &QtLumo::OnDeviceUpdate);

    connect(m_pUi->m_pBtnExpand, &QToolButton::clicked, this, &QtLumo::OnClickExpandBtn);
    connect(m_pUi->m_pBtnShrink, &QToolButton::clicked, this, &QtLumo::OnClickShrinkBtn);
}

void QtLumo::PrepareTable()
{
    for (int column = 0; column < QtLumoItemModel::ColumnCount; ++column)
        m_pUi->tableWidgetDevice->setColumnWidth(column, QtLumoItemModel::ColumnWidth(column));
    SetIpv6FieldsEnabled(false);
    m_pUi->m_pBtnExpand->show();
    m_pUi->m_pBtnShrink->hide();
}

bool QtLumo::StartDiscovery()
{
    const QByteArray driver = CLumoDiscovery::DriverLibraryFileName().toLocal8Bit();
    ZEL_DSO_HANDLE handle = ZEL_LoadDSo(driver.constData());
    if (!handle) {
        qDebug() << "Discovery is off:" << CLumoDiscovery::DriverLibraryFileName() << "cannot be loaded";
        return false;
    }
    ZEL_FreeDSo(handle);
    m_discovery.Init(LumoDeviceCallback, nullptr);
    if (!m_discovery.Start()) {
        qDebug() << "Discovery is off: the discovery library did not start";
        return false;
    }
    return true;
}

bool QtLumo::IsExcludedDeviceClass(quint32 classCode) const
{
    const bool family49 = InRange(classCode, 0x4900, 0x49FF);
    const bool family59 = InRange(classCode, 0x5900, 0x59FF);
    const bool family9E = InRange(classCode, 0x9E00, 0x9EFF);
    const bool family9F = InRange(classCode, 0x9F00, 0x9FFF);
    switch (m_classFilter) {
    case 1:
        return family49 || family59 || family9E || family9F;
    case 2:
        return !family9F;
    case 3:
        return !(family49 || family59 || family9E);
    default:
        return false;
    }
}

bool QtLumo::IsAcceptedModel(const QString& deviceType) const
{
    const bool accepted = deviceType == QLatin1String("K-VNT1C") || deviceType == QLatin1String("K-VNT4C");
    if (accepted)
        qDebug() << "shn is Orvane";
    return accepted;
}

void QtLumo::AppendDeviceRecord(const LUMO_DEVICE_INFO_MY& info)
{
    MutexLocker lock(m_mutex);
    m_deviceList.Append(info);
}

void QtLumo::EmitDeviceOnline(const LUMO_DEVICE_INFO_MY& info)
{
    emit DeviceOnlineSignal(info);
}

void QtLumo::EmitDeviceUpdate(const LUMO_DEVICE_INFO_MY& info)
{
    emit DeviceUpdateSignal(info);
}

void QtLumo::EmitDeviceOffline(const QString& serial, const QString& mac)
{
    emit DeviceOfflineSignal(serial, mac);
}

int QtLumo::DeviceRecordCount() const
{
    MutexLocker lock(m_mutex);
    return m_deviceList.Count();
}

void QtLumo::OnManualUpdate()
{
    m_discovery.SendInquiry();
}

quint64 QtLumo::DeviceKey(const QString& serial, const QString& mac)
{
    const QByteArray serialBytes = serial.toLatin1();
    const QByteArray macBytes = mac.toLatin1();
    const std::size_t seed = qHashBits(macBytes.constData(), std::size_t(macBytes.size()));
    // Never 0, which marks a row that is on its way out.
    return quint64(qHashBits(serialBytes.constData(), std::size_t(serialBytes.size()), seed)) | 1u;
}

void QtLumo::ShowDeviceCount()
{
    qDebug().nospace().noquote() << "===ws===" << m_nDeviceCount;
    m_pUi->m_pLabelCount->setText(QString::number(m_nDeviceCount));
}

void QtLumo::AppendDeviceRow(const LUMO_DEVICE_INFO_MY& info)
{
    // The row is assembled before it enters the model, so that the view hears
    // of it once instead of once per cell.
    const int row = m_pModel->rowCount();
    NewRowItems items;
    FillRowItems(items, row, info);
    m_pModel->insertRow(row, items.Take());
    m_rowKeys.push_back(DeviceKey(FieldLatin1(info.serial), FieldLatin1(info.mac)));
}

void QtLumo::FillDeviceRow(int row, const LUMO_DEVICE_INFO_MY& info)
{
    ModelRowItems items(m_pModel, row);
    FillRowItems(items, row, info);
}

QList<int> QtLumo::RowsOfDevice(const QString& serial, const QString& mac) const
{
    QList<int> rows;
    const quint64 key = DeviceKey(serial, mac);
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
    for (int row = 0; row < rowCount; ++row)
        m_rowKeys[std::size_t(row)] = DeviceKey(m_pModel->item(row, QtLumoItemModel::ColSerial)->text(),
                                                m_pModel->item(row, QtLumoItemModel::ColMac)->text());
}

void QtLumo::OnDeviceOnline(LUMO_DEVICE_INFO_MY dev_info)
{
    MutexLocker lock(m_mutex);
    AppendDeviceRow(dev_info);
    ++m_nDeviceCount;
    ShowDeviceCount();
}

void QtLumo::OnDeviceOffline(QString strDeviceSer, QString strDeviceMac)
{
    MutexLocker lock(m_mutex);
    const int rowCount = m_pModel->rowCount() - int(m_doomedRows.size());
    if (rowCount <= 0)
        return;

    const int record = m_deviceList.IndexOf(strDeviceSer.toLocal8Bit(), strDeviceMac.toLocal8Bit(), rowCount);
    if (record >= 0)
        m_deviceList.RemoveAt(record);

    const QList<int> rows = RowsOfDevice(strDeviceSer, strDeviceMac);
    for (int row : rows) {
        m_rowKeys[std::size_t(row)] = 0;
        m_doomedRows.push_back(row);
    }
    // The rows leave, and the remaining ones are renumbered 001, 002, ... in
    // their current order, together with those of the offline events that
    // arrive in the next few milliseconds.
    ScheduleFlush();

    m_nDeviceCount -= int(rows.size());
    ShowDeviceCount();
}

void QtLumo::ScheduleFlush()
{
    m_bFlushPending = true;
    if (!m_pFlushTimer->isActive())
        m_pFlushTimer->start();
}

void QtLumo::FlushRemovedRows()
{
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
            const QString id = Padded("%03d", row + 1);
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
    if (rows.isEmpty())
        return;
    const int row = rows.first();
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

void QtLumo::ResetData(const QModelIndex& mindexPre, const QModelIndex& /*mindexNow*/)
{
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

void QtLumo::OnClickAction(const QModelIndex& index)
{
    CTableView* table = m_pUi->tableWidgetDevice;
    if (index.column() == QtLumoItemModel::ColIpv4Address) {
        const QUrl url(QStringLiteral("http://") + table->GetCellText(index.row(), index.column()));
        qDebug() << url;
        QDesktopServices::openUrl(url);
    } else if (index.column() == QtLumoItemModel::ColSerial) {
        m_strEditBackup = table->GetCellText(index.row(), index.column());
        m_editBackupIndex = index;
    }
}

void QtLumo::OnClickExpandBtn()
{
    m_pUi->m_pBtnExpand->hide();
    m_pUi->m_pBtnShrink->show();
    m_pUi->m_pSetFrame->hide();
}

void QtLumo::OnClickShrinkBtn()
{
    m_pUi->m_pBtnExpand->show();
    m_pUi->m_pBtnShrink->hide();
    m_pUi->m_pSetFrame->show();
}

void QtLumo::OnModifyNetPara()
{
    // Changing network parameters is not available yet.
}

void QtLumo::OnDefaultPassword()
{
    // Restoring the default password is not available yet.
}

void QtLumo::OnDeviceTableClicked(const QModelIndex& /*index*/)
{
    MutexLocker lock(m_mutex);
    const QModelIndexList rows = m_pUi->tableWidgetDevice->selectionModel()->selectedRows();
    if (rows.isEmpty()) {
        SetParamFormEnabled(false);
    } else if (rows.size() > 1) {
        m_pUi->label_7->setText(tr("Start IP Address:"));
        m_pUi->label_162->setText(tr("Batch Modify Network parameters"));
        PrepareBatchModify(rows);
    } else {
        m_pUi->label_7->setText(tr("IP Address:"));
        m_pUi->label_162->setText(tr("Modify Network parameters"));
        SetParamFormEnabled(true);
        ShowDeviceParam(rows.first().row(), 0);
    }
}

void QtLumo::OnItemChanged(const QModelIndex& current, const QModelIndex& /*previous*/)
{
    if (!current.isValid())
        return;
    MutexLocker lock(m_mutex);
    SetParamFormEnabled(true);
    ShowDeviceParam(current.row(), 0);
}

int QtLumo::RecordIndexOfRow(int row) const
{
    const CTableView* table = m_pUi->tableWidgetDevice;
    return m_deviceList.IndexOf(table->GetCellText(row, QtLumoItemModel::ColSerial).toLatin1(),
                                table->GetCellText(row, QtLumoItemModel::ColMac).toLatin1(),
                                m_deviceList.Count());
}

void QtLumo::ShowDeviceParam(int row, int column)
{
    HideResetPasswordArea(false);
    if (row < 0 || column < 0 || row >= m_deviceList.Count())
        return;
    const int record = RecordIndexOfRow(row);
    const LUMO_DEVICE_INFO_MY& info = m_deviceList.At(record >= 0 ? record : row);

    EnableEditableParams();
    if (IsReadOnlyClass(info.deviceClass))
        DisableAllParams();

    Ui::QtLumoClass& ui = *m_pUi;
    ui.lineEditSerial->setText(FieldLatin1(info.serial));
    ui.lineEditSerial->setCursorPosition(0);
    ui.lineEditIPAddr->setText(FieldLatin1(info.ipv4Address));
    ui.lineEditIPMask->setText(FieldLatin1(info.ipv4Mask));
    ui.lineEditPort->setText(QString::number(info.port));
    ui.lineEditIPGateway->setText(FieldLatin1(info.ipv4Gateway));
    ui.lineEditIPv6Addr->setText(FieldLatin1(info.ipv6Address));
    ui.lineEditIPv6Gateway->setText(FieldLatin1(info.ipv6Gateway));
    ui.lineEditIPv6Mask->setText(QString::number(info.ipv6PrefixLength));

    if (info.extendedValid == 0) {
        ui.lineEditIPGateway->clear();
        ui.lineEditIPGateway->setEnabled(false);
        ClearIpv6Fields();
        SetIpv6FieldsEnabled(false);
    } else if (info.extendedValid == 1) {
        if (!(info.capabilities & LUMO_CAP_IPV6)) {
            ClearIpv6Fields();
            SetIpv6FieldsEnabled(false);
        }
        const bool modifiable = info.capabilities & LUMO_CAP_IPV6_MODIFIABLE;
        SetIpv6FieldsEnabled(modifiable && !IsReadOnlyClass(info.deviceClass));
    }
}

void QtLumo::SetIpv6FieldsEnabled(bool enable)
{
    m_pUi->lineEditIPv6Addr->setEnabled(enable);
    m_pUi->lineEditIPv6Gateway->setEnabled(enable);
    m_pUi->lineEditIPv6Mask->setEnabled(enable);
}

void QtLumo::ClearIpv6Fields()
{
    m_pUi->lineEditIPv6Addr->clear();
    m_pUi->lineEditIPv6Gateway->clear();
    m_pUi->lineEditIPv6Mask->clear();
}

void QtLumo::SetParamFormEnabled(bool enable)
{
    Ui::QtLumoClass& ui = *m_pUi;
    QLineEdit* const fields[] = { ui.lineEditSerial, ui.lineEditIPAddr, ui.lineEditIPMask, ui.lineEditPort,
                                  ui.lineEditPort_Password, ui.m_pDefaultPwdLEdit, ui.lineEditIPGateway };
    for (QLineEdit* field : fields) {
        field->setEnabled(enable);
        if (!enable)
            field->clear();
    }
    ui.pushButtonModifyNetwork->setEnabled(enable);
    ui.pushButtonModifyPassword->setEnabled(enable);
    if (!enable) {
        ClearIpv6Fields();
        SetIpv6FieldsEnabled(false);
    }
}

void QtLumo::EnableEditableParams()
{
    Ui::QtLumoClass& ui = *m_pUi;
    for (QWidget* widget : std::initializer_list<QWidget*>{ ui.lineEditIPAddr, ui.lineEditIPMask, ui.lineEditPort,
                                                            ui.m_pDefaultPwdLEdit, ui.lineEditPort_Password,
                                                            ui.pushButtonModifyNetwork, ui.pushButtonModifyPassword })
        widget->setEnabled(true);
}

void QtLumo::DisableAllParams()
{
    Ui::QtLumoClass& ui = *m_pUi;
    for (QWidget* widget : std::initializer_list<QWidget*>{ ui.lineEditIPAddr, ui.lineEditIPMask, ui.lineEditPort,
                                                            ui.m_pDefaultPwdLEdit, ui.lineEditPort_Password,
                                                            ui.pushButtonModifyNetwork, ui.pushButtonModifyPassword,
                                                            ui.lineEditIPGateway })
        widget->setEnabled(false);
    SetIpv6FieldsEnabled(false);
}

void QtLumo::HideResetPasswordArea(bool hide)
{
    Ui::QtLumoClass& ui = *m_pUi;
    for (QWidget* widget : std::initializer_list<QWidget*>{ ui.label_5, ui.lineEditSerial, ui.label_163,
                                                            ui.m_pDefaultPwdLEdit, ui.pushButtonModifyPassword,
                                                            ui.label_3, ui.label_6, ui.line_3 })
        widget->setHidden(hide);
}

void QtLumo::PrepareBatchModify(const QModelIndexList& rows)
{
    HideResetPasswordArea(true);
    bool anyModifiable = false;
    bool anyExtended = false;
    for (const QModelIndex& index : rows) {
        const int record = RecordIndexOfRow(index.row());
        if (record < 0)
            continue;
        const LUMO_DEVICE_INFO_MY& info = m_deviceList.At(record);
        anyModifiable = anyModifiable || !IsReadOnlyClass(info.deviceClass);
        anyExtended = anyExtended || info.extendedValid == 1;
        if (anyModifiable && anyExtended)
            break;
    }

    Ui::QtLumoClass& ui = *m_pUi;
    for (QLineEdit* field : std::initializer_list<QLineEdit*>{ ui.lineEditIPAddr, ui.lineEditIPGateway, ui.lineEditIPMask, ui.lineEditIPv6Addr,
                              ui.lineEditIPv6Mask, ui.lineEditIPv6Gateway, ui.lineEditPort, ui.lineEditPort_Password })
        field->clear();
    for (QWidget* widget : std::initializer_list<QWidget*>{ ui.lineEditIPAddr, ui.lineEditPort, ui.lineEditIPMask,
                                                            ui.lineEditPort_Password, ui.pushButtonModifyNetwork })
        widget->setEnabled(anyModifiable);
    ui.lineEditIPGateway->setEnabled(anyExtended);
    SetIpv6FieldsEnabled(false);
}
