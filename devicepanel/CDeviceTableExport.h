#pragma once

#include <QObject>
#include <QStringList>

#include <functional>

class CTableView;
class QAbstractItemModel;
class QByteArray;
class QMenu;
class QPoint;
class QWidget;

// The device table's context menu: "Copy" puts the selected rows on the
// clipboard as tab-separated text with the header, for pasting into a
// spreadsheet; "Export list..." saves every row and column as CSV through a
// save dialog. Columns come in the order the header shows them.
class CDeviceTableExport : public QObject
{
    Q_OBJECT
public:
    // Asks for the file to save to; an empty name cancels.
    using FileNameProvider = std::function<QString(QWidget* parent, const QString& caption,
                                                   const QString& suggestedName, const QString& filter)>;

    CDeviceTableExport(CTableView* view, QAbstractItemModel* model, QObject* parent);

    // Replaces the save dialog (tests).
    void SetFileNameProvider(FileNameProvider provider);

    // The menu shown on a right click; the caller owns it.
    QMenu* CreateMenu(QWidget* parent);

    QString SelectedRowsText() const;
    QByteArray ListCsv() const;

public slots:
    void CopySelectedRows();
    // False when cancelled or when the file could not be written (the user is told).
    bool ExportList();

private slots:
    void ShowContextMenu(const QPoint& position);

private:
    QList<int> ColumnsInViewOrder(bool visibleOnly) const;
    QList<int> SelectedRows() const;
    QStringList RowTexts(int row, const QList<int>& columns) const;
    QStringList HeaderTexts(const QList<int>& columns) const;

    CTableView* m_pView;
    QAbstractItemModel* m_pModel;
    FileNameProvider m_fileNameProvider;
};
