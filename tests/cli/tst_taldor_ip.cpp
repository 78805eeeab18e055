#include "CCsvReader.h"
#include "LumoTestSupport.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

namespace {

const QByteArray kFleetPassword = "admin1234";

struct ToolRun
{
    int nExitCode = -1;
    QByteArray out;
    QString strError;
};

// The simulated fleet's state as the simulator saved it: serial -> device.
QMap<QString, QJsonObject> ReadState(const QString& fileName)
{
    QFile file(fileName);
    QMap<QString, QJsonObject> devices;
    if (!file.open(QIODevice::ReadOnly))
        return devices;
    const QJsonArray array = QJsonDocument::fromJson(file.readAll()).object().value(QStringLiteral("devices")).toArray();
    for (const QJsonValue& value : array)
        devices.insert(value[QStringLiteral("serial")].toString(), value.toObject());
    return devices;
}

QString AddressOf(const QJsonObject& device, const char* key = "address")
{
    return device[QStringLiteral("ipv4")][QString::fromLatin1(key)].toString();
}

QString Serial(int number)
{
    return QStringLiteral("TL%1").arg(number, 10, 10, QLatin1Char('0'));
}

// Today's security code for a simulated device, from the demo code issuer.
QString IssuedCode(const QString& serial)
{
    QProcess seccode;
    seccode.start(QCoreApplication::applicationDirPath() + QStringLiteral("/lumo-seccode"), { serial });
    if (!seccode.waitForFinished(10000))
        return QString();
    return QString::fromLatin1(seccode.readAllStandardOutput()).trimmed();
}

const QString kCodeWarning = QStringLiteral("warning: a code given with --code can be read by every user");

} // namespace

// taldor-ip end to end: the real discovery library and the simulator on the
// loopback, the tool started as a user would start it.
class TestTaldorIp : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void helpAndUsage_data();
    void helpAndUsage();
    void listsAsCsvAndJson();
    void listsOnlyTheProgramsModelsUnlessAsked();
    void setsOneDevice_data();
    void setsOneDevice();
    void wrongPasswordGivesExitOne();
    void repeatedWrongPasswordsShowTheLockout();
    void appliesTenDevicesUnderPacketLoss();
    void refusedPlanSendsNothing_data();
    void refusedPlanSendsNothing();
    void resetsThePassword();
    void resetTakesTheCodeOffTheCommandLine_data();
    void resetTakesTheCodeOffTheCommandLine();

private:
    bool StartFleet(int count, const QStringList& extra = {});
    ToolRun Run(const QStringList& arguments, const QByteArray& password = kFleetPassword,
                const QByteArray& input = QByteArray()) const;
    QString WritePlan(const QByteArray& text) const;
    QByteArray StateBytes() const;

    std::unique_ptr<QTemporaryDir> m_pDir;
    std::unique_ptr<DevsimProcess> m_pFleet;
    QString m_strState;
    // Set for the tool beside the password; reset for every test.
    QHash<QString, QString> m_environment;
};

void TestTaldorIp::initTestCase()
{
    TestPorts::configureLibraryForLoopback();
    QVERIFY(QFile::exists(siblingProgram(QStringLiteral("taldor-ip"))));
}

void TestTaldorIp::init()
{
    m_pDir = std::make_unique<QTemporaryDir>();
    m_strState = m_pDir->filePath(QStringLiteral("fleet.json"));
    m_environment.clear();
}

void TestTaldorIp::cleanup()
{
    m_pFleet.reset();
    m_pDir.reset();
}

bool TestTaldorIp::StartFleet(int count, const QStringList& extra)
{
    m_pFleet = std::make_unique<DevsimProcess>();
    return m_pFleet->start(QStringList { QStringLiteral("--count"), QString::number(count), QStringLiteral("--state"),
                                         m_strState } + extra);
}

ToolRun TestTaldorIp::Run(const QStringList& arguments, const QByteArray& password, const QByteArray& input) const
{
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    if (password.isNull())
        environment.remove(QStringLiteral("TALDOR_PASSWORD"));
    else
        environment.insert(QStringLiteral("TALDOR_PASSWORD"), QString::fromLatin1(password));
    environment.remove(QStringLiteral("TALDOR_CODE"));
    for (auto it = m_environment.cbegin(); it != m_environment.cend(); ++it)
        environment.insert(it.key(), it.value());
    process.setProcessEnvironment(environment);
    // On the loopback every device answers within milliseconds; a shorter
    // search than the default keeps the suite quick. list keeps the default.
    QStringList effective = arguments;
    const bool searches = !arguments.isEmpty() && arguments.front() != QLatin1String("list");
    if (searches && !arguments.contains(QStringLiteral("--wait")) && !arguments.contains(QStringLiteral("--help")))
        effective << QStringLiteral("--wait") << QStringLiteral("1.5");
    process.start(siblingProgram(QStringLiteral("taldor-ip")), effective);
    ToolRun run;
    if (!process.waitForStarted(10000))
        return run;
    process.write(input);
    process.closeWriteChannel();
    if (!process.waitForFinished(120000))
        return run;
    run.nExitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.out = process.readAllStandardOutput();
    run.strError = QString::fromLocal8Bit(process.readAllStandardError());
#if defined(Q_OS_WIN)
    // A Windows console program ends its lines with CR LF.
    run.out.replace("\r\n", "\n");
    run.strError.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
#endif
    return run;
}

QString TestTaldorIp::WritePlan(const QByteArray& text) const
{
    const QString fileName = m_pDir->filePath(QStringLiteral("plan.csv"));
    QFile file(fileName);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        file.write(text);
    return fileName;
}

QByteArray TestTaldorIp::StateBytes() const
{
    QFile file(m_strState);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void TestTaldorIp::helpAndUsage_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("text"); // on standard output for 0, on standard error otherwise
    QTest::newRow("program help") << QStringList { QStringLiteral("--help") } << 0 << QStringLiteral("Commands:\n  list");
    QTest::newRow("no command") << QStringList {} << 2 << QStringLiteral("Usage: taldor-ip COMMAND");
    QTest::newRow("unknown command") << QStringList { QStringLiteral("lsit") } << 2 << QStringLiteral("unknown command \"lsit\"");
    QTest::newRow("unknown command with escapes") << QStringList { QStringLiteral("l\x1b]0;owned\x07") } << 2
                                                  << QStringLiteral("unknown command \"l?]0;owned?\"");
    for (const char* command : { "list", "set", "apply", "reset" })
        QTest::addRow("%s --help", command) << QStringList { QString::fromLatin1(command), QStringLiteral("--help") } << 0
                                            << QStringLiteral("Usage: taldor-ip %1 ").arg(QString::fromLatin1(command));
    QTest::newRow("unknown format") << QStringList { QStringLiteral("list"), QStringLiteral("--format"), QStringLiteral("xml") }
                                    << 2 << QStringLiteral("--format is table, csv or json");
    QTest::newRow("bad wait") << QStringList { QStringLiteral("list"), QStringLiteral("--wait"), QStringLiteral("0") } << 2
                              << QStringLiteral("--wait takes a number");
    QTest::newRow("unknown option") << QStringList { QStringLiteral("list"), QStringLiteral("--al-models") } << 2
                                    << QStringLiteral("taldor-ip list: Unknown option");
    QTest::newRow("set without address") << QStringList { QStringLiteral("set"), Serial(1) } << 2
                                         << QStringLiteral("give the new address with --ip");
    QTest::newRow("set with a bad port") << QStringList { QStringLiteral("set"), Serial(1), QStringLiteral("--ip"),
                                                          QStringLiteral("10.20.0.5"), QStringLiteral("--port"), QStringLiteral("80") }
                                         << 2 << QStringLiteral("port \"80\" is not a number from 2000 to 65535");
    QTest::newRow("set with a bad prefix") << QStringList { QStringLiteral("set"), Serial(1), QStringLiteral("--ip"),
                                                            QStringLiteral("10.20.0.5"), QStringLiteral("--ipv6-prefix"), QStringLiteral("0") }
                                           << 2 << QStringLiteral("--ipv6-prefix is a number from 1 to 128");
    QTest::newRow("plan missing") << QStringList { QStringLiteral("apply"), QStringLiteral("/nonexistent/plan.csv") } << 2
                                  << QStringLiteral("/nonexistent/plan.csv:");
    QTest::newRow("reset without code") << QStringList { QStringLiteral("reset"), Serial(1) } << 2
                                        << QStringLiteral("no security code; set TALDOR_CODE or type it when asked");
}

void TestTaldorIp::helpAndUsage()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    QFETCH(QString, text);
    const ToolRun run = Run(arguments);
    QCOMPARE(run.nExitCode, exitCode);
    const QString shown = exitCode == 0 ? QString::fromUtf8(run.out) : run.strError;
    QVERIFY2(shown.contains(text), qPrintable(shown));
    QVERIFY(!run.strError.contains(QChar(0x1b)));
}

void TestTaldorIp::listsAsCsvAndJson()
{
    QVERIFY(StartFleet(6));
    QStringList serials;
    for (int n = 1; n <= 6; ++n)
        serials.append(Serial(n));

    const ToolRun csv = Run({ QStringLiteral("list"), QStringLiteral("--format"), QStringLiteral("csv") });
    QCOMPARE(csv.nExitCode, 0);
    CCsvReader reader;
    QVERIFY2(reader.Parse(csv.out), qPrintable(reader.Error()));
    const QList<CsvRecord>& records = reader.Records();
    QCOMPARE(records.size(), 7);
    QCOMPARE(records[0].fields.size(), 24);
    const int serialColumn = records[0].fields.indexOf(QStringLiteral("Serial Number"));
    const int addressColumn = records[0].fields.indexOf(QStringLiteral("IPv4 Address"));
    QVERIFY(serialColumn >= 0 && addressColumn >= 0);
    QStringList csvSerials;
    for (int i = 1; i < records.size(); ++i)
        csvSerials.append(records[i].fields[serialColumn]);
    csvSerials.sort();
    QCOMPARE(csvSerials, serials);
    // Ordered by address: the fifth device kept the factory default 192.168.1.64.
    QCOMPARE(records[1].fields[addressColumn], QStringLiteral("10.20.0.10"));
    QCOMPARE(records[6].fields[addressColumn], QStringLiteral("192.168.1.64"));

    const ToolRun json = Run({ QStringLiteral("list"), QStringLiteral("--format"), QStringLiteral("json") });
    QCOMPARE(json.nExitCode, 0);
    QJsonParseError error;
    const QJsonArray array = QJsonDocument::fromJson(json.out, &error).array();
    QCOMPARE(error.error, QJsonParseError::NoError);
    QCOMPARE(array.size(), 6);
    QStringList jsonSerials;
    for (const QJsonValue& device : array) {
        jsonSerials.append(device[QStringLiteral("serialNumber")].toString());
        QCOMPARE(device[QStringLiteral("port")].toInt(), 8000);
        QVERIFY(device[QStringLiteral("supportsDhcp")].isBool());
    }
    jsonSerials.sort();
    QCOMPARE(jsonSerials, serials);
    // Every third generated device has IPv6; the others report none.
    for (const QJsonValue& device : array) {
        const bool ipv6 = device[QStringLiteral("supportsIpv6")].toBool();
        QCOMPARE(device[QStringLiteral("ipv6Address")].isNull(), !ipv6);
    }
}

void TestTaldorIp::listsOnlyTheProgramsModelsUnlessAsked()
{
    QVERIFY(StartFleet(3));
    m_pFleet.reset();
    // Make the second device a model the program does not list.
    QFile file(m_strState);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QJsonObject root = QJsonDocument::fromJson(file.readAll()).object();
    file.close();
    QJsonArray devices = root[QStringLiteral("devices")].toArray();
    QJsonObject second = devices[1].toObject();
    second[QStringLiteral("model")] = QStringLiteral("X-NVR8");
    devices[1] = second;
    root[QStringLiteral("devices")] = devices;
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(QJsonDocument(root).toJson());
    file.close();
    QVERIFY(StartFleet(3));

    const ToolRun listed = Run({ QStringLiteral("list"), QStringLiteral("--format"), QStringLiteral("json") });
    QCOMPARE(listed.nExitCode, 0);
    QCOMPARE(QJsonDocument::fromJson(listed.out).array().size(), 2);
    QVERIFY(!listed.out.contains("X-NVR8"));
    const ToolRun all = Run({ QStringLiteral("list"), QStringLiteral("--all-models") });
    QCOMPARE(all.nExitCode, 0);
    QVERIFY(all.out.contains("X-NVR8"));
    QCOMPARE(all.out.count('\n'), 4); // the header and three devices
}

void TestTaldorIp::setsOneDevice_data()
{
    QTest::addColumn<QString>("device");
    QTest::addColumn<bool>("passwordOnInput");
    QTest::newRow("by serial, password from the environment") << Serial(2) << false;
    QTest::newRow("by MAC, password on standard input") << QStringLiteral("02-4c-55-00-00-02") << true;
}

void TestTaldorIp::setsOneDevice()
{
    QFETCH(QString, device);
    QFETCH(bool, passwordOnInput);
    QVERIFY(StartFleet(4));
    const ToolRun run = Run({ QStringLiteral("set"), device, QStringLiteral("--ip"), QStringLiteral("10.20.7.7"),
                              QStringLiteral("--port"), QStringLiteral("8080") },
                            passwordOnInput ? QByteArray() : kFleetPassword,
                            passwordOnInput ? kFleetPassword + '\n' : QByteArray());
    QVERIFY2(run.nExitCode == 0, qPrintable(run.strError));
    QVERIFY(run.out.contains("done"));
    QTRY_COMPARE_WITH_TIMEOUT(AddressOf(ReadState(m_strState).value(Serial(2))), QStringLiteral("10.20.7.7"), 10000);
    const QJsonObject changed = ReadState(m_strState).value(Serial(2));
    QCOMPARE(changed[QStringLiteral("port")].toInt(), 8080);
    // What was not given keeps the device's values.
    QCOMPARE(AddressOf(changed, "mask"), QStringLiteral("255.255.0.0"));
    QCOMPARE(AddressOf(changed, "gateway"), QStringLiteral("10.20.0.1"));
    QCOMPARE(AddressOf(ReadState(m_strState).value(Serial(3))), QStringLiteral("10.20.0.12"));
}

void TestTaldorIp::wrongPasswordGivesExitOne()
{
    QVERIFY(StartFleet(2));
    const QByteArray before = StateBytes();
    const ToolRun run = Run({ QStringLiteral("set"), Serial(1), QStringLiteral("--ip"), QStringLiteral("10.20.7.1") },
                            QByteArrayLiteral("not-the-password"));
    QCOMPARE(run.nExitCode, 1);
    QVERIFY2(run.strError.contains(QStringLiteral("%1 (MAC ").arg(Serial(1))), qPrintable(run.strError));
    QVERIFY2(run.strError.contains(QStringLiteral(": failed, wrong password.\n")), qPrintable(run.strError));
    QCOMPARE(AddressOf(ReadState(m_strState).value(Serial(1))), QStringLiteral("10.20.0.10"));
    QCOMPARE(StateBytes(), before);

    const ToolRun apply = Run({ QStringLiteral("apply"), WritePlan("serial,ip\nTL0000000002,10.20.9.2\n") },
                              QByteArrayLiteral("not-the-password"));
    QCOMPARE(apply.nExitCode, 1);
    QVERIFY2(apply.out.contains("  failed: wrong password\n"), apply.out.constData());
    QCOMPARE(StateBytes(), before);
}

void TestTaldorIp::repeatedWrongPasswordsShowTheLockout()
{
    QVERIFY(StartFleet(1, { QStringLiteral("--lockout-ms"), QStringLiteral("30000") }));
    const QStringList change = { QStringLiteral("set"), Serial(1), QStringLiteral("--ip"), QStringLiteral("10.20.7.1") };
    const QRegularExpression locked(QStringLiteral(": failed, locked for (\\d+) more seconds, try again later\\.\n"));
    ToolRun run;
    for (int tries = 0; tries < 6 && !locked.match(run.strError).hasMatch(); ++tries) {
        run = Run(change, QByteArrayLiteral("not-the-password"));
        QCOMPARE(run.nExitCode, 1);
        if (!locked.match(run.strError).hasMatch())
            QVERIFY2(run.strError.contains(QStringLiteral(": failed, wrong password.")), qPrintable(run.strError));
    }
    const QRegularExpressionMatch match = locked.match(run.strError);
    QVERIFY2(match.hasMatch(), qPrintable(run.strError));
    QVERIFY(match.captured(1).toInt() >= 1 && match.captured(1).toInt() <= 30);
    // While it lasts the right password is refused the same way.
    const ToolRun right = Run(change, kFleetPassword);
    QCOMPARE(right.nExitCode, 1);
    QVERIFY2(locked.match(right.strError).hasMatch(), qPrintable(right.strError));
    const ToolRun reset = Run({ QStringLiteral("reset"), Serial(1), QStringLiteral("--code"), QStringLiteral("000000") });
    QCOMPARE(reset.nExitCode, 1);
    QVERIFY2(reset.strError.contains(QStringLiteral("the default password was not restored, locked for ")),
             qPrintable(reset.strError));
}

void TestTaldorIp::appliesTenDevicesUnderPacketLoss()
{
    QVERIFY(StartFleet(12, { QStringLiteral("--loss"), QStringLiteral("0.1"), QStringLiteral("--seed"), QStringLiteral("7") }));
    // Ten devices, the factory-default ones among them, onto 10.30.0.0/24; the
    // second device takes the first one's old address, so it has to wait for it.
    QByteArray plan = "serial,ip,mask,gateway\n";
    QMap<QString, QString> planned;
    planned.insert(Serial(1), QStringLiteral("10.30.0.101"));
    planned.insert(Serial(2), QStringLiteral("10.20.0.10"));
    for (int n = 3; n <= 10; ++n)
        planned.insert(Serial(n), QStringLiteral("10.30.0.%1").arg(100 + n));
    for (auto it = planned.cbegin(); it != planned.cend(); ++it) {
        const QString mask = it.value().startsWith(QStringLiteral("10.20.")) ? QStringLiteral("255.255.0.0")
                                                                             : QStringLiteral("255.255.255.0");
        const QString gateway = it.value().startsWith(QStringLiteral("10.20.")) ? QStringLiteral("10.20.0.1")
                                                                                : QStringLiteral("10.30.0.1");
        plan += QStringLiteral("%1,%2,%3,%4\n").arg(it.key(), it.value(), mask, gateway).toLatin1();
    }
    const ToolRun run = Run({ QStringLiteral("apply"), WritePlan(plan), QStringLiteral("--wait"), QStringLiteral("5") });
    QVERIFY2(run.nExitCode == 0, qPrintable(run.strError + QString::fromUtf8(run.out)));
    QCOMPARE(run.out.count("  done\n"), 10);
    auto holdsThePlan = [&] {
        const QMap<QString, QJsonObject> state = ReadState(m_strState);
        for (auto it = planned.cbegin(); it != planned.cend(); ++it) {
            if (AddressOf(state.value(it.key())) != it.value())
                return false;
        }
        return true;
    };
    QTRY_VERIFY_WITH_TIMEOUT(holdsThePlan(), 10000);
    const QMap<QString, QJsonObject> state = ReadState(m_strState);
    QCOMPARE(AddressOf(state.value(Serial(11))), QStringLiteral("10.20.0.20"));
    QCOMPARE(AddressOf(state.value(Serial(1)), "gateway"), QStringLiteral("10.30.0.1"));
}

void TestTaldorIp::refusedPlanSendsNothing_data()
{
    QTest::addColumn<QByteArray>("plan");
    QTest::addColumn<QString>("problem");
    QTest::newRow("malformed line") << QByteArray("serial,ip\nTL0000000001,10.20.9.1\nTL0000000002\n")
                                    << QStringLiteral("line 3: 1 fields where the header names 2 columns");
    QTest::newRow("device not found") << QByteArray("serial,ip\nTL0000000001,10.20.9.1\nTL0000000099,10.20.9.2\n")
                                      << QStringLiteral("line 3: no device with serial number TL0000000099 answered");
    QTest::newRow("same address twice") << QByteArray("serial,ip\nTL0000000001,10.20.9.1\nTL0000000002,10.20.9.1\n")
                                        << QStringLiteral("line 3: address 10.20.9.1 is also planned on line 2");
    QTest::newRow("address of a device outside the plan")
        << QByteArray("serial,ip\nTL0000000001,10.20.9.1\nTL0000000002,10.20.0.12\n")
        << QStringLiteral("line 3: address 10.20.0.12 belongs to device TL0000000003");
    QTest::newRow("window title in a cell") << QByteArray("serial,ip\nTL0000000001,\x1b]0;owned\x07\n")
                                            << QStringLiteral("line 2: ip \"?]0;owned?\" is not an IPv4 address");
    QTest::newRow("clear screen as a serial") << QByteArray("serial,ip\n\x1b[2J,10.20.9.1\n")
                                              << QStringLiteral("line 2: no device with serial number ?[2J answered");
}

void TestTaldorIp::refusedPlanSendsNothing()
{
    QFETCH(QByteArray, plan);
    QFETCH(QString, problem);
    QVERIFY(StartFleet(4));
    const QByteArray before = StateBytes();
    QVERIFY(!before.isEmpty());
    // The right password is at hand: only the checks keep the plan from being sent.
    const ToolRun run = Run({ QStringLiteral("apply"), WritePlan(plan) });
    QCOMPARE(run.nExitCode, 2);
    QVERIFY2(run.strError.contains(problem), qPrintable(run.strError));
    QVERIFY(run.strError.contains(QStringLiteral("nothing was sent")));
    // Cells are quoted with their control characters shown as "?".
    QVERIFY(!run.strError.contains(QChar(0x1b)));
    QVERIFY(!run.strError.contains(QChar(0x07)));
    QVERIFY(run.out.isEmpty());
    QCOMPARE(StateBytes(), before);

    // The same plan with its problem mended would have changed the fleet.
    const ToolRun dryRun = Run({ QStringLiteral("apply"), WritePlan("serial,ip\nTL0000000001,10.20.9.1\n"),
                                 QStringLiteral("--dry-run") });
    QCOMPARE(dryRun.nExitCode, 0);
    QVERIFY2(dryRun.out.contains("10.20.0.10 -> 10.20.9.1  mask 255.255.0.0  gateway 10.20.0.1  port 8000"), dryRun.out.constData());
    QCOMPARE(StateBytes(), before);
}

void TestTaldorIp::resetsThePassword()
{
    QVERIFY(StartFleet(2));
    const ToolRun unknown = Run({ QStringLiteral("reset"), Serial(9), QStringLiteral("--code"), QStringLiteral("123456"),
                                  QStringLiteral("--wait"), QStringLiteral("1") });
    QCOMPARE(unknown.nExitCode, 2);
    QVERIFY2(unknown.strError.contains(QStringLiteral("no device with serial number TL0000000009")), qPrintable(unknown.strError));

    QVERIFY(unknown.strError.contains(kCodeWarning));

    const QByteArray before = StateBytes();
    m_environment.insert(QStringLiteral("TALDOR_CODE"), QStringLiteral("000000"));
    const ToolRun wrong = Run({ QStringLiteral("reset"), Serial(1) });
    QCOMPARE(wrong.nExitCode, 1);
    QVERIFY2(wrong.strError.contains(QStringLiteral("the default password was not restored, wrong security code. "
                                                    "Check the code's date and serial number.")),
             qPrintable(wrong.strError));
    QCOMPARE(StateBytes(), before);
    m_environment.insert(QStringLiteral("TALDOR_CODE"), QString());
    const ToolRun empty = Run({ QStringLiteral("reset"), Serial(1) });
    QCOMPARE(empty.nExitCode, 2);
    QVERIFY2(empty.strError.contains(QStringLiteral("the security code is empty")), qPrintable(empty.strError));
    m_environment.remove(QStringLiteral("TALDOR_CODE"));

    const QString code = IssuedCode(Serial(1));
    QVERIFY(!code.isEmpty());
    const ToolRun right = Run({ QStringLiteral("reset"), Serial(1), QStringLiteral("--code"), code });
    QVERIFY2(right.nExitCode == 0, qPrintable(right.strError));
    QVERIFY(right.out.contains("default password restored"));
    // The device now takes its default password, and no longer the old one.
    const QStringList change = { QStringLiteral("set"), Serial(1), QStringLiteral("--ip"), QStringLiteral("10.20.7.1") };
    QCOMPARE(Run(change, kFleetPassword).nExitCode, 1);
    const ToolRun afterReset = Run(change, QByteArrayLiteral("admin"));
    QVERIFY2(afterReset.nExitCode == 0, qPrintable(afterReset.strError));
}

void TestTaldorIp::resetTakesTheCodeOffTheCommandLine_data()
{
    QTest::addColumn<QString>("source");
    QTest::addColumn<bool>("warned");
    QTest::newRow("environment") << QStringLiteral("environment") << false;
    QTest::newRow("standard input") << QStringLiteral("input") << false;
    QTest::newRow("--code") << QStringLiteral("option") << true;
}

void TestTaldorIp::resetTakesTheCodeOffTheCommandLine()
{
    QFETCH(QString, source);
    QFETCH(bool, warned);
    QVERIFY(StartFleet(1));
    const QString code = IssuedCode(Serial(1));
    QVERIFY(!code.isEmpty());
    QStringList arguments { QStringLiteral("reset"), Serial(1) };
    QByteArray input;
    if (source == QLatin1String("environment"))
        m_environment.insert(QStringLiteral("TALDOR_CODE"), code);
    else if (source == QLatin1String("input"))
        input = code.toLatin1() + '\n';
    else
        arguments << QStringLiteral("--code") << code;
    const ToolRun run = Run(arguments, kFleetPassword, input);
    QVERIFY2(run.nExitCode == 0, qPrintable(run.strError));
    QVERIFY(run.out.contains("default password restored"));
    QCOMPARE(run.strError.contains(kCodeWarning), warned);
}

QTEST_GUILESS_MAIN(TestTaldorIp)
#include "tst_taldor_ip.moc"
