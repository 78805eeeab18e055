// The two commands of the settings frame: applying the parameter form to the
// selected devices (Modify) and restoring a device's default password.
#include "QtLumo.h"

#include "CDeviceRowItems.h"
#include "CModifyResultText.h"
#include "COnvifWatch.h"
#include "QtLumoItemModel.h"
#include "ui_QtLumo.h"

#include <CToolTip.h>
#include <CWarnDlg.h>
#include <InputChecks.h>

#include <QCoreApplication>
#include <QEventLoop>
#include <QItemSelectionModel>
#include <QProgressDialog>

#include <algorithm>
#include <cstring>
#include <utility>
#include <optional>

// The form's values for one press of Modify, trimmed as they are sent.
struct QtLumo::ModifyForm
{
    QString address;
    QString mask;
    QString port;
    QString gateway;
    QString password;
    QString ipv6Address;
    QString ipv6Gateway;
    uint ipv6PrefixLength = 0;
    bool bWithIpv6 = false;
};

// One selected device as it was when Modify was pressed; the run finds its
// row again by serial number and MAC (an ONVIF device by its endpoint), never
// by position.
struct QtLumo::ModifyTarget
{
    QString idItem;
    QString serial;
    QString mac;
    QString address;
    bool bFound = false;
    QString endpoint; // of an ONVIF device; empty for a K-VNT one
    OnvifDeviceRecord onvif;
};

namespace {

constexpr int kTipOffsetY = 75;
constexpr int kLastAddressPart = 255;
// An address text that fits the library's 16-byte fields with its terminator.
constexpr int kAddressFieldChars = 15;

std::optional<quint32> AddressValue(const QString& text)
{
    const QStringList parts = text.split(QLatin1Char('.'));
    if (parts.size() != 4)
        return std::nullopt;
    quint32 value = 0;
    for (const QString& part : parts) {
        bool ok = false;
        const uint number = part.toUInt(&ok, 10);
        if (!ok || number > 255)
            return std::nullopt;
        value = value << 8 | number;
    }
    return value;
}

// The number of leading one bits of a dotted mask (checked before).
int PrefixLengthOfMask(const QString& mask)
{
    const quint32 value = AddressValue(mask).value_or(0);
    int length = 0;
    while (length < 32 && (value & (0x80000000u >> length)))
        ++length;
    return length;
}

// A valid dotted address may carry leading zeros ("192.168.001.0010") and then
// no longer fit the 16-byte fields of the library and the records, or have a
// part longer than the three digits a device reads; its plain form means the
// same and always fits. Other texts are sent as typed.
QString FitAddressField(const QString& text)
{
    const QStringList parts = text.split(QLatin1Char('.'));
    const bool partTooLong = std::any_of(parts.begin(), parts.end(), [](const QString& part) { return part.size() > 3; });
    if (text.size() <= kAddressFieldChars && !partTooLong)
        return text;
    const std::optional<quint32> value = AddressValue(text);
    if (!value)
        return text;
    return QStringLiteral("%1.%2.%3.%4").arg(*value >> 24).arg(*value >> 16 & 0xFF).arg(*value >> 8 & 0xFF)
        .arg(*value & 0xFF);
}

void CopyToField(char* field, std::size_t width, const QString& text)
{
    std::memset(field, 0, width);
    const QByteArray bytes = text.toLatin1();
    std::memcpy(field, bytes.constData(), std::min<std::size_t>(std::size_t(bytes.size()), width - 1));
}

template <std::size_t N>
void CopyToField(char (&field)[N], const QString& text)
{
    CopyToField(field, N, text);
}

// A text handed to the library: Latin-1, or no text at all.
class LibraryText
{
public:
    explicit LibraryText(const QString& text, bool bPresent = true)
        : m_bytes(text.toLatin1()), m_bPresent(bPresent) {}
    const char* Get() const { return m_bPresent ? m_bytes.constData() : nullptr; }

private:
    QByteArray m_bytes;
    bool m_bPresent;
};

} // namespace

// From the press of Modify until its result box closes, the device records
// and rows stay as they were at the press: discovery records and events that
// arrive meanwhile wait and are applied, in their order, when the run ends.
// So the run never holds the panel mutex across a library call or a box, and
// the library's thread, which also reads the devices' answers, never waits
// for the run.
class QtLumo::DiscoveryEventHold
{
public:
    explicit DiscoveryEventHold(QtLumo& panel) : m_panel(panel) { m_panel.HoldDiscoveryEvents(); }
    ~DiscoveryEventHold() { m_panel.ReleaseDiscoveryEvents(); }
    DiscoveryEventHold(const DiscoveryEventHold&) = delete;
    DiscoveryEventHold& operator=(const DiscoveryEventHold&) = delete;

private:
    QtLumo& m_panel;
};

void QtLumo::OnModifyNetPara()
{
    // What discovery delivered during the run is applied when it ends, and may
    // predate a change (a report sent just before the device took it): the
    // changes that succeeded are written once more after it.
    std::vector<std::function<void()>> applied;
    RunModify(applied);
    for (const std::function<void()>& apply : applied)
        apply();
}

void QtLumo::RunModify(std::vector<std::function<void()>>& applied)
{
    const DiscoveryEventHold hold(*this);
    CTableView* table = m_pUi->tableWidgetDevice;
    const QModelIndex current = table->currentIndex();
    const QModelIndexList rows = table->selectionModel()->selectedRows();
    if (!current.isValid()) {
        CWarnDlg::ShowInformation(tr("Information"), tr("Please select a device."), this);
        return;
    }

    ModifyForm form = ReadModifyForm();
    if (ShowFirstInputError(form))
        return;
    form.bWithIpv6 = rows.size() == 1 && m_pUi->lineEditIPv6Addr->isEnabled();

    const QList<ModifyTarget> targets = TakeModifyTargets(rows, form.address);
    if (ShowBatchError(form, targets))
        return;

    // ONVIF devices may take many seconds (a reboot): they always get the box.
    const bool anyOnvif = std::any_of(targets.begin(), targets.end(),
                                      [](const ModifyTarget& target) { return !target.endpoint.isEmpty(); });
    std::unique_ptr<QProgressDialog> progress;
    if (targets.size() > 1 || anyOnvif) {
        progress = std::make_unique<QProgressDialog>(this);
        progress->setWindowTitle(tr("Information"));
        progress->setCancelButton(nullptr);
        progress->setWindowModality(Qt::WindowModal);
        progress->setRange(0, int(targets.size()));
        progress->setMinimumDuration(0);
    }

    CModifyResultText result;
    for (int i = 0; i < targets.size(); ++i) {
        const ModifyTarget& target = targets[i];
        if (progress) {
            progress->setLabelText(tr("Changing device %1 of %2 (ID:%3)").arg(i + 1).arg(targets.size())
                                       .arg(target.idItem.trimmed()));
            progress->setValue(i);
            // Repaints the box and the table; discovery events this delivers
            // wait for the end of the run.
            QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        }
        if (!target.bFound)
            continue;
        if (!target.endpoint.isEmpty()) {
            QString reason;
            QString newServiceUrl;
            if (SendOnvifModify(target, form, &reason, &newServiceUrl)) {
                ApplyModifiedOnvifDevice(target, form, newServiceUrl);
                applied.push_back([this, target, form, newServiceUrl] {
                    ApplyModifiedOnvifDevice(target, form, newServiceUrl);
                });
                result.AddSuccess(target.idItem);
            } else {
                result.AddFailure(target.idItem, reason);
            }
            continue;
        }
        LumoFailure failure;
        if (SendModify(target, form, &failure)) {
            ApplyModifiedDevice(target, form);
            applied.push_back([this, target, form] { ApplyModifiedDevice(target, form); });
            result.AddSuccess(target.idItem);
        } else {
            result.AddFailure(target.idItem, failure);
        }
    }
    progress.reset();
    CWarnDlg::ShowInformation(tr("Information"), result.Text(), this);
}

QtLumo::ModifyForm QtLumo::ReadModifyForm() const
{
    const Ui::QtLumoClass& ui = *m_pUi;
    ModifyForm form;
    form.address = ui.lineEditIPAddr->text().trimmed();
    form.mask = ui.lineEditIPMask->text().trimmed();
    form.port = ui.lineEditPort->text().trimmed();
    form.gateway = ui.lineEditIPGateway->text().trimmed();
    form.password = ui.lineEditPort_Password->text();
    form.ipv6Address = ui.lineEditIPv6Addr->text().trimmed();
    form.ipv6Gateway = ui.lineEditIPv6Gateway->text().trimmed();
    form.ipv6PrefixLength = ui.lineEditIPv6Mask->text().toUInt();
    return form;
}

// Shows the first input error as a tip at its field; true when there was one.
bool QtLumo::ShowFirstInputError(ModifyForm& form)
{
    std::pair<QWidget*, QString> error = FirstIpv4InputError(form);
    if (!error.first) {
        // A blank gateway has passed as no gateway, and the field says so
        // whatever the IPv6 checks find.
        if (form.gateway.isEmpty())
            m_pUi->lineEditIPGateway->clear();
        error = FirstIpv6InputError(form);
    }
    if (error.first) {
        ShowFieldTip(error.first, error.second);
        return true;
    }
    form.gateway = FitAddressField(form.gateway);
    return false;
}

// The field and message of the first check the IPv4 part of the form fails,
// in the order the user reads the form; no field when every check passes.
std::pair<QWidget*, QString> QtLumo::FirstIpv4InputError(const ModifyForm& form) const
{
    const Ui::QtLumoClass& ui = *m_pUi;
    if (form.address.isEmpty())
        return { ui.lineEditIPAddr, tr("IP address cannot be empty.") };
    if (!IsValidIPv4(form.address))
        return { ui.lineEditIPAddr, tr("IP Address not correct.") };
    if (form.mask.isEmpty())
        return { ui.lineEditIPMask, tr("Subnet mask cannot be empty.") };
    if (!IsValidSubnetMask(form.mask))
        return { ui.lineEditIPMask, tr("Subnet Mask not correct.") };
    // A port field that is off (ONVIF devices only) is not sent.
    const int port = form.port.toInt();
    if (ui.lineEditPort->isEnabled() && (port < 2000 || port > 65535))
        return { ui.lineEditPort, tr("Device port ranges from 2000 to 65535.") };
    if (!form.gateway.isEmpty() && !IsValidGateway(form.gateway))
        return { ui.lineEditIPGateway, tr("Gateway not correct.") };
    return {};
}

// As FirstIpv4InputError for the IPv6 fields, checked only while the form
// offers them.
std::pair<QWidget*, QString> QtLumo::FirstIpv6InputError(const ModifyForm& form) const
{
    const Ui::QtLumoClass& ui = *m_pUi;
    if (!ui.lineEditIPv6Addr->isEnabled())
        return {};
    if (!form.ipv6Address.isEmpty() && !IsValidIPv6(form.ipv6Address))
        return { ui.lineEditIPv6Addr, tr("IPv6 Address not correct.") };
    if (!form.ipv6Gateway.isEmpty() && !IsValidIPv6(form.ipv6Gateway))
        return { ui.lineEditIPv6Gateway, tr("IPv6 gateway not correct.") };
    const int prefixLength = ui.lineEditIPv6Mask->text().toInt();
    if (prefixLength < 0 || prefixLength > 64)
        return { ui.lineEditIPv6Addr, tr("IPv6 prefix length ranges from 0 to 64.") };
    return {};
}

// Refuses, before anything is sent, a batch that would give two devices one
// address or a device an address that another listed device already has.
bool QtLumo::ShowBatchError(const ModifyForm& form, const QList<ModifyTarget>& targets)
{
    if (!targets.isEmpty() && targets.last().address.isEmpty()) {
        ShowFieldTip(m_pUi->lineEditIPAddr,
                     tr("%1 devices need %1 consecutive addresses from %2: the last part would run past 255.")
                         .arg(targets.size()).arg(form.address));
        return true;
    }
    QList<int> selectedRows;
    for (const QModelIndex& index : m_pUi->tableWidgetDevice->selectionModel()->selectedRows())
        selectedRows.append(index.row());
    for (const ModifyTarget& target : targets) {
        const QString owner = target.bFound ? AddressInUseBy(target.address, selectedRows) : QString();
        if (!owner.isEmpty()) {
            ShowFieldTip(m_pUi->lineEditIPAddr,
                         tr("IP address %1 is already used by device ID:%2.").arg(target.address, owner));
            return true;
        }
    }
    return false;
}

void QtLumo::ShowFieldTip(QWidget* field, const QString& text)
{
    CToolTip::ShowText(m_pUi->m_pSetFrame->mapToGlobal(field->pos()) + QPoint(0, kTipOffsetY), text);
}

QList<QtLumo::ModifyTarget> QtLumo::TakeModifyTargets(const QModelIndexList& rows, const QString& startAddress) const
{
    MutexLocker lock(m_mutex);
    CTableView* table = m_pUi->tableWidgetDevice;
    QList<ModifyTarget> targets;
    for (int i = 0; i < rows.size(); ++i) {
        const int row = rows[i].row();
        ModifyTarget target;
        target.idItem = table->GetCellText(row, QtLumoItemModel::ColId) + QLatin1Char(' ');
        target.serial = table->GetCellText(row, QtLumoItemModel::ColSerial);
        target.mac = table->GetCellText(row, QtLumoItemModel::ColMac);
        // Every selected row uses up its position, found or not.
        target.address = FitAddressField(GetBatchIPAddress(startAddress, i));
        target.endpoint = EndpointOfRow(row);
        if (target.endpoint.isEmpty()) {
            target.bFound = RecordIndexOfRow(row) >= 0;
        } else {
            const auto onvif = m_onvifDevices.constFind(target.endpoint);
            target.bFound = onvif != m_onvifDevices.constEnd();
            if (target.bFound)
                target.onvif = *onvif;
        }
        targets.append(target);
    }
    return targets;
}

// The ID of a listed device outside the selection whose IPv4 address equals
// the given one, or an empty text.
QString QtLumo::AddressInUseBy(const QString& address, const QList<int>& selectedRows) const
{
    const std::optional<quint32> wanted = AddressValue(address);
    if (!wanted)
        return QString();
    CTableView* table = m_pUi->tableWidgetDevice;
    for (int row = 0; row < m_pModel->rowCount(); ++row) {
        if (m_rowKeys[std::size_t(row)] == 0 || selectedRows.contains(row))
            continue;
        if (AddressValue(table->GetCellText(row, QtLumoItemModel::ColIpv4Address)) == wanted)
            return table->GetCellText(row, QtLumoItemModel::ColId);
    }
    return QString();
}

// The address of the device at a position of the run: the start address with
// its last part raised by the position. Empty when that runs past 255, as no
// such address exists.
QString QtLumo::GetBatchIPAddress(const QString& startAddress, int position) const
{
    QStringList parts = startAddress.split(QLatin1Char('.'));
    while (parts.size() < 4)
        parts.append(QString());
    const int last = parts[3].toInt() + position;
    if (last > kLastAddressPart)
        return QString();
    parts[3] = QString::number(last);
    return parts.mid(0, 4).join(QLatin1Char('.'));
}

bool QtLumo::SendModify(const ModifyTarget& target, const ModifyForm& form, LumoFailure* failure)
{
    const LibraryText mac(target.mac);
    const LibraryText address(target.address);
    const LibraryText mask(form.mask);
    const LibraryText password(form.password);
    const LibraryText port(form.port);
    const LibraryText gateway(form.gateway);
    const LibraryText ipv6Address(form.ipv6Address, form.bWithIpv6);
    const LibraryText ipv6Gateway(form.ipv6Gateway, form.bWithIpv6);
    return m_discovery.ModifyNetParam(mac.Get(), address.Get(), mask.Get(), password.Get(), port.Get(),
                                      gateway.Get(), ipv6Address.Get(), ipv6Gateway.Get(),
                                      form.bWithIpv6 ? int(form.ipv6PrefixLength) : 0, 0, failure);
}

void QtLumo::ApplyModifiedDevice(const ModifyTarget& target, const ModifyForm& form)
{
    MutexLocker lock(m_mutex);
    const uint port = form.port.toUInt();
    const QList<int> rows = RowsOfDevice(target.serial, target.mac);
    if (!rows.isEmpty())
        UpdateDeviceRow(rows.first(), target.address, form.mask, int(port), form.gateway);

    const int record = m_deviceList.IndexOf(target.serial.toLatin1(), target.mac.toLatin1(), m_deviceList.Count());
    if (record < 0)
        return;
    LUMO_DEVICE_INFO_MY info = m_deviceList.At(record);
    CopyToField(info.ipv4Address, target.address);
    CopyToField(info.ipv4Mask, form.mask);
    CopyToField(info.ipv4Gateway, form.gateway);
    info.port = qint32(port);
    m_deviceList.Replace(record, info);
}

// Re-addresses one ONVIF device and waits, turning the event loop (user input
// aside), until it answers at its new address or the change failed.
bool QtLumo::SendOnvifModify(const ModifyTarget& target, const ModifyForm& form, QString* reason,
                             QString* newServiceUrl)
{
    if (!m_pOnvif) {
        *reason = CModifyResultText::OnvifReasonText(OnvifReaddress::Failure::NoAnswer);
        return false;
    }
    OnvifReaddress::Request request;
    request.ipv4Address = target.address;
    request.prefixLength = PrefixLengthOfMask(form.mask);
    request.ipv4Gateway = form.gateway;
    int id = 0;
    OnvifReaddress::Result result;
    QEventLoop loop;
    connect(m_pOnvif.get(), &COnvifWatch::ReaddressFinished, &loop,
            [&](int finishedId, const OnvifReaddress::Result& outcome) {
                if (finishedId != id)
                    return;
                result = outcome;
                loop.quit();
            });
    id = m_pOnvif->Readdress(target.onvif, request, m_strOnvifUser, form.password);
    loop.exec(QEventLoop::ExcludeUserInputEvents);
    if (!result.isDone()) {
        *reason = CModifyResultText::OnvifReasonText(result.failure, result.reason);
        return false;
    }
    *newServiceUrl = result.newDeviceServiceUrl;
    // A password that changed a device is likely the site's: the devices that
    // refused an anonymous read are read again with it.
    m_pOnvif->SetCredentials(m_strOnvifUser, form.password);
    return true;
}

void QtLumo::ApplyModifiedOnvifDevice(const ModifyTarget& target, const ModifyForm& form, const QString& newServiceUrl)
{
    MutexLocker lock(m_mutex);
    const auto found = m_onvifDevices.constFind(target.endpoint);
    if (found == m_onvifDevices.constEnd())
        return;
    OnvifDeviceRecord record = *found;
    record.ipv4Address = target.address;
    record.host = target.address;
    record.ipv4PrefixLength = PrefixLengthOfMask(form.mask);
    record.ipv4Dhcp = false;
    if (!form.gateway.isEmpty())
        record.ipv4Gateway = form.gateway;
    if (!newServiceUrl.isEmpty())
        record.xaddrs = QStringList{ newServiceUrl };
    StoreOnvifDevice(record);
    const int row = RowOfEndpoint(target.endpoint);
    if (row >= 0)
        CDeviceRowItems(m_pModel, row).FillFromOnvif(row, record);
}

// Comeback reads two form fields and changes no record or row, so it takes
// no lock and holds no discovery event, neither across the library call nor
// under its result box.
void QtLumo::OnDefaultPassword()
{
    Ui::QtLumoClass& ui = *m_pUi;
    if (!ui.tableWidgetDevice->currentIndex().isValid()) {
        CWarnDlg::ShowInformation(tr("Information"), tr("Please select a device."), this);
        return;
    }
    if (!EndpointOfRow(ui.tableWidgetDevice->currentIndex().row()).isEmpty()) {
        PressedComebackOnOnvif();
        return;
    }
    QLineEdit* codeField = ui.m_pDefaultPwdLEdit;
    if (codeField->text().isEmpty()) {
        codeField->setFocus();
        CToolTip::ShowText(codeField->mapToGlobal(codeField->pos()), tr("Password cannot be empty."));
        return;
    }
    const LibraryText serial(ui.lineEditSerial->text().trimmed());
    const LibraryText code(codeField->text());
    LumoFailure failure;
    if (m_discovery.ResetDefaultPassword(serial.Get(), code.Get(), &failure))
        CWarnDlg::ShowInformation(tr("Information"), tr("Restore default password succeed."), this);
    else
        CWarnDlg::ShowInformation(tr("Error"), CModifyResultText::RestoreFailedText(failure), this);
}
