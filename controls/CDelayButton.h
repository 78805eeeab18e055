#pragma once

#include "CPushButton.h"

#include <QBasicTimer>

// A button that reports its release a while later, and not before it has
// been unchecked.
class CONTROLS_EXPORT CDelayButton : public CPushButton
{
    Q_OBJECT
public:
    static constexpr int kDelayMs = 2000;

    explicit CDelayButton(QWidget* parent = nullptr);
    CDelayButton(const QString& text, QWidget* parent = nullptr);
    CDelayButton(const QIcon& icon, const QString& text, QWidget* parent = nullptr);

signals:
    void SignalDelayRelease();

protected:
    void timerEvent(QTimerEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;

private:
    QBasicTimer m_delayTimer;
};
