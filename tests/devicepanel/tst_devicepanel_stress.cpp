// Many discovery threads reporting at once while the panel's thread keeps
// turning their reports into rows.
#include "LumoDouble.h"
#include "PanelFixture.h"
#include "QtLumo.h"

#include <QAbstractItemModel>
#include <QtTest>

#include <atomic>
#include <thread>
#include <vector>

using namespace PanelFixture;

class TestDevicePanelStress : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        // Keep per-device diagnostics out of the way of the figures that matter.
        QLoggingCategory::setFilterRules(QStringLiteral("default.debug=false"));
        UseLibraryDouble();
    }

    void fourThreadsReportingOnline()
    {
        constexpr int kThreads = 4;
        constexpr int kPerThread = 2000;
        QtLumo panel(nullptr, 0);
        panel.show();

        std::atomic<int> finished { 0 };
        std::vector<std::thread> threads;
        for (int t = 0; t < kThreads; ++t) {
            threads.emplace_back([t, &finished] {
                for (int i = 0; i < kPerThread; ++i) {
                    const LUMO_DEVICE_REPORT report = MakeReport(t * kPerThread + i + 1);
                    LumoDouble_Report(&report);
                }
                ++finished;
            });
        }
        // The GUI thread processes rows while the threads are still reporting.
        QTRY_VERIFY_WITH_TIMEOUT(finished == kThreads || Model(panel)->rowCount() > 0, 60000);
        for (std::thread& thread : threads)
            thread.join();

        QTRY_COMPARE_WITH_TIMEOUT(Model(panel)->rowCount(), kThreads * kPerThread, 120000);
        QCOMPARE(panel.DeviceRecordCount(), kThreads * kPerThread);
        QCOMPARE(panel.DeviceCount(), kThreads * kPerThread);
        QCOMPARE(CountLabel(panel), QString::number(kThreads * kPerThread));

        // Every device is there exactly once.
        QSet<QString> serials;
        for (int row = 0; row < Model(panel)->rowCount(); ++row)
            serials.insert(Cell(panel, row, 6));
        QCOMPARE(int(serials.size()), kThreads * kPerThread);

        // And all of them leave again, from the same threads.
        threads.clear();
        for (int t = 0; t < kThreads; ++t) {
            threads.emplace_back([t] {
                for (int i = 0; i < kPerThread; ++i) {
                    const LUMO_DEVICE_REPORT report = MakeReport(t * kPerThread + i + 1, LUMO_EVENT_OFFLINE);
                    LumoDouble_Report(&report);
                }
            });
        }
        for (std::thread& thread : threads)
            thread.join();
        QTRY_COMPARE_WITH_TIMEOUT(Model(panel)->rowCount(), 0, 120000);
        QCOMPARE(panel.DeviceRecordCount(), 0);
        QCOMPARE(panel.DeviceCount(), 0);
    }
};

QTEST_MAIN(TestDevicePanelStress)
#include "tst_devicepanel_stress.moc"
