#pragma once

#include "controls_global.h"

#include <QBasicTimer>
#include <QLabel>
#include <QPointer>
#include <QRect>

class QScreen;

// The one tool-tip window shown by CToolTip. Creating a label deletes the
// previous one; a label hidden by its timers deletes itself.
class CONTROLS_EXPORT CToolLabel : public QLabel
{
    Q_OBJECT
public:
    CToolLabel(const QString& text, QScreen* screen);
    ~CToolLabel() override;

    static CToolLabel* Instance() { return s_pInstance; }

    // 8 s, plus 40 ms for every character beyond the hundredth.
    static int ExpireTimeFor(int textLength);

    void ReuseTip(const QString& text);
    void RestartExpireTimer();
    void HideTip();
    void HideTipNow();
    void setTipRect(QWidget* w, const QRect& r);
    void PlaceTip(const QPoint& pos, QWidget* w);
    bool TipChanged(const QPoint& pos, const QString& text, QObject* o) const;
    bool IsFadingOut() const { return m_bFadingOut; }

    static QScreen* TipScreen(const QPoint& pos, QWidget* w);

protected:
    bool eventFilter(QObject* o, QEvent* e) override;
    void timerEvent(QTimerEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void paintEvent(QPaintEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;

private:
    static CToolLabel* s_pInstance;

    QBasicTimer m_hideTimer;
    QBasicTimer m_expireTimer;
    bool m_bFadingOut = false;
    // Guarded: the widget of the tip rectangle may be deleted while the tip shows.
    QPointer<QWidget> m_pWidget;
    QRect m_rect;
};
