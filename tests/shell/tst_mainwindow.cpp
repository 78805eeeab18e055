// The main window, its title bar, the Help menu and the About box.

#include "AppPaths.h"
#include "BuildDate.h"
#include "CAPT_LUMOMainWnd.h"
#include "CDlgAbout.h"
#include "CWindowTitle.h"
#include "ClientConfigManager.h"
#include "ShellTestSupport.h"

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QFrame>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QScreen>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

using namespace ShellTestSupport;

namespace {

QRect WorkArea()
{
    return QGuiApplication::primaryScreen()->availableGeometry();
}

QPushButton* Button(QWidget& window, const char* name)
{
    return window.findChild<QPushButton*>(QLatin1String(name));
}

void SendMouse(QWidget* w, QEvent::Type type, const QPoint& local)
{
    const Qt::MouseButtons buttons = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent event(type, local, w->mapToGlobal(local), Qt::LeftButton, buttons, Qt::NoModifier);
    QApplication::sendEvent(w, &event);
}

void Toggle(CWindowTitle* title, const QString& how)
{
    if (how == QStringLiteral("double-click"))
        SendMouse(title, QEvent::MouseButtonDblClick, QPoint(300, 10));
    else
        title->findChild<QPushButton*>(QStringLiteral("m_pBtnMax"))->click();
}

// What the tab look consists of.
struct TabLook
{
    QString window, lumo, about, frame;
    int frameHeight = 0;
    bool lumoIcon = false, aboutIcon = false;
    QSize iconSize;

    bool operator==(const TabLook& o) const
    {
        return window == o.window && lumo == o.lumo && about == o.about && frame == o.frame
            && frameHeight == o.frameHeight && lumoIcon == o.lumoIcon && aboutIcon == o.aboutIcon
            && iconSize == o.iconSize;
    }
};

TabLook LookOf(CAPT_LUMOMainWnd& window)
{
    auto* frame = window.findChild<QFrame*>(QStringLiteral("pTabFrame"));
    QPushButton* lumo = Button(window, "m_pBtnLumo");
    QPushButton* about = Button(window, "m_pBtnAbout");
    return {window.styleSheet(), lumo->styleSheet(), about->styleSheet(), frame->styleSheet(),
            frame->minimumHeight(), !lumo->icon().isNull(), !about->icon().isNull(), lumo->iconSize()};
}

} // namespace

class TestMainWindow : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void buildDateNumber_data();
    void buildDateNumber();
    void aboutBox_data();
    void aboutBox();
    void skinImagesExist_data();
    void skinImagesExist();
    void windowIsBuilt();
    void titleBarToggle_data();
    void titleBarToggle();
    void dragging_data();
    void dragging();
    void keys_data();
    void keys();
    void menuHelpDoesWhatF1Does();
    void manualLookup_data();
    void manualLookup();
    void closeConfirmation_data();
    void closeConfirmation();
    void tabLooks();

private:
    QTemporaryDir m_currentDir;
};

void TestMainWindow::init()
{
    ClientConfigManager::GetInstance()->Clear();
    QDir::setCurrent(m_currentDir.path());
}

void TestMainWindow::buildDateNumber_data()
{
    QTest::addColumn<QByteArray>("date");
    QTest::addColumn<uint>("number");
    QTest::newRow("two-digit day") << QByteArray("Jun 24 2014") << 20140624u;
    QTest::newRow("day with a leading blank") << QByteArray("Jun  4 2014") << 20140604u;
    QTest::newRow("first month") << QByteArray("Jan  1 2000") << 20000101u;
    QTest::newRow("last month") << QByteArray("Dec 31 1999") << 19991231u;
    QTest::newRow("unknown month") << QByteArray("Jux 24 2014") << 0u;
    QTest::newRow("too short") << QByteArray("Jun 4 2014") << 0u;
    QTest::newRow("empty") << QByteArray() << 0u;
}

void TestMainWindow::buildDateNumber()
{
    QFETCH(QByteArray, date);
    QFETCH(uint, number);
    QCOMPARE(BuildDateNumberOf(date.constData()), number);
}

void TestMainWindow::aboutBox_data()
{
    QTest::addColumn<QByteArray>("button");
    QTest::addColumn<int>("result");
    QTest::newRow("OK") << QByteArray("m_pOkBtn") << int(QDialog::Accepted);
    QTest::newRow("title-bar close") << QByteArray("m_pCloseBtn") << int(QDialog::Rejected);
}

void TestMainWindow::aboutBox()
{
    QFETCH(QByteArray, button);
    QFETCH(int, result);

    CDlgAbout about;
    QCOMPARE(about.size(), QSize(520, 200));
    QCOMPARE(about.GetTitle(), QStringLiteral("About"));
    const QString version = about.findChild<QLabel*>(QStringLiteral("pLabelAbout"))->text();
    QVERIFY2(QRegularExpression(QStringLiteral("^ v2\\.00\\.00\\.01 Build\\d{8}$")).match(version).hasMatch(),
             qPrintable(version));
    QVERIFY(version.endsWith(QString::number(BuildDateNumber())));
    QVERIFY(BuildDateNumber() >= 20240101u);
    QVERIFY(!about.findChild<QLabel*>(QStringLiteral("label_4"))->pixmap().isNull());

    WhenModalShown([button](QDialog* dialog) { ClickButton(dialog, button.constData()); });
    QCOMPARE(about.exec(), result);
}

void TestMainWindow::skinImagesExist_data()
{
    QTest::addColumn<QString>("image");
    for (const char* name : {"title/title_bg", "title/mini", "title/mini_hover", "title/close", "title/close_hover",
                             "title/full-screen", "title/full-screen_hover", "title/back", "title/back_hover",
                             "title/LUMOEye", "Tab/tab_bg", "Tab/Subtab_bg", "Tab/TabSelect", "Tab/TabUnselect",
                             "Tab/SubTabSelect", "Tab/SubTabUnselect", "Dialog/dialog_bg2", "ButtonIcon/menu_search",
                             "ButtonIcon/menu_info", "Help", "About"})
        QTest::newRow(name) << QStringLiteral(":/images/%1.png").arg(QLatin1String(name));
}

void TestMainWindow::skinImagesExist()
{
    QFETCH(QString, image);
    QVERIFY(!QPixmap(image).isNull());
}

void TestMainWindow::windowIsBuilt()
{
    CAPT_LUMOMainWnd window;
    QCOMPARE(window.size(), QSize(1024, 768));
    QVERIFY(window.windowFlags() & Qt::FramelessWindowHint);
    QCOMPARE(window.objectName(), QStringLiteral("CAPT_LUMOMainWndClass"));
    auto* title = window.findChild<CWindowTitle*>();
    QVERIFY(title);
    QCOMPARE(title->findChild<QLabel*>(QStringLiteral("m_pTitleLabel"))->text(), QStringLiteral("Taldor IP Utility"));
    QVERIFY(title->findChild<QPushButton*>(QStringLiteral("m_pBtnMin"))->styleSheet().contains(
        QStringLiteral(":/images/title/mini_hover.png")));
    QVERIFY(title->findChild<QPushButton*>(QStringLiteral("m_pBtnClose"))->styleSheet().contains(
        QStringLiteral(":/images/title/close.png")));
    QVERIFY(Button(window, "m_pBtnLumo")->styleSheet().contains(QStringLiteral("TabSelect.png")));
    QVERIFY(Button(window, "m_pBtnAbout")->styleSheet().contains(QStringLiteral("TabUnselect.png")));
    QVERIFY(window.findChild<QWidget*>(QStringLiteral("tableWidgetDevice")));
}

void TestMainWindow::titleBarToggle_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("double-click") << QStringLiteral("double-click");
    QTest::newRow("maximise button") << QStringLiteral("button");
}

void TestMainWindow::titleBarToggle()
{
    QFETCH(QString, how);
    CAPT_LUMOMainWnd window;
    window.move(40, 30);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    auto* title = window.findChild<CWindowTitle*>();
    auto* maxButton = title->findChild<QPushButton*>(QStringLiteral("m_pBtnMax"));
    QVERIFY(maxButton->styleSheet().contains(QStringLiteral("full-screen.png")));

    Toggle(title, how);
    QCOMPARE(window.size(), WorkArea().size());
    QCOMPARE(window.pos(), WorkArea().topLeft());
    QVERIFY(title->IsMaximized());
    QVERIFY(maxButton->styleSheet().contains(QStringLiteral(":/images/title/back.png")));
    QVERIFY(maxButton->styleSheet().contains(QStringLiteral(":/images/title/back_hover.png")));

    Toggle(title, how);
    QCOMPARE(window.size(), QSize(1024, 768));
    QCOMPARE(window.pos(), QPoint(WorkArea().width() / 2 - 512, WorkArea().height() / 2 - 384));
    QVERIFY(!title->IsMaximized());
    QVERIFY(maxButton->styleSheet().contains(QStringLiteral(":/images/title/full-screen_hover.png")));
}

void TestMainWindow::dragging_data()
{
    QTest::addColumn<bool>("maximized");
    QTest::addColumn<QPoint>("moved");
    QTest::newRow("normal size follows the mouse") << false << QPoint(50, 40);
    QTest::newRow("maximised stays") << true << QPoint(0, 0);
}

void TestMainWindow::dragging()
{
    QFETCH(bool, maximized);
    QFETCH(QPoint, moved);
    CAPT_LUMOMainWnd window;
    window.move(20, 20);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    auto* title = window.findChild<CWindowTitle*>();
    if (maximized)
        Toggle(title, QStringLiteral("button"));
    const QPoint start = window.pos();
    const QPoint grip(400, 12);
    SendMouse(title, QEvent::MouseButtonPress, grip);
    SendMouse(title, QEvent::MouseMove, grip + QPoint(50, 40));
    SendMouse(title, QEvent::MouseButtonRelease, grip + QPoint(50, 40));
    QCOMPARE(window.pos(), start + moved);
    // Released: further moves do nothing.
    SendMouse(title, QEvent::MouseMove, grip + QPoint(90, 90));
    QCOMPARE(window.pos(), start + moved);
}

void TestMainWindow::keys_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("opened");
    QTest::newRow("F1") << int(Qt::Key_F1) << 1;
    QTest::newRow("F2") << int(Qt::Key_F2) << 0;
    QTest::newRow("A") << int(Qt::Key_A) << 0;
    QTest::newRow("Escape") << int(Qt::Key_Escape) << 0;
    QTest::newRow("Return") << int(Qt::Key_Return) << 0;
}

void TestMainWindow::keys()
{
    QFETCH(int, key);
    QFETCH(int, opened);
    UrlRecorder recorder;
    CAPT_LUMOMainWnd window;
    QVERIFY(!window.ManualPath().isEmpty());
    window.show();
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
    QApplication::sendEvent(&window, &press);
    QVERIFY(press.isAccepted());
    QCOMPARE(recorder.m_urls.size(), opened);
    if (opened)
        QCOMPARE(recorder.m_urls.first(), QUrl::fromLocalFile(window.ManualPath()));
    QVERIFY(window.isVisible());
    QVERIFY(!QApplication::activeModalWidget());
}

void TestMainWindow::menuHelpDoesWhatF1Does()
{
    UrlRecorder recorder;
    CAPT_LUMOMainWnd window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));

    QStringList texts;
    QTimer::singleShot(0, &window, [&texts] {
        QMenu* menu = nullptr;
        QTRY_VERIFY((menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) != nullptr);
        for (QAction* action : menu->actions())
            texts << action->text() + u'|' + action->shortcut().toString() + u'|'
                    + (action->icon().isNull() ? QStringLiteral("no icon") : QStringLiteral("icon"));
        menu->findChild<QAction*>(QStringLiteral("actionHelp"))->trigger();
        menu->close();
    });
    Button(window, "m_pBtnAbout")->click();
    QCOMPARE(texts, QStringList({QStringLiteral("Help|F1|icon"), QStringLiteral("Version||icon")}));

    QKeyEvent f1(QEvent::KeyPress, Qt::Key_F1, Qt::NoModifier);
    QApplication::sendEvent(&window, &f1);
    QCOMPARE(recorder.m_urls.size(), 2);
    QCOMPARE(recorder.m_urls.at(0), recorder.m_urls.at(1));
}

void TestMainWindow::manualLookup_data()
{
    QTest::addColumn<QByteArray>("settings");
    QTest::addColumn<QString>("manualFile");
    QTest::addColumn<QString>("expected");

    const QByteArray chinese("<Configs><Translator><Value>1</Value></Translator></Configs>");
    const QByteArray english("<Configs><Translator><Value>0</Value></Translator></Configs>");
    const QString chm = QStringLiteral("Taldor-IP-Utility.chm");
    const QString pdf = QStringLiteral("设备网络搜索用户使用手册.pdf");
    const QString beside = QStringLiteral("beside:");
    const QString englishHtml = GetAppDirPath() + QStringLiteral("manual/en/index.html");
    const QString chineseHtml = GetAppDirPath() + QStringLiteral("manual/zh/index.html");
    // A manual in the current directory is a decoy: only the program's own opens.
    QTest::newRow("English manual in the current directory is passed by") << english << chm << englishHtml;
    QTest::newRow("Chinese manual in the current directory is passed by") << chinese << pdf << chineseHtml;
    QTest::newRow("no setting is English") << QByteArray("<Configs/>") << beside + chm << GetAppDirPath() + chm;
    QTest::newRow("Chinese setting passes the English manual by") << chinese << beside + chm << chineseHtml;
    QTest::newRow("none beside the program: the installed HTML manual") << english << QString() << englishHtml;
    QTest::newRow("the manual beside the program") << english << beside + chm << GetAppDirPath() + chm;
}

void TestMainWindow::manualLookup()
{
    QFETCH(QByteArray, settings);
    QFETCH(QString, manualFile);
    QFETCH(QString, expected);
    UseSettings(settings);
    const bool beside = manualFile.startsWith(QStringLiteral("beside:"));
    QFile manual(beside ? GetAppDirPath() + manualFile.mid(7) : QDir::current().filePath(manualFile));
    const auto removeManual = qScopeGuard([&manual] { manual.remove(); });
    if (!manualFile.isEmpty()) {
        QVERIFY(manual.open(QIODevice::WriteOnly));
        manual.close();
    }
    QVERIFY(QDir::currentPath() + u'/' != GetAppDirPath());

    UrlRecorder recorder;
    CAPT_LUMOMainWnd window;
    QCOMPARE(window.ManualPath(), expected);
    QVERIFY(window.OpenManual());
    QCOMPARE(recorder.m_urls, QList<QUrl>{QUrl::fromLocalFile(expected)});
}

void TestMainWindow::closeConfirmation_data()
{
    QTest::addColumn<QByteArray>("answer");
    QTest::addColumn<bool>("quits");
    QTest::newRow("cancelled keeps running") << QByteArray("pCancelBtn") << false;
    QTest::newRow("closed box keeps running") << QByteArray("m_pCloseBtn") << false;
    QTest::newRow("confirmed quits") << QByteArray("pOkBtn") << true;
}

void TestMainWindow::closeConfirmation()
{
    QFETCH(QByteArray, answer);
    QFETCH(bool, quits);
    CAPT_LUMOMainWnd window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));

    QString title, text;
    WhenModalShown([&](QDialog* box) {
        title = BoxTitle(box);
        text = BoxText(box);
        ClickButton(box, answer.constData());
    });
    window.close();
    QCOMPARE(title, QStringLiteral("Confirm"));
    QCOMPARE(text, QStringLiteral("Sure to close software"));
    QCOMPARE(window.isVisible(), !quits);
    // A quit requested by the close closes every window again (window-system
    // events are delivered at once on the test platform), which must not ask
    // a second time.
    int boxes = 0;
    QTimer watch;
    watch.setInterval(10);
    connect(&watch, &QTimer::timeout, &watch, [&boxes] {
        auto* box = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (box && box->isVisible()) {
            ++boxes;
            box->reject();
        }
    });
    watch.start();
    // The marker waits for the next pass of the loop, which a quit never reaches.
    QTimer::singleShot(0, qApp, [] { QTimer::singleShot(0, qApp, [] { QCoreApplication::exit(3); }); });
    QCOMPARE(QCoreApplication::exec(), quits ? 0 : 3);
    QCOMPARE(boxes, 0);
}

void TestMainWindow::tabLooks()
{
    CAPT_LUMOMainWnd window;
    const TabLook large = LookOf(window);
    QCOMPARE(large.frameHeight, 40);
    QVERIFY(large.lumoIcon && large.aboutIcon);

    window.ChangeSize(true);
    QVERIFY(LookOf(window) == large);

    window.ChangeSize(false);
    const TabLook small = LookOf(window);
    QCOMPARE(small.frameHeight, 23);
    QVERIFY(!small.lumoIcon && !small.aboutIcon);
    QCOMPARE(small.iconSize, QSize(16, 16));
    QVERIFY(small.window.contains(QStringLiteral("border-width:23 58 58 58;")));
    QVERIFY(small.lumo.contains(QStringLiteral("SubTabSelect.png); color: rgb(255, 0, 0);")));
    QVERIFY(small.about.contains(QStringLiteral("SubTabUnselect.png")));
    QVERIFY(small.frame.contains(QStringLiteral("Subtab_bg.png")));
    QCOMPARE(Button(window, "m_pBtnLumo")->height(), 23);

    window.ChangeSize(true);
    QVERIFY(LookOf(window) == large);
}

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
