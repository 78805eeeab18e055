#include "CDeviceTableExport.h"

#include "CCsvWriter.h"

#include <CTableView.h>
#include <CWarnDlg.h>

#include <QAbstractItemModel>
#include <QClipboard>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QMenu>
#include <QSaveFile>

#include <algorithm>

namespace {

QString AskFileName(QWidget* parent, const QString& caption, const QString& suggestedName, const QString& filter)
{
    return QFileDialog::getSaveFileName(parent, caption, suggestedName, filter);
}

} // namespace

CDeviceTableExport::CDeviceTableExport(CTableView* view, QAbstractItemModel* model, QObject* parent)
    : QObject(parent)
    , m_pView(view)
    , m_pModel(model)
    , m_fileNameProvider(AskFileName)
{
    m_pView->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_pView, &QWidget::customContextMenuRequested, this, &CDeviceTableExport::ShowContextMenu);
}

void CDeviceTableExport::SetFileNameProvider(FileNameProvider provider)
{
    m_fileNameProvider = std::move(provider);
}

QMenu* CDeviceTableExport::CreateMenu(QWidget* parent)
{
    auto* menu = new QMenu(parent);
    QAction* copy = menu->addAction(tr("Copy"), this, &CDeviceTableExport::CopySelectedRows);
    copy->setEnabled(!SelectedRows().isEmpty());
    menu->addAction(tr("Export list..."), this, &CDeviceTableExport::ExportList);
    return menu;
}

void CDeviceTableExport::ShowContextMenu(const QPoint& position)
{
    QMenu* menu = CreateMenu(m_pView);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(m_pView->viewport()->mapToGlobal(position));
}

QList<int> CDeviceTableExport::ColumnsInViewOrder(bool visibleOnly) const
{
    QList<int> columns;
    const QHeaderView* header = m_pView->header();
    for (int visual = 0; visual < header->count(); ++visual) {
        const int logical = header->logicalIndex(visual);
        if (logical >= 0 && logical < m_pModel->columnCount() && !(visibleOnly && header->isSectionHidden(logical)))
            columns.append(logical);
    }
    return columns;
}

QList<int> CDeviceTableExport::SelectedRows() const
{
    QList<int> rows;
    const QItemSelectionModel* selection = m_pView->selectionModel();
    if (!selection)
        return rows;
    // Rows with any selected cell, whatever the view's selection behaviour.
    for (const QModelIndex& index : selection->selectedIndexes()) {
        if (index.model() == m_pModel && !index.parent().isValid())
            rows.append(index.row());
    }
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    return rows;
}

QStringList CDeviceTableExport::HeaderTexts(const QList<int>& columns) const
{
    QStringList texts;
    for (int column : columns)
        texts.append(m_pModel->headerData(column, Qt::Horizontal).toString());
    return texts;
}

QStringList CDeviceTableExport::RowTexts(int row, const QList<int>& columns) const
{
    // Without the blanks the table pads numbers with so that they sort as text.
    QStringList texts;
    for (int column : columns)
        texts.append(m_pModel->index(row, column).data().toString().trimmed());
    return texts;
}

QString CDeviceTableExport::SelectedRowsText() const
{
    const QList<int> columns = ColumnsInViewOrder(true);
    QList<QStringList> rows { HeaderTexts(columns) };
    for (int row : SelectedRows())
        rows.append(RowTexts(row, columns));
    // Cells come from devices on the network: nothing pasted may run as a formula.
    return CCsvWriter::TabSeparated(rows, CCsvWriter::NeutraliseFormulas);
}

QByteArray CDeviceTableExport::ListCsv() const
{
    const QList<int> columns = ColumnsInViewOrder(false);
    CCsvWriter writer(CCsvWriter::ByteOrderMark | CCsvWriter::NeutraliseFormulas);
    writer.AddRecord(HeaderTexts(columns));
    for (int row = 0; row < m_pModel->rowCount(); ++row)
        writer.AddRecord(RowTexts(row, columns));
    return writer.Document();
}

void CDeviceTableExport::CopySelectedRows()
{
    if (SelectedRows().isEmpty())
        return;
    QGuiApplication::clipboard()->setText(SelectedRowsText());
}

bool CDeviceTableExport::ExportList()
{
    const QString suggested = QDir::home().filePath(QStringLiteral("devices.csv"));
    QString fileName = m_fileNameProvider(m_pView, tr("Export list"), suggested, tr("CSV files (*.csv)"));
    if (fileName.isEmpty())
        return false;
    if (QFileInfo(fileName).suffix().isEmpty())
        fileName += QStringLiteral(".csv");
    QSaveFile file(fileName);
    const bool written = file.open(QIODevice::WriteOnly) && file.write(ListCsv()) >= 0 && file.commit();
    if (!written)
        CWarnDlg::ShowInformation(tr("Error"), tr("The list could not be saved to %1: %2").arg(fileName, file.errorString()),
                                  m_pView);
    return written;
}
