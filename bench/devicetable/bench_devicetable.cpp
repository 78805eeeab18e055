// Measures how fast the device table follows discovery events with 10,000
// devices, against a bare standard item model in a tree view measured in the
// same run. Prints the figures; asserts nothing.
#include "CLumoDiscovery.h"
#include "DeviceReports.h"
#include "LumoDouble.h"
#include "QtLumo.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QLoggingCategory>
#include <QStandardItemModel>
#include <QTimer>
#include <QTreeView>

#include <algorithm>
#include <cstdio>
#include <thread>
#include <vector>

namespace {

constexpr int kDevices = 10000;
constexpr int kRuns = 5;

// Times every event the GUI thread delivers, so that the longest single one
// can be reported.
class TimingApplication : public QApplication
{
public:
    using QApplication::QApplication;

    bool notify(QObject* receiver, QEvent* event) override
    {
        if (m_nDepth++ > 0) {
            const bool handled = QApplication::notify(receiver, event);
            --m_nDepth;
            return handled;
        }
        QElapsedTimer timer;
        timer.start();
        const bool handled = QApplication::notify(receiver, event);
        m_longestNs = std::max(m_longestNs, timer.nsecsElapsed());
        --m_nDepth;
        return handled;
    }

    void ResetLongest() { m_longestNs = 0; }
    double LongestMs() const { return double(m_longestNs) / 1e6; }

private:
    int m_nDepth = 0;
    qint64 m_longestNs = 0;
};

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// Runs the event loop as the application would, until the model holds the
// expected number of rows and nothing is left to do.
void RunUntilRowCount(QAbstractItemModel* model, int rows)
{
    QEventLoop loop;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (model->rowCount() == rows)
            loop.quit();
    });
    poll.start(1);
    loop.exec();
    QCoreApplication::processEvents();
}

double MeasureBaseline()
{
    QTreeView view;
    QStandardItemModel model(0, 19);
    view.setModel(&model);
    view.resize(1200, 700);
    view.show();
    QCoreApplication::processEvents();

    QElapsedTimer timer;
    timer.start();
    for (int row = 0; row < kDevices; ++row) {
        QList<QStandardItem*> items;
        items.reserve(19);
        for (int column = 0; column < 19; ++column)
            items.append(new QStandardItem(QStringLiteral("cell %1").arg(column)));
        model.appendRow(items);
    }
    QCoreApplication::processEvents();
    return double(timer.nsecsElapsed()) / 1e6;
}

std::vector<LUMO_DEVICE_REPORT> MakeReports(quint32 event)
{
    std::vector<LUMO_DEVICE_REPORT> reports;
    reports.reserve(kDevices);
    for (int number = 1; number <= kDevices; ++number)
        reports.push_back(MakeReport(number, event));
    return reports;
}

// Hands the reports to the panel from another thread, as the library does.
// The thread is done before the GUI thread starts on them, so that the time
// measured afterwards is the panel's alone.
void ReportFromLibraryThread(const std::vector<LUMO_DEVICE_REPORT>& reports)
{
    std::thread library([&reports] {
        for (const LUMO_DEVICE_REPORT& report : reports)
            LumoDouble_Report(&report);
    });
    library.join();
}

struct PanelFigures
{
    double onlineMs = 0;
    double sortMs = 0;
    double offlineMs = 0;
    double longestOnlineMs = 0;
    double longestSortMs = 0;
    double longestOfflineMs = 0;
};

PanelFigures MeasurePanel(TimingApplication& app)
{
    PanelFigures figures;
    QtLumo panel(nullptr, 0);
    panel.resize(1200, 700);
    panel.show();
    QCoreApplication::processEvents();
    auto* table = panel.findChild<QTreeView*>(QStringLiteral("tableWidgetDevice"));
    QAbstractItemModel* model = table->model();

    const std::vector<LUMO_DEVICE_REPORT> online = MakeReports(LUMO_EVENT_ONLINE);
    const std::vector<LUMO_DEVICE_REPORT> offline = MakeReports(LUMO_EVENT_OFFLINE);

    QElapsedTimer timer;
    ReportFromLibraryThread(online);
    app.ResetLongest();
    timer.start();
    RunUntilRowCount(model, kDevices);
    figures.onlineMs = double(timer.nsecsElapsed()) / 1e6;
    figures.longestOnlineMs = app.LongestMs();

    app.ResetLongest();
    timer.restart();
    table->header()->setSortIndicator(2, Qt::AscendingOrder);
    emit table->header()->sectionClicked(2);
    QCoreApplication::processEvents();
    figures.sortMs = double(timer.nsecsElapsed()) / 1e6;
    figures.longestSortMs = app.LongestMs();

    ReportFromLibraryThread(offline);
    app.ResetLongest();
    timer.restart();
    RunUntilRowCount(model, 0);
    figures.offlineMs = double(timer.nsecsElapsed()) / 1e6;
    figures.longestOfflineMs = app.LongestMs();
    return figures;
}

} // namespace

int main(int argc, char* argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    TimingApplication app(argc, argv);
    QLoggingCategory::setFilterRules(QStringLiteral("default.debug=false"));
    LumoDouble_Reset();
    CLumoDiscovery::SetLibraryFileName(QStringLiteral(LUMO_DOUBLE_FILE));

    std::vector<double> baseline, online, sort, offline;
    double longestOnline = 0, longestSort = 0, longestOffline = 0;
    for (int run = 0; run < kRuns; ++run) {
        baseline.push_back(MeasureBaseline());
        const PanelFigures figures = MeasurePanel(app);
        online.push_back(figures.onlineMs);
        sort.push_back(figures.sortMs);
        offline.push_back(figures.offlineMs);
        longestOnline = std::max(longestOnline, figures.longestOnlineMs);
        longestSort = std::max(longestSort, figures.longestSortMs);
        longestOffline = std::max(longestOffline, figures.longestOfflineMs);
    }

    const double base = Median(baseline);
    std::printf("Device table, %d devices, median of %d runs\n", kDevices, kRuns);
    std::printf("  baseline (append %d rows x 19 items to a shown tree view): %8.1f ms\n", kDevices, base);
    std::printf("  online events to rows:   %8.1f ms = %5.2fx baseline (goal <= 2x);  longest event %6.2f ms\n",
                Median(online), Median(online) / base, longestOnline);
    std::printf("  offline events, all:     %8.1f ms = %5.2fx baseline (goal <= 10x); longest event %6.2f ms\n",
                Median(offline), Median(offline) / base, longestOffline);
    std::printf("  sort by IPv4 address:    %8.1f ms = %5.2fx baseline;               longest event %6.2f ms\n",
                Median(sort), Median(sort) / base, longestSort);
    std::printf("  goal for any single event on the GUI thread: <= 50 ms\n");
    return 0;
}
