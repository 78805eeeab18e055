#pragma once

#include "CDeviceRecordList.h"
#include "CLumoDeviceSink.h"
#include "CLumoDiscovery.h"
#include "LumoDeviceInfo.h"
#include "OnvifDeviceRecord.h"

#include <ZelMutex.h>

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QPersistentModelIndex>
#include <QWidget>

#include <functional>
#include <memory>
#include <unordered_map>
#include <utility>
#include <vector>

class COnvifWatch;
class QStandardItem;
class QTimer;
class QtLumoItemModel;
namespace Ui { class QtLumoClass; }

// The device panel: the live table of devices found on the network and the
// forms that change a device's network parameters or restore its password.
class QtLumo : public QWidget, public CLumoDeviceSink
{
    Q_OBJECT
public:
    explicit QtLumo(QWidget* parent = nullptr, int classFilter = 0, int hostValue1 = 0,
                    int hostValue2 = 0, int hostValue3 = 0);
    ~QtLumo() override;

    // CLumoDeviceSink
    bool IsExcludedDeviceClass(quint32 classCode) const override;
    bool IsAcceptedModel(const QString& deviceType) const override;
    void AppendDeviceRecord(const LUMO_DEVICE_INFO_MY& info) override;
    void EmitDeviceOnline(const LUMO_DEVICE_INFO_MY& info) override;
    void EmitDeviceUpdate(const LUMO_DEVICE_INFO_MY& info) override;
    void EmitDeviceOffline(const QString& serial, const QString& mac) override;

    int DeviceCount() const { return m_nDeviceCount; }
    // Number of stored device records (taken under the panel mutex).
    int DeviceRecordCount() const;
    // Records discovery delivered during a running Modify, applied when it ends.
    int HeldRecordCount() const;
    // Whether the discovery library was started by the constructor.
    bool IsDiscoveryRunning() const { return m_bDiscoveryRunning; }

    // Lists the ONVIF devices of the segment beside the K-VNT ones and changes
    // them with this user name and the typed password; false when discovery
    // could open no socket.
    bool StartOnvifDiscovery(const QString& user);
    // The running watch over ONVIF devices, or null.
    COnvifWatch* OnvifWatch() const { return m_pOnvif.get(); }

signals:
    void DeviceOnlineSignal(const LUMO_DEVICE_INFO_MY& dev_info);
    void DeviceUpdateSignal(const LUMO_DEVICE_INFO_MY& dev_info);
    void DeviceOfflineSignal(const QString strDeviceSer, const QString strDeviceMac);

public slots:
    void OnManualUpdate();

private slots:
    void OnDeviceOnline(LUMO_DEVICE_INFO_MY dev_info);
    void OnDeviceOffline(QString strDeviceSer, QString strDeviceMac);
    void OnDeviceUpdate(LUMO_DEVICE_INFO_MY dev_info);
    void OnOnvifDeviceSeen(OnvifDeviceRecord record);
    void OnOnvifDeviceLost(QString endpoint);

    void SortTable(int iIndex);
    void OnHeaderPress(int logicalIndex);
    void OnHeaderCountChanged(int logicalIndex, int oldVisualIndex, int newVisualIndex);
    void ResetData(const QModelIndex& mindexPre, const QModelIndex& mindexNow);

    void OnDeviceTableClicked(const QModelIndex& index);
    void OnItemChanged(const QModelIndex& current, const QModelIndex& previous);
    void OnClickAction(const QModelIndex& index);
    void OnClickExpandBtn();
    void OnClickShrinkBtn();
    void OnModifyNetPara();
    void OnDefaultPassword();

    void FlushRemovedRows();

private:
    // Holds the panel mutex for a scope; the mutex admits repeated locking by
    // the thread that holds it.
    class MutexLocker
    {
    public:
        explicit MutexLocker(ZEL_MUTEX_T& mutex) : m_mutex(mutex) { ZEL_MutexLock(&m_mutex); }
        ~MutexLocker() { ZEL_MutexUnlock(&m_mutex); }
        MutexLocker(const MutexLocker&) = delete;
        MutexLocker& operator=(const MutexLocker&) = delete;

    private:
        ZEL_MUTEX_T& m_mutex;
    };
    struct ModifyForm;
    struct ModifyTarget;
    class DiscoveryEventHold;

    void SetupInputLimits();
    void SetupTableModel();
    void ConnectSignals();
    void PrepareTable();
    bool StartDiscovery();
    void SetupRowRemoval();

    // While a Modify runs, discovery records and events wait and are applied
    // when it ends; see DiscoveryEventHold.
    void HoldDiscoveryEvents();
    void ReleaseDiscoveryEvents();
    // Keeps the event for later when a Modify runs; true when it was kept.
    bool HoldWhileModifying(std::function<void()> event);

    void FillDeviceRow(int row, const LUMO_DEVICE_INFO_MY& info);
    void AppendDeviceRow(const LUMO_DEVICE_INFO_MY& info, quint64 key);
    void KeepOneRecordOf(const LUMO_DEVICE_INFO_MY& info);
    void RefreshListedDevice(int row, const LUMO_DEVICE_INFO_MY& dev_info);
    void ForgetRowKey(int row);
    void MakeRowInert(int row);
    bool IsRowLeaving(int row) const;
    void RestoreReportedSerials(const QModelIndex& first, const QModelIndex& last);
    QList<int> RowsOfDevice(const QString& serial, const QString& mac) const;
    void RebuildRowKeys();
    void ScheduleFlush();
    void FlushAllRemovedRows();
    // Removes up to maxRows of the rows waiting to leave; true when none is left.
    bool RemoveDoomedRows(int maxRows);
    void RenumberRows();
    void ShowDeviceCount();
    void UpdateDeviceRow(int row, const QString& address, const QString& mask, int port, const QString& gateway);

    void ShowDeviceParam(int row, int column);
    void SetParamFormEnabled(bool enable);
    void EnableEditableParams();
    void DisableAllParams();
    void HideResetPasswordArea(bool hide);
    void PrepareBatchModify(const QModelIndexList& rows);
    int RecordIndexOfRow(int row) const;
    void SetIpv6FieldsEnabled(bool enable);
    void ClearIpv6Fields();

    // Network parameter modification and default password restore.
    // The run of one press of Modify; what succeeded is left in applied, to be
    // written again once the discovery events held meanwhile are in.
    void RunModify(std::vector<std::function<void()>>& applied);
    QString GetBatchIPAddress(const QString& startAddress, int position) const;
    ModifyForm ReadModifyForm() const;
    bool ShowFirstInputError(ModifyForm& form);
    std::pair<QWidget*, QString> FirstIpv4InputError(const ModifyForm& form) const;
    std::pair<QWidget*, QString> FirstIpv6InputError(const ModifyForm& form) const;
    bool ShowBatchError(const ModifyForm& form, const QList<ModifyTarget>& targets);
    void ShowFieldTip(QWidget* field, const QString& text);
    QList<ModifyTarget> TakeModifyTargets(const QModelIndexList& rows, const QString& startAddress) const;
    QString AddressInUseBy(const QString& address, const QList<int>& selectedRows) const;
    bool SendModify(const ModifyTarget& target, const ModifyForm& form, LumoFailure* failure);
    void ApplyModifiedDevice(const ModifyTarget& target, const ModifyForm& form);

    // ONVIF rows: known by the endpoint on their source cell. A device that
    // also answers as a listed K-VNT device (same MAC, or same address while
    // its MAC is unknown) is known but not listed.
    static quint64 OnvifRowKey(const QString& endpoint);
    quint64 RowKeyAt(int row) const;
    QString EndpointOfRow(int row) const;
    int RowOfEndpoint(const QString& endpoint) const;
    bool IsTwinOfListedDevice(const OnvifDeviceRecord& record) const;
    void StoreOnvifDevice(const OnvifDeviceRecord& record);
    void ForgetOnvifDevice(const QString& endpoint);
    void AppendOnvifRow(const OnvifDeviceRecord& record);
    void RemoveOnvifRow(int row);
    void HideOnvifTwinsOf(const LUMO_DEVICE_INFO_MY& info);
    void ShowOnvifTwinsOf();
    void ShowOnvifParam(const OnvifDeviceRecord& record);
    void PressedComebackOnOnvif();
    bool OpenOnvifWebPage(int row);
    bool SendOnvifModify(const ModifyTarget& target, const ModifyForm& form, QString* reason, QString* newServiceUrl);
    void ApplyModifiedOnvifDevice(const ModifyTarget& target, const ModifyForm& form, const QString& newServiceUrl);

    static quint64 DeviceKey(const QString& serial, const QString& mac);
    static quint64 DeviceKey(const QByteArray& serial, const QByteArray& mac);

    std::unique_ptr<Ui::QtLumoClass> m_pUi;
    CDeviceRecordList m_deviceList;
    mutable ZEL_MUTEX_T m_mutex = nullptr;
    CLumoDiscovery m_discovery;
    int m_classFilter = 0;
    int m_nDeviceCount = 0;
    QtLumoItemModel* m_pModel = nullptr;
    QByteArray m_headerState;
    QString m_strEditBackup;
    QPersistentModelIndex m_editBackupIndex;
    // A key of each model row's serial number and MAC, in model order, so that
    // events find their rows without reading the table's items.
    std::vector<quint64> m_rowKeys;
    // How many live rows each key has; a key not listed needs no walk.
    std::unordered_map<quint64, int> m_listedKeys;
    // Rows of devices that went offline, removed together once the burst of
    // events they came in is handled: the item model moves every later row on
    // each removal, so one by one would cost the whole table per event.
    std::vector<int> m_doomedRows;
    bool m_bFlushPending = false;
    QTimer* m_pFlushTimer = nullptr;
    bool m_bDiscoveryRunning = false;
    // Modify runs under way (guarded by m_mutex; only this thread changes it),
    // and what discovery delivered meanwhile: records from the library's
    // thread and the slots' events on this thread, in arrival order.
    int m_nModifyRuns = 0;
    std::vector<LUMO_DEVICE_INFO_MY> m_heldRecords;
    std::vector<std::function<void()>> m_heldEvents;
    std::unique_ptr<COnvifWatch> m_pOnvif;
    QString m_strOnvifUser;
    // Every ONVIF device known, listed or not, by endpoint.
    QHash<QString, OnvifDeviceRecord> m_onvifDevices;
    QMultiHash<QString, QString> m_onvifByMac;  // MAC digits to endpoints
    QMultiHash<QString, QString> m_onvifByHost; // host to endpoints, of devices whose MAC is unknown
    int m_nOnvifRows = 0;
};
