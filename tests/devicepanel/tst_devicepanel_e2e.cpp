// The panel with the real discovery library against simulated devices on the
// loopback: what an installer does, down to the devices' stored settings.
#include "CLumoDiscovery.h"
#include "CTableView.h"
#include "LumoTestSupport.h"
#include "PanelFixture.h"
#include "QtLumo.h"

#include <QApplication>
#include <QDate>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

using namespace PanelFixture;

namespace {

constexpr int kFoundWithinMs = 20000;
const QString kPassword = QStringLiteral("admin1234"); // of generated fleets

QString SimSerial(int number)
{
    return QStringLiteral("TL%1").arg(number, 10, 10, QLatin1Char('0'));
}

QJsonObject DeviceInState(const QString& path, const QString& serial)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QJsonArray devices = QJsonDocument::fromJson(file.readAll()).object().value(QStringLiteral("devices")).toArray();
    for (const QJsonValue& value : devices) {
        if (value.toObject().value(QStringLiteral("serial")).toString() == serial)
            return value.toObject();
    }
    return {};
}

QString AddressInState(const QString& path, const QString& serial)
{
    return DeviceInState(path, serial).value(QStringLiteral("ipv4")).toObject().value(QStringLiteral("address")).toString();
}

QString SecurityCode(const QString& serial, const QDate& date)
{
    QProcess tool;
    tool.start(QCoreApplication::applicationDirPath() + QStringLiteral("/lumo-seccode"),
               { serial, date.toString(QStringLiteral("yyyyMMdd")) });
    if (!tool.waitForFinished(10000) || tool.exitCode() != 0)
        return QString();
    return QString::fromLatin1(tool.readAllStandardOutput()).trimmed();
}

// A fleet file of devices whose serial numbers and MACs no generated fleet
// uses, all with the password of generated fleets.
bool WriteNewcomerFleet(const QString& templatePath, const QString& path, int count)
{
    QFile source(templatePath);
    if (!source.open(QIODevice::ReadOnly))
        return false;
    QJsonObject fleet = QJsonDocument::fromJson(source.readAll()).object();
    const QJsonObject model = fleet.value(QStringLiteral("devices")).toArray().first().toObject();
    QJsonArray devices;
    for (int i = 1; i <= count; ++i) {
        QJsonObject device = model;
        device[QStringLiteral("serial")] = SimSerial(900 + i);
        device[QStringLiteral("mac")] = QStringLiteral("02:4C:55:00:09:%1").arg(i, 2, 10, QLatin1Char('0'));
        QJsonObject ipv4 = device.value(QStringLiteral("ipv4")).toObject();
        ipv4[QStringLiteral("address")] = QStringLiteral("10.20.9.%1").arg(i);
        device[QStringLiteral("ipv4")] = ipv4;
        devices.append(device);
    }
    fleet[QStringLiteral("devices")] = devices;
    QFile target(path);
    return target.open(QIODevice::WriteOnly) && target.write(QJsonDocument(fleet).toJson()) > 0;
}

} // namespace

class TestDevicePanelEndToEnd : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_tempDir;
    QString m_strState;
    std::unique_ptr<DevsimProcess> m_pDevsim;
    std::unique_ptr<QtLumo> m_pPanel;

    // A fleet of simulated devices and a panel that lists every one of them.
    bool StartFleetAndPanel(int count, const QStringList& extraArguments = {})
    {
        m_strState = m_tempDir.filePath(QStringLiteral("fleet-%1.json").arg(QString::fromLatin1(QTest::currentTestFunction())));
        QFile::remove(m_strState);
        m_pDevsim = std::make_unique<DevsimProcess>();
        if (!m_pDevsim->start(QStringList{ QStringLiteral("--count"), QString::number(count), QStringLiteral("--state"),
                                           m_strState } + extraArguments))
            return false;
        m_pPanel = std::make_unique<QtLumo>(nullptr, 0);
        m_pPanel->show();
        if (!m_pPanel->IsDiscoveryRunning())
            return false;
        return QTest::qWaitFor([&] { return m_pPanel->DeviceCount() == count; }, kFoundWithinMs);
    }

    template <typename T>
    T* Child(const char* name) { return m_pPanel->findChild<T*>(QLatin1String(name)); }

    void SelectDevices(const QList<int>& numbers)
    {
        CTableView* table = Table(*m_pPanel);
        for (int i = 0; i < numbers.size(); ++i) {
            const int row = RowOf(*m_pPanel, SimSerial(numbers[i]));
            QVERIFY(row >= 0);
            table->scrollTo(table->model()->index(row, 1));
            QTest::mouseClick(table->viewport(), Qt::LeftButton, i == 0 ? Qt::NoModifier : Qt::ControlModifier,
                              table->visualRect(table->model()->index(row, 1)).center());
        }
    }

    void Type(const char* name, const QString& text)
    {
        auto* field = Child<QLineEdit>(name);
        field->setFocus();
        field->selectAll();
        QTest::keyClick(field, Qt::Key_Backspace);
        QTest::keyClicks(field, text);
    }

    // Presses a button and returns the title and text of the box that follows.
    QStringList PressAndReadBox(const char* button)
    {
        const BoxAnswerer answerer;
        QTest::mouseClick(Child<QPushButton>(button), Qt::LeftButton);
        return { answerer.Seen().title, answerer.Seen().text };
    }

    QStringList Modify(const QString& address, const QString& password)
    {
        Type("lineEditIPAddr", address);
        Type("lineEditIPMask", QStringLiteral("255.255.255.0"));
        Type("lineEditPort", QStringLiteral("8000"));
        Type("lineEditIPGateway", QStringLiteral("10.30.0.1"));
        Type("lineEditPort_Password", password);
        return PressAndReadBox("pushButtonModifyNetwork");
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_tempDir.isValid());
        TestPorts::configureLibraryForLoopback();
        qputenv("LUMO_COMMAND_TIMEOUT_MS", "3000");
        CLumoDiscovery::SetLibraryFileName(QCoreApplication::applicationDirPath() + QStringLiteral("/")
                                           + CLumoDiscovery::LibraryFileName());
    }

    void cleanup()
    {
        m_pPanel.reset();
        m_pDevsim.reset();
    }

    void reAddressOneDevice()
    {
        QVERIFY(StartFleetAndPanel(4));
        SelectDevices({ 2 });
        const QStringList box = Modify(QStringLiteral("10.30.0.22"), kPassword);
        const int row = RowOf(*m_pPanel, SimSerial(2));
        QCOMPARE(box, (QStringList{ QStringLiteral("Information"),
                                    QStringLiteral("Modify network parameter succeed.ID:%1 ").arg(Cell(*m_pPanel, row, 0)) }));
        QCOMPARE(Cell(*m_pPanel, row, 2), QStringLiteral("10.30.0.22"));
        QTRY_COMPARE(AddressInState(m_strState, SimSerial(2)), QStringLiteral("10.30.0.22"));
        // The device reports its new settings; the row stays one row.
        QTRY_COMPARE(Cell(*m_pPanel, RowOf(*m_pPanel, SimSerial(2)), 7), QStringLiteral("255.255.255.0"));
        QCOMPARE(m_pPanel->DeviceCount(), 4);
    }

    void batchOfFiveGetsConsecutiveAddresses_data()
    {
        QTest::addColumn<QString>("loss");
        QTest::newRow("clean network") << QStringLiteral("0");
        QTest::newRow("10% packet loss") << QStringLiteral("0.1");
    }

    void batchOfFiveGetsConsecutiveAddresses()
    {
        QFETCH(QString, loss);
        QVERIFY(StartFleetAndPanel(6, { QStringLiteral("--loss"), loss, QStringLiteral("--seed"), QStringLiteral("7") }));
        const QList<int> devices{ 6, 1, 4, 2, 3 };
        SelectDevices(devices);
        const QStringList box = Modify(QStringLiteral("10.30.0.100"), kPassword);
        QVERIFY2(box.value(1).startsWith(QStringLiteral("Modify network parameter succeed.")), qPrintable(box.value(1)));
        QVERIFY2(!box.value(1).contains(QStringLiteral("failed")), qPrintable(box.value(1)));
        for (int i = 0; i < devices.size(); ++i)
            QTRY_COMPARE(AddressInState(m_strState, SimSerial(devices[i])), QStringLiteral("10.30.0.%1").arg(100 + i));
        QCOMPARE(AddressInState(m_strState, SimSerial(5)), QStringLiteral("192.168.1.64"));
    }

    // Devices that boot while a batch runs announce themselves on the
    // library's thread, which also reads the devices' answers to the batch.
    void batchOfFiveWhileNewDevicesAnnounceThemselves()
    {
        // Every datagram of the fleet is late, so that the batch runs for a
        // good while: longer than the newcomers take to announce themselves.
        QVERIFY(StartFleetAndPanel(6, { QStringLiteral("--delay-ms"), QStringLiteral("150") }));
        const QString newcomerState = m_tempDir.filePath(QStringLiteral("newcomers.json"));
        QVERIFY(WriteNewcomerFleet(m_strState, newcomerState, 3));
        const QList<int> devices{ 1, 2, 3, 4, 5 };
        SelectDevices(devices);
        Type("lineEditIPAddr", QStringLiteral("10.30.0.100"));
        Type("lineEditIPMask", QStringLiteral("255.255.255.0"));
        Type("lineEditPort", QStringLiteral("8000"));
        Type("lineEditPort_Password", kPassword);

        // The newcomers answer on a port of their own; they announce
        // themselves to the library's port within a second of their start.
        QProcess newcomers;
        newcomers.start(DevsimProcess::executable(),
                        { QStringLiteral("--bind"), QStringLiteral("127.0.0.1"), QStringLiteral("--broadcast-address"),
                          QStringLiteral("127.255.255.255"), QStringLiteral("--port"), QString::number(TestPorts::floorPort()),
                          QStringLiteral("--client-port"), QString::number(TestPorts::clientPort()), QStringLiteral("--state"),
                          newcomerState, QStringLiteral("--stop-on-input-end") });
        QVERIFY(newcomers.waitForStarted(5000));
        // The box stays open until the newcomers' reports have arrived, so
        // they are known to have come while the run still held them back.
        int rowsWhileOpen = -1;
        bool bNewcomersArrivedWhileOpen = false;
        const BoxAnswerer answerer([&] {
            bNewcomersArrivedWhileOpen = QTest::qWaitFor([&] { return m_pPanel->HeldRecordCount() >= 3; }, kFoundWithinMs);
            rowsWhileOpen = Model(*m_pPanel)->rowCount();
        });
        QTest::mouseClick(Child<QPushButton>("pushButtonModifyNetwork"), Qt::LeftButton);

        QVERIFY(bNewcomersArrivedWhileOpen);

        QVERIFY2(!answerer.Seen().text.contains(QStringLiteral("failed")), qPrintable(answerer.Seen().text));
        QVERIFY2(answerer.Seen().text.startsWith(QStringLiteral("Modify network parameter succeed.")),
                 qPrintable(answerer.Seen().text));
        QCOMPARE(rowsWhileOpen, 6);
        for (int i = 0; i < devices.size(); ++i)
            QTRY_COMPARE(AddressInState(m_strState, SimSerial(devices[i])), QStringLiteral("10.30.0.%1").arg(100 + i));
        QTRY_COMPARE_WITH_TIMEOUT(m_pPanel->DeviceCount(), 9, kFoundWithinMs);
        for (int i = 1; i <= 3; ++i)
            QVERIFY(RowOf(*m_pPanel, SimSerial(900 + i)) >= 0);
        newcomers.closeWriteChannel();
        QVERIFY(newcomers.waitForFinished(10000));
    }

    void wrongPasswordChangesNothing()
    {
        QVERIFY(StartFleetAndPanel(3));
        SelectDevices({ 3 });
        const QString before = AddressInState(m_strState, SimSerial(3));
        const int row = RowOf(*m_pPanel, SimSerial(3));
        const QStringList box = Modify(QStringLiteral("10.30.0.33"), QStringLiteral("wrong-one"));
        QCOMPARE(box, (QStringList{ QStringLiteral("Information"),
                                    QStringLiteral("Modify network parameter failed!ID:%1 (wrong password) ")
                                        .arg(Cell(*m_pPanel, row, 0)) }));
        QCOMPARE(Cell(*m_pPanel, row, 2), before);
        QCOMPARE(AddressInState(m_strState, SimSerial(3)), before);
    }

    void repeatedWrongPasswordsShowTheLockout()
    {
        QVERIFY(StartFleetAndPanel(2, { QStringLiteral("--lockout-ms"), QStringLiteral("30000") }));
        SelectDevices({ 2 });
        const QString id = Cell(*m_pPanel, RowOf(*m_pPanel, SimSerial(2)), 0);
        const QRegularExpression locked(QStringLiteral("^Modify network parameter failed!ID:%1 "
                                                       "\\(locked for (\\d+) more seconds\\) $").arg(id));
        QStringList box;
        int tries = 0;
        while (!locked.match(box.value(1)).hasMatch() && tries < 6) {
            box = Modify(QStringLiteral("10.30.0.32"), QStringLiteral("wrong-one"));
            ++tries;
            if (!locked.match(box.value(1)).hasMatch())
                QCOMPARE(box.value(1), QStringLiteral("Modify network parameter failed!ID:%1 (wrong password) ").arg(id));
        }
        const QRegularExpressionMatch match = locked.match(box.value(1));
        QVERIFY2(match.hasMatch(), qPrintable(box.value(1)));
        QVERIFY(match.captured(1).toInt() >= 1 && match.captured(1).toInt() <= 30);
        // The right password is refused too while the lockout lasts.
        box = Modify(QStringLiteral("10.30.0.32"), kPassword);
        QVERIFY2(locked.match(box.value(1)).hasMatch(), qPrintable(box.value(1)));
    }

    void restoreDefaultPasswordWithSecurityCode_data()
    {
        QTest::addColumn<int>("daysAgo");
        QTest::addColumn<QStringList>("box");
        QTest::newRow("today's code") << 0 << QStringList{ QStringLiteral("Information"),
                                                           QStringLiteral("Restore default password succeed.") };
        QTest::newRow("code three days old") << 3 << QStringList{ QStringLiteral("Error"),
                                                                  QStringLiteral("Restore default password failed! "
                                                                                 "(wrong security code)") };
    }

    void restoreDefaultPasswordWithSecurityCode()
    {
        QFETCH(int, daysAgo);
        QFETCH(QStringList, box);
        QVERIFY(StartFleetAndPanel(2));
        SelectDevices({ 1 });
        const QString code = SecurityCode(SimSerial(1), QDate::currentDate().addDays(-daysAgo));
        QVERIFY(!code.isEmpty());
        Type("m_pDefaultPwdLEdit", code);
        QCOMPARE(PressAndReadBox("pushButtonModifyPassword"), box);

        // After a restore the device takes the default password, and only then.
        const bool restored = daysAgo == 0;
        SelectDevices({ 1 });
        const QStringList modified = Modify(QStringLiteral("10.30.0.11"), QStringLiteral("admin"));
        QCOMPARE(modified.value(1).startsWith(QStringLiteral("Modify network parameter succeed.")), restored);
        QTRY_COMPARE(AddressInState(m_strState, SimSerial(1)) == QStringLiteral("10.30.0.11"), restored);
    }
};

QTEST_MAIN(TestDevicePanelEndToEnd)
#include "tst_devicepanel_e2e.moc"
