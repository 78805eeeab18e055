// The parameter form: what the selection shows, which fields are editable,
// the batch form, and the double-click actions on table cells.
#include "QtLumo.h"

#include "QtLumoItemModel.h"
#include "ui_QtLumo.h"

#include <QDebug>
#include <QDesktopServices>
#include <QItemSelectionModel>
#include <QUrl>

namespace {

constexpr quint32 kReadOnlyClassFirst = 0x9D00;
constexpr quint32 kReadOnlyClassLast = 0x9FFF;

bool IsReadOnlyClass(qint32 deviceClass)
{
    const quint32 code = quint32(deviceClass);
    return code >= kReadOnlyClassFirst && code <= kReadOnlyClassLast;
}

} // namespace

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

void QtLumo::OnClickAction(const QModelIndex& index)
{
    CTableView* table = m_pUi->tableWidgetDevice;
    if (index.column() == QtLumoItemModel::ColIpv4Address) {
        if (OpenOnvifWebPage(index.row()))
            return;
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

int QtLumo::RecordIndexOfRow(int row) const
{
    if (!EndpointOfRow(row).isEmpty())
        return -1;
    const CTableView* table = m_pUi->tableWidgetDevice;
    return m_deviceList.IndexOf(table->GetCellText(row, QtLumoItemModel::ColSerial).toLatin1(),
                                table->GetCellText(row, QtLumoItemModel::ColMac).toLatin1(),
                                m_deviceList.Count());
}

void QtLumo::ShowDeviceParam(int row, int column)
{
    HideResetPasswordArea(false);
    if (row < 0 || column < 0 || row >= m_pModel->rowCount())
        return;
    const auto onvif = m_onvifDevices.constFind(EndpointOfRow(row));
    if (onvif != m_onvifDevices.constEnd()) {
        ShowOnvifParam(*onvif);
        return;
    }
    const int record = RecordIndexOfRow(row);
    if (record < 0 && row >= m_deviceList.Count())
        return;
    if (record < 0 && IsRowLeaving(row)) {
        // The device is gone; the record at the row's position is another's.
        SetParamFormEnabled(false);
        return;
    }
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
    bool anyOnvif = false;
    for (const QModelIndex& index : rows) {
        if (m_onvifDevices.contains(EndpointOfRow(index.row()))) {
            anyOnvif = true;
            continue;
        }
        const int record = RecordIndexOfRow(index.row());
        if (record < 0)
            continue;
        const LUMO_DEVICE_INFO_MY& info = m_deviceList.At(record);
        anyModifiable = anyModifiable || !IsReadOnlyClass(info.deviceClass);
        anyExtended = anyExtended || info.extendedValid == 1;
        if (anyModifiable && anyExtended && anyOnvif)
            break;
    }

    Ui::QtLumoClass& ui = *m_pUi;
    for (QLineEdit* field : std::initializer_list<QLineEdit*>{ ui.lineEditIPAddr, ui.lineEditIPGateway, ui.lineEditIPMask, ui.lineEditIPv6Addr,
                              ui.lineEditIPv6Mask, ui.lineEditIPv6Gateway, ui.lineEditPort, ui.lineEditPort_Password })
        field->clear();
    for (QWidget* widget : std::initializer_list<QWidget*>{ ui.lineEditIPAddr, ui.lineEditPort, ui.lineEditIPMask,
                                                            ui.lineEditPort_Password, ui.pushButtonModifyNetwork })
        widget->setEnabled(anyModifiable || anyOnvif);
    // ONVIF devices keep their port: the field is for the K-VNT devices of the batch.
    ui.lineEditPort->setEnabled(anyModifiable);
    ui.lineEditIPGateway->setEnabled(anyExtended || anyOnvif);
    SetIpv6FieldsEnabled(false);
}
