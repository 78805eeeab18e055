#include "CHeaderView.h"

#include <QAbstractItemModel>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QTreeView>

namespace {

constexpr int kBoxSize = 16;

QString CheckBoxImage(int state)
{
    switch (state) {
    case Qt::Checked: return QStringLiteral(":/images/public/CheckBox/checkbox.png");
    case Qt::PartiallyChecked: return QStringLiteral(":/images/public/CheckBox/PartiallyCheckBox.png");
    default: return QStringLiteral(":/images/public/CheckBox/uncheckbox.png");
    }
}

} // namespace

CHeaderView::CHeaderView(Qt::Orientation orientation, QWidget* parent)
    : QHeaderView(orientation, parent)
    , m_pView(qobject_cast<QAbstractItemView*>(parent))
{
    setStretchLastSection(true);
    setSectionsClickable(true);
}

void CHeaderView::setModel(QAbstractItemModel* model)
{
    disconnect(m_dataChangedConnection);
    if (model)
        m_dataChangedConnection = connect(model, &QAbstractItemModel::dataChanged, this, &CHeaderView::OnDataChanged);
    QHeaderView::setModel(model);
}

QVariant CHeaderView::HeaderCheckState() const
{
    const QAbstractItemModel* m = model();
    if (!m)
        return QVariant();
    return m->headerData(0, orientation(), Qt::CheckStateRole);
}

void CHeaderView::SetHeaderCheckState(Qt::CheckState state)
{
    const QVariant old = HeaderCheckState();
    if (old.isValid() && old.toInt() == state)
        return;
    model()->setHeaderData(0, orientation(), state, Qt::CheckStateRole);
    emit SignalCheckStateChanged(state);
}

// A partially checked row counts as not checked.
Qt::CheckState CHeaderView::StateOfRows() const
{
    const QAbstractItemModel* m = model();
    const int rows = m->rowCount();
    int checked = 0;
    for (int row = 0; row < rows; ++row) {
        if (m->index(row, 0).data(Qt::CheckStateRole).toInt() == Qt::Checked)
            ++checked;
    }
    if (checked == 0)
        return Qt::Unchecked;
    return checked == rows ? Qt::Checked : Qt::PartiallyChecked;
}

void CHeaderView::OnDataChanged(const QModelIndex&)
{
    if (m_bSettingRows || !HeaderCheckState().isValid())
        return;
    SetHeaderCheckState(StateOfRows());
}

void CHeaderView::mouseReleaseEvent(QMouseEvent* e)
{
    const QVariant state = HeaderCheckState();
    if (state.isValid() && sectionsClickable() && m_checkRect.contains(e->position().toPoint())) {
        const Qt::CheckState next = state.toInt() == Qt::Checked ? Qt::Unchecked : Qt::Checked;
        // The rows are set as one change; recomputing after each row would
        // pass the header through intermediate states.
        m_bSettingRows = true;
        QAbstractItemModel* m = model();
        for (int row = 0; row < m->rowCount(); ++row)
            m->setData(m->index(row, 0), next, Qt::CheckStateRole);
        m_bSettingRows = false;
        SetHeaderCheckState(next);
    }
    QHeaderView::mouseReleaseEvent(e);
}

void CHeaderView::paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const
{
    painter->save();
    QHeaderView::paintSection(painter, rect.adjusted(4, 0, 0, 0), logicalIndex);
    painter->restore();
    if (logicalIndex != 0)
        return;
    const QVariant state = HeaderCheckState();
    if (!state.isValid())
        return;
    // The box sits at the left of the section; the label keeps its place.
    const auto* tree = qobject_cast<const QTreeView*>(m_pView);
    const int indentation = tree ? tree->indentation() : 0;
    m_checkRect = QRect(rect.left() + 3 + indentation, rect.top() + (rect.height() - kBoxSize) / 2, kBoxSize, kBoxSize);
    painter->drawPixmap(m_checkRect, QPixmap(CheckBoxImage(state.toInt())));
}
