#include "CMorvelApplication.h"

#include "AppPaths.h"
#include "CAPT_LUMOMainWnd.h"
#include "CSingleInstanceLock.h"
#include "ClientConfig.h"
#include "ClientConfigManager.h"
#include "PluginLoader.h"
#include "ShellEnvironment.h"

#include <CMorvelStyle.h>
#include <CToolTip.h>
#include <CWarnDlg.h>

#include <QDebug>
#include <QFile>
#include <QFont>
#include <QIcon>
#include <QScreen>

CMorvelApplication::CMorvelApplication(int& argc, char** argv, const QString& key)
    : QApplication(argc, argv)
    , m_strKey(key)
{
    setQuitOnLastWindowClosed(false);
    setWindowIcon(QIcon(QStringLiteral(":/images/title/LUMOEye.png")));
    InitFont();
    InitEnvironment();
    InitSkin();
    InitStyle();
    ProbeSingleInstance();
}

CMorvelApplication::~CMorvelApplication()
{
    ClientConfigManager::GetInstance()->Clear();
    m_pInstanceLock.reset();
}

void CMorvelApplication::InitFont()
{
    QFont font(QStringLiteral("Arial"), 9);
    font.setStyleHint(QFont::SansSerif, QFont::PreferAntialias);
    setFont(font);
}

void CMorvelApplication::InitEnvironment()
{
    PrepareShellEnvironment();
}

// Tool-tip labels use Arial 10 pt. Installing a style or style sheet resets
// the fonts given per class, so this comes after both.
void CMorvelApplication::InitToolTipFont()
{
    QFont tipFont;
    tipFont.setPointSize(10);
    setFont(tipFont, "CToolLabel");
    CToolTip::SetFont(tipFont);
}

void CMorvelApplication::InitSkin()
{
    const ClientConfig* skin = ClientConfigManager::GetInstance()->Find(Skin);
    if (skin)
        LoadPlugin(skin->Value(), GetAppDirPath() + QStringLiteral("/plugins/skins/"));
}

void CMorvelApplication::InitStyle()
{
    setStyle(new CMorvelStyle());
    const QStringList sheetNames{QStringLiteral("LUMO.qss")};
    QString sheet;
    for (const QString& name : sheetNames) {
        QFile file(QStringLiteral(":/Morvel/Qss/Qss/") + name);
        if (file.open(QIODevice::ReadOnly))
            sheet += QString::fromLatin1(file.readAll());
    }
    // A skin plugin may have installed its own sheet; the program's sheet
    // goes first so that the skin's rules win.
    setStyleSheet(sheet + styleSheet());
    InitToolTipFont();
}

void CMorvelApplication::ProbeSingleInstance()
{
    m_pInstanceLock = std::make_unique<CSingleInstanceLock>(m_strKey);
    switch (m_pInstanceLock->TryAcquire()) {
    case CSingleInstanceLock::Acquired:
        m_bRunning = false;
        break;
    case CSingleInstanceLock::HeldElsewhere:
        m_bRunning = true;
        break;
    case CSingleInstanceLock::Failed:
        m_bRunning = false;
        qDebug() << "Unable to create single instance.";
        break;
    }
}

void CMorvelApplication::ShowMessage(const QString& text)
{
    CWarnDlg box(nullptr);
    box.ExecInformation(tr("LUMO"), text);
}

bool CMorvelApplication::IsRunning()
{
    if (!m_bRunning)
        return false;
    ShowMessage(tr("Software is already running."));
    return true;
}

bool CMorvelApplication::IsBelowMinimumResolution(const QSize& screenSize)
{
    return screenSize.width() < 1024 || screenSize.height() < 768;
}

bool CMorvelApplication::IsLowResolution()
{
    const QScreen* screen = primaryScreen();
    if (!screen || !IsBelowMinimumResolution(screen->geometry().size()))
        return false;
    ShowMessage(tr("The least resolution is 1024*768."));
    return true;
}

int CMorvelApplication::Run()
{
    if (IsRunning() || IsLowResolution())
        return 0;
    CAPT_LUMOMainWnd window(nullptr, {}, 0, 0, 0);
    window.show();
    return exec();
}
