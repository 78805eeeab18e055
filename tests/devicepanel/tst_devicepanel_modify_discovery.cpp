// Discovery going on while Modify or Comeback runs: the library's thread is
// never held up by the panel, and what it reports reaches the table once the
// command's result box has closed.
#include "LumoDouble.h"
#include "PanelFixture.h"
#include "QtLumo.h"

#include <QAbstractItemModel>
#include <QCoreApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

#include <atomic>
#include <memory>
#include <thread>

using namespace PanelFixture;

namespace {

enum { ColId = 0, ColIpv4 = 2 };
constexpr int kLibraryThreadWaitMs = 1000;

// The library reads a device's answer on the same thread that delivers its
// reports: while a report waits in the callback, the answer goes unread and
// the call fails, as with the real library.
std::atomic<bool> g_bReported { false };
std::thread g_libraryThread;

void ReportNewDeviceDuringCall(int call)
{
    if (call == 1) {
        g_libraryThread = std::thread([] {
            const LUMO_DEVICE_REPORT report = MakeReport(7);
            LumoDouble_Report(&report);
            g_bReported = true;
        });
    }
    if (call >= 1 && !QTest::qWaitFor([] { return g_bReported.load(); }, kLibraryThreadWaitMs))
        LumoDouble_SetModifyResultAt(call, 0);
}

// The device being changed reports itself once more, as before the change,
// while its modify runs.
void ReportOldSettingsDuringCall(int /*call*/)
{
    const LUMO_DEVICE_REPORT report = MakeReport(2, LUMO_EVENT_UPDATE);
    LumoDouble_Report(&report);
}

// Delivers any discovery signals the panel's thread has been sent so far.
void DeliverQueuedSignals(QtLumo& panel)
{
    QCoreApplication::sendPostedEvents(&panel, QEvent::MetaCall);
}

} // namespace

class TestDevicePanelModifyDiscovery : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<QtLumo> m_pPanel;

    QtLumo& MakePanel(int deviceCount)
    {
        m_pPanel = ShowPanel(deviceCount);
        return *m_pPanel;
    }

    void FillModifyForm(const QString& address)
    {
        TypeInto(*m_pPanel, "lineEditIPAddr", address);
        TypeInto(*m_pPanel, "lineEditIPMask", QStringLiteral("255.0.0.0"));
        TypeInto(*m_pPanel, "lineEditPort", QStringLiteral("8000"));
        TypeInto(*m_pPanel, "lineEditPort_Password", QStringLiteral("demo1234"));
    }

    QPushButton* Button(const QString& name) { return m_pPanel->findChild<QPushButton*>(name); }

private slots:
    void init()
    {
        UseLibraryDouble();
        g_bReported = false;
    }
    void cleanup()
    {
        LumoDouble_SetModifyHook(nullptr);
        if (g_libraryThread.joinable())
            g_libraryThread.join();
        m_pPanel.reset();
    }

    void batchOfFiveWhileANewDeviceComesOnline()
    {
        MakePanel(6);
        ClickRows(*m_pPanel, { 0, 1, 2, 3, 4 });
        FillModifyForm(QStringLiteral("10.9.9.100"));
        LumoDouble_SetModifyHook(ReportNewDeviceDuringCall);
        int rowsWhileOpen = -1;
        const BoxAnswerer answerer([&] {
            DeliverQueuedSignals(*m_pPanel);
            rowsWhileOpen = Model(*m_pPanel)->rowCount();
        });
        QTest::mouseClick(Button(QStringLiteral("pushButtonModifyNetwork")), Qt::LeftButton);

        QCOMPARE(answerer.Seen().text, QStringLiteral("Modify network parameter succeed.ID:001 002 003 004 005 "));
        QCOMPARE(LumoDouble_CallCount(LumoDoubleModify), 5);
        QVERIFY(g_bReported);
        QCOMPARE(rowsWhileOpen, 6);
        // Once the box is closed the new device is listed, after the others.
        QTRY_COMPARE(Model(*m_pPanel)->rowCount(), 7);
        const int row = RowOf(*m_pPanel, SerialOf(7));
        QCOMPARE(row, 6);
        QCOMPARE(Cell(*m_pPanel, row, ColId), QStringLiteral("007"));
        QCOMPARE(m_pPanel->DeviceCount(), 7);
        QCOMPARE(m_pPanel->DeviceRecordCount(), 7);
        for (int number = 1; number <= 5; ++number)
            QCOMPARE(Cell(*m_pPanel, RowOf(*m_pPanel, SerialOf(number)), ColIpv4), QStringLiteral("10.9.9.%1").arg(99 + number));
    }

    // A report held during the run predates the change: once applied, it must
    // not put the old address back into the row or the record.
    void reportSentBeforeTheChangeDoesNotUndoIt()
    {
        MakePanel(3);
        const int row = RowOf(*m_pPanel, SerialOf(2));
        ClickRows(*m_pPanel, { row });
        FillModifyForm(QStringLiteral("10.9.9.42"));
        LumoDouble_SetModifyHook(ReportOldSettingsDuringCall);
        const BoxAnswerer answerer([&] { DeliverQueuedSignals(*m_pPanel); });
        QTest::mouseClick(Button(QStringLiteral("pushButtonModifyNetwork")), Qt::LeftButton);
        QVERIFY(answerer.Seen().text.startsWith(QStringLiteral("Modify network parameter succeed.")));
        QCOMPARE(m_pPanel->HeldRecordCount(), 0);
        QCOMPARE(Cell(*m_pPanel, RowOf(*m_pPanel, SerialOf(2)), ColIpv4), QStringLiteral("10.9.9.42"));
        // The form shows the record: the changed one.
        ClickRows(*m_pPanel, { RowOf(*m_pPanel, SerialOf(1)) });
        ClickRows(*m_pPanel, { RowOf(*m_pPanel, SerialOf(2)) });
        QCOMPARE(m_pPanel->findChild<QLineEdit*>(QStringLiteral("lineEditIPAddr"))->text(), QStringLiteral("10.9.9.42"));
    }

    void reportsGetInWhileTheResultBoxIsOpen_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QList<int>>("rows");
        QTest::addColumn<bool>("bHeldUntilClosed");
        QTest::newRow("Modify of one device") << QStringLiteral("pushButtonModifyNetwork") << QList<int>{ 0 } << true;
        QTest::newRow("Modify of a batch") << QStringLiteral("pushButtonModifyNetwork") << QList<int>{ 0, 2 } << true;
        // Comeback changes no record or row, so the table stays live under its box.
        QTest::newRow("Comeback") << QStringLiteral("pushButtonModifyPassword") << QList<int>{ 0 } << false;
    }

    void reportsGetInWhileTheResultBoxIsOpen()
    {
        QFETCH(QString, button);
        QFETCH(QList<int>, rows);
        QFETCH(bool, bHeldUntilClosed);
        MakePanel(3);
        ClickRows(*m_pPanel, rows);
        FillModifyForm(QStringLiteral("10.9.9.100"));
        TypeInto(*m_pPanel, "m_pDefaultPwdLEdit", QStringLiteral("ABCDEFGHJK"));

        bool bReportedWhileOpen = false;
        QString updatedCellWhileOpen;
        bool bNewRowWhileOpen = false;
        const BoxAnswerer answerer([&] {
            // From the library's thread: an update, a new device, an offline device.
            g_libraryThread = std::thread([] {
                LUMO_DEVICE_REPORT update = MakeReport(2, LUMO_EVENT_UPDATE);
                SetReportText(update.ipv4Address, "10.7.7.7");
                LumoDouble_Report(&update);
                const LUMO_DEVICE_REPORT online = MakeReport(4);
                LumoDouble_Report(&online);
                const LUMO_DEVICE_REPORT offline = MakeReport(3, LUMO_EVENT_OFFLINE);
                LumoDouble_Report(&offline);
                g_bReported = true;
            });
            bReportedWhileOpen = QTest::qWaitFor([] { return g_bReported.load(); }, 5000);
            DeliverQueuedSignals(*m_pPanel);
            updatedCellWhileOpen = Cell(*m_pPanel, 1, ColIpv4);
            bNewRowWhileOpen = RowOf(*m_pPanel, SerialOf(4)) >= 0;
        });
        QTest::mouseClick(Button(button), Qt::LeftButton);
        QVERIFY(answerer.Seen().bShown);
        QVERIFY2(bReportedWhileOpen, "the library's thread waited for the result box");
        QCOMPARE(updatedCellWhileOpen, bHeldUntilClosed ? Ipv4Of(2) : QStringLiteral("10.7.7.7"));
        QCOMPARE(bNewRowWhileOpen, !bHeldUntilClosed);

        // Everything reported is in the table once the box is closed.
        QTRY_COMPARE(Model(*m_pPanel)->rowCount(), 3);
        QCOMPARE(Cell(*m_pPanel, RowOf(*m_pPanel, SerialOf(2)), ColIpv4), QStringLiteral("10.7.7.7"));
        QVERIFY(RowOf(*m_pPanel, SerialOf(4)) >= 0);
        QCOMPARE(RowOf(*m_pPanel, SerialOf(3)), -1);
        QCOMPARE(m_pPanel->DeviceCount(), 3);
        QCOMPARE(m_pPanel->DeviceRecordCount(), 3);
    }
};

QTEST_MAIN(TestDevicePanelModifyDiscovery)
#include "tst_devicepanel_modify_discovery.moc"
