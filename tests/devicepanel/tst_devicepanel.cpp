// The device panel: discovery start, live rows from discovery events, the
// table's ordering and header, and the parameter form driven by selection.
#include "CIpStandardItem.h"
#include "CTableView.h"
#include "LumoDouble.h"
#include "PanelFixture.h"
#include "QtLumo.h"

#include <QDesktopServices>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStandardItemModel>
#include <QToolButton>
#include <QtTest>

#include <memory>
#include <thread>

using namespace PanelFixture;

namespace {

enum { ColId = 0, ColType = 1, ColIpv4 = 2, ColPort = 3, ColGateway = 5, ColSerial = 6, ColMask = 7, ColMac = 8,
       ColIpv6 = 12, ColIpv6Gateway = 13, ColPrefix = 14, ColIpv6Support = 15, ColIpv6Mod = 16, ColDhcpSupport = 17,
       ColDhcp = 18 };

LUMO_DEVICE_REPORT ReportWithAddresses(int number, const char* ipv4, const char* gateway, const char* mask)
{
    LUMO_DEVICE_REPORT report = MakeReport(number);
    SetReportText(report.ipv4Address, ipv4);
    SetReportText(report.ipv4Gateway, gateway);
    SetReportText(report.ipv4Mask, mask);
    return report;
}

QStringList ColumnTexts(QtLumo& panel, int column)
{
    QStringList texts;
    for (int row = 0; row < Model(panel)->rowCount(); ++row)
        texts << Cell(panel, row, column);
    return texts;
}

} // namespace

// Receives the URLs the panel asks the desktop to open.
class UrlCatcher : public QObject
{
    Q_OBJECT
public:
    QList<QUrl> urls;
public slots:
    void open(const QUrl& url) { urls.append(url); }
};

class TestDevicePanel : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<QtLumo> m_pPanel;

    QtLumo& MakePanel(int classFilter = 0)
    {
        m_pPanel = std::make_unique<QtLumo>(nullptr, classFilter);
        m_pPanel->show();
        if (!QTest::qWaitForWindowExposed(m_pPanel.get()))
            qWarning("panel window not exposed");
        return *m_pPanel;
    }
    template <typename T>
    T* Child(const char* name) { return m_pPanel->findChild<T*>(QLatin1String(name)); }

    void SelectRows(const QList<int>& rows)
    {
        CTableView* table = Table(*m_pPanel);
        table->selectionModel()->clearSelection();
        for (int row : rows)
            table->selectionModel()->select(table->model()->index(row, 0),
                                            QItemSelectionModel::Select | QItemSelectionModel::Rows);
        emit table->SignalClickRelease(table->model()->index(rows.value(0, 0), 0));
    }

private slots:
    void init() { UseLibraryDouble(); }
    void cleanup() { m_pPanel.reset(); }

    void startsDiscoveryAndSendsFirstInquiry()
    {
        QtLumo& panel = MakePanel();
        QVERIFY(panel.IsDiscoveryRunning());
        QCOMPARE(LumoDouble_CallCount(LumoDoubleStart), 1);
        QCOMPARE(LumoDouble_StartFlags(), 0);
        QVERIFY(!LumoDouble_UserData());
        QCOMPARE(LumoDouble_CallCount(LumoDoubleSendInquiry), 1);
        QTest::mouseClick(Child<QPushButton>("pushButtonManualUpdate"), Qt::LeftButton);
        QCOMPARE(LumoDouble_CallCount(LumoDoubleSendInquiry), 2);
        QCOMPARE(Model(panel)->rowCount(), 0); // Refresh does not clear or fill the table
        QVERIFY(CountLabel(panel).isEmpty());
        m_pPanel.reset();
        QCOMPARE(LumoDouble_CallCount(LumoDoubleStop), 1);
    }

    void reportsAfterThePanelIsGoneAreIgnored()
    {
        MakePanel();
        Online(1);
        m_pPanel.reset();
        // A host may still feed a report after the panel went away.
        Online(2);
        Offline(1);
        QtLumo& second = MakePanel();
        Online(3);
        QCOMPARE(second.DeviceCount(), 1);
    }

    void discoveryOffWithoutLibrary()
    {
        UseMissingLibrary();
        QtLumo& panel = MakePanel();
        QVERIFY(!panel.IsDiscoveryRunning());
        QTest::mouseClick(Child<QPushButton>("pushButtonManualUpdate"), Qt::LeftButton);
        QCOMPARE(Model(panel)->rowCount(), 0);
        QCOMPARE(LumoDouble_CallCount(LumoDoubleStart), 0);
        QCOMPARE(LumoDouble_CallCount(LumoDoubleSendInquiry), 0);
    }

    void failedStartLeavesDiscoveryOff()
    {
        LumoDouble_SetResult(LumoDoubleStart, 0);
        QtLumo& panel = MakePanel();
        QVERIFY(!panel.IsDiscoveryRunning());
        QCOMPARE(LumoDouble_CallCount(LumoDoubleSendInquiry), 0);
        // Refresh still asks the library, which was never started.
        QTest::mouseClick(Child<QPushButton>("pushButtonManualUpdate"), Qt::LeftButton);
        QCOMPARE(LumoDouble_CallCount(LumoDoubleSendInquiry), 1);
        m_pPanel.reset();
        QCOMPARE(LumoDouble_CallCount(LumoDoubleStop), 1);
    }

    void classFilter_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<uint>("code");
        QTest::addColumn<bool>("excluded");
        QTest::newRow("0 excludes nothing") << 0 << 0x9F00u << false;
        QTest::newRow("1 lower edge 49") << 1 << 0x4900u << true;
        QTest::newRow("1 below 49") << 1 << 0x48FFu << false;
        QTest::newRow("1 upper edge 59") << 1 << 0x59FFu << true;
        QTest::newRow("1 between") << 1 << 0x5A00u << false;
        QTest::newRow("1 9E") << 1 << 0x9E10u << true;
        QTest::newRow("1 9F end") << 1 << 0x9FFFu << true;
        QTest::newRow("1 9D kept") << 1 << 0x9D00u << false;
        QTest::newRow("2 inside 9F") << 2 << 0x9F80u << false;
        QTest::newRow("2 outside 9F") << 2 << 0x9EFFu << true;
        QTest::newRow("2 above 9F") << 2 << 0xA000u << true;
        QTest::newRow("3 inside 49") << 3 << 0x49FFu << false;
        QTest::newRow("3 inside 9E") << 3 << 0x9E00u << false;
        QTest::newRow("3 9F excluded") << 3 << 0x9F00u << true;
        QTest::newRow("3 other excluded") << 3 << 0x1000u << true;
        QTest::newRow("7 excludes nothing") << 7 << 0x4900u << false;
    }
    void classFilter()
    {
        QFETCH(int, mode);
        QFETCH(uint, code);
        QFETCH(bool, excluded);
        QtLumo& panel = MakePanel(mode);
        QCOMPARE(panel.IsExcludedDeviceClass(code), excluded);

        ReportFields fields;
        fields.deviceClass = code;
        Online(fields);
        QCOMPARE(Model(panel)->rowCount(), excluded ? 0 : 1);
        QCOMPARE(panel.DeviceRecordCount(), excluded ? 0 : 1);
    }

    void acceptedModelsOnly()
    {
        QtLumo& panel = MakePanel();
        QVERIFY(panel.IsAcceptedModel(QStringLiteral("K-VNT1C")));
        QVERIFY(panel.IsAcceptedModel(QStringLiteral("K-VNT4C")));
        QVERIFY(!panel.IsAcceptedModel(QStringLiteral("K-VNT2C")));
        QVERIFY(!panel.IsAcceptedModel(QStringLiteral("K-VNT1C-X")));
        QVERIFY(!panel.IsAcceptedModel(QString()));

        ReportFields foreign;
        foreign.number = 2;
        foreign.model = "K-VNT9X";
        Online(foreign);
        Online(1);
        QCOMPARE(Model(panel)->rowCount(), 1);
        QSignalSpy offlineSpy(&panel, &QtLumo::DeviceOfflineSignal);
        Offline(2); // the foreign device's offline still comes through, and removes nothing
        QCOMPARE(offlineSpy.count(), 1);
        QCOMPARE(Model(panel)->rowCount(), 1);
        QCOMPARE(panel.DeviceRecordCount(), 1);
        QCOMPARE(panel.DeviceCount(), 1);
    }

    void onlineAgainRefreshesTheListedDevice()
    {
        QtLumo& panel = MakePanel();
        Online(1);
        Online(2);
        QCOMPARE(CountLabel(panel), QStringLiteral("2"));
        LUMO_DEVICE_REPORT again = MakeReport(1, LUMO_EVENT_ONLINE_ALT);
        SetReportText(again.ipv4Address, "10.1.1.1");
        Report(again);
        QCOMPARE(Model(panel)->rowCount(), 2);
        QCOMPARE(panel.DeviceCount(), 2);
        QCOMPARE(CountLabel(panel), QStringLiteral("2"));
        QCOMPARE(panel.DeviceRecordCount(), 2);
        QCOMPARE(Cell(panel, 0, ColIpv4), QStringLiteral("10.1.1.1"));
        QCOMPARE(Cell(panel, 0, ColId), QStringLiteral("001"));

        Offline(1);
        QCOMPARE(panel.DeviceCount(), 1);
        QTRY_COMPARE(Model(panel)->rowCount(), 1);
        QCOMPARE(panel.DeviceRecordCount(), 1);
        // Back after its offline event: listed again.
        Online(1);
        QCOMPARE(panel.DeviceCount(), 2);
        QCOMPARE(panel.DeviceRecordCount(), 2);
    }

    void rowShowsEveryColumn()
    {
        QtLumo& panel = MakePanel();
        ReportFields fields;
        fields.number = 3;
        fields.port = 80;
        Online(fields);
        QCOMPARE(Cell(panel, 0, ColId), QStringLiteral("001"));
        QCOMPARE(Cell(panel, 0, ColType), QStringLiteral("K-VNT1C"));
        QCOMPARE(Cell(panel, 0, ColIpv4), Ipv4Of(3));
        QCOMPARE(Cell(panel, 0, ColPort), QStringLiteral("   80"));
        QCOMPARE(Cell(panel, 0, 4), QStringLiteral("V2.4.1 build 260101"));
        QCOMPARE(Cell(panel, 0, ColGateway), QStringLiteral("10.0.0.254"));
        QCOMPARE(Cell(panel, 0, ColSerial), SerialOf(3));
        QCOMPARE(Cell(panel, 0, ColMask), QStringLiteral("255.0.0.0"));
        QCOMPARE(Cell(panel, 0, ColMac), MacOf(3));
        QCOMPARE(Cell(panel, 0, 9), QStringLiteral(" 4"));
        QCOMPARE(Cell(panel, 0, 10), QStringLiteral("V1.0.7"));
        QCOMPARE(Cell(panel, 0, 11), QStringLiteral("2026-12-01 08:00:00"));
        QCOMPARE(Cell(panel, 0, ColIpv6), QStringLiteral("fd00::10"));
        QCOMPARE(Cell(panel, 0, ColIpv6Gateway), QStringLiteral("fd00::1"));
        QCOMPARE(Cell(panel, 0, ColPrefix), QStringLiteral("64"));
        QCOMPARE(Cell(panel, 0, ColIpv6Support), QStringLiteral("Yes"));
        QCOMPARE(Cell(panel, 0, ColIpv6Mod), QStringLiteral("Yes"));
        QCOMPARE(Cell(panel, 0, ColDhcpSupport), QStringLiteral("Yes"));
        QCOMPARE(Cell(panel, 0, ColDhcp), QStringLiteral("ON"));

        auto* model = qobject_cast<QStandardItemModel*>(Model(panel));
        for (int column = 0; column < 19; ++column) {
            const Qt::ItemFlags flags = model->item(0, column)->flags();
            QCOMPARE(bool(flags & Qt::ItemIsEditable), column == ColSerial);
        }
        QCOMPARE(model->item(0, ColSerial)->flags(), Qt::ItemIsSelectable | Qt::ItemIsEditable | Qt::ItemIsEnabled);
        for (int column : { ColIpv4, ColGateway, ColMask })
            QVERIFY(dynamic_cast<CIpStandardItem*>(model->item(0, column)));
        QVERIFY(!dynamic_cast<CIpStandardItem*>(model->item(0, ColMac)));
    }

    void extendedInformationDecidesOptionalColumns()
    {
        QtLumo& panel = MakePanel();
        ReportFields plain;
        plain.number = 1;
        plain.extendedValid = 0;
        Online(plain);
        for (int column : { ColGateway, ColIpv6, ColIpv6Gateway, ColPrefix, ColIpv6Support, ColIpv6Mod, ColDhcpSupport, ColDhcp })
            QVERIFY2(Cell(panel, 0, column).isEmpty(), qPrintable(QString::number(column)));

        ReportFields noIpv6;
        noIpv6.number = 2;
        noIpv6.capabilities = LUMO_CAP_DHCP;
        Online(noIpv6);
        QCOMPARE(Cell(panel, 1, ColIpv6Support), QStringLiteral("No"));
        QCOMPARE(Cell(panel, 1, ColIpv6Mod), QStringLiteral("No"));
        QCOMPARE(Cell(panel, 1, ColDhcpSupport), QStringLiteral("Yes"));
        for (int column : { ColIpv6, ColIpv6Gateway, ColPrefix })
            QVERIFY(Cell(panel, 1, column).isEmpty());

        // A later update with information fills the gateway cell of the plain row.
        Report(MakeReport(1, LUMO_EVENT_UPDATE));
        QCOMPARE(Cell(panel, 0, ColGateway), QStringLiteral("10.0.0.254"));
        QCOMPARE(Cell(panel, 0, ColIpv6), QStringLiteral("fd00::10"));
    }

    void offlineRenumbersInDisplayOrder()
    {
        QtLumo& panel = MakePanel();
        for (int number = 1; number <= 6; ++number)
            Online(number);
        ClickHeader(panel, ColId); // descending: 006 at the top
        QCOMPARE(Cell(panel, 0, ColId), QStringLiteral("006"));

        Offline(4);
        QCOMPARE(panel.DeviceCount(), 5);
        QTRY_COMPARE(Model(panel)->rowCount(), 5);
        QTRY_COMPARE(ColumnTexts(panel, ColId),
                     QStringList({ QStringLiteral("001"), QStringLiteral("002"), QStringLiteral("003"),
                                   QStringLiteral("004"), QStringLiteral("005") }));
        QCOMPARE(Cell(panel, 0, ColSerial), SerialOf(6)); // renumbered where it stands
        QCOMPARE(RowOf(panel, SerialOf(4)), -1);

        // A device that comes later gets the row count before it plus one.
        Online(7);
        QCOMPARE(Cell(panel, RowOf(panel, SerialOf(7)), ColId), QStringLiteral("006"));

        // An offline event for an unknown device removes nothing, still renumbers.
        Offline(99);
        QTest::qWait(100);
        QCOMPARE(Model(panel)->rowCount(), 6);
        QCOMPARE(panel.DeviceCount(), 6);
    }

    void offlineBurstMixedWithOtherEvents()
    {
        QtLumo& panel = MakePanel();
        for (int number = 1; number <= 600; ++number)
            Online(number);
        // Every third device leaves; meanwhile one leaving device sends an
        // update, a new device arrives, and a kept one changes its address.
        for (int number = 3; number <= 600; number += 3)
            Offline(number);
        Report(MakeReport(3, LUMO_EVENT_UPDATE));
        Online(601);
        LUMO_DEVICE_REPORT moved = ReportWithAddresses(5, "10.200.0.5", "10.200.0.1", "255.255.0.0");
        moved.eventCode = LUMO_EVENT_UPDATE;
        Report(moved);
        QCOMPARE(panel.DeviceCount(), 401);

        QTRY_COMPARE(Model(panel)->rowCount(), 401);
        QCOMPARE(panel.DeviceRecordCount(), 401);
        QTRY_COMPARE(Cell(panel, 400, ColId), QStringLiteral("401"));
        QStringList expectedIds;
        for (int row = 0; row < 401; ++row)
            expectedIds << QString::asprintf("%03d", row + 1);
        QCOMPARE(ColumnTexts(panel, ColId), expectedIds);
        for (int number = 1; number <= 601; ++number)
            QCOMPARE(RowOf(panel, SerialOf(number)) >= 0, number % 3 != 0 || number == 601);
        QCOMPARE(Cell(panel, RowOf(panel, SerialOf(5)), ColIpv4), QStringLiteral("10.200.0.5"));
        QCOMPARE(Cell(panel, 400, ColSerial), SerialOf(601));
    }

    void sortRightAfterOfflineSeesTheRemainingRows()
    {
        QtLumo& panel = MakePanel();
        for (int number = 1; number <= 5; ++number)
            Online(number);
        Offline(2);
        ClickHeader(panel, ColId); // descending, over the rows that remain
        QCOMPARE(Model(panel)->rowCount(), 4);
        QCOMPARE(ColumnTexts(panel, ColId), QStringList({ QStringLiteral("004"), QStringLiteral("003"),
                                                          QStringLiteral("002"), QStringLiteral("001") }));
        QCOMPARE(Cell(panel, 0, ColSerial), SerialOf(5));
    }

    void updateRewritesRowButNotItsId()
    {
        QtLumo& panel = MakePanel();
        for (int number = 1; number <= 3; ++number)
            Online(number);
        ClickHeader(panel, ColId);
        const int row = RowOf(panel, SerialOf(1));
        QCOMPARE(row, 2);

        LUMO_DEVICE_REPORT update = ReportWithAddresses(1, "172.16.5.9", "172.16.5.1", "255.255.0.0");
        update.eventCode = LUMO_EVENT_UPDATE;
        update.port = 554;
        Report(update);
        QCOMPARE(Cell(panel, row, ColIpv4), QStringLiteral("172.16.5.9"));
        QCOMPARE(Cell(panel, row, ColGateway), QStringLiteral("172.16.5.1"));
        QCOMPARE(Cell(panel, row, ColMask), QStringLiteral("255.255.0.0"));
        QCOMPARE(Cell(panel, row, ColPort), QStringLiteral("  554"));
        QCOMPARE(Cell(panel, row, ColId), QStringLiteral("001"));
        QCOMPARE(panel.DeviceCount(), 3);

        // An update for a device that is not listed changes nothing.
        const QStringList before = ColumnTexts(panel, ColIpv4);
        LUMO_DEVICE_REPORT unknown = ReportWithAddresses(42, "1.1.1.1", "1.1.1.254", "255.0.0.0");
        unknown.eventCode = LUMO_EVENT_UPDATE;
        Report(unknown);
        QCOMPARE(ColumnTexts(panel, ColIpv4), before);
        QCOMPARE(Model(panel)->rowCount(), 3);
    }

    void addressColumnsSortByValue()
    {
        QtLumo& panel = MakePanel();
        Report(ReportWithAddresses(1, "10.0.0.10", "10.0.0.10", "10.0.0.10"));
        Report(ReportWithAddresses(2, "10.0.0.9", "10.0.0.9", "10.0.0.9"));
        Report(ReportWithAddresses(3, "9.200.0.1", "9.200.0.1", "9.200.0.1"));
        for (int column : { ColIpv4, ColGateway, ColMask }) {
            Header(panel)->setSortIndicator(ColId, Qt::AscendingOrder);
            ClickHeader(panel, column);
            QCOMPARE(Header(panel)->sortIndicatorOrder(), Qt::AscendingOrder);
            QCOMPARE(ColumnTexts(panel, column),
                     QStringList({ QStringLiteral("9.200.0.1"), QStringLiteral("10.0.0.9"), QStringLiteral("10.0.0.10") }));
            ClickHeader(panel, column);
            QCOMPARE(ColumnTexts(panel, column).first(), QStringLiteral("10.0.0.10"));
        }
        // Other columns order as text.
        ClickHeader(panel, ColMac);
        QStringList macs = ColumnTexts(panel, ColMac);
        QStringList sorted = macs;
        sorted.sort();
        QCOMPARE(macs, sorted);
    }

    void paddedNumbersSortNumerically()
    {
        QtLumo& panel = MakePanel();
        for (quint32 port : { 8000u, 80u, 554u }) {
            ReportFields fields;
            fields.number = int(port);
            fields.port = port;
            Online(fields);
        }
        ClickHeader(panel, ColPort);
        QCOMPARE(ColumnTexts(panel, ColPort),
                 QStringList({ QStringLiteral("   80"), QStringLiteral("  554"), QStringLiteral(" 8000") }));
    }

    void firstClickOnIdSortsDescending()
    {
        QtLumo& panel = MakePanel();
        for (int number = 1; number <= 3; ++number)
            Online(number);
        QCOMPARE(Header(panel)->sortIndicatorSection(), 0);
        QCOMPARE(Header(panel)->sortIndicatorOrder(), Qt::AscendingOrder);
        ClickHeader(panel, ColId);
        QCOMPARE(ColumnTexts(panel, ColId),
                 QStringList({ QStringLiteral("003"), QStringLiteral("002"), QStringLiteral("001") }));
        ClickHeader(panel, ColId);
        QCOMPARE(Cell(panel, 0, ColId), QStringLiteral("001"));
        ClickHeader(panel, ColType);
        QCOMPARE(Header(panel)->sortIndicatorOrder(), Qt::AscendingOrder);
    }

    void addressKeysAreRobust()
    {
        QCOMPARE(CIpStandardItem::AddressKey(QStringLiteral("192.168.1.20")), QByteArray("192168001020"));
        QCOMPARE(CIpStandardItem::AddressKey(QStringLiteral("1.2.3.4.5")), QByteArray("001002003004"));
        QCOMPARE(CIpStandardItem::AddressKey(QStringLiteral("1.2.")), QByteArray("001002000"));
        QCOMPARE(CIpStandardItem::AddressKey(QString()), QByteArray("000"));
        QCOMPARE(CIpStandardItem::AddressKey(QStringLiteral(" 7a.-3.x.99999999999999")),
                 QByteArray("007-03000999999999"));
        // Shorter keys order before longer ones that start the same, so the
        // order stays strict and weak for malformed cells.
        CIpStandardItem empty{ QString() }, partial{ QStringLiteral("0.0") }, full{ QStringLiteral("0.0.0.1") };
        QVERIFY(empty < partial);
        QVERIFY(partial < full);
        QVERIFY(!(full < partial));
        QVERIFY(!(full < full));
    }

    void draggedColumnSnapsBackFromTheFront()
    {
        QtLumo& panel = MakePanel();
        Online(1);
        QHeaderView* header = Header(panel);
        QVERIFY(!header->sectionsMovable());

        // Pressing section 3 remembers the layout and allows moving...
        const QPoint pos3(header->sectionViewportPosition(3) + 5, header->height() / 2);
        QTest::mousePress(header->viewport(), Qt::LeftButton, Qt::NoModifier, pos3);
        QTest::mouseRelease(header->viewport(), Qt::LeftButton, Qt::NoModifier, pos3);
        QVERIFY(header->sectionsMovable());
        // ...but a move to the front is undone.
        header->moveSection(header->visualIndex(3), 0);
        QCOMPARE(header->visualIndex(3), 3);
        QCOMPARE(header->logicalIndex(0), 0);
        // Other moves stay.
        header->moveSection(header->visualIndex(5), 7);
        QCOMPARE(header->visualIndex(5), 7);

        // Pressing section 0 makes the sections fixed.
        const QPoint pos0(header->sectionViewportPosition(0) + 5, header->height() / 2);
        QTest::mousePress(header->viewport(), Qt::LeftButton, Qt::NoModifier, pos0);
        QTest::mouseRelease(header->viewport(), Qt::LeftButton, Qt::NoModifier, pos0);
        QVERIFY(!header->sectionsMovable());
    }

    void serialNumberEditIsUndone()
    {
        QtLumo& panel = MakePanel();
        Online(1);
        Online(2);
        CTableView* table = Table(panel);
        const QModelIndex serial = table->model()->index(1, ColSerial);
        table->scrollTo(serial);
        const QPoint center = table->visualRect(serial).center();
        QTest::mouseClick(table->viewport(), Qt::LeftButton, Qt::NoModifier, center);
        QTest::mouseDClick(table->viewport(), Qt::LeftButton, Qt::NoModifier, center);
        QLineEdit* editor = nullptr;
        QTRY_VERIFY((editor = table->viewport()->findChild<QLineEdit*>()) != nullptr);
        QSignalSpy changes(table->model(), &QAbstractItemModel::dataChanged);
        editor->selectAll();
        QTest::keyClicks(editor, QStringLiteral("HACKED"));
        QTest::keyClick(editor, Qt::Key_Return);
        // The editor commits later; the remembered text is then written back
        // as the cell's text and tool tip.
        QTRY_COMPARE(table->model()->index(1, ColSerial).data(Qt::ToolTipRole).toString(), SerialOf(2));
        QCOMPARE(Cell(panel, 1, ColSerial), SerialOf(2));
        QVERIFY(changes.count() >= 2);
        QCOMPARE(changes.first().first().value<QModelIndex>().row(), 1);
        // Other cells' changes are not touched by the write-back.
        QCOMPARE(Cell(panel, 0, ColSerial), SerialOf(1));
    }

    void doubleClickOnAddressOpensWebPage()
    {
        QtLumo& panel = MakePanel();
        UrlCatcher catcher;
        QDesktopServices::setUrlHandler(QStringLiteral("http"), &catcher, "open");
        Online(5);
        CTableView* table = Table(panel);
        for (int column : { ColPort, ColIpv4 }) {
            const QModelIndex index = table->model()->index(0, column);
            const QPoint center = table->visualRect(index).center();
            QTest::mouseClick(table->viewport(), Qt::LeftButton, Qt::NoModifier, center);
            QTest::mouseDClick(table->viewport(), Qt::LeftButton, Qt::NoModifier, center);
        }
        QDesktopServices::unsetUrlHandler(QStringLiteral("http"));
        QCOMPARE(catcher.urls.size(), 1);
        QCOMPARE(catcher.urls.first(), QUrl(QStringLiteral("http://") + Ipv4Of(5)));
    }

    void selectingOneDeviceFillsTheForm()
    {
        QtLumo& panel = MakePanel();
        ReportFields fields;
        fields.number = 1;
        fields.port = 37777;
        Online(fields);
        SelectRows({ 0 });
        QCOMPARE(Child<QLineEdit>("lineEditSerial")->text(), SerialOf(1));
        QCOMPARE(Child<QLineEdit>("lineEditIPAddr")->text(), Ipv4Of(1));
        QCOMPARE(Child<QLineEdit>("lineEditPort")->text(), QStringLiteral("37777"));
        QCOMPARE(Child<QLineEdit>("lineEditIPGateway")->text(), QStringLiteral("10.0.0.254"));
        QCOMPARE(Child<QLineEdit>("lineEditIPv6Addr")->text(), QStringLiteral("fd00::10"));
        QCOMPARE(Child<QLineEdit>("lineEditIPv6Mask")->text(), QStringLiteral("64"));
        QVERIFY(Child<QLineEdit>("lineEditIPAddr")->isEnabled());
        QVERIFY(Child<QLineEdit>("lineEditIPv6Addr")->isEnabled());
        QVERIFY(Child<QPushButton>("pushButtonModifyNetwork")->isEnabled());
        QCOMPARE(Child<QLabel>("label_7")->text(), QStringLiteral("IP Address:"));

        // An update of the selected device refreshes the form.
        LUMO_DEVICE_REPORT update = ReportWithAddresses(1, "10.9.9.9", "10.9.9.1", "255.0.0.0");
        update.eventCode = LUMO_EVENT_UPDATE;
        Table(panel)->setCurrentIndex(Model(panel)->index(0, 0));
        Report(update);
        QCOMPARE(Child<QLineEdit>("lineEditIPAddr")->text(), QStringLiteral("10.9.9.9"));
    }

    void formFollowsClassAndCapabilities_data()
    {
        QTest::addColumn<uint>("deviceClass");
        QTest::addColumn<int>("extended");
        QTest::addColumn<int>("capabilities");
        QTest::addColumn<bool>("ipv4Enabled");
        QTest::addColumn<bool>("gatewayEnabled");
        QTest::addColumn<bool>("ipv6Enabled");
        QTest::addColumn<bool>("ipv6Shown");
        QTest::newRow("read-only class") << 0x9E10u << 1 << 3 << false << false << false << true;
        QTest::newRow("no extended information") << 0x1000u << 0 << 3 << true << true << false << false;
        QTest::newRow("IPv6 modifiable") << 0x1000u << 1 << 3 << true << true << true << true;
        QTest::newRow("IPv6 fixed") << 0x1000u << 1 << 1 << true << true << false << true;
        QTest::newRow("modifiable without support") << 0x1000u << 1 << 2 << true << true << true << false;
    }
    void formFollowsClassAndCapabilities()
    {
        QFETCH(uint, deviceClass);
        QFETCH(int, extended);
        QFETCH(int, capabilities);
        QFETCH(bool, ipv4Enabled);
        QFETCH(bool, gatewayEnabled);
        QFETCH(bool, ipv6Enabled);
        QFETCH(bool, ipv6Shown);
        MakePanel();
        ReportFields fields;
        fields.deviceClass = deviceClass;
        fields.extendedValid = quint8(extended);
        fields.capabilities = quint8(capabilities);
        Online(fields);
        SelectRows({ 0 });
        QCOMPARE(Child<QLineEdit>("lineEditIPAddr")->text(), Ipv4Of(1)); // values are shown in every case
        QCOMPARE(Child<QLineEdit>("lineEditIPAddr")->isEnabled(), ipv4Enabled);
        QCOMPARE(Child<QLineEdit>("lineEditPort")->isEnabled(), ipv4Enabled);
        QCOMPARE(Child<QPushButton>("pushButtonModifyNetwork")->isEnabled(), ipv4Enabled);
        QCOMPARE(Child<QPushButton>("pushButtonModifyPassword")->isEnabled(), ipv4Enabled);
        QCOMPARE(Child<QLineEdit>("lineEditIPGateway")->isEnabled(), gatewayEnabled && extended == 1);
        QCOMPARE(Child<QLineEdit>("lineEditIPGateway")->text().isEmpty(), extended == 0);
        QCOMPARE(Child<QLineEdit>("lineEditIPv6Addr")->isEnabled(), ipv6Enabled);
        QCOMPARE(Child<QLineEdit>("lineEditIPv6Gateway")->isEnabled(), ipv6Enabled);
        QCOMPARE(Child<QLineEdit>("lineEditIPv6Mask")->isEnabled(), ipv6Enabled);
        QCOMPARE(Child<QLineEdit>("lineEditIPv6Addr")->text().isEmpty(), !ipv6Shown);
    }

    void severalRowsMakeTheBatchForm()
    {
        MakePanel();
        ReportFields readOnly;
        readOnly.deviceClass = 0x9D01;
        readOnly.number = 1;
        Online(readOnly);
        readOnly.number = 2;
        readOnly.extendedValid = 0;
        Online(readOnly);
        SelectRows({ 0, 1 });
        QCOMPARE(Child<QLabel>("label_7")->text(), QStringLiteral("Start IP Address:"));
        QCOMPARE(Child<QLabel>("label_162")->text(), QStringLiteral("Batch Modify Network parameters"));
        QVERIFY(Child<QLineEdit>("lineEditSerial")->isHidden());
        QVERIFY(Child<QLineEdit>("m_pDefaultPwdLEdit")->isHidden());
        QVERIFY(Child<QLineEdit>("lineEditIPAddr")->text().isEmpty());
        QVERIFY(!Child<QLineEdit>("lineEditIPAddr")->isEnabled());
        QVERIFY(!Child<QPushButton>("pushButtonModifyNetwork")->isEnabled());
        QVERIFY(Child<QLineEdit>("lineEditIPGateway")->isEnabled()); // one has extended information

        Online(3); // a modifiable device among them enables the address fields
        SelectRows({ 0, 1, 2 });
        QVERIFY(Child<QLineEdit>("lineEditIPAddr")->isEnabled());
        QVERIFY(Child<QPushButton>("pushButtonModifyNetwork")->isEnabled());
        QVERIFY(!Child<QLineEdit>("lineEditIPv6Addr")->isEnabled());

        SelectRows({ 2 });
        QCOMPARE(Child<QLabel>("label_7")->text(), QStringLiteral("IP Address:"));
        QVERIFY(!Child<QLineEdit>("lineEditSerial")->isHidden());
    }

    void sortedRowShowsItsOwnDevice()
    {
        QtLumo& panel = MakePanel();
        for (int number = 1; number <= 4; ++number)
            Online(number);
        ClickHeader(panel, ColId); // rows now 4, 3, 2, 1
        SelectRows({ 0 });
        QCOMPARE(Child<QLineEdit>("lineEditSerial")->text(), SerialOf(4));
        QCOMPARE(Child<QLineEdit>("lineEditIPAddr")->text(), Ipv4Of(4));
    }

    void settingsFrameCollapsesAndReopens()
    {
        MakePanel();
        auto* frame = Child<QFrame>("m_pSetFrame");
        auto* expand = Child<QToolButton>("m_pBtnExpand");
        auto* shrink = Child<QToolButton>("m_pBtnShrink");
        QVERIFY(frame->isVisible() && expand->isVisible() && !shrink->isVisible());
        QTest::mouseClick(expand, Qt::LeftButton);
        QVERIFY(!frame->isVisible() && !expand->isVisible() && shrink->isVisible());
        QTest::mouseClick(shrink, Qt::LeftButton);
        QVERIFY(frame->isVisible() && expand->isVisible() && !shrink->isVisible());
    }

    void eventsFromAForeignThread()
    {
        QtLumo& panel = MakePanel();
        std::thread library([] {
            for (int number = 1; number <= 50; ++number) {
                const LUMO_DEVICE_REPORT online = MakeReport(number);
                LumoDouble_Report(&online);
            }
            LUMO_DEVICE_REPORT update = MakeReport(7, LUMO_EVENT_UPDATE);
            SetReportText(update.ipv4Address, "192.168.77.7");
            LumoDouble_Report(&update);
            const LUMO_DEVICE_REPORT offline = MakeReport(9, LUMO_EVENT_OFFLINE);
            LumoDouble_Report(&offline);
        });
        library.join();
        QTRY_COMPARE(panel.DeviceCount(), 49);
        QTRY_COMPARE(Model(panel)->rowCount(), 49);
        QCOMPARE(panel.DeviceRecordCount(), 49);
        QCOMPARE(Cell(panel, RowOf(panel, SerialOf(7)), ColIpv4), QStringLiteral("192.168.77.7"));
        QCOMPARE(RowOf(panel, SerialOf(9)), -1);
        QTRY_COMPARE(Cell(panel, 48, ColId), QStringLiteral("049"));
    }
};

QTEST_MAIN(TestDevicePanel)
#include "tst_devicepanel.moc"
