#include "CLabel.h"

#include <QHelpEvent>
#include <QToolTip>

CLabel::CLabel(QWidget* parent)
    : QLabel(parent)
{
}

bool CLabel::event(QEvent* e)
{
    if (e->type() == QEvent::MouseButtonDblClick) {
        emit SignalDoubleClicked();
    } else if (e->type() == QEvent::ToolTip && toolTip().isEmpty() && !text().isEmpty()) {
        QToolTip::showText(static_cast<QHelpEvent*>(e)->globalPos(), text());
        e->ignore();
        return true;
    }
    return QLabel::event(e);
}
