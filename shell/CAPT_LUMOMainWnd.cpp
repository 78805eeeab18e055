#include "CAPT_LUMOMainWnd.h"

#include "AppPaths.h"
#include "CDlgAbout.h"
#include "CWindowTitle.h"
#include "ClientConfigManager.h"
#include "LumoDeviceCallback.h"
#include "QtLumo.h"
#include "ui_CAPT_LUMOMainWnd.h"

#include <CWarnDlg.h>

#include <QCloseEvent>
#include <QCoreApplication>
#include <QCursor>
#include <QDesktopServices>
#include <QFileInfo>
#include <QKeyEvent>
#include <QMenu>
#include <QStackedWidget>
#include <QUrl>

namespace {

QString WindowStyle(bool large)
{
    return large ? QStringLiteral("QMainWindow#CAPT_LUMOMainWndClass{border-image:url(\":/images/Dialog/dialog_bg2.png\") 58;\n"
                                  "border-width:58;}")
                 : QStringLiteral("QMainWindow#CAPT_LUMOMainWndClass{border-image:url(\":/images/Dialog/dialog_bg2.png\") 58;\n"
                                  "border-width:23 58 58 58;}");
}

QString SelectedTabStyle(bool large)
{
    if (large) {
        return QStringLiteral("QPushButton{border-image:url(:/images/Tab/TabSelect.png); color: rgb(255, 255, 255); "
                              "border-width:0px;}");
    }
    return QStringLiteral(
        "QPushButton{border-image:url(:/images/Tab/SubTabSelect.png); color: rgb(255, 0, 0); border-width:0px;}"
        "QPushButton:hover,QPushButton:pressed,QPushButton:focus{border-image:url(:/images/Tab/SubTabSelect.png); "
        "color: rgb(255, 255, 255); border-width:0px;}");
}

QString UnselectedTabStyle(bool large)
{
    return large ? QStringLiteral("QPushButton{border-image:url(:/images/Tab/TabUnselect.png); color: rgb(255, 255, 255); "
                                  "border-width:0px;}")
                 : QStringLiteral("QPushButton{border-image:url(:/images/Tab/SubTabUnselect.png); color: rgb(0, 0, 0); "
                                  "border-width:0px;}");
}

QString TabFrameStyle(bool large)
{
    return large ? QStringLiteral("QFrame{background-image:url(:/images/Tab/tab_bg.png); border:none;}")
                 : QStringLiteral("QFrame{background-image:url(:/images/Tab/Subtab_bg.png); border:none;}");
}

} // namespace

CAPT_LUMOMainWnd::CAPT_LUMOMainWnd(QWidget* parent, Qt::WindowFlags flags, int hostArg1, int hostArg2,
                                   int hostArg3)
    : QMainWindow(parent, flags)
    , m_pUi(std::make_unique<Ui::CAPT_LUMOMainWndClass>())
    , m_nHostArg1(hostArg1)
    , m_nHostArg2(hostArg2)
    , m_nHostArg3(hostArg3)
{
    m_pUi->setupUi(this);
    setStyleSheet(WindowStyle(true));
    // Inside a host's layout the window is a child widget; as a separate
    // window it would float beside the host instead.
    setWindowFlags(parent ? Qt::Widget | Qt::FramelessWindowHint
                          : Qt::Window | Qt::FramelessWindowHint | Qt::WindowSystemMenuHint);

    m_pTitle = new CWindowTitle(this);
    m_pUi->pGridLayout->addWidget(m_pTitle, 0, 0, 1, 2);
    m_pStackedWidget = new QStackedWidget(this);
    m_pStackedWidget->setObjectName(QStringLiteral("m_pStackedWidget"));
    m_pUi->pGridLayout->addWidget(m_pStackedWidget, 2, 0);
    m_pLumoWidget = new QtLumo(this, 0, m_nHostArg1, m_nHostArg2, m_nHostArg3);
    const ClientConfigManager* config = ClientConfigManager::GetInstance();
    if (config->IsOnvifEnabled())
        m_pLumoWidget->StartOnvifDiscovery(config->OnvifUserName());
    m_pStackedWidget->addWidget(m_pLumoWidget);

    m_pUi->m_pBtnAbout->setStyleSheet(UnselectedTabStyle(true));
    on_m_pBtnLumo_clicked();
    setFixedSize(1024, 768);
    ShowTitle(true);
}

CAPT_LUMOMainWnd::~CAPT_LUMOMainWnd()
{
    delete m_pTitle;
    delete m_pLumoWidget;
    delete m_pStackedWidget;
}

void CAPT_LUMOMainWnd::ShowTitle(bool bShow)
{
    m_pTitle->setVisible(bShow);
}

void CAPT_LUMOMainWnd::on_m_pBtnLumo_clicked()
{
    m_pStackedWidget->setCurrentIndex(0);
    m_pUi->m_pBtnLumo->setStyleSheet(SelectedTabStyle(m_bLargeTabs));
}

void CAPT_LUMOMainWnd::ChangeSize(bool bLarge)
{
    if (bLarge == m_bLargeTabs)
        return;
    m_bLargeTabs = bLarge;
    ApplyTabLook();
}

void CAPT_LUMOMainWnd::ApplyTabLook()
{
    const bool large = m_bLargeTabs;
    setStyleSheet(WindowStyle(large));
    m_pUi->m_pBtnLumo->setStyleSheet(SelectedTabStyle(large));
    m_pUi->m_pBtnAbout->setStyleSheet(UnselectedTabStyle(large));
    m_pUi->pTabFrame->setStyleSheet(TabFrameStyle(large));
    const int height = large ? 40 : 23;
    m_pUi->pTabFrame->setMinimumHeight(height);
    m_pUi->m_pBtnLumo->setFixedHeight(height);
    m_pUi->m_pBtnAbout->setFixedHeight(height);
    m_pUi->m_pBtnLumo->setIcon(large ? QIcon(QStringLiteral(":/images/ButtonIcon/menu_search.png")) : QIcon());
    m_pUi->m_pBtnAbout->setIcon(large ? QIcon(QStringLiteral(":/images/ButtonIcon/menu_info.png")) : QIcon());
    const QSize iconSize = large ? QSize(32, 32) : QSize(16, 16);
    m_pUi->m_pBtnLumo->setIconSize(iconSize);
    m_pUi->m_pBtnAbout->setIconSize(iconSize);
}

void CAPT_LUMOMainWnd::on_m_pBtnAbout_clicked()
{
    QMenu menu(this);
    menu.setObjectName(QStringLiteral("m_pHelpMenu"));
    QAction* help = menu.addAction(QIcon(QStringLiteral(":/images/Help.png")),
                                   QCoreApplication::translate("QObject", "Help"), this, &CAPT_LUMOMainWnd::OnGetHelp);
    help->setObjectName(QStringLiteral("actionHelp"));
    help->setShortcut(QKeySequence(Qt::Key_F1));
    QAction* version = menu.addAction(QIcon(QStringLiteral(":/images/About.png")),
                                      QCoreApplication::translate("QObject", "Version"), this,
                                      &CAPT_LUMOMainWnd::GetVersion);
    version->setObjectName(QStringLiteral("actionVersion"));
    menu.exec(QCursor::pos());
}

void CAPT_LUMOMainWnd::GetVersion()
{
    CDlgAbout about;
    about.exec();
}

void CAPT_LUMOMainWnd::OnGetHelp()
{
    if (!OpenManual()) {
        CWarnDlg box(this);
        box.ExecInformation(tr("Info"), tr("Can not find Manual."));
    }
}

// The manual named for the language beside the executable, else the HTML
// manual installed with the program. The current directory is never looked
// in: a manual left there by anyone (a .chm can run script) would open.
QString CAPT_LUMOMainWnd::ManualPath() const
{
    const bool chinese = ClientConfigManager::GetInstance()->IntValue(Translator) == 1;
    const QString name = chinese ? QStringLiteral("设备网络搜索用户使用手册.pdf") : QStringLiteral("Taldor-IP-Utility.chm");
    const QString html = chinese ? QStringLiteral("manual/zh/index.html") : QStringLiteral("manual/en/index.html");
    const QString candidates[] = {GetAppDirPath() + name, GetAppDirPath() + html};
    for (const QString& path : candidates) {
        if (QFileInfo(path).isFile())
            return path;
    }
    return QString();
}

bool CAPT_LUMOMainWnd::OpenManual()
{
    const QString path = ManualPath();
    return !path.isEmpty() && QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

void CAPT_LUMOMainWnd::keyPressEvent(QKeyEvent* e)
{
    if (e->key() == Qt::Key_F1)
        OnGetHelp();
    // Every key that reaches the window ends here.
    e->accept();
}

void CAPT_LUMOMainWnd::closeEvent(QCloseEvent* e)
{
    // Quitting closes every window once more; the operator was asked already.
    if (m_bCloseConfirmed) {
        e->accept();
        return;
    }
    if (CWarnDlg::ShowConfirm(tr("Confirm"), tr("Sure to close software"), this) == 1) {
        m_bCloseConfirmed = true;
        QMetaObject::invokeMethod(QCoreApplication::instance(), &QCoreApplication::quit, Qt::QueuedConnection);
        e->accept();
    } else {
        e->ignore();
    }
}

void CAPT_LUMOMainWnd::DeviceCallBack(const LUMO_DEVICE_REPORT* report)
{
    LumoDeviceCallback(report, m_pLumoWidget);
}
