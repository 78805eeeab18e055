#include "CCsvReader.h"
#include "CDeviceTableExport.h"

#include <CTableView.h>

#include <QApplication>
#include <QClipboard>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QMenu>
#include <QStandardItemModel>
#include <QTemporaryDir>
#include <QTextEdit>
#include <QTimer>
#include <QtTest>

namespace {

const QStringList kHeaders = { QStringLiteral("ID"), QStringLiteral("Device Type"), QStringLiteral("IPv4 Address"),
                               QStringLiteral("Serial Number") };

// A table like the device table: rows of plain items under a header.
struct TableFixture
{
    TableFixture()
    {
        model.setHorizontalHeaderLabels(kHeaders);
        AddRow({ QStringLiteral("001"), QStringLiteral("K-VNT1C"), QStringLiteral("10.0.0.1"), QStringLiteral(" SN1 ") });
        AddRow({ QStringLiteral("002"), QStringLiteral("K-VNT4C, rev \"B\""), QStringLiteral("10.0.0.2"), QStringLiteral("SN\n2") });
        AddRow({ QStringLiteral("003"), QStringLiteral("=cmd|' /C calc'!A0"), QStringLiteral("10.0.0.3"), QStringLiteral("SN3") });
        view.setModel(&model);
        view.setSelectionMode(QAbstractItemView::ExtendedSelection);
        view.setSelectionBehavior(QAbstractItemView::SelectRows);
    }
    void AddRow(const QStringList& cells)
    {
        QList<QStandardItem*> items;
        for (const QString& cell : cells)
            items.append(new QStandardItem(cell));
        model.appendRow(items);
    }
    void SelectRows(const QList<int>& rows)
    {
        view.selectionModel()->clearSelection();
        for (int row : rows)
            view.selectionModel()->select(model.index(row, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }

    QStandardItemModel model;
    CTableView view;
};

} // namespace

// The device table's Copy and Export list... on a model.
class TestDeviceTableExport : public QObject
{
    Q_OBJECT
private slots:
    void menuOffersCopyAndExport();
    void copiesSelectedRowsWithHeader_data();
    void copiesSelectedRowsWithHeader();
    void exportsEveryRowAndColumn();
    void exportAddsSuffixAndHonoursCancel();
    void exportTellsWhenTheFileCannotBeWritten();
};

void TestDeviceTableExport::menuOffersCopyAndExport()
{
    TableFixture table;
    CDeviceTableExport exporter(&table.view, &table.model, nullptr);
    QCOMPARE(table.view.contextMenuPolicy(), Qt::CustomContextMenu);
    std::unique_ptr<QMenu> menu(exporter.CreateMenu(nullptr));
    const QList<QAction*> actions = menu->actions();
    QCOMPARE(actions.size(), 2);
    QCOMPARE(actions[0]->text(), QStringLiteral("Copy"));
    QCOMPARE(actions[1]->text(), QStringLiteral("Export list..."));
    QVERIFY(!actions[0]->isEnabled()); // nothing selected
    QVERIFY(actions[1]->isEnabled());

    table.SelectRows({ 1 });
    QApplication::clipboard()->clear();
    std::unique_ptr<QMenu> second(exporter.CreateMenu(nullptr));
    QVERIFY(second->actions()[0]->isEnabled());
    second->actions()[0]->trigger();
    QVERIFY(QApplication::clipboard()->text().startsWith(QStringLiteral("ID\tDevice Type")));

    // A right click on the table opens the same menu.
    table.view.show();
    emit table.view.customContextMenuRequested(QPoint(5, 5));
    QTRY_VERIFY(qobject_cast<QMenu*>(QApplication::activePopupWidget()) != nullptr);
    auto* popup = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    QCOMPARE(popup->actions().size(), 2);
    popup->close();
}

void TestDeviceTableExport::copiesSelectedRowsWithHeader_data()
{
    QTest::addColumn<QList<int>>("rows");
    QTest::addColumn<bool>("rearranged"); // serial column moved first, address hidden
    QTest::addColumn<QString>("text");
    QTest::newRow("one row, padding dropped") << QList<int> { 0 } << false
                             << QStringLiteral("ID\tDevice Type\tIPv4 Address\tSerial Number\n001\tK-VNT1C\t10.0.0.1\tSN1\n");
    QTest::newRow("rows in table order, line break and formula made harmless")
        << QList<int> { 2, 1 } << false
        << QStringLiteral("ID\tDevice Type\tIPv4 Address\tSerial Number\n"
                          "002\tK-VNT4C, rev \"B\"\t10.0.0.2\tSN 2\n"
                          "003\t'=cmd|' /C calc'!A0\t10.0.0.3\tSN3\n");
    QTest::newRow("columns as the header shows them") << QList<int> { 0 } << true
                                                      << QStringLiteral("Serial Number\tID\tDevice Type\nSN1\t001\tK-VNT1C\n");
}

void TestDeviceTableExport::copiesSelectedRowsWithHeader()
{
    QFETCH(QList<int>, rows);
    QFETCH(bool, rearranged);
    QFETCH(QString, text);
    TableFixture table;
    CDeviceTableExport exporter(&table.view, &table.model, nullptr);
    if (rearranged) {
        table.view.header()->moveSection(3, 0);
        table.view.header()->hideSection(2);
    }
    table.SelectRows(rows);
    exporter.CopySelectedRows();
    QCOMPARE(QApplication::clipboard()->text(), text);
}

void TestDeviceTableExport::exportsEveryRowAndColumn()
{
    TableFixture table;
    table.view.header()->hideSection(2);
    table.SelectRows({ 0 });
    CDeviceTableExport exporter(&table.view, &table.model, nullptr);
    QTemporaryDir dir;
    const QString fileName = dir.filePath(QStringLiteral("site.csv"));
    QString caption;
    exporter.SetFileNameProvider([&](QWidget*, const QString& title, const QString& suggested, const QString& filter) {
        caption = title;
        Q_UNUSED(suggested);
        Q_UNUSED(filter);
        return fileName;
    });
    QVERIFY(exporter.ExportList());
    QCOMPARE(caption, QStringLiteral("Export list"));

    QFile file(fileName);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    QVERIFY(bytes.startsWith("\xEF\xBB\xBF"));
    QCOMPARE(bytes, exporter.ListCsv());
    CCsvReader reader;
    QVERIFY2(reader.Parse(bytes), qPrintable(reader.Error()));
    const QList<CsvRecord>& records = reader.Records();
    QCOMPARE(records.size(), 4); // the header and all rows, not only the selection
    QCOMPARE(records[0].fields, kHeaders); // hidden columns too
    QCOMPARE(records[2].fields, (QStringList { QStringLiteral("002"), QStringLiteral("K-VNT4C, rev \"B\""),
                                               QStringLiteral("10.0.0.2"), QStringLiteral("SN\n2") }));
    QCOMPARE(records[3].fields[1], QStringLiteral("'=cmd|' /C calc'!A0"));
    QCOMPARE(records[1].fields[3], QStringLiteral("SN1"));
}

void TestDeviceTableExport::exportAddsSuffixAndHonoursCancel()
{
    TableFixture table;
    CDeviceTableExport exporter(&table.view, &table.model, nullptr);
    QTemporaryDir dir;
    QString answer;
    exporter.SetFileNameProvider([&](QWidget*, const QString&, const QString&, const QString&) { return answer; });
    QVERIFY(!exporter.ExportList()); // cancelled
    QVERIFY(QDir(dir.path()).entryList(QDir::Files).isEmpty());

    answer = dir.filePath(QStringLiteral("handover"));
    QVERIFY(exporter.ExportList());
    QVERIFY(QFile::exists(answer + QStringLiteral(".csv")));
}

void TestDeviceTableExport::exportTellsWhenTheFileCannotBeWritten()
{
    TableFixture table;
    table.view.show();
    CDeviceTableExport exporter(&table.view, &table.model, nullptr);
    QTemporaryDir dir;
    const QString fileName = dir.filePath(QStringLiteral("missing/list.csv"));
    exporter.SetFileNameProvider([&](QWidget*, const QString&, const QString&, const QString&) { return fileName; });
    QString shown;
    QTimer closer;
    connect(&closer, &QTimer::timeout, this, [&] {
        if (QWidget* box = QApplication::activeModalWidget()) {
            for (const QWidget* child : box->findChildren<QWidget*>()) {
                if (const auto* browser = qobject_cast<const QTextEdit*>(child))
                    shown = browser->toPlainText();
            }
            box->close();
        }
    });
    closer.start(20);
    QVERIFY(!exporter.ExportList());
    QVERIFY2(shown.contains(fileName), qPrintable(shown));
    QVERIFY(!QFile::exists(fileName));
}

QTEST_MAIN(TestDeviceTableExport)
#include "tst_device_table_export.moc"
