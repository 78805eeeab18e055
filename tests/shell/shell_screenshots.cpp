// Writes screenshots of the program for a person to look at: the main window
// with the devices found, the Help menu open and the About box, in the
// language given as argument ("en" or "zh"). Run under a real X server with
// a device fleet answering on this machine (scripts/screenshots.sh). With
// "dark" as third argument the dark skin is put on first.

#include "CAPT_LUMOMainWnd.h"
#include "CMorvelApplication.h"
#include "ClientConfigManager.h"
#include "ClientLanguageManager.h"
#include "ClientLanguageProperty.h"
#include "AppPaths.h"
#include "PluginLoader.h"
#include "COnvifWatch.h"
#include "QtLumo.h"

#include <QAbstractItemView>
#include <QDir>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QScrollBar>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>
#include <QTemporaryDir>
#include <QTimer>
#include <QTranslator>

#include <cstdio>

namespace {

void Wait(int ms)
{
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
}

bool WaitFor(const std::function<bool()>& condition, int deadlineMs)
{
    QElapsedTimer timer;
    timer.start();
    while (!condition() && timer.elapsed() < deadlineMs)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return condition();
}

void UseLanguage(int translator)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Setup.xml"));
    QFile file(path);
    if (file.open(QIODevice::WriteOnly)) {
        file.write(QStringLiteral("<Configs><Translator><Value>%1</Value></Translator>"
                                  "<VersionType><Value>1</Value></VersionType></Configs>")
                       .arg(translator)
                       .toUtf8());
        file.close();
    }
    ClientConfigManager::GetInstance()->Clear();
    ClientConfigManager::GetInstance()->Load(path);
    for (int id = 0; id < 4; ++id) {
        if (ClientLanguageProperty* record = ClientLanguageManager::GetInstance()->Find(id))
            QCoreApplication::removeTranslator(record->Translator());
    }
    QCoreApplication::installTranslator(ClientLanguageManager::GetInstance()->GetCurrentProperty()->Translator());
}

bool Save(const QString& dir, const QString& name, const QRect& area)
{
    const QPixmap shot = QGuiApplication::primaryScreen()->grabWindow(0, area.x(), area.y(), area.width(),
                                                                     area.height());
    const QString path = dir + u'/' + name;
    const bool saved = shot.save(path);
    std::printf("%s %s\n", saved ? "wrote" : "could not write", qPrintable(path));
    return saved;
}

// Clicks a row as the operator would, so that the form shows the device.
void ClickRow(QAbstractItemView* table, int row)
{
    const QPoint centre = table->visualRect(table->model()->index(row, 1)).center();
    for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
        QMouseEvent event(type, centre, table->viewport()->mapToGlobal(centre), Qt::LeftButton,
                          type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(table->viewport(), &event);
    }
}

// Rows whose Source cell names ONVIF and a maker: cameras read with a password.
int ReadCameraRows(const QAbstractItemView* table)
{
    const QAbstractItemModel* model = table->model();
    int count = 0;
    for (int row = 0; row < model->rowCount(); ++row)
        count += model->index(row, model->columnCount() - 1).data().toString().startsWith(QLatin1String("ONVIF"));
    return count;
}

} // namespace

int main(int argc, char* argv[])
{
    CMorvelApplication app(argc, argv, QStringLiteral("LUMO-screenshots"));
    const QString language = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("en");
    const QString outDir = argc > 2 ? QString::fromLocal8Bit(argv[2]) : QStringLiteral(SHELL_SCREENSHOT_DIR);
    QDir().mkpath(outDir);
    UseLanguage(language == QStringLiteral("zh") ? 1 : 0);
    const bool dark = argc > 3 && QByteArray(argv[3]) == "dark";
    if (dark && !LoadPlugin(QStringLiteral("Dark"), GetAppDirPath() + QStringLiteral("plugins/skins/")))
        std::printf("the dark skin did not load\n");
    const QString variant = dark ? language + QStringLiteral("-dark") : language;

    CAPT_LUMOMainWnd window;
    window.move(0, 0);
    window.show();
    auto* table = window.findChild<QAbstractItemView*>(QStringLiteral("tableWidgetDevice"));
    const bool listed = table && WaitFor([table] { return table->model() && table->model()->rowCount() >= 10; }, 20000);
    // The demo's cameras take the demo password, as if it had been typed for one of them.
    // By class name and meta-object: the panel's code is the shell library's.
    for (QWidget* widget : window.findChildren<QWidget*>()) {
        if (!widget->inherits("QtLumo"))
            continue;
        if (QObject* watch = static_cast<QtLumo*>(widget)->OnvifWatch())
            QMetaObject::invokeMethod(watch, "SetCredentials", Q_ARG(QString, QStringLiteral("admin")),
                                      Q_ARG(QString, QStringLiteral("demo1234")));
    }
    const bool camerasListed = table && WaitFor([table] { return ReadCameraRows(table) >= 3; }, 20000);
    std::printf("devices listed: %d, cameras among them: %d\n", table && table->model() ? table->model()->rowCount() : -1,
                table ? ReadCameraRows(table) : -1);
    if (listed)
        ClickRow(table, 1);
    Wait(500);
    bool ok = Save(outDir, QStringLiteral("main-window-%1.png").arg(variant), window.frameGeometry());
    if (camerasListed) {
        // The last column, which says where each device comes from.
        table->horizontalScrollBar()->setValue(table->horizontalScrollBar()->maximum());
        Wait(300);
        ok = Save(outDir, QStringLiteral("main-window-source-%1.png").arg(variant), window.frameGeometry()) && ok;
        table->horizontalScrollBar()->setValue(0);
    }

    auto* helpButton = window.findChild<QPushButton*>(QStringLiteral("m_pBtnAbout"));
    QCursor::setPos(helpButton->mapToGlobal(QPoint(20, helpButton->height())));
    QTimer::singleShot(0, &window, [&] {
        QMenu* menu = nullptr;
        WaitFor([&menu] { return (menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) != nullptr; }, 5000);
        Wait(300);
        ok = Save(outDir, QStringLiteral("help-menu-%1.png").arg(variant), QRect(0, 0, 420, 260)) && ok;
        if (menu)
            menu->close();
    });
    helpButton->click();

    QTimer::singleShot(0, &window, [&] {
        QWidget* about = nullptr;
        WaitFor([&about] { return (about = QApplication::activeModalWidget()) != nullptr && about->isVisible(); },
                5000);
        Wait(300);
        if (about) {
            ok = Save(outDir, QStringLiteral("about-%1.png").arg(variant), about->frameGeometry()) && ok;
            about->close();
        }
    });
    QMetaObject::invokeMethod(&window, "GetVersion");
    return ok && listed && camerasListed ? 0 : 1;
}
