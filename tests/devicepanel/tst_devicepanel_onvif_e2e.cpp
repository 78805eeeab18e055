// The panel with the real discovery library and ONVIF discovery against one
// simulator on the loopback that runs K-VNT devices and ONVIF cameras: the
// cameras listed and read, re-addressed alone and in a mixed batch, a wrong
// password, a camera that reboots, and the cameras leaving when it stops.
#include "CLumoDiscovery.h"
#include "COnvifWatch.h"
#include "CTableView.h"
#include "LumoTestSupport.h"
#include "OnvifDevsimProcess.h"
#include "PanelFixture.h"
#include "QtLumo.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

using namespace PanelFixture;

namespace {

constexpr int kFoundWithinMs = 20000;
// A camera that reboots is back within seconds; the change waits for it.
constexpr int kReaddressWithinMs = 60000;
enum { ColId = 0, ColDeviceType = 1, ColAddress = 2, ColSerial = 6, ColMac = 8, ColSource = 19 };
const QString kPassword = QStringLiteral("admin1234"); // of generated fleets and cameras

QString CameraSerial(int number)
{
    return QStringLiteral("AO%1").arg(number, 10, 10, QLatin1Char('0'));
}

QString KvntSerial(int number)
{
    return QStringLiteral("TL%1").arg(number, 10, 10, QLatin1Char('0'));
}

QString AddressInState(const QString& path, const char* list, const QString& serial)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QJsonArray devices = QJsonDocument::fromJson(file.readAll()).object().value(QLatin1String(list)).toArray();
    for (const QJsonValue& value : devices) {
        const QJsonObject device = value.toObject();
        if (device.value(QStringLiteral("serial")).toString() == serial)
            return device.value(QStringLiteral("ipv4")).toObject().value(QStringLiteral("address")).toString();
    }
    return {};
}

} // namespace

class TestDevicePanelOnvifEndToEnd : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_tempDir;
    QString m_strState;
    std::unique_ptr<DevsimProcess> m_pDevsim;
    std::unique_ptr<QtLumo> m_pPanel;

    template <typename T>
    T* Child(const char* name) { return m_pPanel->findChild<T*>(QLatin1String(name)); }

    bool CamerasRead()
    {
        return QTest::qWaitFor([&] {
            for (int number = 1; number <= 3; ++number) {
                if (RowOf(*m_pPanel, CameraSerial(number)) < 0)
                    return false;
            }
            return true;
        }, kFoundWithinMs);
    }
    QStringList PressModify(const QString& address, const QString& password)
    {
        TypeInto(*m_pPanel, "lineEditIPAddr", address);
        TypeInto(*m_pPanel, "lineEditIPMask", QStringLiteral("255.0.0.0"));
        TypeInto(*m_pPanel, "lineEditIPGateway", QStringLiteral("127.0.0.254"));
        if (Child<QLineEdit>("lineEditPort")->isEnabled())
            TypeInto(*m_pPanel, "lineEditPort", QStringLiteral("8000"));
        TypeInto(*m_pPanel, "lineEditPort_Password", password);
        const BoxAnswerer answerer;
        QTest::mouseClick(Child<QPushButton>("pushButtonModifyNetwork"), Qt::LeftButton);
        return { answerer.Seen().title, answerer.Seen().text };
    }
    QString IdOf(const QString& serial) { return Cell(*m_pPanel, RowOf(*m_pPanel, serial), ColId); }

private slots:
    void initTestCase()
    {
        QVERIFY(m_tempDir.isValid());
        TestPorts::configureLibraryForLoopback();
        qputenv("LUMO_COMMAND_TIMEOUT_MS", "3000");
        CLumoDiscovery::SetLibraryFileName(QCoreApplication::applicationDirPath() + QStringLiteral("/")
                                           + CLumoDiscovery::LibraryFileName());
        const quint16 discoveryPort = OnvifDevsimProcess::freePort();
        const quint16 httpPort = OnvifDevsimProcess::freePort(2);
        QVERIFY(discoveryPort && httpPort);
        // Probes go to the simulator's port, and its Hello and Bye come back there.
        qputenv("ONVIF_INTERFACES", "none");
        qputenv("ONVIF_TARGETS", QByteArray("127.0.0.1:") + QByteArray::number(discoveryPort));
        qputenv("ONVIF_LISTEN_PORT", QByteArray::number(discoveryPort));

        m_strState = m_tempDir.filePath(QStringLiteral("site.json"));
        m_pDevsim = std::make_unique<DevsimProcess>();
        QVERIFY(m_pDevsim->start({ QStringLiteral("--count"), QStringLiteral("2"), QStringLiteral("--onvif-count"),
                                   QStringLiteral("3"), QStringLiteral("--onvif-port"), QString::number(discoveryPort),
                                   QStringLiteral("--onvif-http-port"), QString::number(httpPort),
                                   QStringLiteral("--state"), m_strState }));
        m_pPanel = std::make_unique<QtLumo>(nullptr, 0);
        m_pPanel->show();
        QVERIFY(m_pPanel->IsDiscoveryRunning());
        QVERIFY(m_pPanel->StartOnvifDiscovery(QStringLiteral("admin")));
    }

    void cleanupTestCase()
    {
        m_pPanel.reset();
        m_pDevsim.reset();
    }

    void camerasAreListedBesideTheDevicesAndFillInOnceReadable()
    {
        QTRY_COMPARE_WITH_TIMEOUT(m_pPanel->DeviceCount(), 5, kFoundWithinMs);
        QCOMPARE(OnvifRows(*m_pPanel), 3);
        // Anonymous reads are refused: discovery's model and address stand.
        for (int row = 0; row < 5; ++row) {
            if (Cell(*m_pPanel, row, ColSource).startsWith(QLatin1String("ONVIF")))
                QCOMPARE(Cell(*m_pPanel, row, ColDeviceType), QStringLiteral("AO-2150"));
        }
        m_pPanel->OnvifWatch()->SetCredentials(QStringLiteral("admin"), kPassword);
        QVERIFY(CamerasRead());
        const int row = RowOf(*m_pPanel, CameraSerial(2));
        QCOMPARE(Cell(*m_pPanel, row, ColSource), QStringLiteral("ONVIF (Aurel Optics)"));
        QVERIFY(!Cell(*m_pPanel, row, ColMac).isEmpty());
        // More probe rounds find the same cameras: still one row each.
        m_pPanel->OnManualUpdate();
        m_pPanel->OnManualUpdate();
        QVERIFY(!QTest::qWaitFor([&] { return m_pPanel->DeviceCount() != 5; }, 1500));
        QCOMPARE(OnvifRows(*m_pPanel), 3);
    }

    void wrongPasswordIsSaidAndChangesNothing()
    {
        QVERIFY(CamerasRead());
        ClickRows(*m_pPanel, { RowOf(*m_pPanel, CameraSerial(3)) });
        const QString before = AddressInState(m_strState, "onvif", CameraSerial(3));
        const QStringList box = PressModify(QStringLiteral("127.0.0.63"), QStringLiteral("not-the-password"));
        QCOMPARE(box.value(1), QStringLiteral("Modify network parameter failed!ID:%1 (authentication failed) ")
                                   .arg(IdOf(CameraSerial(3))));
        QCOMPARE(AddressInState(m_strState, "onvif", CameraSerial(3)), before);
    }

    void oneCameraTakesItsNewAddress()
    {
        QVERIFY(CamerasRead());
        ClickRows(*m_pPanel, { RowOf(*m_pPanel, CameraSerial(1)) });
        const QStringList box = PressModify(QStringLiteral("127.0.0.61"), kPassword);
        QCOMPARE(box, (QStringList{ QStringLiteral("Information"),
                                    QStringLiteral("Modify network parameter succeed.ID:%1 ").arg(IdOf(CameraSerial(1))) }));
        QCOMPARE(AddressInState(m_strState, "onvif", CameraSerial(1)), QStringLiteral("127.0.0.61"));
        QCOMPARE(Cell(*m_pPanel, RowOf(*m_pPanel, CameraSerial(1)), ColAddress), QStringLiteral("127.0.0.61"));
        QCOMPARE(m_pPanel->DeviceCount(), 5);
    }

    // Device 1 (K-VNT), camera 2 (which reboots for the change) and camera 3
    // get three consecutive addresses in the order they were selected. The
    // cameras can only move on the loopback, where a K-VNT device refuses an
    // address: each device's outcome is told apart in the one box.
    void mixedBatchGivesConsecutiveAddresses()
    {
        QVERIFY(CamerasRead());
        const QString kvntBefore = AddressInState(m_strState, "devices", KvntSerial(1));
        ClickRows(*m_pPanel, { RowOf(*m_pPanel, KvntSerial(1)), RowOf(*m_pPanel, CameraSerial(2)),
                               RowOf(*m_pPanel, CameraSerial(3)) });
        QVERIFY(Child<QLineEdit>("lineEditPort")->isEnabled());
        const QString expected = QStringLiteral("Modify network parameter succeed.ID:%1 %2 Modify network parameter "
                                                "failed!ID:%3 (value refused by the device) ")
                                     .arg(IdOf(CameraSerial(2)), IdOf(CameraSerial(3)), IdOf(KvntSerial(1)));
        const QStringList box = PressModify(QStringLiteral("127.0.0.71"), kPassword);
        QCOMPARE(box.value(1), expected);
        QCOMPARE(AddressInState(m_strState, "devices", KvntSerial(1)), kvntBefore);
        QCOMPARE(AddressInState(m_strState, "onvif", CameraSerial(2)), QStringLiteral("127.0.0.72"));
        QCOMPARE(AddressInState(m_strState, "onvif", CameraSerial(3)), QStringLiteral("127.0.0.73"));
        // The rebooted camera is read at its new address, one row still.
        QTRY_COMPARE_WITH_TIMEOUT(Cell(*m_pPanel, RowOf(*m_pPanel, CameraSerial(2)), ColAddress),
                                  QStringLiteral("127.0.0.72"), kReaddressWithinMs);
        QCOMPARE(OnvifRows(*m_pPanel), 3);
    }

    void camerasLeaveWhenTheySayBye()
    {
        QVERIFY(m_pDevsim->stop());
        QTRY_COMPARE_WITH_TIMEOUT(OnvifRows(*m_pPanel), 0, kFoundWithinMs);
    }
};

QTEST_MAIN(TestDevicePanelOnvifEndToEnd)
#include "tst_devicepanel_onvif_e2e.moc"
