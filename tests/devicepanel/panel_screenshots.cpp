// Shows the device panel with the demo fleet, gives two devices consecutive
// addresses and saves the screen with the result box open:
// panel_screenshots OUTPUT_DIRECTORY. Needs `lumo-devsim --demo` running, an X
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
#include <QTimer>

namespace {

constexpr int kDemoDevicesListed = 10;

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

} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    const QDir dir(argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("screenshots"));
    if (!dir.mkpath(QStringLiteral(".")))
        return 1;
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
    auto* table = panel.findChild<CTableView*>(QStringLiteral("tableWidgetDevice"));
    ClickRow(table, 0, Qt::NoModifier);
    ClickRow(table, 1, Qt::ControlModifier);
    panel.findChild<QLineEdit*>(QStringLiteral("lineEditIPAddr"))->setText(QStringLiteral("192.168.1.150"));
    panel.findChild<QLineEdit*>(QStringLiteral("lineEditIPMask"))->setText(QStringLiteral("255.255.255.0"));
    panel.findChild<QLineEdit*>(QStringLiteral("lineEditPort"))->setText(QStringLiteral("8000"));
    panel.findChild<QLineEdit*>(QStringLiteral("lineEditIPGateway"))->setText(QStringLiteral("192.168.1.1"));
    panel.findChild<QLineEdit*>(QStringLiteral("lineEditPort_Password"))->setText(QStringLiteral("demo1234"));

    bool saved = false;
    QTimer poll;
    poll.setInterval(50);
    QObject::connect(&poll, &QTimer::timeout, &poll, [&] {
        auto* box = qobject_cast<CWarnDlg*>(QApplication::activeModalWidget());
        if (!box || !box->isVisible())
            return;
        poll.stop();
        WaitFor([] { return false; }, 300); // lets the box paint
        const QString path = dir.filePath(QStringLiteral("modify-result.png"));
        saved = QApplication::primaryScreen()->grabWindow(0).save(path);
        qInfo("%s %s", saved ? "wrote" : "FAILED", qPrintable(path));
        box->reject();
    });
    poll.start();
    panel.findChild<QPushButton*>(QStringLiteral("pushButtonModifyNetwork"))->click();
    return saved ? 0 : 1;
}
