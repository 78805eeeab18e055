// Discovery across subnets in network namespaces: the utility's host is
// 10.1.0.1/24, the device 192.168.77.64/24, a bridge between them and no route.
#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

namespace {

// Runs a command, returns its exit code (-1 when it could not run) and output.
int run(const QString& strProgram, const QStringList& arguments, QString* pOutput = nullptr)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(strProgram, arguments);
    if (!process.waitForStarted(5000) || !process.waitForFinished(15000))
        return -1;
    if (pOutput)
        *pOutput = QString::fromLocal8Bit(process.readAll());
    return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
}

int ip(const QStringList& arguments, QString* pOutput = nullptr)
{
    return run(QStringLiteral("ip"), arguments, pOutput);
}

QString suffix()
{
    return QString::number(QCoreApplication::applicationPid());
}

} // namespace

class TestLumoNetns : public QObject
{
    Q_OBJECT

public:
    ~TestLumoNetns() override { removeNamespaces(); } // also after a failed step

private slots:
    void initTestCase();
    void cleanupTestCase();
    void deviceInForeignSubnetIsFoundAndReAddressed();

private:
    bool buildNetwork(QString& strError);
    void removeNamespaces();
    bool inNamespace(const QString& strNamespace, const QStringList& command);

    QString m_strUtility = QStringLiteral("lumo-u-") + suffix();
    QString m_strDevice = QStringLiteral("lumo-d-") + suffix();
    QString m_strSwitch = QStringLiteral("lumo-b-") + suffix();
    bool m_bCreated = false;
};

bool TestLumoNetns::inNamespace(const QString& strNamespace, const QStringList& command)
{
    return ip(QStringList{QStringLiteral("netns"), QStringLiteral("exec"), strNamespace} + command) == 0;
}

void TestLumoNetns::initTestCase()
{
#if !defined(__linux__)
    QSKIP("network namespaces exist on Linux only");
#endif
    QString strOutput;
    if (ip({QStringLiteral("netns"), QStringLiteral("add"), m_strSwitch}, &strOutput) != 0)
        QSKIP(qPrintable(QStringLiteral("cannot create network namespaces here (needs root and iproute2): ") + strOutput.trimmed()));
    m_bCreated = true;
    QString strError;
    QVERIFY2(buildNetwork(strError), qPrintable(strError));
}

void TestLumoNetns::cleanupTestCase()
{
    removeNamespaces();
}

void TestLumoNetns::removeNamespaces()
{
    if (!m_bCreated)
        return;
    for (const QString& strName : {m_strUtility, m_strDevice, m_strSwitch})
        ip({QStringLiteral("netns"), QStringLiteral("del"), strName});
    m_bCreated = false;
}

bool TestLumoNetns::buildNetwork(QString& strError)
{
    const char* steps[] = {
        "netns add %U",
        "netns add %D",
        "-n %B link add br0 type bridge",
        "-n %U link add eth0 type veth peer name pu netns %B",
        "-n %D link add eth0 type veth peer name pd netns %B",
        "-n %B link set pu master br0",
        "-n %B link set pd master br0",
        "-n %B link set br0 up",
        "-n %B link set pu up",
        "-n %B link set pd up",
        "-n %U addr add 10.1.0.1/24 dev eth0",
        "-n %U link set eth0 up",
        "-n %U link set lo up",
        "-n %D addr add 192.168.77.64/24 dev eth0",
        "-n %D link set eth0 up",
        "-n %D link set lo up",
    };
    for (const char* pStep : steps) {
        QString strStep = QString::fromLatin1(pStep);
        strStep.replace(QStringLiteral("%U"), m_strUtility).replace(QStringLiteral("%D"), m_strDevice).replace(QStringLiteral("%B"), m_strSwitch);
        const QStringList step = strStep.split(QLatin1Char(' '));
        QString strOutput;
        if (ip(step, &strOutput) != 0) {
            strError = QStringLiteral("ip ") + step.join(QLatin1Char(' ')) + QStringLiteral(": ") + strOutput;
            return false;
        }
    }
    // The answers from 192.168.77.64 have no route back in the utility's namespace;
    // a strict reverse-path filter would drop them (see README).
    for (const QString& strNamespace : {m_strUtility, m_strDevice})
        inNamespace(strNamespace, {QStringLiteral("sysctl"), QStringLiteral("-qw"), QStringLiteral("net.ipv4.conf.all.rp_filter=0"),
                                   QStringLiteral("net.ipv4.conf.eth0.rp_filter=0")});
    return true;
}

void TestLumoNetns::deviceInForeignSubnetIsFoundAndReAddressed()
{
    QTemporaryDir dir;
    const QString strState = dir.filePath(QStringLiteral("fleet.json"));
    QFile file(strState);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(R"({"version":1,"devices":[{"serial":"NETNS0064","mac":"02:77:00:00:00:64","model":"K-VNT1C",
        "password":"netns-pw","ipv4":{"address":"192.168.77.64","mask":"255.255.255.0","gateway":"0.0.0.0"}}]})");
    file.close();

    const QString strBin = QCoreApplication::applicationDirPath();
    QProcess devsim;
    devsim.start(QStringLiteral("ip"), {QStringLiteral("netns"), QStringLiteral("exec"), m_strDevice, strBin + QStringLiteral("/lumo-devsim"),
                                        QStringLiteral("--state"), strState, QStringLiteral("--kdf-ops"), QStringLiteral("2"),
                                        QStringLiteral("--kdf-mem-kib"), QStringLiteral("8192"), QStringLiteral("--no-announce")});
    QVERIFY(devsim.waitForStarted(5000));
    QVERIFY(devsim.waitForReadyRead(10000));

    QProcess client;
    client.setProcessChannelMode(QProcess::MergedChannels);
    client.start(QStringLiteral("ip"), {QStringLiteral("netns"), QStringLiteral("exec"), m_strUtility,
                                        strBin + QStringLiteral("/lumo_netns_client"), QStringLiteral("NETNS0064"),
                                        QStringLiteral("02:77:00:00:00:64"), QStringLiteral("netns-pw"),
                                        QStringLiteral("10.1.0.64"), QStringLiteral("255.255.255.0"), QStringLiteral("10.1.0.1")});
    QVERIFY(client.waitForStarted(5000));
    QByteArray output;
    while (!output.contains("update 10.1.0.64") && !output.contains("failed") && client.state() == QProcess::Running) {
        client.waitForReadyRead(20000);
        output += client.readAll();
    }
    QVERIFY2(output.contains("online\n") && output.contains("modified\n") && output.contains("update 10.1.0.64"), output.constData());

    // The device's firmware would now take its new address; here the test moves its interface.
    QCOMPARE(ip({QStringLiteral("-n"), m_strDevice, QStringLiteral("addr"), QStringLiteral("flush"), QStringLiteral("dev"), QStringLiteral("eth0")}), 0);
    QCOMPARE(ip({QStringLiteral("-n"), m_strDevice, QStringLiteral("addr"), QStringLiteral("add"), QStringLiteral("10.1.0.64/24"),
                 QStringLiteral("dev"), QStringLiteral("eth0")}), 0);
    client.write("readdressed\n");
    client.closeWriteChannel();
    QVERIFY(client.waitForFinished(20000));
    output += client.readAll();
    devsim.terminate();
    devsim.waitForFinished(5000);
    QVERIFY2(output.contains("answer-from 10.1.0.64"), output.constData());
    QVERIFY2(output.contains("online-count 1"), output.constData());
    QCOMPARE(client.exitCode(), 0);
    QFile saved(strState);
    QVERIFY(saved.open(QIODevice::ReadOnly));
    QVERIFY(saved.readAll().contains("\"10.1.0.64\""));
}

QTEST_GUILESS_MAIN(TestLumoNetns)
#include "tst_lumo_netns.moc"
