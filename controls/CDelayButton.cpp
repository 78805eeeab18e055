#include "CDelayButton.h"

#include <QTimerEvent>

CDelayButton::CDelayButton(QWidget* parent)
    : CPushButton(parent)
{
}

CDelayButton::CDelayButton(const QString& text, QWidget* parent)
    : CPushButton(text, parent)
{
}

CDelayButton::CDelayButton(const QIcon& icon, const QString& text, QWidget* parent)
    : CPushButton(icon, text, parent)
{
}

void CDelayButton::mouseReleaseEvent(QMouseEvent* e)
{
    CPushButton::mouseReleaseEvent(e);
    m_delayTimer.start(kDelayMs, Qt::PreciseTimer, this);
}

void CDelayButton::timerEvent(QTimerEvent* e)
{
    if (e->timerId() != m_delayTimer.timerId()) {
        CPushButton::timerEvent(e);
        return;
    }
    if (isChecked()) {
        m_delayTimer.start(kDelayMs, Qt::PreciseTimer, this);
        return;
    }
    m_delayTimer.stop();
    emit SignalDelayRelease();
}
