// Rows as they come and go: a row on its way out acts for no device, the
// serial cell always shows what the device reported, names beyond ASCII leave
// with their device, and IDs order by number past 999.
#include "CDeviceTableExport.h"
#include "CTableView.h"
#include "LumoDouble.h"
#include "PanelFixture.h"
#include "QtLumo.h"

#include <QHeaderView>
#include <QLoggingCategory>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTextDocument>
#include <QtTest>

#include <memory>

using namespace PanelFixture;

namespace {

enum { ColId = 0, ColSerial = 6 };

} // namespace

class TestDevicePanelRows : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<QtLumo> m_pPanel;

    QtLumo& MakePanel(int deviceCount)
    {
        m_pPanel = ShowPanel(deviceCount);
        return *m_pPanel;
    }
    template <typename T>
    T* Child(const char* name) { return m_pPanel->findChild<T*>(QLatin1String(name)); }

    void ClickCell(int row, int column, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        CTableView* table = Table(*m_pPanel);
        table->scrollTo(table->model()->index(row, column));
        QTest::mouseClick(table->viewport(), Qt::LeftButton, modifiers,
                          table->visualRect(table->model()->index(row, column)).center());
    }
    QString FormSerial() { return Child<QLineEdit>("lineEditSerial")->text(); }

private slots:
    void initTestCase() { QLoggingCategory::setFilterRules(QStringLiteral("default.debug=false")); }
    void init() { UseLibraryDouble(); }
    void cleanup() { m_pPanel.reset(); }

    void leavingRowActsForNoDevice_data()
    {
        QTest::addColumn<QList<int>>("selected");
        QTest::addColumn<int>("selectedAfter");
        QTest::newRow("the device shown") << QList<int>{ 1 } << 0;
        QTest::newRow("one of a batch") << QList<int>{ 0, 1, 2 } << 2;
    }

    void leavingRowActsForNoDevice()
    {
        QFETCH(QList<int>, selected);
        QFETCH(int, selectedAfter);
        MakePanel(3);
        for (int i = 0; i < selected.size(); ++i)
            ClickCell(selected[i], 1, i == 0 ? Qt::NoModifier : Qt::ControlModifier);

        Offline(2); // its row stays a moment before it leaves
        QCOMPARE(Model(*m_pPanel)->rowCount(), 3);
        CTableView* table = Table(*m_pPanel);
        QCOMPARE(table->selectionModel()->selectedRows().size(), selectedAfter);
        QVERIFY(!table->selectionModel()->isRowSelected(1, QModelIndex()));
        QVERIFY(!(Model(*m_pPanel)->flags(Model(*m_pPanel)->index(1, 0)) & Qt::ItemIsSelectable));
        if (selected.size() == 1) {
            QVERIFY(FormSerial().isEmpty());
            QVERIFY(!Child<QPushButton>("pushButtonModifyNetwork")->isEnabled());
        }

        // A click on it selects nothing and shows nothing of the device listed below it.
        ClickCell(1, 1);
        QVERIFY(!table->selectionModel()->isRowSelected(1, QModelIndex()));
        if (selected.size() == 1)
            QVERIFY(FormSerial().isEmpty());
        QTRY_COMPARE(Model(*m_pPanel)->rowCount(), 2);
    }

    void serialCellShowsTheReportedSerialAfterAnyEdit_data()
    {
        QTest::addColumn<QString>("how");
        QTest::newRow("F2") << QStringLiteral("F2");
        QTest::newRow("double-click") << QStringLiteral("double-click");
        QTest::newRow("model edit") << QStringLiteral("model edit");
    }

    void serialCellShowsTheReportedSerialAfterAnyEdit()
    {
        QFETCH(QString, how);
        MakePanel(2);
        CTableView* table = Table(*m_pPanel);
        const QModelIndex cell = Model(*m_pPanel)->index(1, ColSerial);
        ClickCell(1, ColSerial);
        if (how == QLatin1String("model edit")) {
            Model(*m_pPanel)->setData(cell, QStringLiteral("EDITED"));
        } else {
            if (how == QLatin1String("F2"))
                QTest::keyClick(table, Qt::Key_F2);
            else
                QTest::mouseDClick(table->viewport(), Qt::LeftButton, Qt::NoModifier, table->visualRect(cell).center());
            QLineEdit* editor = nullptr;
            QTRY_VERIFY((editor = table->viewport()->findChild<QLineEdit*>()) != nullptr);
            editor->selectAll();
            QTest::keyClicks(editor, QStringLiteral("EDITED"));
            QTest::keyClick(editor, Qt::Key_Return);
        }
        // The editor commits later; the reported text is then written back.
        QTRY_COMPARE(Model(*m_pPanel)->data(cell, Qt::ToolTipRole).toString(), SerialOf(2));
        QCOMPARE(Cell(*m_pPanel, 1, ColSerial), SerialOf(2));

        // The row is still the device's: it leaves with it.
        Offline(2);
        QTRY_COMPARE(Model(*m_pPanel)->rowCount(), 1);
        QCOMPARE(m_pPanel->DeviceCount(), 1);
    }

    void serialTipShowsTheReportedTextAsItIs_data()
    {
        QTest::addColumn<QByteArray>("serial");
        QTest::newRow("image") << QByteArray("<img src=/dev/zero>");
        QTest::newRow("bold") << QByteArray("<b>bold</b>");
    }

    // Qt shows a tip that looks like HTML as rich text; the serial's tip must
    // show the device's text itself.
    void serialTipShowsTheReportedTextAsItIs()
    {
        QFETCH(QByteArray, serial);
        MakePanel(1);
        LUMO_DEVICE_REPORT report = MakeReport(7);
        SetReportText(report.serial, serial.constData());
        Report(report);
        const QModelIndex cell = Model(*m_pPanel)->index(1, ColSerial);
        QCOMPARE(Cell(*m_pPanel, 1, ColSerial), QString::fromLatin1(serial));
        ClickCell(1, ColSerial);
        Model(*m_pPanel)->setData(cell, QStringLiteral("EDITED"));

        QTRY_VERIFY(!Model(*m_pPanel)->data(cell, Qt::ToolTipRole).toString().isEmpty());
        const QString tip = Model(*m_pPanel)->data(cell, Qt::ToolTipRole).toString();
        QTextDocument shown;
        shown.setHtml(tip);
        QVERIFY(Qt::mightBeRichText(tip));
        QCOMPARE(shown.toPlainText(), QString::fromLatin1(serial));
        QCOMPARE(Cell(*m_pPanel, 1, ColSerial), QString::fromLatin1(serial));
    }

    void namesBeyondAsciiLeaveWithTheirDevice()
    {
        MakePanel(1);
        LUMO_DEVICE_REPORT report = MakeReport(7);
        SetReportText(report.serial, "SN\xE9\xFC-7");
        Report(report);
        QCOMPARE(Model(*m_pPanel)->rowCount(), 2);
        QCOMPARE(Cell(*m_pPanel, 1, ColSerial), QString::fromLatin1("SN\xE9\xFC-7"));
        report.eventCode = LUMO_EVENT_OFFLINE;
        Report(report);
        QCOMPARE(m_pPanel->DeviceCount(), 1);
        QCOMPARE(m_pPanel->DeviceRecordCount(), 1);
        QTRY_COMPARE(Model(*m_pPanel)->rowCount(), 1);
    }

    void tableOffersCopyAndExport()
    {
        MakePanel(2);
        auto* exporter = m_pPanel->findChild<CDeviceTableExport*>();
        QVERIFY(exporter);
        QCOMPARE(Table(*m_pPanel)->contextMenuPolicy(), Qt::CustomContextMenu);
        std::unique_ptr<QMenu> menu(exporter->CreateMenu(m_pPanel.get()));
        QStringList texts;
        for (QAction* action : menu->actions())
            texts << action->text();
        QCOMPARE(texts, (QStringList{ QStringLiteral("Copy"), QStringLiteral("Export list...") }));
        QCOMPARE(exporter->ListCsv().count('\n'), 3); // the header and both devices
    }

    void idsPast999OrderByNumber()
    {
        MakePanel(1001);
        QCOMPARE(Cell(*m_pPanel, 1000, ColId), QStringLiteral("1001"));
        ClickHeader(*m_pPanel, ColId); // column 0 starts ascending: the first click turns it
        QCOMPARE(Cell(*m_pPanel, 0, ColId), QStringLiteral("1001"));
        QCOMPARE(Cell(*m_pPanel, 1, ColId), QStringLiteral("1000"));
        QCOMPARE(Cell(*m_pPanel, 2, ColId), QStringLiteral("999"));
        ClickHeader(*m_pPanel, ColId);
        QCOMPARE(Cell(*m_pPanel, 0, ColId), QStringLiteral("001"));
        QCOMPARE(Cell(*m_pPanel, 998, ColId), QStringLiteral("999"));
        QCOMPARE(Cell(*m_pPanel, 999, ColId), QStringLiteral("1000"));
    }
};

QTEST_MAIN(TestDevicePanelRows)
#include "tst_devicepanel_rows.moc"
