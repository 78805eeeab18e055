#include "CToolLabel.h"

#include "CToolTip.h"

#include <QApplication>
#include <QMouseEvent>
#include <QScreen>
#include <QStyleOption>
#include <QStylePainter>
#include <QTextDocument>

CToolLabel* CToolLabel::s_pInstance = nullptr;

namespace {
constexpr int kHideDelayMs = 300;
}

CToolLabel::CToolLabel(const QString& text, QScreen* screen)
    : QLabel(nullptr, Qt::ToolTip)
{
    if (screen)
        setScreen(screen);
    delete s_pInstance;
    s_pInstance = this;

    setForegroundRole(QPalette::ToolTipText);
    setBackgroundRole(QPalette::ToolTipBase);
    setPalette(CToolTip::Palette());
    ensurePolished();
    setMargin(1 + style()->pixelMetric(QStyle::PM_ToolTipLabelFrameWidth, nullptr, this));
    setFrameStyle(QFrame::NoFrame);
    setAlignment(Qt::AlignLeft);
    setIndent(1);
    qApp->installEventFilter(this);
    setWindowOpacity(style()->styleHint(QStyle::SH_ToolTipLabel_Opacity, nullptr, this) / 255.0);
    setMouseTracking(true);
    m_bFadingOut = false;
    ReuseTip(text);
}

CToolLabel::~CToolLabel()
{
    if (s_pInstance == this)
        s_pInstance = nullptr;
}

int CToolLabel::ExpireTimeFor(int textLength)
{
    return 8000 + 40 * qMax(0, textLength - 100);
}

void CToolLabel::ReuseTip(const QString& text)
{
    setWordWrap(Qt::mightBeRichText(text));
    setText(text);
    const QFontMetrics fm(font());
    QSize extra(1, 0);
    // Keeps the descenders of fonts with a 2-pixel descent inside the tip.
    if (fm.descent() == 2 && fm.ascent() >= 11)
        ++extra.rheight();
    resize(sizeHint() + extra);
    RestartExpireTimer();
}

void CToolLabel::RestartExpireTimer()
{
    m_expireTimer.start(ExpireTimeFor(text().length()), Qt::PreciseTimer, this);
    m_hideTimer.stop();
}

void CToolLabel::HideTip()
{
    if (!m_hideTimer.isActive())
        m_hideTimer.start(kHideDelayMs, Qt::PreciseTimer, this);
}

void CToolLabel::HideTipNow()
{
    close();
    deleteLater();
}

void CToolLabel::setTipRect(QWidget* w, const QRect& r)
{
    if (!m_rect.isNull() && !w) {
        qWarning("CToolTip::setTipRect: Cannot pass null widget if rect is set");
        return;
    }
    m_pWidget = w;
    m_rect = r;
}

QScreen* CToolLabel::TipScreen(const QPoint& pos, QWidget* w)
{
    if (QScreen* screen = QGuiApplication::screenAt(pos))
        return screen;
    if (w && w->screen())
        return w->screen();
    return QGuiApplication::primaryScreen();
}

void CToolLabel::PlaceTip(const QPoint& pos, QWidget* w)
{
    const QScreen* screen = TipScreen(pos, w);
    const QRect s = screen ? screen->geometry() : QRect();
    const int screenRight = s.x() + s.width();
    const int screenBottom = s.y() + s.height();

    QPoint p = pos + QPoint(2, 21);
    if (p.x() + width() > screenRight)
        p.rx() -= width() + 4;
    if (p.y() + height() > screenBottom)
        p.ry() -= height() + 24;
    if (p.y() < s.y())
        p.setY(s.y());
    if (p.x() + width() > screenRight)
        p.setX(screenRight - width());
    if (p.x() < s.x())
        p.setX(s.x());
    if (p.y() + height() > screenBottom)
        p.setY(screenBottom - height());
    move(p);
}

bool CToolLabel::TipChanged(const QPoint& pos, const QString& text, QObject* o) const
{
    if (this->text() != text)
        return true;
    if (o != m_pWidget.data())
        return true;
    return !m_rect.isNull() && !m_rect.contains(pos);
}

bool CToolLabel::eventFilter(QObject* o, QEvent* e)
{
    switch (e->type()) {
    case QEvent::Leave:
        HideTip();
        break;
    case QEvent::WindowActivate:
    case QEvent::WindowDeactivate:
        HideTipNow();
        break;
    default:
        break;
    }
    return QLabel::eventFilter(o, e);
}

void CToolLabel::timerEvent(QTimerEvent* e)
{
    if (e->timerId() != m_hideTimer.timerId() && e->timerId() != m_expireTimer.timerId()) {
        QLabel::timerEvent(e);
        return;
    }
    m_hideTimer.stop();
    m_expireTimer.stop();
    HideTipNow();
}

void CToolLabel::mouseMoveEvent(QMouseEvent* e)
{
    if (!m_rect.isNull()) {
        QPoint pos = e->globalPosition().toPoint();
        if (m_pWidget)
            pos = m_pWidget->mapFromGlobal(pos);
        if (!m_rect.contains(pos))
            HideTip();
    }
    QLabel::mouseMoveEvent(e);
}

void CToolLabel::paintEvent(QPaintEvent* e)
{
    QStylePainter painter(this);
    QStyleOptionFrame option;
    option.initFrom(this);
    painter.setPen(Qt::red);
    painter.drawPrimitive(QStyle::PE_PanelTipLabel, option);
    painter.end();
    QLabel::paintEvent(e);
}

void CToolLabel::resizeEvent(QResizeEvent* e)
{
    QStyleHintReturnMask mask;
    QStyleOption option;
    option.initFrom(this);
    if (style()->styleHint(QStyle::SH_ToolTip_Mask, &option, this, &mask))
        setMask(mask.region);
    QLabel::resizeEvent(e);
}
