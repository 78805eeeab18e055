#include "CTableView.h"

#include <QHeaderView>
#include <QMouseEvent>
#include <QPainter>
#include <QStandardItemModel>

CTableView::CTableView(QWidget* parent)
    : QTreeView(parent)
{
    setAllColumnsShowFocus(true);
    setIndentation(0);
    setExpandsOnDoubleClick(false);
    setRootIsDecorated(false);
    header()->setSectionsClickable(true);
    header()->setSectionsMovable(false);

    m_pDefaultModel = new QStandardItemModel(this);
    QTreeView::setModel(m_pDefaultModel);
}

CTableView::~CTableView()
{
    delete m_pDefaultModel;
}

void CTableView::setModel(QAbstractItemModel* model)
{
    if (m_pDefaultModel)
        delete m_pDefaultModel;
    QTreeView::setModel(model);
    expandAll();
}

void CTableView::SetCellText(int row, int column, const QString& text)
{
    QAbstractItemModel* m = model();
    if (!m)
        return;
    if (m->columnCount() < column + 1)
        m->insertColumn(column);
    const QModelIndex index = m->index(row, column);
    if (!index.isValid())
        return;
    m->setData(index, text, Qt::EditRole);
    m->setData(index, text, Qt::ToolTipRole);
}

QString CTableView::GetCellText(int row, int column) const
{
    const QAbstractItemModel* m = model();
    if (!m)
        return QString();
    return m->index(row, column).data(Qt::DisplayRole).toString();
}

void CTableView::mousePressEvent(QMouseEvent* e)
{
    m_pressedIndex = indexAt(e->position().toPoint());
    QTreeView::mousePressEvent(e);
}

void CTableView::mouseReleaseEvent(QMouseEvent* e)
{
    const QModelIndex released = indexAt(e->position().toPoint());
    QTreeView::mouseReleaseEvent(e);
    emit SignalClickRelease(released);
}

void CTableView::drawRow(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    QTreeView::drawRow(painter, option, index);
    if (!m_bRowLines)
        return;
    painter->save();
    painter->setPen(QColor(229, 229, 229));
    const QRect r = option.rect;
    painter->drawLine(r.left() + 2, r.bottom(), r.right(), r.bottom());
    painter->restore();
}
