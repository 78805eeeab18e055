#pragma once

#include "controls_global.h"

#include <QHeaderView>
#include <QMetaObject>
#include <QRect>

class QAbstractItemView;

// The horizontal header of CTableView. When the model gives section 0 a
// header check state, the section shows a tri-state check box that checks
// or unchecks column 0 of every row and follows the rows' states.
class CONTROLS_EXPORT CHeaderView : public QHeaderView
{
    Q_OBJECT
public:
    CHeaderView(Qt::Orientation orientation, QWidget* parent = nullptr);

    void setModel(QAbstractItemModel* model) override;

    QRect CheckBoxRect() const { return m_checkRect; }

signals:
    void SignalCheckStateChanged(int state);

public slots:
    void OnDataChanged(const QModelIndex& miIndex);

protected:
    void mouseReleaseEvent(QMouseEvent* e) override;
    void paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const override;

private:
    QVariant HeaderCheckState() const;
    void SetHeaderCheckState(Qt::CheckState state);
    Qt::CheckState StateOfRows() const;

    QAbstractItemView* m_pView;
    QMetaObject::Connection m_dataChangedConnection;
    mutable QRect m_checkRect;
    bool m_bSettingRows = false;
};
