#include "CInformationDlg.h"

#include <QCursor>
#include <QGridLayout>
#include <QLabel>
#include <QPointer>
#include <QScreen>
#include <QTextEdit>
#include <QTimer>

namespace {

// Guarded: a parent that deletes the shared popup must not leave it dangling.
QPointer<CInformationDlg> s_pInstance;

const char* const kTransparentText = "background-color: transparent; border:none; color: white;";
}

CInformationDlg::CInformationDlg(QWidget* parent, bool bCreateUi)
    : QFrame(parent)
{
    m_pTimer = new QTimer(this);
    connect(m_pTimer, &QTimer::timeout, this, &CInformationDlg::HideWnd);

    if (bCreateUi) {
        m_pLayout = new QGridLayout();
        setLayout(m_pLayout);
        m_pTextEdit = new QTextEdit(this);
        m_pLabel = new QLabel(this);
        m_pLayout->addWidget(m_pTextEdit, 0, 0);
        m_pLayout->addWidget(m_pLabel, 1, 0);
        resize(m_nWidth, m_nHeight);
        setObjectName(QStringLiteral("m_this"));
        setStyleSheet(QStringLiteral("QFrame#m_this{background: rgb(15, 15, 15); border: 2px solid gray;}"));
        m_pLabel->setStyleSheet(QString::fromLatin1(kTransparentText));
        m_pTextEdit->setStyleSheet(QString::fromLatin1(kTransparentText));
        m_pLabel->setAlignment(Qt::AlignCenter);
        m_pLabel->setWordWrap(true);
        // The popup shows texts as they are, never as HTML.
        m_pLabel->setTextFormat(Qt::PlainText);
        m_pTextEdit->setTextInteractionFlags(Qt::NoTextInteraction);
    }
    m_nAnchorX = -1;
    m_nAnchorY = -1;
    setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
}

void CInformationDlg::SetText(const QString& text)
{
    if (!m_pLayout)
        return;
    const int textWidth = m_pLabel->fontMetrics().horizontalAdvance(text) + 15;
    m_strText = text;
    if (textWidth < m_nWidth) {
        m_pLabel->show();
        m_pTextEdit->hide();
        m_pLabel->setAlignment(Qt::AlignCenter);
        m_pLabel->setWordWrap(true);
        m_pLabel->setText(text);
        m_pTextEdit->clear();
    } else {
        m_pLabel->hide();
        m_pLabel->clear();
        m_pLabel->setAlignment(Qt::AlignVCenter);
        m_pTextEdit->show();
        m_pTextEdit->setPlainText(text);
    }
}

void CInformationDlg::MoveBottomRightTo(int x, int y)
{
    move(x - width(), y - height());
}

void CInformationDlg::SetAnchor(int x, int y)
{
    m_nAnchorX = x;
    m_nAnchorY = y;
    MoveBottomRightTo(x, y);
}

void CInformationDlg::resizeEvent(QResizeEvent* e)
{
    if (m_nAnchorX != -1 || m_nAnchorY != -1) {
        MoveBottomRightTo(m_nAnchorX, m_nAnchorY);
        m_nAnchorX = -1;
        m_nAnchorY = -1;
    }
    QFrame::resizeEvent(e);
}

void CInformationDlg::ShowAtCorner(const QString& text)
{
    QWidget* parent = parentWidget();
    if (!parent)
        return;
    const QScreen* screen = parent->screen();
    if (!screen)
        return;
    const QRect r = screen->availableGeometry();
    SetAnchor(r.x() + r.width(), r.y() + r.height());
    SetText(text);
    show();
    m_pTimer->start(kHideCheckMs);
}

void CInformationDlg::HideWnd()
{
    if (geometry().contains(QCursor::pos()))
        return;
    m_pTimer->stop();
    hide();
}

CInformationDlg* CInformationDlg::Instance()
{
    return s_pInstance;
}

CInformationDlg* CInformationDlg::EnsureInstance()
{
    if (!s_pInstance)
        s_pInstance = new CInformationDlg(nullptr, true);
    return s_pInstance;
}

void CInformationDlg::SetPopupParent(QWidget* p)
{
    CInformationDlg* popup = EnsureInstance();
    // Keeping the window flags keeps the popup a window of its own; a plain
    // setParent() would turn it into a child widget inside p.
    popup->setParent(p, popup->windowFlags());
}

void CInformationDlg::ShowPopup(const QString& text)
{
    CInformationDlg* popup = EnsureInstance();
    popup->SetText(text);
    popup->show();
}

void CInformationDlg::ShowPopupAt(const QString& text, int x, int y)
{
    CInformationDlg* popup = EnsureInstance();
    popup->SetAnchor(x, y);
    popup->SetText(text);
    popup->show();
}

void CInformationDlg::ShowPopupFor(const QString& text, QWidget* parent)
{
    SetPopupParent(parent);
    EnsureInstance()->ShowAtCorner(text);
}
