#pragma once

#include "controls_global.h"

#include <QMetaObject>
#include <QPersistentModelIndex>
#include <QPointer>
#include <QTreeView>

class QAbstractItemModel;

// A table built on the tree view: a check box in the first header section,
// button cells and typed editors chosen by item roles (see TableRoles.h), a
// light line under every row, and a report of every mouse release.
class CONTROLS_EXPORT CTableView : public QTreeView
{
    Q_OBJECT
public:
    explicit CTableView(QWidget* parent = nullptr);
    ~CTableView() override;

    void setModel(QAbstractItemModel* model) override;

    // Sets the cell's edit value and tool tip; a missing column is inserted
    // first, a missing row is left alone.
    void SetCellText(int row, int column, const QString& text);
    QString GetCellText(int row, int column) const;

    virtual bool IsButtonCell(const QModelIndex& index) const;

signals:
    void SignalHeaderCheckStateChanged(int state);
    void SignalClickRelease(const QModelIndex& index);
    void PressedBtn(const QModelIndex& index);
    void ClickedBtn(const QModelIndex& index);
    void currentItemChanged(const QModelIndex& current, const QModelIndex& previous);
    void SignalEditingFinished(const QModelIndex& index);
    void SignalComboBoxTextChanged(const QModelIndex& index);

protected:
    void mousePressEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void drawRow(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;

private:
    void ForwardCurrentChanges();

    QPointer<QAbstractItemModel> m_pDefaultModel;
    QPersistentModelIndex m_pressedIndex;
    QMetaObject::Connection m_currentForward;
    bool m_bRowLines = true;
};
