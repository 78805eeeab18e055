#pragma once

#include "controls_global.h"

#include <QPersistentModelIndex>
#include <QPointer>
#include <QTreeView>

class QAbstractItemModel;

// A table built on the tree view: reports every mouse release and reads and
// writes cell texts together with their tool tips.
class CONTROLS_EXPORT CTableView : public QTreeView
{
    Q_OBJECT
public:
    explicit CTableView(QWidget* parent = nullptr);
    ~CTableView() override;

    void setModel(QAbstractItemModel* model) override;

    void SetCellText(int row, int column, const QString& text);
    QString GetCellText(int row, int column) const;

signals:
    void SignalClickRelease(const QModelIndex& index);

protected:
    void mousePressEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void drawRow(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;

private:
    QPointer<QAbstractItemModel> m_pDefaultModel;
    QPersistentModelIndex m_pressedIndex;
    bool m_bRowLines = true;
};
