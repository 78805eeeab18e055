#include "CWindowTitle.h"

#include <CPushButton.h>
#include <GeometryUtils.h>

#include <QCoreApplication>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPalette>
#include <QPixmap>
#include <QScreen>
#include <QSpacerItem>

namespace {

QString ButtonStyle(const char* image, const char* hoverImage)
{
    return QStringLiteral("QPushButton{border:none;margin:0;border-image:url(%1);}"
                          "QPushButton:hover{border:none;margin:0;border-image:url(%2);}")
        .arg(QLatin1String(image), QLatin1String(hoverImage));
}

CPushButton* MakeSmallButton(QWidget* parent, const char* name)
{
    auto* button = new CPushButton(parent);
    button->setObjectName(QLatin1String(name));
    button->setFixedSize(20, 20);
    button->setFocusPolicy(Qt::ClickFocus);
    return button;
}

QRect WorkArea()
{
    return QGuiApplication::primaryScreen()->availableGeometry();
}

} // namespace

CWindowTitle::CWindowTitle(QWidget* parent)
    : QWidget(parent)
    , m_pWindow(parent)
{
    setObjectName(QStringLiteral("CWindowTitle"));
    BuildLayouts();
    connect(m_pBtnMax, &QPushButton::clicked, this, &CWindowTitle::ChaneMaxSizeOrRestore);
    connect(m_pBtnClose, &QPushButton::clicked, this, &CWindowTitle::OnCloseWindow);
    connect(m_pBtnMin, &QPushButton::clicked, this, &CWindowTitle::showSmall);
    setAutoFillBackground(true);
    m_pBtnMin->setStyleSheet(ButtonStyle(":/images/title/mini.png", ":/images/title/mini_hover.png"));
    m_pBtnClose->setStyleSheet(ButtonStyle(":/images/title/close.png", ":/images/title/close_hover.png"));
    ShowMaxButtonAs(false);
    PaintBackground();
}

CWindowTitle::~CWindowTitle() = default;

void CWindowTitle::BuildLayouts()
{
    auto* mainLayout = new QHBoxLayout(this);
    mainLayout->setSpacing(1);
    mainLayout->setContentsMargins(4, 1, 4, 1);

    m_pBtnIcon = new CPushButton(this);
    m_pBtnIcon->setObjectName(QStringLiteral("m_pBtnIcon"));
    m_pBtnIcon->setFixedSize(32, 32);
    m_pBtnIcon->setStyleSheet(QStringLiteral("QPushButton{border-image:url(:/images/title/LUMOEye.png);}"));
    m_pBtnIcon->setFocusPolicy(Qt::NoFocus);
    auto* leftLayout = new QHBoxLayout();
    leftLayout->setSpacing(1);
    leftLayout->addWidget(m_pBtnIcon);
    leftLayout->addItem(new QSpacerItem(0, 0, QSizePolicy::Expanding, QSizePolicy::Minimum));

    m_pTitleLabel = new QLabel(QCoreApplication::translate("QObject", "Taldor IP Utility"), this);
    m_pTitleLabel->setObjectName(QStringLiteral("m_pTitleLabel"));
    m_pTitleLabel->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Preferred);
    m_pTitleLabel->setAlignment(Qt::AlignCenter);
    m_pTitleLabel->setStyleSheet(QStringLiteral("color:rgb(255, 255, 255);"));

    m_pBtnMin = MakeSmallButton(this, "m_pBtnMin");
    m_pBtnMax = MakeSmallButton(this, "m_pBtnMax");
    m_pBtnClose = MakeSmallButton(this, "m_pBtnClose");
    auto* rightLayout = new QHBoxLayout();
    rightLayout->setSpacing(1);
    rightLayout->addItem(new QSpacerItem(0, 0, QSizePolicy::Expanding, QSizePolicy::Minimum));
    rightLayout->addWidget(m_pBtnMin);
    rightLayout->addWidget(m_pBtnMax);
    rightLayout->addWidget(m_pBtnClose);

    mainLayout->addLayout(leftLayout, 1);
    mainLayout->addWidget(m_pTitleLabel, 1);
    mainLayout->addLayout(rightLayout, 1);
}

// The background picture follows the bar's size.
void CWindowTitle::PaintBackground()
{
    const QPixmap background(QStringLiteral(":/images/title/title_bg.png"));
    if (background.isNull() || size().isEmpty())
        return;
    QPalette pal = palette();
    pal.setBrush(QPalette::Window,
                 QBrush(background.scaled(size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation)));
    setPalette(pal);
}

void CWindowTitle::resizeEvent(QResizeEvent* e)
{
    QWidget::resizeEvent(e);
    PaintBackground();
}

void CWindowTitle::ShowMaxButtonAs(bool maximized)
{
    m_pBtnMax->setStyleSheet(maximized
                                 ? ButtonStyle(":/images/title/back.png", ":/images/title/back_hover.png")
                                 : ButtonStyle(":/images/title/full-screen.png", ":/images/title/full-screen_hover.png"));
}

bool CWindowTitle::IsLargeEnough(const QSize& screenSize)
{
    return screenSize.width() >= 1024 && screenSize.height() >= 768;
}

bool CWindowTitle::WindowScreenIsLargeEnough() const
{
    const QScreen* screen = m_pWindow->screen();
    return screen && IsLargeEnough(screen->geometry().size());
}

void CWindowTitle::showSmall()
{
    m_pWindow->showMinimized();
}

void CWindowTitle::ChangSizeToFull()
{
    if (!WindowScreenIsLargeEnough())
        return;
    // Fixed at the work area: a work area lower than the normal size (a task
    // bar on a 768-line screen) must not leave the window stuck between sizes.
    const QRect workArea = WorkArea();
    m_pWindow->setFixedSize(workArea.size());
    m_pWindow->move(workArea.topLeft());
    m_bMaximized = true;
    ShowMaxButtonAs(true);
}

void CWindowTitle::ChaneMaxSizeOrRestore()
{
    if (!WindowScreenIsLargeEnough())
        return;
    const QRect workArea = WorkArea();
    if (m_pWindow->size() != workArea.size()) {
        ChangSizeToFull();
        return;
    }
    m_pWindow->setFixedSize(1024, 768);
    m_pWindow->move(workArea.x() + workArea.width() / 2 - 512, workArea.y() + workArea.height() / 2 - 384);
    m_bMaximized = false;
    ShowMaxButtonAs(false);
}

void CWindowTitle::OnCloseWindow()
{
    m_pWindow->close();
}

void CWindowTitle::mousePressEvent(QMouseEvent* e)
{
    if (m_pWindow->isFullScreen())
        return;
    m_bPressed = 1;
    m_ptPressOffset = mapTo(m_pWindow, e->position().toPoint());
}

void CWindowTitle::mouseMoveEvent(QMouseEvent* e)
{
    if (m_bMaximized || !m_bPressed)
        return;
    m_pWindow->move(ClampToWorkArea(e->globalPosition().toPoint()) - m_ptPressOffset);
}

void CWindowTitle::mouseReleaseEvent(QMouseEvent*)
{
    m_bPressed = 0;
}

void CWindowTitle::mouseDoubleClickEvent(QMouseEvent*)
{
    ChaneMaxSizeOrRestore();
}
