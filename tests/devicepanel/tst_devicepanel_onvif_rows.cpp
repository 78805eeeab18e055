// ONVIF rows beside K-VNT rows, fed through the watch's signals as its thread
// delivers them: one row per endpoint, a K-VNT twin listed once, rows that
// leave, the form an ONVIF row fills, and Comeback refused for it.
#include "CDeviceTableExport.h"
#include "COnvifWatch.h"
#include "CTableView.h"
#include "LumoDouble.h"
#include "PanelFixture.h"
#include "QtLumo.h"

#include <QDesktopServices>
#include <QLineEdit>
#include <QLoggingCategory>
#include <QPushButton>
#include <QtTest>

#include <memory>

using namespace PanelFixture;

namespace {

enum { ColDeviceType = 1, ColAddress = 2, ColPort = 3, ColSerial = 6, ColMask = 7, ColMac = 8, ColSource = 19 };

OnvifDeviceRecord Camera(int number, bool bRead = true)
{
    OnvifDeviceRecord record;
    record.endpoint = QStringLiteral("urn:uuid:cam-%1").arg(number);
    record.host = QStringLiteral("192.168.7.%1").arg(number);
    record.xaddrs = { QStringLiteral("http://192.168.7.%1:8080/onvif/device_service").arg(number) };
    record.scopeHardware = QStringLiteral("HW-%1").arg(number);
    if (!bRead)
        return record;
    record.state = OnvifDeviceRecord::State::Read;
    record.manufacturer = QStringLiteral("Maker");
    record.model = QStringLiteral("CAM-%1").arg(number);
    record.serialNumber = QStringLiteral("CS%1").arg(number);
    record.mac = QStringLiteral("02-00-00-00-07-%1").arg(number, 2, 10, QLatin1Char('0'));
    record.ipv4Address = record.host;
    record.ipv4PrefixLength = 20;
    record.ipv4Gateway = QStringLiteral("192.168.0.1");
    record.httpPort = 80;
    return record;
}

} // namespace

// Takes the pages the panel asks the desktop to open.
class UrlCatcher : public QObject
{
    Q_OBJECT
public slots:
    void Open(const QUrl& url) { m_urls.append(url); }

public:
    QList<QUrl> m_urls;
};

class TestDevicePanelOnvifRows : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<QtLumo> m_pPanel;

    QtLumo& MakePanel(int kvntCount)
    {
        m_pPanel = ShowPanel(kvntCount);
        if (!m_pPanel->StartOnvifDiscovery(QStringLiteral("admin")))
            qWarning("ONVIF discovery did not start");
        return *m_pPanel;
    }
    void Seen(const OnvifDeviceRecord& record) { emit m_pPanel->OnvifWatch()->DeviceSeen(record); }
    void Lost(const OnvifDeviceRecord& record) { emit m_pPanel->OnvifWatch()->DeviceLost(record.endpoint); }
    template <typename T>
    T* Child(const char* name) { return m_pPanel->findChild<T*>(QLatin1String(name)); }

    int RowOfAddress(const QString& address)
    {
        for (int row = 0; row < Model(*m_pPanel)->rowCount(); ++row) {
            if (Cell(*m_pPanel, row, ColAddress) == address && Model(*m_pPanel)->flags(Model(*m_pPanel)->index(row, 0)))
                return row;
        }
        return -1;
    }
    bool RowsSettled()
    {
        return QTest::qWaitFor([&] { return Model(*m_pPanel)->rowCount() == m_pPanel->DeviceCount(); }, 5000);
    }

private slots:
    void initTestCase()
    {
        QLoggingCategory::setFilterRules(QStringLiteral("default.debug=false"));
        // The watch's own sockets stay on a loopback port nobody answers on.
        qputenv("ONVIF_INTERFACES", "none");
        qputenv("ONVIF_TARGETS", "127.0.0.1:47962");
        qputenv("ONVIF_LISTEN_PORT", "47962");
    }
    void init() { UseLibraryDouble(); }
    void cleanup() { m_pPanel.reset(); }

    void camerasAreListedOncePerEndpoint()
    {
        QtLumo& panel = MakePanel(2);
        Seen(Camera(1, false));
        Seen(Camera(2, false));
        Seen(Camera(1, false)); // a repeated match or Hello
        QCOMPARE(panel.DeviceCount(), 4);
        QCOMPARE(CountLabel(panel), QStringLiteral("4"));
        QCOMPARE(OnvifRows(*m_pPanel), 2);

        // Unread, a row shows what discovery gave.
        const int row = RowOfAddress(QStringLiteral("192.168.7.1"));
        QVERIFY(row >= 0);
        QCOMPARE(Cell(panel, row, ColDeviceType), QStringLiteral("HW-1"));
        QCOMPARE(Cell(panel, row, ColSource), QStringLiteral("ONVIF"));
        QCOMPARE(Cell(panel, row, ColPort).trimmed(), QStringLiteral("8080"));

        // Its read fills the row in place.
        Seen(Camera(1));
        QCOMPARE(panel.DeviceCount(), 4);
        QCOMPARE(RowOfAddress(QStringLiteral("192.168.7.1")), row);
        QCOMPARE(Cell(panel, row, ColDeviceType), QStringLiteral("CAM-1"));
        QCOMPARE(Cell(panel, row, ColSerial), QStringLiteral("CS1"));
        QCOMPARE(Cell(panel, row, ColMask), QStringLiteral("255.255.240.0"));
        QCOMPARE(Cell(panel, row, ColPort).trimmed(), QStringLiteral("80"));
        QCOMPARE(Cell(panel, row, ColSource), QStringLiteral("ONVIF (Maker)"));
        QCOMPARE(Cell(panel, RowOf(panel, SerialOf(1)), ColSource), QStringLiteral("K-VNT"));
    }

    void lostCamerasLeaveAndTheRestAreRenumbered()
    {
        QtLumo& panel = MakePanel(1);
        for (int number = 1; number <= 3; ++number)
            Seen(Camera(number));
        Lost(Camera(2));
        Lost(Camera(2)); // a Bye after the watch found it silent
        QCOMPARE(panel.DeviceCount(), 3);
        QVERIFY(RowsSettled());
        QCOMPARE(OnvifRows(*m_pPanel), 2);
        QCOMPARE(RowOfAddress(QStringLiteral("192.168.7.2")), -1);
        for (int row = 0; row < 3; ++row)
            QCOMPARE(Cell(panel, row, 0), QStringLiteral("%1").arg(row + 1, 3, 10, QLatin1Char('0')));
        // Found again, it is listed again.
        Seen(Camera(2));
        QCOMPARE(panel.DeviceCount(), 4);
    }

    void aKvntDeviceThatAnswersOnvifIsListedOnce_data()
    {
        QTest::addColumn<bool>("bCameraFirst");
        QTest::addColumn<bool>("bCameraRead");
        QTest::newRow("camera read, then the device") << true << true;
        QTest::newRow("device, then the camera read") << false << true;
        QTest::newRow("device, then the camera unread") << false << false;
        QTest::newRow("camera unread, then the device") << true << false;
    }
    void aKvntDeviceThatAnswersOnvifIsListedOnce()
    {
        QFETCH(bool, bCameraFirst);
        QFETCH(bool, bCameraRead);
        QtLumo& panel = MakePanel(1);
        // Device 5 of the reports, with its MAC written another way and its address.
        OnvifDeviceRecord twin = Camera(5, bCameraRead);
        twin.host = Ipv4Of(5);
        twin.ipv4Address = bCameraRead ? twin.host : QString();
        twin.mac = bCameraRead ? MacOf(5).toLower().replace(QLatin1Char(':'), QLatin1Char('-')) : QString();
        if (bCameraFirst)
            Seen(twin);
        Online(5);
        if (!bCameraFirst)
            Seen(twin);
        QCOMPARE(panel.DeviceCount(), 2);
        QVERIFY(RowsSettled());
        QCOMPARE(OnvifRows(*m_pPanel), 0);
        QCOMPARE(Cell(panel, RowOf(panel, SerialOf(5)), ColSource), QStringLiteral("K-VNT"));

        // When the K-VNT device leaves, the camera it also was is listed.
        Offline(5);
        QVERIFY(RowsSettled());
        QCOMPARE(panel.DeviceCount(), 2);
        QCOMPARE(OnvifRows(*m_pPanel), 1);
    }

    void sortingKeepsEachRowItsDevice()
    {
        QtLumo& panel = MakePanel(3);
        for (int number = 3; number >= 1; --number)
            Seen(Camera(number));
        ClickHeader(panel, ColAddress);
        ClickHeader(panel, ColAddress);
        Seen(Camera(2)); // an update after sorting finds its row
        Lost(Camera(3));
        QVERIFY(RowsSettled());
        QCOMPARE(panel.DeviceCount(), 5);
        QCOMPARE(OnvifRows(*m_pPanel), 2);
        const int row = RowOfAddress(QStringLiteral("192.168.7.2"));
        QVERIFY(row >= 0);
        QCOMPARE(Cell(panel, row, ColSerial), QStringLiteral("CS2"));
    }

    void anOnvifRowFillsTheFormWithAFixedPort()
    {
        QtLumo& panel = MakePanel(1);
        Seen(Camera(4));
        ClickRows(panel, { RowOfAddress(QStringLiteral("192.168.7.4")) });
        QCOMPARE(Child<QLineEdit>("lineEditSerial")->text(), QStringLiteral("CS4"));
        QCOMPARE(Child<QLineEdit>("lineEditIPAddr")->text(), QStringLiteral("192.168.7.4"));
        QCOMPARE(Child<QLineEdit>("lineEditIPMask")->text(), QStringLiteral("255.255.240.0"));
        QCOMPARE(Child<QLineEdit>("lineEditIPGateway")->text(), QStringLiteral("192.168.0.1"));
        QCOMPARE(Child<QLineEdit>("lineEditPort")->text(), QStringLiteral("80"));
        QVERIFY(!Child<QLineEdit>("lineEditPort")->isEnabled());
        QVERIFY(Child<QPushButton>("pushButtonModifyNetwork")->isEnabled());
        QVERIFY(!Child<QLineEdit>("lineEditIPv6Addr")->isEnabled());

        // A K-VNT row below it still fills the form from its own record.
        ClickRows(panel, { RowOf(panel, SerialOf(1)) });
        QCOMPARE(Child<QLineEdit>("lineEditSerial")->text(), SerialOf(1));
        QVERIFY(Child<QLineEdit>("lineEditPort")->isEnabled());
    }

    void comebackOnAnOnvifRowIsRefusedAndSendsNothing()
    {
        QtLumo& panel = MakePanel(1);
        Seen(Camera(1));
        ClickRows(panel, { RowOfAddress(QStringLiteral("192.168.7.1")) });
        TypeInto(panel, "m_pDefaultPwdLEdit", QStringLiteral("123456"));
        const int resetsBefore = LumoDouble_CallCount(LumoDoubleReset);
        const BoxAnswerer answerer;
        QTest::mouseClick(Child<QPushButton>("pushButtonModifyPassword"), Qt::LeftButton);
        QVERIFY(answerer.Seen().bShown);
        QVERIFY(answerer.Seen().text.contains(QLatin1String("cannot be restored here")));
        QCOMPARE(LumoDouble_CallCount(LumoDoubleReset), resetsBefore);
    }

    void doubleClickOpensTheCamerasWebPage_data()
    {
        QTest::addColumn<int>("httpPort");
        QTest::addColumn<QString>("page");
        QTest::newRow("port 80") << 80 << QStringLiteral("http://192.168.7.3/");
        QTest::newRow("reported port") << 8081 << QStringLiteral("http://192.168.7.3:8081/");
        QTest::newRow("unread: the device-service port") << -1 << QStringLiteral("http://192.168.7.3:8080/");
    }
    void doubleClickOpensTheCamerasWebPage()
    {
        QFETCH(int, httpPort);
        QFETCH(QString, page);
        QtLumo& panel = MakePanel(1);
        OnvifDeviceRecord camera = Camera(3);
        camera.httpPort = httpPort;
        Seen(camera);
        UrlCatcher catcher;
        QDesktopServices::setUrlHandler(QStringLiteral("http"), &catcher, "Open");
        CTableView* table = Table(panel);
        const QModelIndex cell = Model(panel)->index(RowOfAddress(QStringLiteral("192.168.7.3")), ColAddress);
        table->scrollTo(cell);
        QTest::mouseClick(table->viewport(), Qt::LeftButton, Qt::NoModifier, table->visualRect(cell).center());
        QTest::mouseDClick(table->viewport(), Qt::LeftButton, Qt::NoModifier, table->visualRect(cell).center());
        QDesktopServices::unsetUrlHandler(QStringLiteral("http"));
        QCOMPARE(catcher.m_urls, QList<QUrl>{ QUrl(page) });
    }

    void copiedRowsSayWhereEachDeviceCameFrom()
    {
        QtLumo& panel = MakePanel(1);
        Seen(Camera(1));
        ClickRows(panel, { 0, 1 });
        auto* exporter = panel.findChild<CDeviceTableExport*>();
        QVERIFY(exporter);
        const QStringList lines = exporter->SelectedRowsText().split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 3);
        QVERIFY(lines[0].endsWith(QLatin1String("\tSource")));
        QVERIFY(lines[1].endsWith(QLatin1String("K-VNT")));
        QVERIFY(lines[2].endsWith(QLatin1String("ONVIF (Maker)")));
        QVERIFY(exporter->ListCsv().contains("ONVIF (Maker)"));
    }
};

QTEST_MAIN(TestDevicePanelOnvifRows)
#include "tst_devicepanel_onvif_rows.moc"
