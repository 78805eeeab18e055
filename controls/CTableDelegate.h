#pragma once

#include "controls_global.h"

#include <QStyledItemDelegate>

class CTableView;

// Item delegate of CTableView: picks a combo box, date-time, date or line
// editor from the cell's roles (see TableRoles.h).
class CONTROLS_EXPORT CTableDelegate : public QStyledItemDelegate
{
    Q_OBJECT
public:
    explicit CTableDelegate(CTableView* view);

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    void setEditorData(QWidget* editor, const QModelIndex& index) const override;
    void setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const override;
    void updateEditorGeometry(QWidget* editor, const QStyleOptionViewItem& option, const QModelIndex& index) const override;

signals:
    void SignalEditingFinished(const QModelIndex& index);
    void SignalComboBoxTextChanged(const QModelIndex& index);

private:
    QWidget* CreateComboBox(QWidget* parent, const QStyleOptionViewItem& option, const QModelIndex& index) const;
    QWidget* CreateLineEdit(QWidget* parent, const QModelIndex& index) const;

    CTableView* m_pView;
};
