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
#include <QTreeView>

#include <algorithm>
#include <cstdio>
#include <thread>
#include <vector>

namespace {

constexpr int kDevices = 10000;
constexpr int kRuns = 3;

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

template <typename Done>
void ProcessUntil(Done done)
{
    while (!done())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
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

void ReportFromLibraryThread(quint32 event)
{
    std::thread library([event] {
        for (int number = 1; number <= kDevices; ++number) {
            const LUMO_DEVICE_REPORT report = MakeReport(number, event);
            LumoDouble_Report(&report);
        }
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

    QElapsedTimer timer;
    app.ResetLongest();
    timer.start();
    ReportFromLibraryThread(LUMO_EVENT_ONLINE);
    ProcessUntil([&] { return model->rowCount() == kDevices; });
    figures.onlineMs = double(timer.nsecsElapsed()) / 1e6;
    figures.longestOnlineMs = app.LongestMs();

    app.ResetLongest();
    timer.restart();
    table->header()->setSortIndicator(2, Qt::AscendingOrder);
    emit table->header()->sectionClicked(2);
    QCoreApplication::processEvents();
    figures.sortMs = double(timer.nsecsElapsed()) / 1e6;
    figures.longestSortMs = app.LongestMs();

    app.ResetLongest();
    timer.restart();
    ReportFromLibraryThread(LUMO_EVENT_OFFLINE);
    ProcessUntil([&] { return model->rowCount() == 0; });
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
    QLoggingCategory::setFilterRules(QStringLiteral("taldor.devicepanel.debug=false"));
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
