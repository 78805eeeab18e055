#include "CBaseDialog.h"

#include "CPushButton.h"
#include "GeometryUtils.h"

#include <QCoreApplication>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QSpacerItem>

namespace {

QString Tr(const char* text)
{
    return QCoreApplication::translate("CBaseDialogClass", text);
}

const char* const kCloseBtnStyle =
    "QPushButton{border: none;margin:0px;border-image:url(:/images/title/close.png); }\n"
    "QPushButton:hover{border: none;margin:0px;border-image:url(:/images/title/close_hover.png); }";

QString BackgroundWithBottom(bool bSpaced)
{
    const QString separator = bSpaced ? QString(40, u' ') : QStringLiteral("\n");
    return QStringLiteral("QDialog#CBaseDialogClass{border-image:url(\":/images/Dialog/dialog_bg.png\") 58;")
        + separator + QStringLiteral("border-width:58;}");
}

QString BackgroundWithoutBottom()
{
    return QStringLiteral("QDialog#CBaseDialogClass{border-image:url(\":/images/Dialog/dialog_bg2.png\") 34 6 16 6;\n"
                          "border-width:34 6 16 6;}");
}

bool IsAcceptKey(int key)
{
    return key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Select;
}

} // namespace

CBaseDialog::CBaseDialog(QWidget* parent, bool bShowBottom, bool bShowOk, bool bShowCancel)
    : QDialog(parent)
{
    if (objectName().isEmpty())
        setObjectName(QStringLiteral("CBaseDialogClass"));
    resize(437, 327);
    setMinimumSize(0, 150);
    setWindowTitle(Tr(QT_TRANSLATE_NOOP("CBaseDialogClass", "Dialog")));

    m_pgridBaseDialog = new QGridLayout(this);
    m_pgridBaseDialog->setObjectName(QStringLiteral("m_pgridBaseDialog"));
    m_pgridBaseDialog->setVerticalSpacing(0);
    m_pgridBaseDialog->setContentsMargins(6, 3, 6, 5);
    BuildTitleLine();
    BuildContentFrame();
    BuildBottomFrame();

    m_pCloseBtn->hide();
    if (bShowBottom) {
        ApplyBackground(true);
    } else {
        m_pBottomFrame->hide();
        m_pgridBaseDialog->setContentsMargins(6, 4, 6, 11);
        ApplyBackground(false);
    }
    m_pOkBtn->setVisible(bShowOk);
    m_pCancelBtn->setVisible(bShowCancel);
    setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint);

    connect(m_pCancelBtn, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_pOkBtn, &QPushButton::clicked, this, &CBaseDialog::on_pOkBtn_clicked);
    connect(m_pCloseBtn, &QPushButton::clicked, this, &CBaseDialog::on_m_pCloseBtn_clicked);
}

void CBaseDialog::BuildTitleLine()
{
    auto* titleLayout = new QHBoxLayout();
    titleLayout->setObjectName(QStringLiteral("horizontalLayout"));
    titleLayout->addItem(new QSpacerItem(20, 0, QSizePolicy::Fixed, QSizePolicy::Minimum));

    m_pLabelTitle = new QLabel(this);
    m_pLabelTitle->setObjectName(QStringLiteral("pLabelTitle"));
    m_pLabelTitle->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    m_pLabelTitle->setMinimumSize(100, 30);
    m_pLabelTitle->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    QFont font(QStringLiteral("Arial"));
    font.setBold(true);
    m_pLabelTitle->setFont(font);
    m_pLabelTitle->setStyleSheet(QStringLiteral("QLabel#pLabelTitle{color: rgb(255, 255, 255);}"));
    m_pLabelTitle->setAlignment(Qt::AlignCenter);
    titleLayout->addWidget(m_pLabelTitle);

    m_pCloseBtn = new CPushButton(this);
    m_pCloseBtn->setObjectName(QStringLiteral("m_pCloseBtn"));
    m_pCloseBtn->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    m_pCloseBtn->setMinimumSize(20, 20);
    m_pCloseBtn->setMaximumSize(20, 20);
    m_pCloseBtn->setFocusPolicy(Qt::NoFocus);
    m_pCloseBtn->setIconSize(QSize(20, 20));
    m_pCloseBtn->setStyleSheet(QString::fromLatin1(kCloseBtnStyle));
    titleLayout->addWidget(m_pCloseBtn);

    m_pgridBaseDialog->addLayout(titleLayout, 0, 0);
}

void CBaseDialog::BuildContentFrame()
{
    m_pContentFrame = new QFrame(this);
    m_pContentFrame->setObjectName(QStringLiteral("m_pContentFrame"));
    m_pContentFrame->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    m_pContentFrame->setMinimumSize(100, 0);
    m_pContentFrame->setFocusPolicy(Qt::NoFocus);
    m_pContentFrame->setFrameShape(QFrame::StyledPanel);
    m_pContentFrame->setFrameShadow(QFrame::Raised);
    m_pContentFrame->setStyleSheet(QStringLiteral("QFrame#m_pContentFrame\n{\n\tborder:none;\n}"));
    m_pgridBaseDialog->addWidget(m_pContentFrame, 1, 0);
}

void CBaseDialog::BuildBottomFrame()
{
    m_pBottomFrame = new QFrame(this);
    m_pBottomFrame->setObjectName(QStringLiteral("m_pBottomFrame"));
    m_pBottomFrame->setMaximumHeight(52);
    m_pBottomFrame->setFrameShape(QFrame::StyledPanel);
    m_pBottomFrame->setFrameShadow(QFrame::Raised);

    auto* bottomLayout = new QGridLayout(m_pBottomFrame);
    bottomLayout->setObjectName(QStringLiteral("gridLayout_2"));
    bottomLayout->addItem(new QSpacerItem(10, 25, QSizePolicy::Expanding, QSizePolicy::Minimum), 0, 0);

    m_pOkBtn = new CPushButton(m_pBottomFrame);
    m_pOkBtn->setObjectName(QStringLiteral("pOkBtn"));
    m_pOkBtn->setMinimumSize(80, 24);
    m_pOkBtn->setText(Tr(QT_TRANSLATE_NOOP("CBaseDialogClass", "OK")));
    bottomLayout->addWidget(m_pOkBtn, 0, 1);

    m_pCancelBtn = new CPushButton(m_pBottomFrame);
    m_pCancelBtn->setObjectName(QStringLiteral("pCancelBtn"));
    m_pCancelBtn->setMinimumSize(80, 24);
    m_pCancelBtn->setText(Tr(QT_TRANSLATE_NOOP("CBaseDialogClass", "Cancel")));
    bottomLayout->addWidget(m_pCancelBtn, 0, 2);

    // Return and Enter belong to the dialog, which accepts on them even while
    // Cancel has the focus; an auto-default button would take the key first.
    m_pOkBtn->setAutoDefault(false);
    m_pCancelBtn->setAutoDefault(false);

    m_pgridBaseDialog->addWidget(m_pBottomFrame, 2, 0);
}

void CBaseDialog::ApplyBackground(bool bWithBottom, bool bSpaced)
{
    setStyleSheet(bWithBottom ? BackgroundWithBottom(bSpaced) : BackgroundWithoutBottom());
}

void CBaseDialog::SetTitle(const QString& title)
{
    m_pLabelTitle->setText(title);
}

QString CBaseDialog::GetTitle() const
{
    return m_pLabelTitle->text();
}

void CBaseDialog::ShowCloseBtn(bool bShow)
{
    m_pCloseBtn->setVisible(bShow);
}

void CBaseDialog::ShowOkBtn(bool bShow)
{
    m_pOkBtn->setVisible(bShow);
}

void CBaseDialog::ShowBottomFrame(bool bShow)
{
    m_pOkBtn->setVisible(bShow);
    m_pCancelBtn->setVisible(bShow);
    m_pBottomFrame->setVisible(bShow);
    ApplyBackground(bShow, true);
}

void CBaseDialog::SetOkBtnText(const QString& text)
{
    m_pOkBtn->setText(text);
}

void CBaseDialog::SetCancelBtnText(const QString& text)
{
    m_pCancelBtn->setText(text);
}

void CBaseDialog::SetOkAccept(bool bAccept)
{
    m_bOkAccept = bAccept;
}

void CBaseDialog::SetCloseBtnClose(bool bClose)
{
    m_bCloseBtnClose = bClose;
}

bool CBaseDialog::SetContentWidget(QWidget* w)
{
    if (!w)
        return false;
    if (!m_pContentLayout)
        m_pContentLayout = new QGridLayout(m_pContentFrame);
    m_pContentLayout->setContentsMargins(0, 0, 0, 0);
    m_pContentLayout->addWidget(w);
    return true;
}

QFrame* CBaseDialog::GetContentFrame() const
{
    return m_pContentFrame;
}

void CBaseDialog::SetOkBtnEnable(bool bEnabled)
{
    m_pOkBtn->setEnabled(bEnabled);
}

void CBaseDialog::on_pOkBtn_clicked()
{
    if (m_bOkAccept)
        accept();
    else
        emit ClickedOKBtnSig();
}

void CBaseDialog::on_m_pCloseBtn_clicked()
{
    if (m_bCloseBtnClose)
        close();
    else
        emit ClickedCloseBtnSig();
}

void CBaseDialog::mousePressEvent(QMouseEvent* e)
{
    m_ptPress = e->position().toPoint();
    if (m_ptPress.y() <= kDragBandHeight)
        m_bDragging = true;
}

void CBaseDialog::mouseMoveEvent(QMouseEvent* e)
{
    if (m_bDragging)
        move(ClampToWorkArea(e->globalPosition().toPoint()) - m_ptPress);
}

void CBaseDialog::mouseReleaseEvent(QMouseEvent*)
{
    m_bDragging = false;
}

void CBaseDialog::keyPressEvent(QKeyEvent* e)
{
    if (e->key() == Qt::Key_Escape)
        return;
    if (IsAcceptKey(e->key()))
        accept();
    QDialog::keyPressEvent(e);
}

void CBaseDialog::resizeEvent(QResizeEvent* e)
{
    setMask(RoundedRegion(rect(), 2));
    QDialog::resizeEvent(e);
}
