#include "CTableView.h"

#include "CHeaderView.h"
#include "CTableDelegate.h"
#include "TableRoles.h"
#include "TextUtils.h"

#include <QMouseEvent>
#include <QPainter>
#include <QStandardItemModel>

namespace {

bool IsRoleButtonCell(const QModelIndex& index)
{
    return index.isValid() && index.data(TableRole::ButtonCell).toBool();
}

} // namespace

CTableView::CTableView(QWidget* parent)
    : QTreeView(parent)
{
    auto* header = new CHeaderView(Qt::Horizontal, this);
    setHeader(header);
    setItemDelegate(new CTableDelegate(this));

    setAllColumnsShowFocus(true);
    setIndentation(0);
    setExpandsOnDoubleClick(false);
    setRootIsDecorated(false);
    header->setSectionsClickable(true);
    header->setSectionsMovable(false);

    m_pDefaultModel = new QStandardItemModel(this);
    QTreeView::setModel(m_pDefaultModel);

    connect(header, &CHeaderView::SignalCheckStateChanged, this, &CTableView::SignalHeaderCheckStateChanged);
    ForwardCurrentChanges();
}

CTableView::~CTableView()
{
    delete m_pDefaultModel;
}

void CTableView::setModel(QAbstractItemModel* model)
{
    if (m_pDefaultModel && m_pDefaultModel != model)
        delete m_pDefaultModel;
    QTreeView::setModel(model);
    expandAll();
    ForwardCurrentChanges();
}

// Every model brings a new selection model; the forward follows it.
void CTableView::ForwardCurrentChanges()
{
    disconnect(m_currentForward);
    if (QItemSelectionModel* selection = selectionModel())
        m_currentForward = connect(selection, &QItemSelectionModel::currentChanged, this, &CTableView::currentItemChanged);
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
    // Cell texts come from devices: the tip shows them as they are, never as HTML.
    m->setData(index, PlainToolTip(text), Qt::ToolTipRole);
}

QString CTableView::GetCellText(int row, int column) const
{
    const QAbstractItemModel* m = model();
    if (!m)
        return QString();
    return m->index(row, column).data(Qt::DisplayRole).toString();
}

bool CTableView::IsButtonCell(const QModelIndex& index) const
{
    if (!index.isValid())
        return false;
    return (index.data(TableRole::CellFlags).toInt() & TableRole::ButtonCellFlag) || IsRoleButtonCell(index);
}

void CTableView::mousePressEvent(QMouseEvent* e)
{
    const QModelIndex pressed = indexAt(e->position().toPoint());
    m_pressedIndex = pressed;
    if (e->button() == Qt::LeftButton && IsRoleButtonCell(pressed))
        emit PressedBtn(pressed);
    QTreeView::mousePressEvent(e);
}

void CTableView::mouseReleaseEvent(QMouseEvent* e)
{
    // Persistent, so that a slot changing the model during the standard
    // handling cannot leave us with a dangling index.
    const QPersistentModelIndex released = indexAt(e->position().toPoint());
    if (e->button() == Qt::LeftButton && released.isValid() && released == m_pressedIndex
        && IsRoleButtonCell(released))
        emit ClickedBtn(released);
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
