// Shows the device panel with the demo fleet, gives two devices consecutive
// addresses and saves the screen with the result box open:
// panel_screenshots OUTPUT_DIRECTORY. With "locked LANGUAGE" (en or zh) after
// it, it instead sends one device a wrong password until the device locks this
// computer out and saves the box that says so, in that language, as
// result-locked-LANGUAGE.png. Needs `lumo-devsim --demo` running, an X
// server, and LUMO_INTERFACES=none LUMO_TARGETS=127.0.0.1 in the environment.
#include "CLumoDiscovery.h"
#include "CTableView.h"
#include "CWarnDlg.h"
#include "QtLumo.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>
#include <QTextBrowser>
#include <QTimer>
#include <QTranslator>

#include <functional>

namespace {

constexpr int kDemoDevicesListed = 10;
// A device locks a computer out after 5 wrong passwords; a few more tries
// allow for one that was lost.
constexpr int kMostWrongTries = 8;

bool WaitFor(const std::function<bool()>& condition, int timeoutMs)
{
    QDeadlineTimer deadline(timeoutMs);
    while (!condition() && !deadline.hasExpired())
        QApplication::processEvents(QEventLoop::AllEvents, 50);
    return condition();
}

void ClickRow(CTableView* table, int row, Qt::KeyboardModifiers modifiers)
{
    const QModelIndex index = table->model()->index(row, 1);
    table->selectionModel()->setCurrentIndex(index, modifiers ? QItemSelectionModel::Select | QItemSelectionModel::Rows
                                                              : QItemSelectionModel::ClearAndSelect
                                                                    | QItemSelectionModel::Rows);
    emit table->SignalClickRelease(index);
}

void FillForm(QtLumo& panel, const QString& password)
{
    panel.findChild<QLineEdit*>(QStringLiteral("lineEditIPAddr"))->setText(QStringLiteral("192.168.1.150"));
    panel.findChild<QLineEdit*>(QStringLiteral("lineEditIPMask"))->setText(QStringLiteral("255.255.255.0"));
    panel.findChild<QLineEdit*>(QStringLiteral("lineEditPort"))->setText(QStringLiteral("8000"));
    panel.findChild<QLineEdit*>(QStringLiteral("lineEditIPGateway"))->setText(QStringLiteral("192.168.1.1"));
    panel.findChild<QLineEdit*>(QStringLiteral("lineEditPort_Password"))->setText(password);
}

// Presses Modify and closes the result box; saves the screen first when the
// box's text passes the check. True when it was saved.
bool PressModify(QtLumo& panel, const std::function<bool(const QString&)>& worthSaving, const QString& path)
{
    bool saved = false;
    QTimer poll;
    poll.setInterval(50);
    QObject::connect(&poll, &QTimer::timeout, &poll, [&] {
        auto* box = qobject_cast<CWarnDlg*>(QApplication::activeModalWidget());
        if (!box || !box->isVisible())
            return;
        poll.stop();
        const QString text = box->findChild<QTextBrowser*>(QStringLiteral("m_pBrowserTxt"))->toPlainText();
        if (worthSaving(text)) {
            WaitFor([] { return false; }, 300); // lets the box paint
            // The panel and its margin; the rest of the virtual screen is empty.
            const QRect area = panel.frameGeometry().adjusted(-20, -20, 20, 20) & QRect(QPoint(0, 0), QSize(4096, 4096));
            saved = QApplication::primaryScreen()->grabWindow(0, area.x(), area.y(), area.width(), area.height()).save(path);
            qInfo("%s %s", saved ? "wrote" : "FAILED", qPrintable(path));
        }
        box->reject();
    });
    poll.start();
    panel.findChild<QPushButton*>(QStringLiteral("pushButtonModifyNetwork"))->click();
    return saved;
}

int ShowLockout(QtLumo& panel, const QDir& dir, const QString& language)
{
    auto* table = panel.findChild<CTableView*>(QStringLiteral("tableWidgetDevice"));
    ClickRow(table, 0, Qt::NoModifier);
    FillForm(panel, QStringLiteral("not-the-password"));
    const QString path = dir.filePath(QStringLiteral("result-locked-%1.png").arg(language));
    const QString locked = QCoreApplication::translate("CModifyResultText", "locked for %1 more seconds")
                               .section(QStringLiteral("%1"), 0, 0);
    for (int i = 0; i < kMostWrongTries; ++i) {
        if (PressModify(panel, [&](const QString& text) { return text.contains(locked); }, path))
            return 0;
    }
    qWarning("the device did not lock this computer out");
    return 1;
}

} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    const QDir dir(argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("screenshots"));
    if (!dir.mkpath(QStringLiteral(".")))
        return 1;
    const bool lockout = argc > 2 && qstrcmp(argv[2], "locked") == 0;
    const QString language = argc > 3 ? QString::fromLocal8Bit(argv[3]) : QStringLiteral("en");
    QTranslator translator;
    if (lockout && translator.load(QCoreApplication::applicationDirPath()
                                   + QStringLiteral("/translations/Taldor_%1.qm").arg(language)))
        QCoreApplication::installTranslator(&translator);
    CLumoDiscovery::SetLibraryFileName(QCoreApplication::applicationDirPath() + QLatin1Char('/')
                                       + CLumoDiscovery::LibraryFileName());

    QtLumo panel;
    panel.resize(1180, 660);
    panel.move(20, 20);
    panel.show();
    if (!WaitFor([&] { return panel.DeviceCount() >= kDemoDevicesListed; }, 15000)) {
        qWarning("the demo fleet was not found (is lumo-devsim --demo running?)");
        return 1;
    }
    if (lockout)
        return ShowLockout(panel, dir, language);
    auto* table = panel.findChild<CTableView*>(QStringLiteral("tableWidgetDevice"));
    ClickRow(table, 0, Qt::NoModifier);
    ClickRow(table, 1, Qt::ControlModifier);
    FillForm(panel, QStringLiteral("demo1234"));
    const bool saved = PressModify(panel, [](const QString&) { return true; },
                                   dir.filePath(QStringLiteral("modify-result.png")));
    return saved ? 0 : 1;
}
