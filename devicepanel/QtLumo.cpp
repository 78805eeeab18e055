#include "QtLumo.h"

#include "CDeviceTableExport.h"
#include "COnvifWatch.h"
#include "LumoDeviceCallback.h"
#include "QtLumoItemModel.h"
#include "ui_QtLumo.h"

#include <CRegExpValidator.h>
#include <ZelDso.h>

#include <QDebug>
#include <QHeaderView>
#include <QIntValidator>
#include <QItemSelectionModel>

namespace {

constexpr int kAddressByteLimit = 39;

bool InRange(quint32 code, quint32 first, quint32 last)
{
    return code >= first && code <= last;
}

} // namespace

QtLumo::QtLumo(QWidget* parent, int classFilter, int /*hostValue1*/, int /*hostValue2*/, int /*hostValue3*/)
    : QWidget(parent)
    , m_pUi(std::make_unique<Ui::QtLumoClass>())
{
    m_pUi->setupUi(this);
    SetupInputLimits();
    SetupTableModel();
    ConnectSignals();

    SetupRowRemoval();

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
    m_pOnvif.reset();
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
    new CDeviceTableExport(table, m_pModel, this); // the Copy / Export list... menu
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
    if (m_nModifyRuns > 0)
        m_heldRecords.push_back(info);
    else
        m_deviceList.Append(info);
}

int QtLumo::HeldRecordCount() const
{
    MutexLocker lock(m_mutex);
    return int(m_heldRecords.size());
}

void QtLumo::HoldDiscoveryEvents()
{
    MutexLocker lock(m_mutex);
    ++m_nModifyRuns;
}

void QtLumo::ReleaseDiscoveryEvents()
{
    {
        MutexLocker lock(m_mutex);
        if (--m_nModifyRuns > 0)
            return;
        for (const LUMO_DEVICE_INFO_MY& record : m_heldRecords)
            m_deviceList.Append(record);
        m_heldRecords.clear();
    }
    // The records are in before their online events run, as without a hold.
    const std::vector<std::function<void()>> events = std::exchange(m_heldEvents, {});
    for (const std::function<void()>& event : events)
        event();
}

bool QtLumo::HoldWhileModifying(std::function<void()> event)
{
    // Read without the mutex: only this thread changes the count.
    if (m_nModifyRuns == 0)
        return false;
    m_heldEvents.push_back(std::move(event));
    return true;
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
    if (m_pOnvif)
        m_pOnvif->Probe();
}
